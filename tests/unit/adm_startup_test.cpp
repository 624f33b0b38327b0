#include "app/adm_startup.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/adm_program.h"
#include "fake/fake_platform.h"
#include "maintenance/elevated_twin.h"
#include "resource_ids.h"
#include "switch_machine.h"

namespace velnora::app {
namespace {

namespace mb = platform::mb;
namespace twinexit = maintenance::twinexit;
using core::StartMode;

constexpr char kTwin[] = "C:\\Media\\VelnoraAdm.exe";
constexpr char kWrong[] = "Command parameter is wrong.";
constexpr char kDirect[] =
    "VelnoraAdm.exe cannot be executed directly. \r\n"
    "When Velnora.exe is executed, VelnoraAdm.exe is executed if necessary.";

struct Operation {
    StartMode mode;
    int row;
    std::string keyName;
    bool operator==(const Operation&) const = default;
};

const std::string kKey = testing::ParkedKey(2);

class RecordingActions final : public AdmStartupActions {
  public:
    explicit RecordingActions(installer::Context& context) : context_(context) {}
    void EnumerateEnvironments() override {
        for (int row = 0; row < environments; ++row)
            context_.environments.CountNextRow();
        context_.environments.MarkComplete();
    }
    int RunMaintenanceOperation(StartMode mode, int row, const std::string& keyName) override {
        EXPECT_EQ(context_.startup.startMode, mode);
        operations.push_back({mode, row, keyName});
        return twinexit::kDone;
    }
    // Recorded as the install start mode with row 1 for Standard, 0 for Multi Install.
    int RunInstallOperation(bool standardInstall) override {
        EXPECT_EQ(context_.startup.startMode, StartMode::kInstall);
        operations.push_back({StartMode::kInstall, standardInstall ? 1 : 0, ""});
        return installExitCode;
    }
    // Recorded as the install start mode with row -1.
    int ResumeInstallOperation() override {
        EXPECT_EQ(context_.startup.startMode, StartMode::kInstall);
        operations.push_back({StartMode::kInstall, -1, ""});
        return twinexit::kDone;
    }
    int installExitCode = twinexit::kDone;
    int environments = 0;
    std::vector<Operation> operations;

  private:
    installer::Context& context_;
};

using Machine = std::function<void(fake::FakePlatform&)>;

// On a Windows 10 machine unless `machine` changes it. Without an operation the twin refuses.
struct AdmCase {
    const char* name;
    std::string arguments;
    int environments;
    Machine machine;
    std::string errorBox;  // empty: none
    std::vector<Operation> operations;
};

const std::vector<AdmCase>& AdmCases() {
    // On the Windows 9x family nobody is an administrator, and nobody asks.
    const auto media = [](std::uint32_t major, std::uint32_t platformId, const char* support) {
        return [=](fake::FakePlatform& f) {
            f.session.SetVersion(major, 0, platformId);
            f.files.AddFile("C:\\Media\\autorun.ini",
                            std::string("[General]\nSupportOS_Win9X_NT=") + support + "\n");
            if (platformId == 1)
                f.registry.DenyWrite(platform::RegRoot::LocalMachine, core::kUninstallRoot);
        };
    };
    const Machine notAdministrator = [](fake::FakePlatform& f) {
        f.registry.DenyWrite(platform::RegRoot::LocalMachine, core::kUninstallRoot);
    };
    const Machine pending = [](fake::FakePlatform& f) {
        f.files.AddFile("C:\\TEMP\\_autorun.ini", "[General]\nContinue=1\n");
    };
    const Machine secondTwin = [](fake::FakePlatform& f) {
        f.processes.HoldMutexElsewhere("VelnoraAdm");
    };
    const Machine managerRuns = [](fake::FakePlatform& f) {
        f.processes.HoldMutexElsewhere("Velnora");
    };
    const std::vector<Operation> switch0{{StartMode::kMaintenance, 0, kKey}};
    const std::string active0 = "-maintenance_active 0 " + kKey;
    // clang-format off
    static const std::vector<AdmCase> cases = {
        {"StartedDirectly", "", 2, nullptr, kDirect, {}},
        {"Switch", "-maintenance_active 1 " + kKey, 3, nullptr, "",
            {{StartMode::kMaintenance, 1, kKey}}},
        {"Uninstall", "-Maintenance_Uninstall   0 {a}", 1, nullptr, "",
            {{StartMode::kUninstall, 0, "{a}"}}},
        {"RowLeadingDigits", "-maintenance_uninstall 1x " + kKey, 2, nullptr, "",
            {{StartMode::kUninstall, 1, kKey}}},
        {"RowEqualToCount", "-maintenance_active 3 " + kKey, 3, nullptr, "", {}},
        {"NegativeRow", "-maintenance_uninstall -1 " + kKey, 3, nullptr, "", {}},
        {"MissingRow", "-maintenance_active", 3, nullptr, "", {}},
        {"MissingKeyOfTheSwitch", "-maintenance_active 1", 3, nullptr, "", {}},
        {"MissingKeyOfTheUninstall", "-maintenance_uninstall 0", 3, nullptr, "", {}},
        {"StandardInstall", "-standard_install", 1, nullptr, "", {{StartMode::kInstall, 1, ""}}},
        {"MultiInstallWithoutEnvironment", "-Multi_Install", 0, nullptr, "",
            {{StartMode::kInstall, 0, ""}}},
        {"InstallIgnoresAnyRow", "-standard_install 5", 0, nullptr, "",
            {{StartMode::kInstall, 1, ""}}},
        {"PendingContinueInstall", "-multi_install", 1, pending, kWrong, {}},
        {"ResumeOfThePendingRun", "-Resume_Install", 1, pending, "", {{StartMode::kInstall, -1, ""}}},
        {"ResumeWithoutAPendingRun", "-resume_install", 1, nullptr, kWrong, {}},
        {"TokenOfTheInstallManager", "-maintenance", 1, nullptr, kWrong, {}},
        {"PendingContinue", active0, 1, pending, kWrong, {}},
        {"NotAdministratorOnWindows10", active0, 1, notAdministrator, "Not Administrators", {}},
        {"SecondTwin", active0, 1, secondTwin, "VelnoraAdm is already execute.", {}},
        {"BesideTheInstallManager", active0, 1, managerRuns, "", switch0},
        {"WindowsXpNeedsTheMedia", active0, 1, media(5, 2, "true"), "Unsupported OS.", {}},
        {"Windows9xAllowedByTheMedia", active0, 1, media(4, 1, "TRUE"), "", switch0},
    };
    // clang-format on
    return cases;
}

class AdmStartupDispatch : public ::testing::TestWithParam<AdmCase> {};

TEST_P(AdmStartupDispatch, RunsOneOperationOrRefuses) {
    const AdmCase& c = GetParam();
    fake::FakePlatform fake;
    fake.session.SetVersion(10, 0, 2);
    fake.session.SetProgramPath(kTwin);
    fake.session.SetCommandLine(std::string("\"") + kTwin + "\" " + c.arguments);
    if (c.machine)
        c.machine(fake);
    installer::Context context(fake.Get());
    RecordingActions actions(context);
    actions.environments = c.environments;
    AdmStartup startup(context, actions);
    EXPECT_FALSE(startup.InitInstance());
    startup.ExitInstance();

    const auto& boxes = fake.ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), c.errorBox.empty() ? 0u : 1u);
    if (!boxes.empty()) {
        EXPECT_EQ(boxes[0].text, c.errorBox);
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].flags, mb::kOk | mb::kIconError);
    }
    EXPECT_EQ(actions.operations, c.operations);
    EXPECT_EQ(startup.ExitCode(), c.operations.empty() ? twinexit::kRefused : twinexit::kDone);
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Twin, AdmStartupDispatch, ::testing::ValuesIn(AdmCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The twin shares the install manager's settings file, shows no read-me and ends with the code
// of the operation it ran.
// The whole twin: its start-up finds the row in the shared settings' world, runs the switch flow
// without a page and ends with kDone. The flow tells that the active row is active already.
TEST(AdmProgram, RunsTheSwitchWithoutAPageWithVelnorasSettings) {
    fake::FakePlatform fake;
    fake.session.SetVersion(10, 0, 2);
    fake.session.SetProgramPath(kTwin);
    fake.session.SetCommandLine(std::string(kTwin) + " -maintenance_active 0 " +
                                core::kVantorixProductGuid);
    fake.files.AddFile("C:\\Media\\VelnoraE.CHM");
    const std::string key = std::string(core::kUninstallRoot) + "\\" + core::kVantorixProductGuid;
    fake.registry.SetText(platform::RegRoot::LocalMachine, key, "ProductGuid",
                          core::kVantorixProductGuid);
    fake.registry.SetText(platform::RegRoot::LocalMachine, key, "DisplayName", "Vantorix");
    fake.registry.SetText(platform::RegRoot::LocalMachine, key, "InstallLocation", "C:\\Vtx");

    EXPECT_EQ(RunVelnoraAdm(fake.Get()), twinexit::kDone);

    ASSERT_EQ(fake.ui.MessageBoxes().size(), 1u);
    EXPECT_EQ(fake.ui.MessageBoxes()[0].text, "It is current active Vantorix.");
    // The flow needs no window: the box has no owner.
    EXPECT_FALSE(fake.dialogs.HasWindow(IDD_MAINTENANCE));
    EXPECT_EQ(fake.ui.MessageBoxes()[0].owner, nullptr);
    EXPECT_EQ(fake.faults.Subjects(fake::op::kCreateMutex), std::vector<std::string>{"VelnoraAdm"});
    EXPECT_TRUE(fake.ui.HelpCalls().empty());
    std::string value;
    fake.profile.GetString("Default", "FirstBoot", "unset", 1024, "Velnora.ini", value);
    EXPECT_EQ(value, "unset");
    fake.profile.GetString("General", "VtxInstanceCount", "", 1024, "Velnora.ini", value);
    EXPECT_EQ(value, "1");
}

// A run of the medium's second entry that a restart cut off: it goes on there.
constexpr char kPendingRun[] =
    "[General]\r\nContinue=1\r\nRunner=VelnoraAdm\r\n"
    "User_Selection_Install_00=1\r\nUser_Selection_Install_01=1\r\n";

// The twin's install: the sequence runs on its hidden main menu; the exit code tells the
// install manager whether an install completed. The menu is never seen, not even when the
// installer page closes after a run, and the finish page ends unseen. A run that a restart
// cut off goes on there.
TEST(AdmProgram, RunsTheInstallSequenceOnItsHiddenMainMenu) {
    enum Act { kNext, kLeave, kEscape, kInstall };
    const struct {
        const char* name;
        const char* token;
        std::vector<Act> destination;
        std::vector<Act> installers;
        int exitCode;
        std::vector<int> runs;
        const char* runState = nullptr;
    } cases[] = {
        {"StandardCompleted",
         "-standard_install",
         {kNext},
         {kInstall},
         twinexit::kDone,
         {IDD_DEST_FOLDER, IDD_SELECT_INSTALLER, IDD_FINISH}},
        {"MultiCompleted",
         "-multi_install",
         {kNext},
         {kInstall},
         twinexit::kDone,
         {IDD_DEST_FOLDER, IDD_SELECT_INSTALLER, IDD_FINISH}},
        {"ExitOnTheInstallerPage",
         "-standard_install",
         {kNext},
         {kLeave},
         twinexit::kAborted,
         {IDD_DEST_FOLDER, IDD_SELECT_INSTALLER}},
        {"EscapeOnTheInstallerPage",
         "-multi_install",
         {kNext},
         {kEscape},
         twinexit::kAborted,
         {IDD_DEST_FOLDER, IDD_SELECT_INSTALLER}},
        {"ExitOnTheFolderPage",
         "-multi_install",
         {kLeave},
         {},
         twinexit::kAborted,
         {IDD_DEST_FOLDER}},
        {"ResumedRun",
         "-resume_install",
         {},
         {},
         twinexit::kDone,
         {IDD_SELECT_INSTALLER, IDD_FINISH},
         kPendingRun},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::SwitchMachine machine;
        auto& fake = machine.fake;
        fake.session.SetVersion(10, 0, 2);
        fake.session.SetProgramPath(kTwin);
        fake.session.SetCommandLine(std::string("\"") + kTwin + "\" " + c.token);
        fake.files.AddFolder("C:\\TEMP");
        fake.session.SetEnvironmentVariable("TEMP", "C:\\TEMP");
        fake.files.AddFile("C:\\Media\\autorun.ini",
                           "[General]\r\nbSetInstallDir=1\r\nRestart_PC=on\r\n"
                           "Install_00=1\r\nInstall_01=0\r\n"
                           "[Tools]\r\nVantorix=setup.exe\r\nManuals=setup.exe\r\n");
        if (c.runState)
            fake.files.AddFile("C:\\TEMP\\_autorun.ini", c.runState);
        fake.files.AddFile("C:\\Media\\setup.exe", "MZ");
        int installerRuns = 0;
        fake.processes.AddProgram("C:\\Media\\setup.exe", [&](const std::string&) {
            ++installerRuns;
            machine.InstallEnvironment({testing::kGuid, "N"});
            return fake::ProgramBehaviour::RunsFor(1000);
        });
        // The restart the medium asks for is offered when the installer page closes; by then
        // the install manager's page would have been restored, the twin's stays minimised.
        std::vector<bool> menuMinimized;
        fake.ui.SetMessageBoxHandler([&](const fake::MessageBoxRecord&) {
            menuMinimized.push_back(fake.dialogs.LastWindow(IDD_MAIN_MENU).IsMinimized());
            return std::optional<int>(platform::answer::kNo);
        });
        for (const Act act : c.destination)
            fake.dialogs.OnNextRun(IDD_DEST_FOLDER, [act](fake::PageDriver& d) {
                d.Click(act == kNext ? IDC_DEST_NEXT : IDC_DEST_EXIT);
            });
        for (const Act act : c.installers)
            fake.dialogs.OnNextRun(IDD_SELECT_INSTALLER, [act](fake::PageDriver& d) {
                if (act == kEscape)
                    d.PressEscape();
                else
                    d.Click(act == kInstall ? IDC_INST_INSTALL : IDC_INST_EXIT);
            });

        EXPECT_EQ(RunVelnoraAdm(fake.Get()), c.exitCode);
        const bool installs = c.runState != nullptr || c.installers == std::vector<Act>{kInstall};
        EXPECT_EQ(installerRuns, installs ? 1 : 0);

        std::vector<int> runs;
        for (const auto& run : fake.dialogs.Runs()) {
            if (run.templateId == IDD_MAIN_MENU) {
                EXPECT_FALSE(run.modal);
                continue;
            }
            EXPECT_EQ(run.ownerTemplateId, run.templateId == IDD_FINISH ? 0 : IDD_MAIN_MENU);
            runs.push_back(run.templateId);
        }
        EXPECT_EQ(runs, c.runs);
        const fake::PageDriver menu = fake.dialogs.LastWindow(IDD_MAIN_MENU);
        EXPECT_FALSE(menu.IsOpen());
        EXPECT_FALSE(menu.IsWindowVisible());
        EXPECT_EQ(menuMinimized,
                  c.exitCode == twinexit::kDone ? std::vector<bool>{true} : std::vector<bool>{});
        if (c.exitCode == twinexit::kDone) {
            EXPECT_FALSE(fake.dialogs.LastWindow(IDD_FINISH).IsWindowVisible());
        }
        EXPECT_TRUE(fake.dialogs.Failures().empty());
    }
}

}  // namespace
}  // namespace velnora::app
