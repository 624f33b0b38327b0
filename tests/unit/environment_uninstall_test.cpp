// The uninstall of the active environment against the fake: the command each stored form gives,
// what is cleaned up behind the uninstaller and what is left to others, and RunOnce cleaning.
#include <gtest/gtest.h>

#include <cctype>

#include "environments_fixture.h"
#include "maintenance/environment_uninstall.h"

namespace velnora::testing {
namespace {

using namespace maintenance;
using platform::RegRoot;
using platform::RegValue;
namespace regtype = platform::regtype;

const std::string kInfo = std::string(fake::machine::kProgramFiles) +
                          "\\InstallShield Installation Information\\" + kProductGuid;
const std::string kSetup = kInfo + "\\Setup.exe";
const std::string kRunFromTemp = "\"" + kSetup + "\" -runfromtemp -l0x0409 -remove";
const std::string kLauncher = "RunDll32 C:\\PROGRA~1\\VtxLaunch.dll,StartSetup \"" + kSetup + "\"";
const std::string kOthersRename = std::string("C:\\O\\a.dll\0C:\\O\\b.dll\0", 22);
const std::string kOwnRenames = "\\??\\" + kSetup + '\0' + '\0' + "\\??\\" + kInfo + '\0' + '\0';
const std::string kLocation = "C:\\Vtx\\Env";

RegValue Value(std::uint32_t type, const std::string& data) {
    return {type, std::vector<std::uint8_t>(data.begin(), data.end())};
}

// An active environment whose uninstaller, as it starts, either empties its entry (the install
// manager's "TidewatchEnable" keeps the key) and schedules the removal of its own running setup,
// or leaves everything. Meanwhile another program may schedule renames of its own. A
// C:\Program.exe is where guessing would find it for an unquoted path.
struct Machine {
    explicit Machine(const std::string& stored, bool removes = true, std::uint32_t exitCode = 0) {
        fake.registry.SetText(RegRoot::LocalMachine, entry, "ProductGuid", kProductGuid);
        fake.registry.SetText(RegRoot::LocalMachine, entry, "UninstallString", stored);
        fake.registry.SetText(RegRoot::LocalMachine, entry, "InstallLocation", kLocation);
        fake.registry.SetDword(RegRoot::LocalMachine, entry, "TidewatchEnable", 1);
        fake.processes.AddProgram("C:\\Program.exe");
        fake.processes.AddProgram(kSetup, [this, removes, exitCode](const std::string&) {
            if (removes) {
                fake.registry.RemoveKey(RegRoot::LocalMachine, entry);
                fake.registry.SetDword(RegRoot::LocalMachine, entry, "TidewatchEnable", 1);
                std::string list;
                if (const auto before = Renames();
                    before && before->type == regtype::kMultiString && !before->data.empty())
                    list.assign(before->data.begin(), before->data.end() - 1);
                SetRenames(Value(regtype::kMultiString, list + kOwnRenames + meanwhile + '\0'));
            }
            return fake::ProgramBehaviour::RunsFor(5000, exitCode);
        });
    }
    std::optional<RegValue> Renames() const {
        return fake.registry.Get(RegRoot::LocalMachine, kSessionManagerKey, kPendingRenamesValue);
    }
    void SetRenames(const RegValue& value) {
        fake.registry.Set(RegRoot::LocalMachine, kSessionManagerKey, kPendingRenamesValue, value);
    }
    bool EntryExists() const { return fake.registry.KeyExists(RegRoot::LocalMachine, entry); }
    // Every key and handle opened was closed, none twice.
    bool AllClosed() const {
        return fake.registry.OpenKeyCount() == 0 && fake.processes.OpenHandleCount() == 0 &&
               fake.processes.InvalidCloses() == 0;
    }

    const std::string entry = EntryKey(kProductGuid);
    std::string meanwhile;  // pairs, each text with its zero
    fake::FakePlatform fake;
    installer::Context context{fake.Get()};
};

TEST(UninstallCommand, IsTheQuotedSetupProgramOfEitherFormOrNothing) {
    using enum DerivedKind;
    // Characters, not bytes, count against the 259 of the command buffer.
    const auto path = [](int characters) {
        std::string text = "C:\\";
        for (int i = 3; i < characters; ++i)
            text += "日";
        return text;
    };
    const struct {
        std::string stored;
        DerivedKind kind;
        std::string command;
    } cases[] = {
        {kRunFromTemp, kCommand, "\"" + kSetup + "\"  -l0x0409 -remove"},
        {"C:\\Vtx\\Setup.exe -runfromtemp -remove", kCommand, "\"C:\\Vtx\\Setup.exe\"  -remove"},
        {"C:\\P F\\Setup.exe -runfromtemp", kUnusable, ""},  // where would the program end?
        {"\"C:\\P F\\Setup.exe -runfromtemp", kUnusable, ""},
        {"\" \t \" -runfromtemp -remove", kUnusable, ""},  // quotes around blanks only
        {"C:\\x\"y.exe -runfromtemp", kUnusable, ""},      // quoting it would cut it at its quote
        {"-runfromtemp-runfromtemp", kEmpty, ""},
        {" -runfromtemp ", kUnusable, ""},
        {kLauncher + " -remove", kCommand, "\"" + kSetup + "\" -remove"},
        {"\"C:\\W D\\RunDll32.exe\" a,b \"C:\\S.exe\"-x", kCommand, "\"C:\\S.exe\" -x"},
        {"RunDll32 \"C:\\S.exe\" -remove", kUnusable, ""},  // no launcher argument
        {"RunDll32 a,b \"C:\\S.exe -remove", kUnusable, ""},
        {"RunDll32 a,b \"\" -remove", kUnusable, ""},
        {"C:\\Vtx\\Setup.exe", kCommand, "\"C:\\Vtx\\Setup.exe\""},
        {"C:\\P F\\Setup.exe", kUnusable, ""},
        {"C:\\Vtx\\Setup.exe\t/x", kUnusable, ""},
        {"RunDll32 a,b \"\t\" -remove", kUnusable, ""},
        // A quote in the launcher word puts the blank after it inside quotes.
        {"L\"a b\" x \"C:\\S.exe\"", kUnusable, ""},
        {"L a \"" + path(257) + "\"", kCommand, "\"" + path(257) + "\""},
        {"L a \"" + path(258) + "\"", kTooLong, ""},
    };
    for (const auto& c : cases) {
        const DerivedCommand derived = DeriveUninstallCommand(c.stored);
        EXPECT_EQ(derived.kind, c.kind) << c.stored;
        EXPECT_EQ(derived.command, c.command) << c.stored;
    }
}

class UninstallForms : public ::testing::TestWithParam<std::string> {};

TEST_P(UninstallForms, RunTheSetupAndTakeBackOnlyItsOwnRenames) {
    Machine m(GetParam());
    m.SetRenames(Value(regtype::kMultiString, kOthersRename + '\0'));
    ASSERT_EQ(UninstallActiveEnvironment(m.context), UninstallOutcome::kRan);
    const auto& started = m.fake.processes.Started();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].commandLine.substr(0, kSetup.size() + 2), "\"" + kSetup + "\"");
    EXPECT_EQ(started[0].creationFlags, platform::createflags::kNewConsole);
    EXPECT_FALSE(started[0].hiddenWindow);
    EXPECT_EQ(m.Renames()->data, Value(regtype::kMultiString, kOthersRename + '\0').data);
    EXPECT_FALSE(m.EntryExists());  // the remainder the uninstaller left
    EXPECT_TRUE(m.fake.ui.MessageBoxes().empty());
    EXPECT_TRUE(m.AllClosed());
}

INSTANTIATE_TEST_SUITE_P(StoredForms, UninstallForms, ::testing::Values(kRunFromTemp, kLauncher));

// Of the pairs that appear while the uninstaller runs, those inside the environment's folders
// (its installer information, its location, its start menu, Tidewatch data) are its own; the
// rest another program scheduled meanwhile.
TEST(UninstallRuns, TakeBackOnlyNewRenamesInsideTheEnvironmentsFolders) {
    const std::string menu = std::string(fake::machine::kCommonPrograms) + "\\Orvessa";
    const std::string data = std::string(fake::machine::kCommonAppData) + "\\Orvessa\\Tidewatch";
    std::string lowerInfo = kInfo;
    for (char& c : lowerInfo)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const struct {
        std::string location;
        std::string from;
        bool takenBack;
    } cases[] = {
        {kLocation, "\\??\\C:\\WINDOWS\\system32\\update.dll", false},
        {kLocation, "\\??\\" + kInfo + "\\data1.cab", true},
        {kLocation, "\\??\\" + lowerInfo + "\\DATA1.CAB", true},
        {kLocation, "\\??\\" + kInfo, true},
        {kLocation, "\\??\\" + kInfo + "X\\a.dll", false},
        {kLocation, kInfo + "\\a.dll", true},
        {kLocation, "\\??\\" + kLocation + "\\bin\\VTX2.exe", true},
        {kLocation + "\\", "\\??\\" + kLocation + "\\bin\\VTX2.exe", true},
        {kLocation, "\\??\\" + kLocation + "2\\VTX2.exe", false},
        {kLocation, "\\??\\" + menu + "\\Vantorix\\Vantorix.lnk", true},
        {kLocation, "\\??\\" + menu + " Tools\\a.lnk", false},
        {kLocation, "\\??\\" + data + "\\state.dat", true},
        {"C:\\", "\\??\\C:\\WINDOWS\\a.dll", false},  // a location that holds a drive
        {"", "\\??\\C:\\WINDOWS\\a.dll", false},
        {kLocation, "\\??\\", false},
    };
    for (const auto& c : cases) {
        Machine m(kRunFromTemp);
        m.fake.registry.SetText(RegRoot::LocalMachine, m.entry, "InstallLocation", c.location);
        m.SetRenames(Value(regtype::kMultiString, kOthersRename + '\0'));
        const std::string pair = c.from + '\0' + "\\??\\C:\\x" + '\0';
        m.meanwhile = pair;
        ASSERT_EQ(UninstallActiveEnvironment(m.context), UninstallOutcome::kRan) << c.from;
        const std::string left = kOthersRename + (c.takenBack ? "" : pair) + '\0';
        EXPECT_EQ(m.Renames()->data, Value(regtype::kMultiString, left).data)
            << c.location << " " << c.from;
    }
}

TEST(UninstallRuns, OnlyAComparableListLosesWhatTheUninstallerAdded) {
    const std::string own = "\\??\\" + kSetup + '\0' + '\0';
    const struct {
        const char* name;
        std::optional<RegValue> before;
        bool removes;                   // else it fails and leaves its entry
        std::optional<RegValue> after;  // nothing: the value is gone
    } cases[] = {
        {"none before", std::nullopt, true, std::nullopt},
        {"same pair before", Value(regtype::kMultiString, own + '\0'), true,
         Value(regtype::kMultiString, own + '\0')},
        {"nothing added", Value(regtype::kMultiString, kOthersRename), false,
         Value(regtype::kMultiString, kOthersRename)},
        {"not a list", Value(regtype::kString, "x"), false, Value(regtype::kString, "x")},
        {"malformed before", Value(regtype::kMultiString, std::string("a\0", 2)), true,
         Value(regtype::kMultiString, "a" + kOwnRenames + '\0')},
    };
    for (const auto& c : cases) {
        Machine m(kRunFromTemp, c.removes, c.removes ? 0 : 1603);
        if (c.before)
            m.SetRenames(*c.before);
        EXPECT_EQ(UninstallActiveEnvironment(m.context), UninstallOutcome::kRan) << c.name;
        const auto now = m.Renames();
        EXPECT_EQ(now.has_value(), c.after.has_value()) << c.name;
        EXPECT_TRUE(!now || !c.after || (now->type == c.after->type && now->data == c.after->data))
            << c.name;
        EXPECT_EQ(
            m.fake.registry.GetText(RegRoot::LocalMachine, m.entry, "ProductGuid").has_value(),
            !c.removes)
            << c.name;
    }
}

// The engine shows nothing: the page tells the user, from the outcome.
TEST(UninstallRuns, NoUsableCommandOrFailedRunEndsWithoutCleaningUp) {
    using enum UninstallOutcome;
    const struct {
        std::string_view failing;
        std::optional<RegValue> stored;  // a value of no type: none
        UninstallOutcome outcome;
    } cases[] = {
        {fake::op::kCreateProcess, std::nullopt, kNotStarted},
        {fake::op::kWaitForProcess, std::nullopt, kLost},
        {fake::op::kGetExitCode, std::nullopt, kLost},
        {fake::op::kOpenKey, std::nullopt, kNoCommand},
        {{}, platform::StringValue("\"C:\\Gone\\Setup.exe\" -runfromtemp"), kNotStarted},
        {{}, RegValue{}, kNoCommand},
        {{}, platform::DwordValue(1), kNoCommand},
        {{}, platform::StringValue("-runfromtemp"), kNoCommand},
    };
    for (const auto& c : cases) {
        Machine m(kRunFromTemp);
        if (c.stored && c.stored->type == regtype::kNone)
            m.fake.registry.RemoveKey(RegRoot::LocalMachine, m.entry);
        m.fake.registry.SetText(RegRoot::LocalMachine, m.entry, "ProductGuid", kProductGuid);
        if (c.stored && c.stored->type != regtype::kNone)
            m.fake.registry.Set(RegRoot::LocalMachine, m.entry, "UninstallString", *c.stored);
        if (!c.failing.empty())
            m.fake.faults.FailAt(c.failing, 1, platform::error::kAccessDenied);
        EXPECT_EQ(UninstallActiveEnvironment(m.context), c.outcome) << c.failing;
        EXPECT_EQ(m.Renames().has_value(), c.outcome == kLost) << c.failing;
        EXPECT_TRUE(m.EntryExists()) << c.failing;
        EXPECT_TRUE(m.fake.ui.MessageBoxes().empty()) << c.failing;
        EXPECT_TRUE(m.AllClosed()) << c.failing;
    }
}

TEST(SetupResumes, OnlyStaleResumeCommandsOfTheVendorSetupAreBlanked) {
    const std::string quoted = "\"" + kSetup + "\" -resume";
    const char* const setupFiles[] = {"\\Setup.exe", "\\_setup.dll", "\\setup.ini"};
    const struct {
        const char* name;
        std::uint32_t type;
        std::string data;
        int files;  // bits: Setup.exe, _setup.dll, setup.ini present; -1: no folder
        bool blanked;
    } cases[] = {
        {"InstallShieldSetup1", regtype::kString, quoted, -1, true},
        {"InstallShieldSetup1", regtype::kString, quoted, 7, false},
        {"InstallShieldSetup1", regtype::kString, quoted, 5, true},
        {"InstallShieldSetup", regtype::kString, kInfo + "\\setup.EXE -resume", 0, true},
        {"installshieldsetup2", regtype::kString, quoted, -1, false},
        {"InstallShieldSetup3", regtype::kExpandString, quoted, -1, false},
        {"InstallShieldSetup4", regtype::kString, "\"" + kSetup + " -resume", -1, false},
        {"InstallShieldSetup5", regtype::kString, kInfo + "Setup.exe", -1, false},
        {"InstallShieldSetup6", regtype::kString, kSetup + "x -resume", -1, false},
        {"InstallShieldSetup7", regtype::kString, "\"C:\\O\\Setup.exe\" " + kInfo, -1, false},
    };
    for (const auto& c : cases) {
        Machine m(kRunFromTemp);
        const RegValue stored = platform::StringValue(c.data, c.type);
        m.fake.registry.SetText(RegRoot::LocalMachine, kRunOnceKey, "Other", quoted);
        m.fake.registry.Set(RegRoot::LocalMachine, kRunOnceKey, c.name, stored);
        if (c.files >= 0)
            m.fake.files.AddFolder(kInfo);
        for (int bit = 0; bit < 3; ++bit)
            if (c.files >= 0 && (c.files & (1 << bit)) != 0)
                m.fake.files.AddFile(kInfo + setupFiles[bit]);
        EXPECT_TRUE(ClearStaleSetupResumes(m.context)) << c.name << " " << c.data;
        const auto now = m.fake.registry.Get(RegRoot::LocalMachine, kRunOnceKey, c.name);
        const RegValue expected = c.blanked ? platform::StringValue("") : stored;
        EXPECT_TRUE(now && now->type == expected.type && now->data == expected.data)
            << c.name << " " << c.data;
        EXPECT_EQ(m.fake.registry.GetText(RegRoot::LocalMachine, kRunOnceKey, "Other"), quoted);
        EXPECT_TRUE(m.AllClosed());
    }
    for (const std::string_view failing : {fake::op::kOpenKey, fake::op::kEnumValue}) {
        Machine m(kRunFromTemp);
        m.fake.registry.SetText(RegRoot::LocalMachine, kRunOnceKey, "InstallShieldSetup1", quoted);
        m.fake.faults.FailAt(failing, 1, platform::error::kAccessDenied);
        EXPECT_FALSE(ClearStaleSetupResumes(m.context)) << failing;
        EXPECT_EQ(
            m.fake.registry.GetText(RegRoot::LocalMachine, kRunOnceKey, "InstallShieldSetup1"),
            quoted);
    }
}

}  // namespace
}  // namespace velnora::testing
