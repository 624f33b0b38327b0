// The install run against a fake machine: which environments the update and new-environment
// flows leave, what a resumed run skips, the progress titles, the missing programs, and the
// tool record the preparation wrote.
#include "flows/change_journal.h"
#include "flows/install_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "environments/own_shortcut.h"
#include "fake/scripted_prompt.h"
#include "installer/catalogue.h"
#include "installer/execution.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using flows::RunOutcome;
using installer::pageform::kList;
using installer::pageform::kSingle;
using platform::RegRoot;

constexpr char kMedia[] = "C:\\Media";
constexpr RunOutcome kCompleted = RunOutcome::kCompleted;
constexpr RunOutcome kStopped = RunOutcome::kStopped;
const std::string kToolRecord = paths::ToolRecord(kGuid);

// Stands in for the installer page.
class TestRunPage : public flows::RunView {
  public:
    int Form() const override { return form; }
    int ResumeIndex() const override { return resume; }
    int EntryCount() const override { return static_cast<int>(ticks.size()); }
    bool IsTicked(int entry) const override { return ticks.at(static_cast<std::size_t>(entry)); }
    bool Interactive() const override { return interactive; }
    std::string InstallerPath() override { return path; }
    void EnableButtons(bool enabled) override { buttonsEnabled = enabled; }
    void EnableExit() override { exitEnabled = true; }
    void MinimizeForRun() override { minimized = true; }
    bool IsMinimized() const override { return minimized; }
    void Hide() override {}
    std::string MainTitle() override { return title; }
    void SetMainTitle(const std::string& text) override {
        title = text;
        titles.push_back(text);
    }
    void RestorePageTitle() override { pageTitleRestored = true; }
    flows::Prompt& RunPrompt() override { return prompt; }

    int form = kList;
    int resume = 0;
    std::vector<bool> ticks;
    bool interactive = true;
    std::string path;
    bool buttonsEnabled = true;
    bool exitEnabled = false;
    bool minimized = false;
    bool pageTitleRestored = false;
    std::string title = "Vantorix";
    std::vector<std::string> titles;
    fake::ScriptedPrompt prompt;
};

// What an installer of the sample catalogue does when it runs.
enum class Effect { kNothing, kCreates, kUpdates, kAsksRestart };

// A fake machine, the catalogue's installers and the page of one run.
class RunBench {
  public:
    RunBench() {
        machine.context.startup.programBaseName = "Velnora";
        machine.context.startup.programFolder = kMedia;
        machine.fake.files.AddFolder(kMedia);
        core::Notices notices;
        environments::LoadProcessApi(machine.context, notices);
    }

    // Entry i of the catalogue runs C:\Media\setupI.exe.
    void AddInstaller(Effect effect, const std::string& tag = "N", bool present = true) {
        const std::size_t index = machine.context.catalogue.Count();
        const std::string name = "setup" + std::to_string(index) + ".exe";
        installer::InstallerEntry entry;
        entry.name = "Installer " + std::to_string(index);
        entry.path = name;
        entry.option = "/s";
        ASSERT_TRUE(machine.context.catalogue.Append(entry));
        page.ticks.push_back(true);
        const std::string path = std::string(kMedia) + "\\" + name;
        if (!present)
            return;
        machine.fake.files.AddFile(path, "MZ");
        machine.fake.processes.AddProgram(path, [this, effect, tag](const std::string& command) {
            commands.push_back(command);
            sawUserInformation = Record().find("[UserInformation_Common]") != std::string::npos;
            if (effect == Effect::kCreates)
                machine.InstallEnvironment({kGuid, tag});
            if (effect == Effect::kUpdates)
                machine.fake.files.AddFile(kToolRecord, "[Install Version]\r\nVTX=4.09\r\n");
            if (effect == Effect::kAsksRestart)
                machine.fake.profile.WriteString("Install Manager", std::string("bWindowsReboot"),
                                                 std::string("1"), kToolRecord);
            return fake::ProgramBehaviour::RunsFor(2000);
        });
    }

    RunOutcome Run() {
        environments::EnumerateEnvironments(machine.context);
        return flows::InstallRun(machine.context, page);
    }
    // What the run told its view; nothing below the flow shows a box of its own.
    std::vector<std::string> Said() const {
        EXPECT_TRUE(machine.MessageTexts().empty());
        return page.prompt.Texts();
    }

    std::optional<std::string> Live(const std::string& value = "InstallLocation") {
        return machine.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(kGuid), value);
    }
    bool Parked(const std::string& keyName) {
        return machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(keyName));
    }
    std::string Record() {
        std::string content;
        machine.fake.files.ReadFile(kToolRecord, content);
        return content;
    }

    SwitchMachine machine;
    TestRunPage page;
    std::vector<std::string> commands;
    // The installer found the user information in the live record.
    bool sawUserInformation = false;
};

// The run tells what went wrong in the order it happened, the own copy's trouble after the
// run's; the log gets every installer's command line and exit code.
TEST(InstallRun, TellsInOrderAndLogsEveryInstaller) {
    RunBench b;
    auto& fake = b.machine.fake;
    b.machine.context.startup.standardInstall = true;
    fake.files.AddFolder("C:\\Program Files\\Common Files");
    fake.files.AddFile("C:\\Media\\VelnoraE.CHM", "help");
    fake.shell.AddVersionedProgram("C:\\Media\\Velnora.exe", "2.20.0.1");
    fake.shell.RemoveSpecialFolder(platform::csidl::kCommonPrograms);
    b.AddInstaller(Effect::kNothing);
    b.AddInstaller(Effect::kCreates);
    environments::EnumerateEnvironments(b.machine.context);
    fake.faults.FailAt(fake::op::kCreateProcess, 1, platform::error::kAccessDenied);

    EXPECT_EQ(flows::RunInstallers(b.machine.context, b.page), kCompleted);
    EXPECT_EQ(b.Said(),
              (std::vector<std::string>{"Failed in installation.", "Can not found folder. []"}));
    const std::vector<std::string>& log = b.page.prompt.steps;
    for (const char* line :
         {"Installer starts: \"C:\\Media\\setup0.exe\" /s", "Installer did not run",
          "Installer starts: \"C:\\Media\\setup1.exe\" /s", "Installer ended with exit code 0",
          "The own copy is not complete"})
        EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
}

// The flows by the kind of install and the environments there are.
TEST(InstallRun, LeavesTheEnvironmentsTheFlowPromises) {
    const struct {
        const char* name;
        bool standardInstall;
        std::optional<std::string> activeVersion;  // none: no environment
        Effect effect;
        RunOutcome result;
        std::optional<std::string> live;  // the tag of the active environment afterwards
        bool parkedA;                     // A is parked under the first GUID
        bool userInformation;             // the installer found it in the record
    } cases[] = {
        {"UpdateOfNothingInstallsTheFirst", true, std::nullopt, Effect::kCreates, kCompleted, "N",
         false, true},
        {"UpdateOfTheActiveOne", true, "4.08.00.012", Effect::kUpdates, kCompleted, "A", false,
         false},
        {"UpdateOfVersion2200", true, "2.20.0.0", Effect::kUpdates, kCompleted, "A", false, false},
        {"UpdateOfVersion2199IsRefused", true, "2.19.9.0", Effect::kUpdates, kStopped, "A", false,
         false},
        {"NewBesideTheActiveOne", false, "4.08.00.012", Effect::kCreates, kCompleted, "N", true,
         true},
        {"NewThatTheInstallersDidNotMake", false, "4.08.00.012", Effect::kNothing, kCompleted, "A",
         false, true},
        {"NewOnAnEmptyMachine", false, std::nullopt, Effect::kCreates, kCompleted, "N", false,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunBench fresh;
        fresh.machine.context.startup.standardInstall = c.standardInstall;
        if (c.activeVersion)
            fresh.machine.InstallEnvironment({kGuid, "A", *c.activeVersion});
        fresh.AddInstaller(c.effect);
        EXPECT_EQ(fresh.Run(), c.result);
        const auto live = fresh.Live();
        EXPECT_EQ(live ? live->substr(live->size() - 1) : std::string("-"), c.live.value_or("-"));
        EXPECT_EQ(fresh.Parked(FirstGuidName()), c.parkedA);
        EXPECT_EQ(fresh.sawUserInformation, c.userInformation);
        EXPECT_EQ(fresh.commands.size(), c.result == kStopped ? 0u : 1u);
    }
}

TEST(InstallRun, TheRefusedUpdateSaysWhy) {
    RunBench b;
    b.machine.InstallEnvironment({kGuid, "A", "2.19.9.0"});
    b.AddInstaller(Effect::kUpdates);
    EXPECT_EQ(b.Run(), kStopped);
    EXPECT_EQ(b.Said(),
              std::vector<std::string>{"A version of Vantorix is less than V.2.2. Therefore "
                                       "overwrite installation is not possible."});
}

TEST(InstallRun, TheParkedEnvironmentGetsTheManagersShortcut) {
    RunBench b;
    b.machine.context.startup.standardInstall = false;
    b.machine.InstallEnvironment({kGuid, "A"});
    b.AddInstaller(Effect::kCreates);
    ASSERT_EQ(b.Run(), kCompleted);
    EXPECT_TRUE(environments::OwnShortcutExists(b.machine.context, FirstGuidName()));
    EXPECT_FALSE(environments::OwnShortcutExists(b.machine.context, ""));
}

// A change left unfinished may leave live material that is half of a parked environment: the
// run stops before anything is stopped, parked or started.
TEST(InstallRun, NothingIsParkedBesideAnInterruptedChange) {
    RunBench b;
    b.machine.context.startup.standardInstall = false;
    b.machine.InstallEnvironment({kGuid, "A"});
    b.AddInstaller(Effect::kCreates);
    ASSERT_TRUE(flows::WriteJournal(
        b.machine.context, {flows::JournalOperation::kChange, ParkedKey(7), ParkedKey(8)}));
    const std::string before = b.machine.State();
    EXPECT_NE(b.Run(), kCompleted);
    EXPECT_TRUE(b.commands.empty());
    EXPECT_EQ(b.machine.State(), before);
    ASSERT_FALSE(b.Said().empty());
    EXPECT_NE(b.Said().front().find("was interrupted"), std::string::npos);
}

// A restart in the middle: the preparation and the repairs are not repeated.
TEST(InstallRun, AResumedRunOnlyRunsTheRemainingInstallers) {
    RunBench b;
    b.machine.context.startup.standardInstall = false;
    b.machine.InstallEnvironment({ParkedKey(1), "A"});
    b.AddInstaller(Effect::kCreates, "M");
    b.AddInstaller(Effect::kNothing);
    b.page.resume = 1;
    EXPECT_EQ(b.Run(), kCompleted);
    EXPECT_EQ(b.commands, std::vector<std::string>{"\"C:\\Media\\setup1.exe\" /s"});
    EXPECT_FALSE(b.Live());
    EXPECT_TRUE(b.Parked(ParkedKey(1)));
    EXPECT_EQ(b.page.titles.front(), "2 of 2 Installer");
    EXPECT_FALSE(b.sawUserInformation);
}

TEST(InstallRun, TitlesCountTheTickedInstallers) {
    const struct {
        int resume;
        std::vector<std::string> titles;
    } cases[] = {
        {0, {"1 of 2 Installer", "2 of 2 Installer", "Vantorix"}},
        {2, {"2 of 2 Installer", "Vantorix"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resume);
        RunBench fresh;
        fresh.machine.InstallEnvironment({kGuid, "A"});
        fresh.AddInstaller(Effect::kUpdates);
        fresh.AddInstaller(Effect::kUpdates);
        fresh.AddInstaller(Effect::kUpdates);
        fresh.page.ticks[1] = false;
        fresh.page.resume = c.resume;
        EXPECT_EQ(fresh.Run(), kCompleted);
        EXPECT_EQ(fresh.page.titles, c.titles);
        EXPECT_TRUE(fresh.page.exitEnabled);
        EXPECT_FALSE(fresh.page.buttonsEnabled);
    }
}

// A fresh run looks for every ticked program first; a resumed one skips or stops.
TEST(InstallRun, MissingProgramsAreNamedSkippedOrEndTheQuietRun) {
    const struct {
        const char* name;
        int resume;
        bool interactive;
        std::vector<std::string> ran;
        std::vector<std::string> messages;
    } cases[] = {
        {"FreshRunNamesThemAndRunsNothing",
         0,
         true,
         {},
         {"An installer program is not found.\r\n(C:\\Media\\setup1.exe)\r\n"}},
        {"ResumedInteractiveSkips", 1, true, {"\"C:\\Media\\setup2.exe\" /s"}, {}},
        {"ResumedQuietStops", 1, false, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunBench fresh;
        fresh.machine.InstallEnvironment({kGuid, "A"});
        fresh.AddInstaller(Effect::kUpdates);
        fresh.AddInstaller(Effect::kUpdates, "N", /*present=*/false);
        fresh.AddInstaller(Effect::kUpdates);
        fresh.page.resume = c.resume;
        fresh.page.interactive = c.interactive;
        fresh.Run();
        EXPECT_EQ(fresh.commands, c.ran);
        EXPECT_EQ(fresh.Said(), c.messages);
    }
}

TEST(InstallRun, TheSingleFormNeedsAnExistingProgram) {
    const struct {
        const char* path;
        const char* message;
    } cases[] = {
        {"", "Select the installer you want to execute."},
        {"C:\\Else\\setup.exe", "An installer program is not found.\r\n(C:\\Else\\setup.exe)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        RunBench fresh;
        fresh.machine.InstallEnvironment({kGuid, "A"});
        fresh.page.form = kSingle;
        fresh.page.ticks = {true};
        fresh.page.path = c.path;
        EXPECT_EQ(fresh.Run(), kStopped);
        EXPECT_EQ(fresh.Said(), std::vector<std::string>{c.message});
    }
}

// The preparation's record goes when the installers left it as it was, byte for byte; an
// environment's record that was there before stays whatever they did.
TEST(InstallRun, OnlyARecordThePreparationMadeIsTakenBack) {
    const struct {
        bool existed;
        Effect effect;
        bool kept;
    } cases[] = {
        {false, Effect::kNothing, false},
        {true, Effect::kNothing, true},
        // "0" turned to "1": the same size, and a restart request that must not be lost.
        {false, Effect::kAsksRestart, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.effect) * 2 + c.existed);
        RunBench fresh;
        fresh.machine.context.startup.standardInstall = false;
        if (c.existed)
            fresh.machine.fake.files.AddFile(kToolRecord, "[Install Version]\r\nVTX=4.08\r\n");
        fresh.AddInstaller(c.effect);
        EXPECT_EQ(fresh.Run(), kCompleted);
        EXPECT_EQ(fresh.machine.fake.files.Exists(kToolRecord), c.kept);
    }
}

// Each write of the preparation failing in turn (seven user values, three folder keys, the
// restart request): no installer starts on that record, the user is told which file, and the
// parked environment is active again with its own record.
TEST(InstallRun, NoInstallerStartsOnARecordThatCouldNotBeWritten) {
    const auto prepare = [](RunBench& b) {
        b.machine.context.startup.standardInstall = false;
        b.machine.context.startup.chosenInstallDir = "D:\\Vantorix";
        b.machine.InstallEnvironment({kGuid, "A"});
        b.AddInstaller(Effect::kCreates);
        b.machine.fake.faults.Reset();
    };
    RunBench reference;
    prepare(reference);
    ASSERT_EQ(reference.Run(), kCompleted);
    const auto writes = reference.machine.fake.faults.Subjects(fake::op::kWriteString);
    const int first =
        static_cast<int>(std::find(writes.begin(), writes.end(), kToolRecord) - writes.begin()) + 1;
    for (int write = first; write < first + 11; ++write) {
        SCOPED_TRACE(write);
        RunBench b;
        prepare(b);
        b.machine.fake.faults.FailAt(fake::op::kWriteString, write, platform::error::kAccessDenied);
        EXPECT_EQ(b.Run(), kStopped);
        ASSERT_EQ(writes.at(write - 1), kToolRecord);
        EXPECT_TRUE(b.commands.empty());
        EXPECT_EQ(b.Said(), std::vector<std::string>{"Can not write file. [" + kToolRecord + "]"});
        EXPECT_EQ(b.Live(), "C:\\Vantorix\\EnvA");
        EXPECT_EQ(b.Record().find("UserInformation"), std::string::npos) << b.Record();
    }
}

// The destination folder goes to the first run that starts an installer.
TEST(InstallRun, AChosenFolderWaitsForARunThatStartsAnInstaller) {
    RunBench b;
    b.machine.context.startup.chosenInstallDir = "D:\\Vantorix";
    b.AddInstaller(Effect::kCreates, "N", /*present=*/false);
    EXPECT_EQ(b.Run(), kStopped);
    EXPECT_EQ(b.machine.context.startup.chosenInstallDir, "D:\\Vantorix");
    b.machine.fake.files.AddFile("C:\\Media\\setup0.exe", "MZ");
    b.machine.fake.processes.AddProgram("C:\\Media\\setup0.exe",
                                        fake::ProgramBehaviour::RunsFor(2000));
    EXPECT_EQ(b.Run(), kCompleted);
    EXPECT_EQ(b.machine.context.startup.chosenInstallDir, "");
}

TEST(InstallRun, TheUserInformationButtonIsHandedToItsInstaller) {
    RunBench b;
    b.machine.InstallEnvironment({kGuid, "A"});
    b.AddInstaller(Effect::kNothing);
    installer::InstallerEntry entry = b.machine.context.catalogue.Entry(0);
    b.machine.context.catalogue.Clear();
    entry.needUserInfoButton = "1";
    ASSERT_TRUE(b.machine.context.catalogue.Append(entry));
    EXPECT_EQ(b.Run(), kCompleted);
    EXPECT_NE(b.Record().find("bNeedUserInfoButton=1"), std::string::npos) << b.Record();
}

}  // namespace
}  // namespace velnora::testing
