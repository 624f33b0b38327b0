// VelnoraCmd on the fake machine: every command's output and exit code from its argument
// line, the JSON listing's schema, the ENV matching, the console prompt and the run's log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "app/cmd_program.h"
#include "cmd/console_prompt.h"
#include "cmd/console_user_interface.h"
#include "cmd/environment_listing.h"
#include "cmd/environment_match.h"
#include "core/run_log.h"
#include "environments_fixture.h"
#include "maintenance/installation_report.h"
#include "pages/page_prompt.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char kCmdPath[] = "C:\\Media\\VelnoraCmd.exe";
const std::string kParkedB = ParkedName(2);
const std::string kParkedC = ParkedName(3);
constexpr char kJapaneseName[] = "Vantorix 日本語版";
constexpr char kJapaneseFolder[] = "C:\\ツール\\Vantorix";
constexpr char kRecord[] =
    "[Install Version]\r\nVTX=4.05.01\r\n[Ini Version]\r\nVersion=1\r\n"
    "[Install Software]\r\nTOOLCHAIN1=CC 2.0\r\nOTHER1=Flash writer\r\n"
    "[Installation Record]\r\n1=2026/12/01 V.4.05.01\r\n";

// Three environments: the active one, a parked one in a Japanese folder, a parked one with no
// tool record.
class Cmd : public EnvironmentFixture {
  protected:
    Cmd() {
        fake.session.SetProgramPath(kCmdPath);
        fake.shell.AddVersionedProgram(kCmdPath, "2.3.0.7");
        AddEnvironment(kProductGuid, "C:\\Vantorix\\EnvA", "Vantorix A");
        AddEnvironment(kParkedB, kJapaneseFolder, kJapaneseName);
        AddEnvironment(kParkedC, "C:\\Vantorix\\EnvC", "Vantorix C");
        fake.files.AddFile("C:\\WINDOWS\\Vtx2Inst.ini", kRecord);
        fake.files.AddFile("C:\\WINDOWS\\" + kParkedB + "Vtx2Inst.ini",
                           "[Install Version]\r\nVTX=3.00\r\n");
        fake.files.AddFolder(std::string(fake::machine::kProgramFiles) +
                             "\\InstallShield Installation Information\\" + kProductGuid);
    }

    int Run(const std::vector<std::string>& arguments) {
        return app::RunVelnoraCmd(fake.Get(), arguments);
    }
    const std::string& Out() const { return fake.console.Output(); }
    const std::string& Err() const { return fake.console.Error(); }
};

// --- Argument lines -------------------------------------------------------------------------

struct ArgumentCase {
    std::vector<std::string> arguments;
    int exitCode;
    std::vector<std::string> inOutput;
    std::vector<std::string> inError;
};

TEST_F(Cmd, EachArgumentLineGivesItsExitCodeAndOutput) {
    const ArgumentCase cases[] = {
        {{}, 2, {}, {"list", "report", "status"}},
        {{"--help"}, 0, {"switch", "uninstall", "install", "1618", "3010", "740", "1602"}, {}},
        {{"install", "--help"}, 0, {"--media", "--select", "--norestart", "--resume"}, {}},
        {{"uninstall", "--help"}, 0, {"ENV", "--quiet"}, {}},
        {{"list", "--help"}, 0, {"--format", "--active", "1618"}, {}},
        {{"--version"}, 0, {"VelnoraCmd 2.3.0.7\n"}, {}},
        {{"list"}, 0, {"Vantorix A", kJapaneseName, "V.4.05.01", "C:\\Vantorix\\EnvC"}, {"Log: "}},
        {{"list", "--format", "json"}, 0, {"\"schemaVersion\": 1"}, {}},
        {{"--quiet", "list", "--active"}, 0, {"Vantorix A"}, {}},
        {{"list", "--format", "xml"}, 2, {}, {"xml"}},
        {{"list", "--bogus"}, 2, {}, {"--bogus"}},
        {{"frobnicate"}, 2, {}, {"frobnicate"}},
        {{"switch"}, 2, {}, {"ENV"}},
        {{"uninstall", "A", "B"}, 2, {}, {"B"}},
        {{"report", "--out"}, 2, {}, {"--out"}},
        {{"report"}, 0, {"\xEF\xBB\xBF[C:\\Vantorix\\EnvA [Active]]\r\n"}, {}},
        {{"report", "--out", "C:\\Missing\\report.txt"}, 1, {}, {"C:\\Missing\\report.txt"}},
        {{"status"}, 0, {"Pending install run: none"}, {}},
    };
    for (const auto& c : cases) {
        fake.console = fake::FakeConsole();
        std::string line;
        for (const auto& a : c.arguments)
            line += a + " ";
        EXPECT_EQ(Run(c.arguments), c.exitCode) << line;
        for (const auto& text : c.inOutput)
            EXPECT_THAT(Out(), HasSubstr(text)) << line;
        for (const auto& text : c.inError)
            EXPECT_THAT(Err(), HasSubstr(text)) << line;
        if (c.exitCode == 2) {
            EXPECT_EQ(Out(), "") << line;
        }
    }
}

TEST_F(Cmd, ActiveOnlyLeavesTheParkedOnesOut) {
    ASSERT_EQ(Run({"list", "--active"}), 0);
    EXPECT_THAT(Out(), HasSubstr("Vantorix A"));
    EXPECT_THAT(Out(), Not(HasSubstr("Vantorix C")));
    EXPECT_THAT(Out(), Not(HasSubstr(kJapaneseName)));
}

TEST_F(Cmd, AnotherCopyHoldingTheManagersMutexEndsWith1618BeforeAnyWork) {
    fake.processes.HoldMutexElsewhere("Velnora");
    EXPECT_EQ(Run({"list", "--format", "json"}), 1618);
    EXPECT_EQ(Out(), "");
    EXPECT_THAT(Err(), HasSubstr("Another copy of the install manager runs."));
    EXPECT_EQ(fake.faults.Calls(fake::op::kEnumKey), 0);
}

// An engine's message box would wait for a user an unattended run does not have.
TEST_F(Cmd, EngineMessagesBecomeLinesAndAFailedSearchFailsTheListing) {
    fake.faults.FailAlways(fake::op::kEnumKey, platform::error::kAccessDenied);
    EXPECT_EQ(Run({"list", "--format", "json"}), 1);
    EXPECT_EQ(Out(), "");
    EXPECT_THAT(Err(), HasSubstr("\nFailed in a search of registry.\n"));
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());

    namespace mb = platform::mb;
    namespace answer = platform::answer;
    const std::pair<std::uint32_t, int> defaults[] = {
        {mb::kOk | mb::kIconError, answer::kOk},
        {mb::kOkCancel, answer::kOk},
        {mb::kOkCancel | mb::kDefaultButton2, answer::kCancel},
        {mb::kYesNo | mb::kIconQuestion, answer::kYes},
        {mb::kYesNo | mb::kDefaultButton2, answer::kNo},
        {mb::kYesNoCancel | mb::kDefaultButton2, answer::kNo},
    };
    for (const auto& [flags, expected] : defaults)
        EXPECT_EQ(cmd::DefaultMessageBoxAnswer(flags), expected) << flags;
}

TEST_F(Cmd, TheTableAlignsJapaneseNamesByTheirConsoleWidth) {
    EXPECT_EQ(cmd::ConsoleWidth("abc"), 3u);
    EXPECT_EQ(cmd::ConsoleWidth("日本"), 4u);
    EXPECT_EQ(cmd::ConsoleWidth("ｱ"), 1u);         // half-width katakana
    EXPECT_EQ(cmd::ConsoleWidth("\xE6\x97"), 1u);  // cut short by the end of the text

    ASSERT_EQ(Run({"list"}), 0);
    // The version column starts at the same console column on every line.
    std::vector<std::size_t> columns;
    std::size_t start = 0;
    while (start < Out().size()) {
        const auto end = Out().find('\n', start);
        const std::string line = Out().substr(start, end - start);
        const auto version = line.find("V.");
        if (version != std::string::npos)
            columns.push_back(cmd::ConsoleWidth(line.substr(0, version)));
        start = end + 1;
    }
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0], columns[1]);
}

// --- The JSON listing ----------------------------------------------------------------------

TEST_F(Cmd, JsonListsWhatTheMaintenancePageListsInItsOrder) {
    ASSERT_EQ(Run({"list", "--format", "json"}), 0);
    const auto json = nlohmann::json::parse(Out());
    EXPECT_EQ(json.at("schemaVersion"), 1);
    const auto& list = json.at("environments");
    ASSERT_EQ(list.size(), 3u);

    const std::vector<std::string> keys = {
        "key",     "displayName",          "location",     "version", "active", "tools",
        "records", "installerInformation", "tidewatchData"};
    for (const auto& e : list) {
        std::vector<std::string> present;
        for (const auto& [name, value] : e.items())
            present.push_back(name);
        EXPECT_THAT(present, ::testing::UnorderedElementsAreArray(keys));
    }
    // Sorted by location as the page lists them: C:\Vantorix\... before C:\ツール\...
    EXPECT_EQ(list[0].at("key"), kProductGuid);
    EXPECT_EQ(list[1].at("key"), kParkedC);
    EXPECT_EQ(list[2].at("key"), kParkedB);
    EXPECT_EQ(list[2].at("displayName"), kJapaneseName);
    EXPECT_EQ(list[2].at("location"), kJapaneseFolder);
    EXPECT_EQ(list[2].at("version"), "V.3.00");

    const auto& active = list[0];
    EXPECT_EQ(active.at("active"), true);
    EXPECT_EQ(active.at("version"), "V.4.05.01");
    EXPECT_EQ(active.at("installerInformation"), true);
    EXPECT_EQ(active.at("tidewatchData"), false);
    EXPECT_EQ(active.at("records"), nlohmann::json({"2026/12/01 V.4.05.01"}));
    EXPECT_EQ(active.at("tools"), nlohmann::json::parse(R"([
        {"group": "ToolChain", "entries": ["CC 2.0"]},
        {"group": "Other", "entries": ["Flash writer"]}])"));
    EXPECT_EQ(list[1].at("active"), false);
    EXPECT_EQ(list[1].at("installerInformation"), false);
    EXPECT_EQ(list[1].at("tools"), nlohmann::json::array());
}

TEST_F(Cmd, JsonOfNoEnvironmentIsAnEmptyList) {
    fake.registry.RemoveKey(platform::RegRoot::LocalMachine, EntryKey(kProductGuid));
    fake.registry.RemoveKey(platform::RegRoot::LocalMachine, EntryKey(kParkedB));
    fake.registry.RemoveKey(platform::RegRoot::LocalMachine, EntryKey(kParkedC));
    ASSERT_EQ(Run({"list", "--format", "json"}), 0);
    EXPECT_EQ(nlohmann::json::parse(Out()),
              nlohmann::json::parse(R"({"schemaVersion": 1, "environments": []})"));
}

// --- The report ----------------------------------------------------------------------------

TEST_F(Cmd, ReportGivesTheBytesOfSaveToFileOnStandardOutputAndWithOut) {
    const std::string saved = "C:\\saved.txt";
    core::Notices notices;
    ASSERT_TRUE(maintenance::WriteInstallationReport(context, saved, notices));
    std::string expected;
    ASSERT_EQ(fake.files.ReadText(saved, expected), platform::error::kSuccess);

    ASSERT_EQ(Run({"report"}), 0);
    EXPECT_EQ(Out(), expected);
    ASSERT_EQ(Run({"report", "--out", "C:\\out.txt"}), 0);
    std::string written;
    ASSERT_EQ(fake.files.ReadText("C:\\out.txt", written), platform::error::kSuccess);
    EXPECT_EQ(written, expected);
    EXPECT_THAT(written, HasSubstr(kJapaneseName));
}

TEST_F(Cmd, ReportThatCannotBeWrittenKeepsTheOldFile) {
    fake.files.AddFile("C:\\out.txt", "old");
    fake.faults.FailAlways(fake::op::kMoveFile, platform::error::kAccessDenied);
    EXPECT_EQ(Run({"report", "--out", "C:\\out.txt"}), 1);
    std::string kept;
    ASSERT_EQ(fake.files.ReadText("C:\\out.txt", kept), platform::error::kSuccess);
    EXPECT_EQ(kept, "old");
    EXPECT_THAT(Err(), HasSubstr("The report could not be written: C:\\out.txt"));
}

// --- Status --------------------------------------------------------------------------------

TEST_F(Cmd, StatusNamesThePendingRunTheScheduledRemovalAndTheLastLog) {
    fake.files.AddFile("C:\\TEMP\\_autorun.ini",
                       "[General]\r\nContinue=3\r\nPrev=C:\\Media\\kit\\VTX2.exe\r\n");
    fake.registry.SetText(platform::RegRoot::LocalMachine,
                          std::string(fake::machine::kCurrentVersionKey) + "\\RunOnce", "Velnora",
                          "\"C:\\WINDOWS\\del.bat\"");
    fake.files.AddFile("C:\\TEMP\\Velnora-20261201-090000-list.log", "x");
    fake.files.AddFile("C:\\TEMP\\Velnora-20261209-120000-report.log", "x");
    fake.files.AddFile("C:\\TEMP\\Velnora-20261130-235959-status.log", "x");
    const std::string journal = std::string(fake::machine::kCommonAppData) + "\\Velnora";
    fake.files.AddFolder(journal);
    fake.files.AddFile(journal + "\\change.journal",
                       "Velnora change journal 1\r\noperation=change\r\n"
                       "parked={11111111-2222-3333-4444-555555555555}\r\n"
                       "incoming={66666666-7777-8888-9999-AAAAAAAAAAAA}\r\n"
                       "phase=activation\r\nstep=6\r\nstate=begun\r\n");

    ASSERT_EQ(Run({"status"}), 0);
    EXPECT_THAT(Out(), HasSubstr("Interrupted change: change of the active environment, going "
                                 "out as {11111111-2222-3333-4444-555555555555}, coming in: "
                                 "{66666666-7777-8888-9999-AAAAAAAAAAAA}, activation step 6 "
                                 "begun\n"));
    EXPECT_THAT(Out(), HasSubstr("Pending install run: continues with installer 3, last "
                                 "installer: C:\\Media\\kit\\VTX2.exe\n"));
    EXPECT_THAT(Out(), HasSubstr("Pending removal of the install manager: "
                                 "\"C:\\WINDOWS\\del.bat\"\n"));
    // Not this run's own log, which is newer.
    EXPECT_THAT(Out(),
                HasSubstr("Log of the last run: C:\\TEMP\\Velnora-20261209-120000-report.log\n"));
}

TEST_F(Cmd, StatusWithoutAnythingPending) {
    fake.files.AddFile("C:\\TEMP\\_autorun.ini", "[General]\r\nContinue=0\r\n");
    ASSERT_EQ(Run({"status"}), 0);
    EXPECT_EQ(Out(),
              "Pending install run: none\nPending removal of the install manager: none\n"
              "Interrupted change: none\nLog of the last run: none\n");
}

// The restore after a failed activation is its own phase, not the activation.
TEST_F(Cmd, StatusNamesTheRestoreOfTheEnvironmentThatWentOut) {
    const std::string folder = std::string(fake::machine::kCommonAppData) + "\\Velnora";
    fake.files.AddFolder(folder);
    fake.files.AddFile(folder + "\\change.journal",
                       "Velnora change journal 1\r\noperation=uninstall\r\n"
                       "parked={11111111-2222-3333-4444-555555555555}\r\n"
                       "incoming={66666666-7777-8888-9999-AAAAAAAAAAAA}\r\n"
                       "phase=restore\r\nstep=2\r\nstate=ended\r\n");
    ASSERT_EQ(Run({"status"}), 0);
    EXPECT_THAT(Out(), HasSubstr("Interrupted change: uninstall, going out as "
                                 "{11111111-2222-3333-4444-555555555555}, coming in: "
                                 "{66666666-7777-8888-9999-AAAAAAAAAAAA}, restore of the one "
                                 "that went out, step 2 ended\n"));
}

// --- ENV matching --------------------------------------------------------------------------

cmd::ListedEnvironment Listed(const char* key, const char* displayName, const char* location) {
    cmd::ListedEnvironment e;
    e.key = key;
    e.displayName = displayName;
    e.location = location;
    return e;
}

struct MatchCase {
    const char* env;
    cmd::MatchOutcome outcome;
    std::vector<std::size_t> indices;
};

TEST(CmdMatch, FindsTheEnvironmentByKeyLocationOrDisplayName) {
    std::vector<cmd::ListedEnvironment> listed(4);
    listed[0] = Listed("{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}", "Vantorix", "C:\\Vtx\\Main");
    listed[1] = Listed("{00000002-1111-2222-3333-444455556666}", "Vantorix", "C:\\Vtx\\Old");
    listed[2] =
        Listed("{00000003-1111-2222-3333-444455556666}", "Ｖａｎｔｏｒｉｘ 新", "D:\\ツール\\Vtx");
    listed[3] = Listed("{00000004-1111-2222-3333-444455556666}", "C:\\Vtx\\Main", "E:\\Vtx");
    using enum cmd::MatchOutcome;
    const MatchCase cases[] = {
        {"{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}", kFound, {0}},
        {"{3b9f02d6-4c71-4e8a-b5d3-1f60a2c7e948}", kFound, {0}},
        {"c:\\vtx\\old", kFound, {1}},
        {"C:\\Vtx\\Old\\", kFound, {1}},
        {"d:\\ツール\\VTX", kFound, {2}},
        {"Ｖａｎｔｏｒｉｘ 新", kFound, {2}},
        // Display names are texts: letter case counts.
        {"VANTORIX", kNone, {}},
        {"Vantorix", kSeveral, {0, 1}},
        // A location of one is the display name of another.
        {"C:\\Vtx\\Main", kSeveral, {0, 3}},
        {"C:\\Vtx", kNone, {}},
        {"", kNone, {}},
        {"{00000002-1111-2222-3333-44445555666}", kNone, {}},
    };
    for (const auto& c : cases) {
        const auto match = cmd::MatchEnvironment(listed, c.env);
        EXPECT_EQ(match.outcome, c.outcome) << c.env;
        EXPECT_EQ(match.indices, c.indices) << c.env;
    }
}

TEST(CmdMatch, TheErrorOfSeveralListsEveryMatch) {
    std::vector<cmd::ListedEnvironment> listed(3);
    listed[0] = Listed("{A}", "Vantorix", "C:\\One");
    listed[1] = Listed("{B}", "Other", "C:\\Two");
    listed[2] = Listed("{C}", "Vantorix", "C:\\Three");
    const core::TextSet english(false);
    const auto several = cmd::MatchEnvironment(listed, "Vantorix");
    EXPECT_EQ(cmd::MatchError(listed, "Vantorix", several, english).text,
              "Several environments match \"Vantorix\"\n"
              "  {A}  Vantorix (C:\\One)\n"
              "  {C}  Vantorix (C:\\Three)");
    const auto none = cmd::MatchEnvironment(listed, "Nothing");
    EXPECT_EQ(cmd::MatchError(listed, "Nothing", none, core::TextSet(true)).text,
              "一致する環境がありません: \"Nothing\"");
}

// --- Switch and uninstall --------------------------------------------------------------------

using Machine = void (*)(SwitchMachine&);

struct ChangeCase {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> input;  // lines typed on the console
    Machine machine;                 // changes to the machine of A (active), B and C
    int exitCode;
    const char* activeAfter;  // tag of the active environment, "" for none
    std::vector<std::string> left;
    std::vector<std::string> inError;
    std::vector<std::string> inLog = {};
};

void NoChange(SwitchMachine&) {}
void BCannotBeActivated(SwitchMachine& m) {
    m.fake.files.Remove(paths::InstallerInfo(ParkedKey(2)));
}
void CNamedLikeB(SwitchMachine& m) {
    m.fake.registry.SetText(platform::RegRoot::LocalMachine, paths::Entry(ParkedKey(3)),
                            "_DisplayName", "Vantorix B");
}
void Windows10(SwitchMachine& m) {
    m.fake.session.SetVersion(10, 0);
}
void Windows10User(SwitchMachine& m) {
    Windows10(m);
    m.fake.registry.DenyWrite(platform::RegRoot::LocalMachine, core::kUninstallRoot);
}
void Windows10JapaneseUser(SwitchMachine& m) {
    Windows10User(m);
    m.fake.session.SetLocaleCountry("Japan");
}

const std::vector<std::string> kABC = {"C:\\Vantorix\\EnvA", "C:\\Vantorix\\EnvB",
                                       "C:\\Vantorix\\EnvC"};
constexpr char kRunElevated[] = "run from an elevated command prompt";

// clang-format off
const ChangeCase kChangeCases[] = {
    {"SwitchByKey", {"switch", ParkedKey(2)}, {}, NoChange, 0, "B", kABC, {},
     {"step: activate " + ParkedKey(2), "step: outcome: changed"}},
    {"SwitchByLocation", {"switch", "c:\\vantorix\\envc\\"}, {}, NoChange, 0, "C", kABC, {}},
    {"SwitchByDisplayName", {"--quiet", "switch", "Vantorix B"}, {}, NoChange, 0, "B", kABC, {}},
    {"SwitchAmbiguous", {"switch", "Vantorix B"}, {}, CNamedLikeB, 2, "A", kABC,
     {"Several environments match \"Vantorix B\"", "C:\\Vantorix\\EnvB", "C:\\Vantorix\\EnvC"}},
    {"SwitchNoMatch", {"switch", "Vantorix Z"}, {}, NoChange, 3, "A", kABC,
     {"No environment matches \"Vantorix Z\""}},
    {"SwitchAlreadyActive", {"switch", "C:\\Vantorix\\EnvA"}, {}, NoChange, 0, "A", kABC,
     {"It is current active Vantorix."}},
    {"SwitchWhoseMoveFails", {"switch", "Vantorix B"}, {}, BCannotBeActivated, 1, "A", kABC,
     {"cannot switch over to an active state", "the one that was active is active again"},
     {"step: restore ", "step: outcome: failed, the previous one back"}},
    {"SwitchAsAdministratorOnWindows10", {"switch", "Vantorix C"}, {}, Windows10, 0, "C", kABC,
     {}},
    {"SwitchWithoutRightsOnWindows10", {"switch", "Vantorix B"}, {}, Windows10User, 740, "A",
     kABC, {kRunElevated}},
    {"UninstallWithoutRightsInJapanese", {"uninstall", "Vantorix B", "--quiet"}, {},
     Windows10JapaneseUser, 740, "A", kABC,
     {"管理者として実行したコマンド プロンプトから実行してください"}},
    {"ListNeedsNoRights", {"list"}, {}, Windows10User, 0, "A", kABC, {}},
    {"UninstallYes", {"uninstall", "Vantorix B"}, {"y"}, NoChange, 0, "A",
     {"C:\\Vantorix\\EnvA", "C:\\Vantorix\\EnvC"}, {"[y/n]"}},
    {"UninstallNo", {"uninstall", "Vantorix B"}, {"n"}, NoChange, 1602, "A", kABC, {"[y/n]"},
     {"-> no", "step: outcome: cancelled"}},
    {"UninstallQuietActiveTwoLeft", {"uninstall", kGuid, "--quiet"}, {"n"}, NoChange, 0,
     "C", {"C:\\Vantorix\\EnvB", "C:\\Vantorix\\EnvC"}, {},
     {"-> yes", "chosen: Vantorix C", "step: outcome: uninstalled"}},
    {"UninstallNoMatch", {"uninstall", "C:\\Vantorix"}, {"y"}, NoChange, 3, "A", kABC, {}},
};
// clang-format on

class CmdChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(CmdChange, EndsWithItsExitCodeAndLeavesTheEnvironmentsSo) {
    const ChangeCase& c = GetParam();
    SwitchMachine m;
    m.fake.session.SetProgramPath(kCmdPath);
    m.InstallTidewatch(false);
    m.InstallEnvironment({kGuid, "A"});
    m.InstallEnvironment({ParkedKey(2), "B"});
    m.InstallEnvironment({ParkedKey(3), "C"});
    // The vendor's uninstaller takes the active entry away.
    m.fake.processes.AddProgram(
        paths::InstallerInfo(kGuid) + "\\setup.exe", [&](const std::string&) {
            m.fake.registry.RemoveKey(platform::RegRoot::LocalMachine, paths::Entry(kGuid));
            return fake::ProgramBehaviour::RunsFor(100);
        });
    c.machine(m);
    for (const auto& line : c.input)
        m.fake.console.AddInputLine(line);

    EXPECT_EQ(app::RunVelnoraCmd(m.fake.Get(), c.arguments), c.exitCode);
    const std::string& err = m.fake.console.Error();
    for (const auto& text : c.inError)
        EXPECT_THAT(err, HasSubstr(text));
    EXPECT_EQ(m.ListedLocations(), c.left);
    const auto live = m.fake.registry.GetText(platform::RegRoot::LocalMachine, paths::Entry(kGuid),
                                              "InstallLocation");
    EXPECT_EQ(live.value_or(""), std::string(c.activeAfter).empty()
                                     ? ""
                                     : "C:\\Vantorix\\Env" + std::string(c.activeAfter));
    // Nothing may wait for a window.
    EXPECT_TRUE(m.fake.ui.MessageBoxes().empty());
    // The run's log holds the flow's steps and its outcome.
    const auto at = err.find("C:\\TEMP\\Velnora-");
    ASSERT_NE(at, std::string::npos);
    const auto end = err.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    std::string log;
    ASSERT_EQ(m.fake.files.ReadText(err.substr(at, end - at), log), platform::error::kSuccess);
    // The last line: the exit code, in the chosen language.
    EXPECT_THAT(log, HasSubstr(" outcome: "));
    EXPECT_THAT(log, ::testing::EndsWith(" " + std::to_string(c.exitCode) + "\r\n"));
    for (const auto& text : c.inLog)
        EXPECT_THAT(log, HasSubstr(text));
}

INSTANTIATE_TEST_SUITE_P(Cmd, CmdChange, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The console prompt --------------------------------------------------------------------

TEST_F(Cmd, ThePromptAnswersOnTheConsoleOrUnattendedWithTheDefaults) {
    core::Notice question{.text = "Go on?", .style = platform::mb::kYesNo};
    core::Notice noByDefault{.text = "Delete?",
                             .style = platform::mb::kYesNo | platform::mb::kDefaultButton2};
    const std::vector<flows::EnvironmentChoice> choices = {{"{A}", "A (C:\\A)"},
                                                           {"{B}", "B (C:\\B)"}};
    core::RunLog log;
    {
        cmd::ConsolePrompt quiet(context, log, true);
        fake.console.AddInputLine("n");
        EXPECT_TRUE(quiet.Ask(question));
        EXPECT_FALSE(quiet.Ask(noByDefault));
        EXPECT_EQ(quiet.ChooseEnvironment(choices), "{B}");
        EXPECT_EQ(quiet.ChooseEnvironment({}), std::nullopt);
        EXPECT_EQ(fake.console.LinesRead(), 0);
    }
    fake.console = fake::FakeConsole();
    cmd::ConsolePrompt asking(context, log, false);
    for (const char* line : {"maybe", "N", "はい", "", "3", "0", "2"})
        fake.console.AddInputLine(line);
    EXPECT_FALSE(asking.Ask(question));                   // "maybe" is asked again, "N" answers
    EXPECT_TRUE(asking.Ask(noByDefault));                 // "はい"
    EXPECT_EQ(asking.ChooseEnvironment(choices), "{B}");  // "", "3" and "0" are not in the list
    EXPECT_THAT(Err(), HasSubstr("Go on? [y/n] Go on? [y/n] "));
    EXPECT_THAT(Err(), HasSubstr("1. A (C:\\A)\n2. B (C:\\B)\n"));
    // The end of the input takes the default.
    EXPECT_FALSE(asking.Ask(noByDefault));
    EXPECT_EQ(asking.ChooseEnvironment(choices), std::nullopt);

    asking.Tell({.text = "Switched."});
    EXPECT_THAT(Err(), HasSubstr("Switched.\n"));
}

// --- The run's log -------------------------------------------------------------------------

TEST_F(Cmd, EveryRunLeavesALogNamedByDateAndOperation) {
    fake.session.SetLocalTime({2026, 1, 2, 3, 4, 5});
    EXPECT_EQ(core::RunLog::FileName("Velnora", {2026, 1, 2, 3, 4, 5}, "list"),
              "Velnora-20260102-030405-list.log");

    ASSERT_EQ(Run({"list", "--format", "json"}), 0);
    const std::string path = "C:\\TEMP\\Velnora-20260102-030405-list.log";
    EXPECT_THAT(Err(), StartsWith("Log: " + path + "\n"));
    std::string log;
    ASSERT_EQ(fake.files.ReadText(path, log), platform::error::kSuccess);
    EXPECT_EQ(log,
              "03:04:05 step: VelnoraCmd list --format json\r\n"
              "03:04:05 step: 3 environments listed\r\n"
              "03:04:05 outcome: exit code 0\r\n");

    // A second run in the same second keeps the first one's log.
    ASSERT_EQ(Run({"report", "--out", "C:\\Missing\\r.txt"}), 1);
    const std::string second = "C:\\TEMP\\Velnora-20260102-030405-report.log";
    ASSERT_EQ(fake.files.ReadText(second, log), platform::error::kSuccess);
    EXPECT_THAT(log, HasSubstr("FAILED: The report could not be written: C:\\Missing\\r.txt\r\n"));
    EXPECT_THAT(log, HasSubstr("outcome: exit code 1\r\n"));
    // On failure the path is printed again.
    EXPECT_THAT(Err(), HasSubstr("r.txt\nLog: " + second + "\n"));
    ASSERT_EQ(Run({"list", "--format", "json"}), 0);
    EXPECT_TRUE(fake.files.Exists("C:\\TEMP\\Velnora-20260102-030405-list-2.log"));
}

// Every write and look-up the log makes fails in turn: the command does the same all the same.
TEST_F(Cmd, ALogThatCannotBeWrittenNeverFailsTheCommand) {
    ASSERT_EQ(Run({"list", "--format", "json"}), 0);
    const std::string expected = Out();
    for (const auto operation : {fake::op::kWriteFile, fake::op::kFindFirst}) {
        const int calls = fake.faults.Calls(operation);
        ASSERT_GT(calls, 0) << operation;
        for (int n = 1; n <= calls; ++n) {
            fake.console = fake::FakeConsole();
            fake.faults.Reset();
            fake.faults.FailAt(operation, n, platform::error::kAccessDenied);
            EXPECT_EQ(Run({"list", "--format", "json"}), 0) << operation << " " << n;
            EXPECT_EQ(Out(), expected) << operation << " " << n;
        }
    }
    fake.console = fake::FakeConsole();
    fake.session.SetEnvironmentVariable("TEMP", std::string(300, 'x'));
    EXPECT_EQ(Run({"list", "--format", "json"}), 0);
    EXPECT_EQ(Out(), expected);
    EXPECT_THAT(Err(), Not(HasSubstr("Log:")));
}

TEST_F(Cmd, TheFlowsStepsGoToTheLogOfEitherView) {
    core::RunLog log(fake.Get(), "Velnora", "switch");
    ASSERT_FALSE(log.Path().empty());
    cmd::ConsolePrompt console(context, log, true);
    console.Progress("park the active environment");
    pages::PagePrompt page(context, nullptr);
    page.Progress("not logged");
    page.SetLog(&log);
    page.Progress("activate {B}");
    std::string text;
    ASSERT_EQ(fake.files.ReadText(log.Path(), text), platform::error::kSuccess);
    EXPECT_EQ(text,
              "18:45:01 step: park the active environment\r\n"
              "18:45:01 step: activate {B}\r\n");
}

}  // namespace
}  // namespace velnora::testing
