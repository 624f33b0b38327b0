// `VelnoraCmd install` on a fake machine: a medium of four installers (one the user may not
// untick, two that exclude each other, one that asks for a restart), run through the install
// flows by argument lines, with the environments, the installers started, the restart and the
// exit code each line leaves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cmd_program.h"
#include "installer/catalogue.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using ::testing::HasSubstr;
using S = std::vector<std::string>;

constexpr char kMedia[] = "C:\\Media";
constexpr char kCmdPath[] = "C:\\Media\\VelnoraCmd.exe";
constexpr char kProposed[] = "C:\\Program Files\\Orvessa\\Vtx";

// Entry 0 installs the environment and may not be unticked; 1 and 2 exclude each other; 3 asks
// for a restart.
constexpr char kCatalogue[] =
    "[Tools]\r\n"
    "Vantorix=kit\\setup0.exe\r\n"
    "Vantorix_User_Selection=disable\r\n"
    "Debugger E2=kit\\setup1.exe\r\n"
    "Debugger E2_User_Selection_Condition_OR=2\r\n"
    "Debugger E1=kit\\setup2.exe\r\n"
    "Debugger E1_User_Selection_Condition_OR=1\r\n"
    "Driver=kit\\setup3.exe\r\n";

struct Medium {
    std::string general = "bSetInstallDir=1\r\nInstall_02=off\r\n";
    bool driverPresent = true;
};

class CmdInstallBench {
  public:
    explicit CmdInstallBench(const Medium& medium) {
        machine.fake.session.SetProgramPath(kCmdPath);
        machine.fake.files.AddFile(std::string(kMedia) + "\\autorun.ini",
                                   "[General]\r\n" + medium.general + kCatalogue);
        for (int n = 0; n < 4; ++n)
            if (n != 3 || medium.driverPresent)
                AddInstaller(n);
    }

    void AddInstaller(int n) {
        const std::string path = std::string(kMedia) + "\\kit\\setup" + std::to_string(n) + ".exe";
        machine.fake.files.AddFile(path, "MZ");
        machine.fake.processes.AddProgram(path, [this, n](const std::string&) {
            ran.push_back(std::to_string(n));
            if (n == 0 && !machine.fake.registry.KeyExists(platform::RegRoot::LocalMachine,
                                                           paths::Entry(kGuid)))
                machine.InstallEnvironment({kGuid, "N"});
            if (n == 3)
                machine.fake.profile.WriteString("Install Manager", std::string("bWindowsReboot"),
                                                 std::string("1"), paths::ToolRecord(kGuid));
            return fake::ProgramBehaviour::RunsFor(1000);
        });
    }

    SwitchMachine machine;
    S ran;
};

using Machine = void (*)(CmdInstallBench&);
void Nothing(CmdInstallBench&) {}
void ActiveA(CmdInstallBench& b) {
    b.machine.InstallEnvironment({kGuid, "A"});
}
void PendingAtEntry2(CmdInstallBench& b) {
    ActiveA(b);
    b.machine.fake.files.AddFile("C:\\TEMP\\_autorun.ini",
                                 "[General]\r\nContinue=2\r\nUser_Selection_Install_00=1\r\n"
                                 "User_Selection_Install_01=1\r\nUser_Selection_Install_02=0\r\n"
                                 "User_Selection_Install_03=1\r\n");
}
void Windows10User(CmdInstallBench& b) {
    b.machine.fake.session.SetVersion(10, 0);
    b.machine.fake.registry.DenyWrite(platform::RegRoot::LocalMachine, core::kUninstallRoot);
}
void VantorixInTheChosenFolder(CmdInstallBench& b) {
    b.machine.fake.files.AddFile("D:\\Old\\bin\\VTX2.EXE", "MZ");
}

// The second installer ends within its first half second: Windows is taken to be ending the
// logon.
void SecondInstallerGoneAtOnce(CmdInstallBench& b) {
    ActiveA(b);
    b.machine.fake.processes.AddProgram("C:\\Media\\kit\\setup1.exe", [&b](const std::string&) {
        b.ran.push_back("1");
        return fake::ProgramBehaviour::RunsFor(100);
    });
}

struct InstallCase {
    const char* name;
    S arguments;
    Machine machine;
    Medium medium;
    int exitCode;
    S ran;               // installers started, by entry
    const char* places;  // where the environments' entries are afterwards (EntryPlaces)
    int restarts;        // requests to restart Windows
    S inError;
    // A run waits to go on afterwards.
    bool pending = false;
};

const Medium kMedium;
const Medium kQuietMedium{"bSetInstallDir=1\r\nInstall_02=off\r\nQuiet=on\r\n", false};
const Medium kRestartingMedium{"bSetInstallDir=0\r\nInstall_02=off\r\nRestart_PC=on\r\n", true};

// clang-format off
const InstallCase kInstallCases[] = {
    {"FirstEnvironmentIntoTheProposedFolder", {"install", "--quiet", "--norestart"}, Nothing,
     kMedium, 3010, {"0", "1", "3"}, "N@live ", 0,
     {"Installers: Vantorix, Debugger E2, Driver",
      std::string("The new environment goes to ") + kProposed, "1 of 3 Installer",
      "Windows must restart"}},
    {"TheRestartTakenUnattended", {"install", "--quiet"}, ActiveA, kMedium, 3010,
     {"0", "1", "3"}, "A@live ", 1, {}},
    {"TheRestartDeclinedOnTheConsole", {"install"}, ActiveA, kMedium, 3010, {"0", "1", "3"},
     "A@live ", 0, {"[y/n]"}},
    {"SelectedByNameWithTheOneThatAlwaysRuns", {"install", "--select", "debugger e1"}, ActiveA,
     kMedium, 0, {"0", "2"}, "A@live ", 0, {"Installers: Vantorix, Debugger E1"}},
    {"TheMediumAsksARestartItself", {"install", "--select", "Debugger E2", "--norestart"},
     ActiveA, kRestartingMedium, 3010, {"0", "1"}, "A@live ", 0, {}},
    {"ANewEnvironmentBesideTheActive", {"install", "--new", "--dest", "D:\\Vtx2", "--select",
     "Vantorix"}, ActiveA, kMedium, 0, {"0"}, "N@live A@P ", 0,
     {"The new environment goes to D:\\Vtx2"}},
    {"UnknownName", {"install", "--select", "Vantorix,Emulator"}, ActiveA, kMedium, 2, {},
     "A@live ", 0, {"no installer named: Emulator"}},
    {"NamesThatExcludeEachOther", {"install", "--select", "Debugger E1,Debugger E2"}, ActiveA,
     kMedium, 2, {}, "A@live ", 0, {"together: Debugger E2"}},
    {"ARelativeMedium", {"install", "--media", "Media"}, Nothing, kMedium, 2, {}, "", 0,
     {"full path"}},
    {"ARelativeDestination", {"install", "--new", "--dest", "Vtx"}, Nothing, kMedium, 2, {}, "",
     0, {"full path"}},
    {"AFolderWithoutMedium", {"install", "--media", "D:\\"}, Nothing, kMedium, 1, {}, "", 0,
     {"No autorun.ini in the folder of the medium: D:\\autorun.ini"}},
    {"TheFolderHoldsVantorix", {"install", "--quiet", "--dest", "D:\\Old"}, VantorixInTheChosenFolder, kMedium, 1,
     {}, "", 0, {"There has been already Vantorix", "Nothing was installed."}},
    {"AMissingInstallerStopsAQuietRun", {"install", "--norestart"}, ActiveA, kQuietMedium, 1,
     {}, "A@live ", 0, {"An installer program is not found.", "The run stopped"}},
    {"APendingRunIsNotStartedAgain", {"install"}, PendingAtEntry2, kMedium, 1, {},
     "A@live ", 0, {"install --resume"}},
    {"TheResumeGoesOnWhereItStopped", {"install", "--resume", "--norestart"}, PendingAtEntry2,
     kMedium, 3010, {"3"}, "A@live ", 0, {}},
    {"ACutOffRunEndsAsOneThatNeedsARestart", {"install", "--quiet"}, SecondInstallerGoneAtOnce,
     kMedium, 3010, {"0", "1"}, "A@live ", 0, {}, true},
    {"NothingToResume", {"install", "--resume"}, ActiveA, kMedium, 1, {}, "A@live ",
     0, {"No install run waits"}},
    {"ResumeTakesNoChoice", {"install", "--resume", "--select", "Driver"}, ActiveA, kMedium, 2,
     {}, "A@live ", 0, {"--select"}},
    {"WithoutRightsOnWindows10", {"install", "--quiet"}, Windows10User, kMedium, 740, {}, "", 0,
     {"run from an elevated command prompt"}},
};
// clang-format on

class CmdInstall : public ::testing::TestWithParam<InstallCase> {};

TEST_P(CmdInstall, RunsTheMediumAsTheArgumentsSay) {
    const InstallCase& c = GetParam();
    CmdInstallBench bench(c.medium);
    c.machine(bench);
    // Asked on the console, the restart is declined.
    bench.machine.fake.console.AddInputLine("n");

    int exitCode = -1;
    try {
        exitCode = app::RunVelnoraCmd(bench.machine.fake.Get(), c.arguments);
    } catch (const fake::ProcessExited& exited) {
        exitCode = static_cast<int>(exited.code);
    }
    EXPECT_EQ(exitCode, c.exitCode);
    EXPECT_EQ(bench.ran, c.ran);
    EXPECT_EQ(EntryPlaces(bench.machine), c.places);
    EXPECT_EQ(bench.machine.fake.session.ExitWindowsCalls().size(),
              static_cast<std::size_t>(c.restarts));
    const std::string& err = bench.machine.fake.console.Error();
    for (const auto& text : c.inError)
        EXPECT_THAT(err, HasSubstr(text));
    EXPECT_TRUE(bench.machine.fake.ui.MessageBoxes().empty());
    if (c.exitCode == 0 || c.exitCode == 3010) {
        // A finished run leaves nothing to resume; a cut-off one waits for install --resume.
        EXPECT_THAT(app::RunVelnoraCmd(bench.machine.fake.Get(), {"status"}), 0);
        EXPECT_THAT(
            bench.machine.fake.console.Output(),
            HasSubstr(c.pending ? "continues with installer 1" : "Pending install run: none"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cmd, CmdInstall, ::testing::ValuesIn(kInstallCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The choice by name as clicks would make it: unnamed entries go first, so no condition of
// theirs takes a named one away; entries the user may not change keep their tick.
TEST(CmdSelect, NamesBecomeTicksUnderTheCataloguesRules) {
    installer::InstallerCatalogue catalogue;
    const auto add = [&](const char* name, const char* selection, const char* andRow,
                         const char* orRow) {
        installer::InstallerEntry entry;
        entry.name = name;
        entry.userSelection = selection;
        entry.conditionAnd = andRow;
        entry.conditionOr = orRow;
        ASSERT_TRUE(catalogue.Append(entry));
    };
    add("Fixed", "disable", "", "");
    add("Samples", "", "2", "");  // ticks the simulator with it
    add("Simulator", "", "", "");
    add("E2", "", "", "4");
    add("E1", "", "", "3");
    struct Case {
        S names;
        std::vector<int> start;
        std::vector<int> ticks;
        S unknown;
        S notTicked;
    };
    const Case cases[] = {
        {{"samples"}, {1, 0, 0, 1, 0}, {1, 1, 1, 0, 0}, {}, {}},
        {{"Simulator"}, {1, 1, 1, 0, 0}, {1, 0, 1, 0, 0}, {}, {}},
        {{"E1"}, {1, 0, 0, 1, 0}, {1, 0, 0, 0, 1}, {}, {}},
        {{"E1", "E2"}, {1, 0, 0, 0, 0}, {1, 0, 0, 0, 1}, {}, {"E2"}},
        {{"Fixed"}, {0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}, {}, {"Fixed"}},
        {{"Nope", "E2"}, {1, 0, 0, 0, 0}, {1, 0, 0, 1, 0}, {"Nope"}, {}},
        {{}, {1, 1, 1, 1, 0}, {1, 0, 0, 0, 0}, {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> ticks = c.start;
        const installer::NamedSelection selection =
            installer::SelectByName(catalogue, ticks, c.names);
        EXPECT_EQ(ticks, c.ticks) << ::testing::PrintToString(c.names);
        EXPECT_EQ(selection.unknown, c.unknown) << ::testing::PrintToString(c.names);
        EXPECT_EQ(selection.notTicked, c.notTicked) << ::testing::PrintToString(c.names);
    }
}

}  // namespace
}  // namespace velnora::testing
