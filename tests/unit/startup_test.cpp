#include "app/startup.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/velnora_program.h"
#include "environments/user_information.h"
#include "fake/fake_platform.h"
#include "installer/context.h"
#include "resource_ids.h"

namespace velnora::app {
namespace {

using platform::RegRoot;
namespace mb = platform::mb;

constexpr char kProgram[] = "C:\\Media\\Velnora.exe";
constexpr char kAutorunIni[] = "C:\\Media\\autorun.ini";
constexpr char kStateFile[] = "C:\\TEMP\\_autorun.ini";
constexpr char kSettingsFile[] = "C:\\WINDOWS\\Velnora.ini";
constexpr char kHelpEnglish[] = "C:\\Media\\VelnoraE.CHM";
constexpr char kHelpJapanese[] = "C:\\Media\\VelnoraJ.CHM";
constexpr char kProbeKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CheckUserInfo";

constexpr char kNotInstalled[] = "Vantorix is not installed in this PC.";
constexpr char kParameterWrong[] = "Command parameter is wrong.";
constexpr char kUnsupportedOs[] = "Unsupported OS.";
constexpr char kNotAdministrator[] =
    "You have not logged on with the administrator account.\nTo run this product correctly,\n"
    "log on again with the administrator account.";

// Records what the dispatch ran, and the start mode each page saw.
class RecordingActions final : public StartupActions {
  public:
    explicit RecordingActions(installer::Context& context) : context_(context) {}

    void EnumerateEnvironments() override {
        calls.push_back("EnumerateEnvironments");
        auto& table = context_.environments;
        table.Clear();
        for (int row = 0; row < environments; ++row) {
            table.Row(row).keyName = "{ENV-" + std::to_string(row) + "}";
            table.CountNextRow();
        }
        if (!searchFails)
            table.MarkComplete();
    }
    void RunMainMenu() override {
        Record("MainMenu");
        if (onMainMenu)
            onMainMenu();
    }
    void RunMaintenance() override { Record("Maintenance"); }
    void RunAutorunSequence(const InstallerOptions& options) override {
        Record("AutorunSequence");
        installerOptions = options;
    }
    bool ResumeInTwin() override {
        Record("ResumeInTwin");
        return twinCompletes;
    }
    void RunFinishPage() override { Record("FinishPage"); }
    maintenance::PartsLeft RemoveInstallManager() override {
        Record("RemoveInstallManager");
        return {};
    }
    void UpgradeInstallManager() override { Record("UpgradeInstallManager"); }

    // The pages and actions run, without the enumeration.
    std::vector<std::string> Dispatched() const {
        std::vector<std::string> result;
        for (const auto& call : calls)
            if (call != "EnumerateEnvironments")
                result.push_back(call);
        return result;
    }

    int environments = 0;
    // The search stops early, as after a subkey that cannot be opened.
    bool searchFails = false;
    bool twinCompletes = true;
    std::function<void()> onMainMenu;
    std::vector<std::string> calls;
    std::vector<core::StartMode> modes;
    std::optional<InstallerOptions> installerOptions;

  private:
    void Record(const std::string& call) {
        calls.push_back(call);
        modes.push_back(context_.startup.startMode);
    }

    installer::Context& context_;
};

struct Box {
    std::string text;
    std::string caption;
    std::uint32_t flags;

    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& box, std::ostream* out) {
    *out << "{\"" << box.text << "\", \"" << box.caption << "\", " << box.flags << "}";
}

Box ErrorBox(const std::string& text) {
    return {text, "Error", mb::kOk | mb::kIconError};
}
Box ConfirmBox(const std::string& text) {
    return {text, "Confirm", mb::kOk};
}

class StartupTest : public ::testing::Test {
  protected:
    StartupTest() : context(fake.Get()), actions(context) {
        fake.session.SetVersion(5, 1, 2);
        SetArguments("");
    }

    void SetArguments(const std::string& arguments) {
        std::string line = std::string("\"") + kProgram + "\"";
        if (!arguments.empty())
            line += " " + arguments;
        fake.session.SetCommandLine(line);
    }

    void Run() {
        VelnoraStartup startup(context, actions);
        EXPECT_FALSE(startup.InitInstance());
        startup.ExitInstance();
    }

    std::vector<Box> Boxes() const {
        std::vector<Box> boxes;
        for (const auto& box : fake.ui.MessageBoxes()) {
            EXPECT_EQ(box.owner, nullptr) << box.text;
            boxes.push_back({box.text, box.caption, box.flags});
        }
        return boxes;
    }

    std::optional<std::string> Setting(const std::string& section, const std::string& key) {
        if (!fake.files.Exists(kSettingsFile))
            return std::nullopt;
        const std::string missing = "\x01missing";
        std::string value;
        fake.profile.GetString(section, key, missing, 1024, kSettingsFile, value);
        if (value == missing)
            return std::nullopt;
        return value;
    }

    fake::FakePlatform fake;
    installer::Context context;
    RecordingActions actions;
};

// --- Dispatch ---------------------------------------------------------------------------------

struct DispatchCase {
    const char* name;
    std::string arguments;
    int environments;
    std::optional<std::string> autorunIni;  // content; nothing: no autorun.ini next to the program
    std::vector<std::string> dispatched;
    core::StartMode startMode;
    std::vector<Box> boxes;
};

constexpr core::StartMode kAutorun = core::StartMode::kAutorun;
constexpr core::StartMode kInstall = core::StartMode::kInstall;
constexpr core::StartMode kMaintenance = core::StartMode::kMaintenance;
constexpr core::StartMode kUninstall = core::StartMode::kUninstall;

const std::string kRemoved = std::string(kNotInstalled) + "\r\nThe install manager was deleted.";

const std::vector<DispatchCase>& DispatchCases() {
    using V = std::vector<std::string>;
    static const std::vector<DispatchCase> cases = {
        {"Install", "-install", 0, std::nullopt, V{"MainMenu"}, kInstall, {}},
        {"InstallUpperCase", "-INSTALL", 2, "", V{"MainMenu"}, kInstall, {}},
        {"InstallFollowedByMore", "-install   -maintenance", 1, "", V{"MainMenu"}, kInstall, {}},
        {"MaintenanceWithoutEnvironment",
         "-maintenance",
         0,
         "",
         V{},
         kMaintenance,
         {ConfirmBox(kNotInstalled)}},
        {"MaintenanceWithEnvironment",
         "-maintenance",
         1,
         std::nullopt,
         V{"Maintenance"},
         kMaintenance,
         {}},
        {"UninstallWithoutEnvironment",
         "-uninstall",
         0,
         "",
         V{"RemoveInstallManager"},
         kUninstall,
         {ConfirmBox(kRemoved)}},
        {"UninstallWithEnvironment",
         "-Uninstall",
         3,
         std::nullopt,
         V{"Maintenance"},
         kUninstall,
         {}},
        {"AutorunPlain", "-autorun", 0, "", V{"AutorunSequence"}, kAutorun, {}},
        {"Upgrade", "-upgrade", 0, "", V{"UpgradeInstallManager"}, kAutorun, {}},
        {"NoTokenWithAutorunIni", "", 0, "", V{"MainMenu"}, kInstall, {}},
        {"NoTokenWithAutorunIniAndEnvironment", "", 4, "", V{"MainMenu"}, kInstall, {}},
        {"NoTokenNothingLeft",
         "",
         0,
         std::nullopt,
         V{"RemoveInstallManager"},
         kMaintenance,
         {ConfirmBox(kRemoved)}},
        {"NoTokenWithEnvironment", "", 1, std::nullopt, V{"Maintenance"}, kMaintenance, {}},
        {"SwitchAfterSlashArgument", "/quiet -autorun", 0, "", V{"AutorunSequence"}, kAutorun, {}},
        {"SwitchBeforeSlashArgumentIsLost", "-autorun /quiet", 0, "", V{"MainMenu"}, kInstall, {}},
        {"UnknownToken", "-foo", 0, "", V{}, kAutorun, {ErrorBox(kParameterWrong)}},
        {"UnknownTokenWithEnvironment",
         "-installer",
         2,
         "",
         V{},
         kAutorun,
         {ErrorBox(kParameterWrong)}},
    };
    return cases;
}

class StartupDispatch : public StartupTest, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(StartupDispatch, RunsTheRowOfTheModeToken) {
    const auto& c = GetParam();
    SetArguments(c.arguments);
    actions.environments = c.environments;
    if (c.autorunIni)
        fake.files.AddFile(kAutorunIni, *c.autorunIni);

    Run();

    EXPECT_EQ(actions.Dispatched(), c.dispatched);
    EXPECT_EQ(context.startup.startMode, c.startMode);
    for (const auto mode : actions.modes)
        EXPECT_EQ(mode, c.startMode);
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(context.environments.Count(), c.environments);
}

INSTANTIATE_TEST_SUITE_P(Startup, StartupDispatch, ::testing::ValuesIn(DispatchCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A search that failed found nothing because it stopped: nothing is removed and nobody is told
// that Vantorix is missing. What it did find is still maintained.
struct FailedSearchCase {
    const char* name;
    const char* arguments;
    int found;
    std::vector<std::string> dispatched;
};

class StartupFailedSearch : public StartupTest,
                            public ::testing::WithParamInterface<FailedSearchCase> {};

TEST_P(StartupFailedSearch, IsNoEmptyMachine) {
    const auto& c = GetParam();
    SetArguments(c.arguments);
    actions.searchFails = true;
    actions.environments = c.found;
    Run();
    EXPECT_EQ(actions.Dispatched(), c.dispatched);
    EXPECT_EQ(Boxes(), std::vector<Box>{});
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StartupFailedSearch,
    ::testing::Values(FailedSearchCase{"Uninstall", "-uninstall", 0, {}},
                      FailedSearchCase{"InstalledCopy", "", 0, {}},
                      FailedSearchCase{"Maintenance", "-maintenance", 0, {}},
                      FailedSearchCase{"UninstallWithSomeFound", "-uninstall", 2, {"Maintenance"}},
                      FailedSearchCase{"InstalledCopyWithSomeFound", "", 1, {"Maintenance"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, SelfRemovalRemovesBeforeItSaysSo) {
    SetArguments("-uninstall");
    fake.ui.SetMessageBoxHandler([this](const fake::MessageBoxRecord&) {
        EXPECT_EQ(actions.Dispatched(), std::vector<std::string>{"RemoveInstallManager"});
        return std::nullopt;
    });
    Run();
    EXPECT_EQ(fake.ui.MessageBoxes().size(), 1u);
}

TEST_F(StartupTest, SelfRemovalMessageInJapanese) {
    fake.session.SetLocaleCountry("Japan");
    Run();
    EXPECT_EQ(Boxes(), (std::vector<Box>{{"このPCには、Vantorixがインストールされていません。"
                                          "\r\nインストールマネージャをアンインストールしました。",
                                          "確認", mb::kOk}}));
}

TEST_F(StartupTest, InstallerPageGetsTheSwitchesOfTheCommandLine) {
    struct Case {
        std::string arguments;
        int fromCommandLine, interactive, restartPc;
    };
    const Case cases[] = {
        {"-autorun", 0, 1, 0},
        {"/QUIET -autorun", 1, 0, 0},
        {"/force \\Restart_PC -autorun", 1, 1, 1},
        {"/quitafterinstall -autorun", 1, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        fake::FakePlatform machine;
        machine.session.SetVersion(5, 1, 2);
        machine.session.SetCommandLine(std::string(kProgram) + " " + c.arguments);
        installer::Context ctx(machine.Get());
        RecordingActions recorder(ctx);
        VelnoraStartup startup(ctx, recorder);
        startup.InitInstance();
        ASSERT_TRUE(recorder.installerOptions.has_value());
        EXPECT_EQ(recorder.installerOptions->optionsFromCommandLine, c.fromCommandLine);
        EXPECT_EQ(recorder.installerOptions->interactive, c.interactive);
        EXPECT_EQ(recorder.installerOptions->restartPc, c.restartPc);
    }
}

// --- Saved run state ----------------------------------------------------------------------------

struct ContinueCase {
    const char* name;
    std::string value;
    bool resumes;
};

class StartupContinue : public StartupTest, public ::testing::WithParamInterface<ContinueCase> {};

TEST_P(StartupContinue, ResumesTheInstallerSequenceWhenAboveZero) {
    SetArguments("-install");
    fake.files.AddFile(kStateFile, "[General]\nContinue=" + GetParam().value + "\n");
    Run();
    EXPECT_EQ(actions.Dispatched(),
              std::vector<std::string>{GetParam().resumes ? "AutorunSequence" : "MainMenu"});
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StartupContinue,
    ::testing::Values(ContinueCase{"One", "1", true}, ContinueCase{"Zero", "0", false},
                      ContinueCase{"Empty", "", false}, ContinueCase{"LeadingBlanks", "  7", true},
                      ContinueCase{"Hexadecimal", "0x10", true}, ContinueCase{"Octal", "010", true},
                      ContinueCase{"OctalStopsAtEight", "08", false},
                      ContinueCase{"Negative", "-1", false}, ContinueCase{"Letters", "abc", false},
                      ContinueCase{"AllOnes", "4294967295", false},
                      ContinueCase{"AboveSignedRange", "2147483648", false},
                      ContinueCase{"TopOfSignedRange", "2147483647", true},
                      ContinueCase{"Overflow", "99999999999", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, ContinueInAutorunIniWinsOverTheStateFile) {
    fake.files.AddFile(kAutorunIni, "[General]\nContinue=2\n");
    fake.files.AddFile(kStateFile, "[General]\nContinue=0\n");
    Run();
    EXPECT_EQ(actions.Dispatched(), std::vector<std::string>{"AutorunSequence"});
    EXPECT_EQ(context.startup.startMode, kAutorun);
}

TEST_F(StartupTest, ContinueOverridesAnUnknownToken) {
    SetArguments("-foo");
    fake.files.AddFile(kStateFile, "[General]\nContinue=3\n");
    Run();
    EXPECT_EQ(actions.Dispatched(), std::vector<std::string>{"AutorunSequence"});
    EXPECT_TRUE(Boxes().empty());
}

// From Windows 6 on a pending run that the twin ran goes back to the twin, and the finish page
// follows only a twin that completed it; a run of the install manager's own, and every run
// below Windows 6, goes on here.
TEST(StartupResume, APendingRunGoesOnInTheProgramThatRanIt) {
    using V = std::vector<std::string>;
    const struct {
        const char* name;
        std::uint32_t major;
        const char* state;
        bool twinCompletes;
        V dispatched;
    } cases[] = {
        {"TwinsRunCompleted", 10, "Continue=2\nRunner=VelnoraAdm\n", true,
         V{"ResumeInTwin", "FinishPage"}},
        {"TwinsRunNotCompleted", 6, "Continue=2\nRunner=VelnoraAdm\n", false, V{"ResumeInTwin"}},
        {"OwnRun", 10, "Continue=2\nRunner=Velnora\n", true, V{"AutorunSequence"}},
        {"RunnerNotRecorded", 10, "Continue=2\n", true, V{"AutorunSequence"}},
        {"TwinsRunOnWindowsXp", 5, "Continue=2\nRunner=VelnoraAdm\n", true, V{"AutorunSequence"}},
        {"NothingPending", 10, "Continue=0\nRunner=VelnoraAdm\n", true, V{"MainMenu"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::FakePlatform machine;
        machine.session.SetVersion(c.major, 0, 2);
        machine.session.SetCommandLine(std::string("\"") + kProgram + "\" -install");
        machine.files.AddFile(kStateFile, std::string("[General]\n") + c.state);
        installer::Context ctx(machine.Get());
        RecordingActions recorder(ctx);
        recorder.twinCompletes = c.twinCompletes;
        VelnoraStartup startup(ctx, recorder);
        startup.InitInstance();
        EXPECT_EQ(recorder.Dispatched(), c.dispatched);
    }
}

TEST(StartupProgramName, BaseNameAndFolder) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"C:\\Media\\Velnora.exe", "Velnora", "C:\\Media"},
        {"C:\\Velnora.exe", "Velnora", "C:"},
        {"Velnora.exe", "Velnora", ""},
        {"C:\\Kit.v2\\Velnora", "Velnora", "C:\\Kit.v2"},
        {"D:\\Kit\\Setup.Tool.exe", "Setup.Tool", "D:\\Kit"},
        {"D:\\キット\\ベルノラ.exe", "ベルノラ", "D:\\キット"},
    };
    for (const auto& [path, base, folder] : cases) {
        EXPECT_EQ(ProgramBaseNameOf(path), base) << path;
        EXPECT_EQ(ProgramFolderOf(path), folder) << path;
    }
}

// --- Values start-up sets ---------------------------------------------------------------------

TEST_F(StartupTest, SetsTheProcessWideValues) {
    fake.files.AddFile(kAutorunIni,
                       "[Tools]\nFirst=a.exe\nSecond=b.exe\n[Tools_Jpn]\nOnly=c.exe\n");
    context.startup.standardInstall = false;
    context.startup.chosenInstallDir = "D:\\Old";
    actions.environments = 5;
    Run();

    EXPECT_EQ(context.startup.programBaseName, "Velnora");
    EXPECT_EQ(context.startup.settingsFile, "Velnora.ini");
    EXPECT_EQ(context.startup.programFolder, "C:\\Media");
    EXPECT_EQ(context.startup.autorunPath, kAutorunIni);
    EXPECT_EQ(context.startup.osVersion.major, 5u);
    EXPECT_EQ(context.startup.osVersion.platformId, 2u);
    EXPECT_TRUE(context.startup.standardInstall);
    EXPECT_EQ(context.startup.chosenInstallDir, "");
    EXPECT_EQ(context.environments.Count(), 5);
    EXPECT_EQ(context.startup.installerCount, 2);
    EXPECT_FALSE(context.texts.UseJapanese());
}

TEST_F(StartupTest, JapaneseTextsReadTheJapaneseCatalogueSection) {
    fake.files.AddFile(kAutorunIni,
                       "[Tools]\nFirst=a.exe\nSecond=b.exe\n[Tools_Jpn]\nOnly=c.exe\n");
    fake.files.AddFile(kSettingsFile, "[Default]\nLanguage=Japanese\n");
    Run();
    EXPECT_TRUE(context.texts.UseJapanese());
    EXPECT_EQ(context.startup.installerCount, 1);
}

TEST_F(StartupTest, ProgramNameGivesSettingsFileAndMutex) {
    fake.session.SetProgramPath("D:\\Kit\\Setup.Tool.exe");
    fake.session.SetCommandLine("D:\\Kit\\Setup.Tool.exe -foo");
    fake.files.AddFile("C:\\WINDOWS\\Setup.Tool.ini", "[Default]\nLanguage=Japanese\n");
    Run();
    EXPECT_EQ(context.startup.settingsFile, "Setup.Tool.ini");
    EXPECT_EQ(fake.faults.Subjects(fake::op::kCreateMutex), std::vector<std::string>{"Setup.Tool"});
    EXPECT_EQ(context.startup.programFolder, "D:\\Kit");
    EXPECT_EQ(Boxes(), (std::vector<Box>{{"コマンドパラメータが誤っています。", "エラー",
                                          mb::kOk | mb::kIconError}}));
}

TEST_F(StartupTest, LoadsTheUserInformation) {
    fake.files.AddFile(
        kSettingsFile,
        "[UserInfo]\nCompany=Orvessa\nAddress=1 Harbour Road\nDepartment=Tools\n"
        "User name=Aki Sato\nTel=+81 3 0000\nFax=+81 3 0001\nEmail=aki@example.com\n");
    Run();
    const auto& info = context.startup.userInformation;
    EXPECT_EQ(info.company, "Orvessa");
    EXPECT_EQ(info.address, "1 Harbour Road");
    EXPECT_EQ(info.department, "Tools");
    EXPECT_EQ(info.userName, "Aki Sato");
    EXPECT_EQ(info.tel, "+81 3 0000");
    EXPECT_EQ(info.fax, "+81 3 0001");
    EXPECT_EQ(info.email, "aki@example.com");
}

TEST_F(StartupTest, UserInformationWithoutSectionIsEmpty) {
    context.startup.settingsFile = "Velnora.ini";
    context.startup.userInformation.company = "stale";
    environments::LoadUserInformation(context);
    EXPECT_EQ(context.startup.userInformation.company, "");
    EXPECT_EQ(context.startup.userInformation.userName, "");
}

// --- Stops before the dispatch ----------------------------------------------------------------

TEST_F(StartupTest, EmptyCommandLineIsRefused) {
    fake.session.SetCommandLine("");
    Run();
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox(kParameterWrong)});
    EXPECT_EQ(actions.Dispatched(), std::vector<std::string>{});
    EXPECT_EQ(fake.faults.Calls(fake::op::kGetVersion), 0);
}

TEST_F(StartupTest, VersionQueryFailureStopsSilently) {
    fake.faults.FailAlways(fake::op::kGetVersion, platform::error::kInvalidParameter);
    SetArguments("-install");
    Run();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(actions.Dispatched().empty());
    EXPECT_EQ(fake.faults.Calls(fake::op::kCreateKey), 0);
    EXPECT_EQ(fake.faults.Calls(fake::op::kLoadLibrary), 0);
}

TEST_F(StartupTest, MissingProcessFunctionsStopAfterTheirOwnMessage) {
    fake.processes.RemoveLibrary("Kernel32.dll");
    SetArguments("-install");
    Run();
    ASSERT_EQ(fake.ui.MessageBoxes().size(), 1u);
    EXPECT_EQ(fake.ui.MessageBoxes()[0].caption, "Velnora");
    EXPECT_TRUE(actions.Dispatched().empty());
}

TEST_F(StartupTest, ProcessFunctionsLoadedBeforeAreNotLoadedAgain) {
    context.processApi.loaded = true;
    SetArguments("-install");
    Run();
    EXPECT_EQ(fake.faults.Calls(fake::op::kLoadLibrary), 0);
    EXPECT_EQ(actions.Dispatched(), std::vector<std::string>{"MainMenu"});
}

struct OsCase {
    const char* name;
    std::uint32_t major, minor, platformId;
    std::optional<std::string> supportOs;  // [General] SupportOS_Win9X_NT; nothing: no autorun.ini
    bool administrator;
    bool probed;
    std::vector<Box> boxes;  // empty: start-up goes on to the main menu
};

class StartupOs : public StartupTest, public ::testing::WithParamInterface<OsCase> {};

TEST_P(StartupOs, ChecksRightsAndVersion) {
    const auto& c = GetParam();
    fake.session.SetVersion(c.major, c.minor, c.platformId);
    if (!c.administrator)
        fake.registry.DenyWrite(RegRoot::LocalMachine,
                                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    if (c.supportOs)
        fake.files.AddFile(kAutorunIni, "[General]\nSupportOS_Win9X_NT=" + *c.supportOs + "\n");
    SetArguments("-install");

    Run();

    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(actions.Dispatched(),
              c.boxes.empty() ? std::vector<std::string>{"MainMenu"} : std::vector<std::string>{});
    EXPECT_EQ(fake.faults.Calls(fake::op::kCreateKey) > 0, c.probed);
    EXPECT_FALSE(fake.registry.KeyExists(RegRoot::LocalMachine, kProbeKey));
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StartupOs,
    ::testing::Values(
        OsCase{"XpAdministrator", 5, 1, 2, "", true, true, {}},
        OsCase{"XpUser", 5, 1, 2, "", false, true, {ErrorBox(kNotAdministrator)}},
        OsCase{"Windows2000Administrator", 5, 0, 2, std::nullopt, true, true, {}},
        OsCase{"VistaUserNotProbed", 6, 0, 2, std::nullopt, false, false, {}},
        OsCase{"Windows10UserNotProbed", 10, 0, 2, "", false, false, {}},
        OsCase{"Nt4UserProbedBeforeMedia",
               4,
               0,
               2,
               "TRUE",
               false,
               true,
               {ErrorBox(kNotAdministrator)}},
        OsCase{"Nt4AllowedByMedia", 4, 0, 2, "TRUE", true, true, {}},
        OsCase{"Nt4LowerCaseTrue", 4, 0, 2, "true", true, true, {ErrorBox(kUnsupportedOs)}},
        OsCase{"Nt4KeyMissing", 4, 0, 2, "", true, true, {ErrorBox(kUnsupportedOs)}},
        OsCase{"Nt4NoAutorunIni", 4, 0, 2, std::nullopt, true, true, {ErrorBox(kUnsupportedOs)}},
        OsCase{"Win9xNotProbed", 4, 10, 1, "TRUE", false, false, {}},
        OsCase{"Win9xRefused", 4, 10, 1, "Yes", false, false, {ErrorBox(kUnsupportedOs)}},
        OsCase{
            "Win9xNoAutorunIni", 4, 90, 1, std::nullopt, false, false, {ErrorBox(kUnsupportedOs)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, ProbeWhoseKeyCannotBeDeletedMeansNoAdministrator) {
    fake.faults.FailAt(fake::op::kDeleteKey, 1, platform::error::kAccessDenied);
    SetArguments("-install");
    Run();
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox(kNotAdministrator)});
    EXPECT_TRUE(actions.Dispatched().empty());
}

TEST_F(StartupTest, ProbeLeavesNothingBehind) {
    fake::FakePlatform machine;
    EXPECT_TRUE(ProbeAdministrator(machine.registry));
    EXPECT_EQ(machine.faults.Subjects(fake::op::kCreateKey), std::vector<std::string>{kProbeKey});
    EXPECT_FALSE(machine.registry.KeyExists(RegRoot::LocalMachine, kProbeKey));
    EXPECT_EQ(machine.registry.OpenKeyCount(), 0u);
}

TEST_F(StartupTest, ProbeRefusedCreation) {
    fake::FakePlatform machine;
    machine.faults.FailAt(fake::op::kCreateKey, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(ProbeAdministrator(machine.registry));
    EXPECT_EQ(machine.faults.Calls(fake::op::kDeleteKey), 0);
}

// --- Single instance ----------------------------------------------------------------------------

TEST_F(StartupTest, SecondCopyIsRefused) {
    fake.processes.HoldMutexElsewhere("Velnora");
    SetArguments("-install");
    Run();
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox("Velnora is already execute.")});
    EXPECT_TRUE(actions.calls.empty());
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST_F(StartupTest, SecondCopyIsRefusedInJapanese) {
    fake.session.SetLocaleCountry("Japan");
    fake.processes.HoldMutexElsewhere("Velnora");
    Run();
    EXPECT_EQ(
        Boxes(),
        (std::vector<Box>{{"Velnoraは既に起動しています。", "エラー", mb::kOk | mb::kIconError}}));
}

TEST_F(StartupTest, SecondCopyStartedWhileAPageIsOpen) {
    SetArguments("-install");
    std::optional<installer::Context> second;
    std::optional<RecordingActions> secondActions;
    actions.onMainMenu = [&] {
        second.emplace(fake.Get());
        secondActions.emplace(*second);
        VelnoraStartup startup(*second, *secondActions);
        EXPECT_FALSE(startup.InitInstance());
        startup.ExitInstance();
    };
    Run();
    ASSERT_TRUE(secondActions.has_value());
    EXPECT_TRUE(secondActions->calls.empty());
    EXPECT_EQ(Boxes(), std::vector<Box>{ErrorBox("Velnora is already execute.")});
    EXPECT_EQ(actions.Dispatched(), std::vector<std::string>{"MainMenu"});
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST_F(StartupTest, MutexCreationFailureStopsSilently) {
    fake.faults.FailAlways(fake::op::kCreateMutex, platform::error::kAccessDenied);
    SetArguments("-install");
    Run();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(actions.calls.empty());
}

TEST_F(StartupTest, MutexIsHeldUntilTheExitHook) {
    SetArguments("-install");
    {
        VelnoraStartup startup(context, actions);
        startup.InitInstance();
        EXPECT_EQ(fake.processes.OpenHandleCount(), 1u);
        EXPECT_EQ(fake.processes.MutexReleases(), 0);
        startup.ExitInstance();
        EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
        EXPECT_EQ(fake.processes.MutexReleases(), 1);
    }
    EXPECT_EQ(fake.processes.MutexReleases(), 1);
    EXPECT_EQ(fake.processes.InvalidCloses(), 0);
}

// --- Read-me on the first start ---------------------------------------------------------------

TEST_F(StartupTest, FirstStartOpensTheReadMeAndRemembersIt) {
    fake.files.AddFile(kHelpEnglish);
    Run();
    ASSERT_EQ(fake.ui.HelpCalls().size(), 1u);
    EXPECT_EQ(fake.ui.HelpCalls()[0].file, kHelpEnglish);
    EXPECT_EQ(fake.ui.HelpCalls()[0].contextId, 0u);
    EXPECT_EQ(Setting("Default", "FirstBoot"), "1");
}

TEST_F(StartupTest, MissingReadMeIsTriedAgainNextTime) {
    Run();
    EXPECT_TRUE(fake.ui.HelpCalls().empty());
    EXPECT_EQ(Setting("Default", "FirstBoot"), std::nullopt);
}

TEST_F(StartupTest, ReadMeOfTheOtherLanguageDoesNotCount) {
    fake.session.SetLocaleCountry("Japan");
    fake.files.AddFile(kHelpEnglish);
    Run();
    EXPECT_TRUE(fake.ui.HelpCalls().empty());
    EXPECT_EQ(Setting("Default", "FirstBoot"), std::nullopt);
}

TEST_F(StartupTest, ReadMeShownOnceOnly) {
    const std::pair<std::string, bool> cases[] = {
        {"1", false}, {"0", true}, {"yes", true}, {" 1x", true}};
    for (const auto& [value, opened] : cases) {
        SCOPED_TRACE(value);
        fake::FakePlatform machine;
        machine.session.SetVersion(5, 1, 2);
        machine.files.AddFile(kHelpJapanese);
        machine.files.AddFile(kSettingsFile,
                              "[Default]\nLanguage=Japanese\nFirstBoot=" + value + "\n");
        installer::Context ctx(machine.Get());
        RecordingActions recorder(ctx);
        VelnoraStartup(ctx, recorder).InitInstance();
        EXPECT_EQ(machine.ui.HelpCalls().size(), opened ? 1u : 0u);
        if (opened) {
            EXPECT_EQ(machine.ui.HelpCalls()[0].file, kHelpJapanese);
        }
    }
}

// --- The whole program on the fake machine ---------------------------------------------------

class StartupProgram : public ::testing::Test {
  protected:
    StartupProgram() { fake.session.SetVersion(5, 1, 2); }

    void AddEnvironment(const std::string& keyName) {
        const std::string key = std::string(core::kUninstallRoot) + "\\" + keyName;
        fake.registry.SetText(RegRoot::LocalMachine, key, "ProductGuid",
                              core::kVantorixProductGuid);
        fake.registry.SetText(RegRoot::LocalMachine, key, "DisplayName", "Vantorix");
        fake.registry.SetText(RegRoot::LocalMachine, key, "InstallLocation", "C:\\Vantorix");
    }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : fake.ui.MessageBoxes())
            texts.push_back(box.text);
        return texts;
    }

    fake::FakePlatform fake;
};

TEST_F(StartupProgram, MaintenanceWithAnInstalledEnvironment) {
    AddEnvironment(core::kVantorixProductGuid);
    fake.session.SetCommandLine(std::string(kProgram) + " -maintenance");
    bool pageShown = false;
    fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](fake::PageDriver& d) {
        pageShown = d.RowCount(IDC_MAINT_LIST) == 1;
        d.Click(IDC_MAINT_EXIT);
    });
    EXPECT_EQ(RunVelnora(fake.Get()), 0);
    EXPECT_TRUE(pageShown);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
    EXPECT_EQ(fake.processes.MutexReleases(), 1);
}

// The installed copy started on Windows 10 with no environment left. Elevated, only its running
// program stays, for the logon script. Unelevated, the local machine's keys and the common and
// Windows folders refuse every change: nothing goes, and the user is told what is left.
TEST_F(StartupProgram, SelfRemovalSaysWhatIsLeft) {
    const std::string own = "C:\\Program Files\\Common Files\\Orvessa\\Velnora";
    const std::string link =
        std::string(fake::machine::kCommonPrograms) + "\\Orvessa\\Multiple Install Manager.lnk";
    const std::string entry = std::string(core::kUninstallRoot) + "\\Velnora";
    for (const bool elevated : {true, false}) {
        fake::FakePlatform machine;
        machine.session.SetVersion(10, 0, 2);
        machine.session.SetCommandLine("\"" + own + "\\Velnora.exe\" -uninstall");
        for (const char* name : {"Velnora.exe", "VelnoraE.CHM", "del.bat"})
            machine.files.AddFile(own + "\\" + name, "installed");
        machine.files.HoldOpen(own + "\\Velnora.exe");
        machine.files.AddFile(link, "link");
        machine.registry.SetText(RegRoot::LocalMachine, entry, "DisplayName", "Vantorix");
        // Without rights del.bat cannot write its logon script into the Windows folder.
        machine.processes.AddProgram(own + "\\del.bat",
                                     fake::ProgramBehaviour::RunsFor(10, elevated ? 0 : 1));
        if (!elevated) {
            machine.registry.DenyWrite(RegRoot::LocalMachine, entry);
            for (const auto operation :
                 {fake::op::kSetAttributes, fake::op::kDeleteFile, fake::op::kRemoveDirectory})
                machine.faults.FailAlways(operation, platform::error::kAccessDenied);
        }
        EXPECT_EQ(RunVelnora(machine.Get()), 0);
        ASSERT_EQ(machine.ui.MessageBoxes().size(), 1u);
        EXPECT_EQ(machine.ui.MessageBoxes()[0].text,
                  std::string(kNotInstalled) +
                      (elevated ? "\r\nThe install manager was deleted."
                                : "\r\nThe install manager could not be deleted completely. Left "
                                  "behind:\r\n- the entry in the list of installed programs "
                                  "[Vantorix(Multiple Install)]\r\n- the program files [" +
                                      own + "]\r\n- the start-menu shortcut [" + link + "]"));
    }
}

TEST_F(StartupProgram, MaintenanceWithNothingInstalled) {
    fake.session.SetCommandLine(std::string(kProgram) + " -maintenance");
    EXPECT_EQ(RunVelnora(fake.Get()), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kNotInstalled});
}

}  // namespace
}  // namespace velnora::app
