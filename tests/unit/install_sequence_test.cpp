// The install flows on a fake machine with a scripted prompt: the steps of the sequence by kind
// of install and medium, the resume, and the restart an installer asks for.
#include "flows/install_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "flows/install_run.h"
#include "scripted_prompt.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using flows::InstallerPageEnd;
using flows::InstallKind;
using flows::InstallOutcome;
using S = std::vector<std::string>;

constexpr char kMedia[] = "C:\\Media";
constexpr char kAutorun[] = "C:\\Media\\autorun.ini";
constexpr char kFolder[] = "D:\\Vtx";

// Velnora on the medium of Windows XP; the medium says whether the folder is asked.
class FlowBench {
  public:
    explicit FlowBench(int setInstallDir = 0) {
        auto& startup = machine.context.startup;
        startup.programBaseName = "Velnora";
        startup.managerBaseName = "Velnora";
        startup.programFolder = kMedia;
        startup.autorunPath = kAutorun;
        machine.context.startup.osVersion = platform::OsVersion{5, 1, 0, 2};
        machine.fake.files.AddFile(
            kAutorun, "[General]\r\nbSetInstallDir=" + std::to_string(setInstallDir) + "\r\n");
    }
    void WithActiveEnvironment() {
        machine.InstallEnvironment({kGuid, "A"});
        environments::EnumerateEnvironments(machine.context);
    }
    // Each showing of the installer page ends so; it notes the folder it was handed.
    void Pages(const std::vector<InstallerPageEnd>& ends) {
        for (const InstallerPageEnd end : ends)
            prompt.pages.push_back([this, end] {
                folders.push_back(machine.context.startup.chosenInstallDir);
                return end;
            });
    }

    SwitchMachine machine;
    ScriptedPrompt prompt;
    S folders;
};

struct SequenceCase {
    const char* name;
    InstallKind kind;
    int setInstallDir;
    bool active;
    std::vector<std::optional<std::string>> destinations;  // nothing: the user leaves
    std::vector<InstallerPageEnd> pages;
    S steps;
    InstallOutcome outcome;
};

const std::optional<std::string> kChosen = std::string(kFolder);
const std::optional<std::string> kLeaves = std::nullopt;
constexpr InstallKind kStd = InstallKind::kStandard;
constexpr InstallKind kMulti = InstallKind::kMulti;
constexpr auto kDone = InstallerPageEnd::kCompleted;
constexpr auto kStop = InstallerPageEnd::kStopped;

// clang-format off
const SequenceCase kSequenceCases[] = {
    {"StandardFirstAsksTheFolder", kStd, 1, false, {kChosen}, {kDone},
     {"destination", "installers"}, InstallOutcome::kCompleted},
    {"StandardFirstWithoutFolderPage", kStd, 0, false, {}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"StandardIntoTheActiveNeverAsks", kStd, 1, true, {}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"MultiAlwaysAsks", kMulti, 1, true, {kChosen}, {kDone}, {"destination", "installers"},
     InstallOutcome::kCompleted},
    {"MultiWithoutFolderPage", kMulti, 0, true, {}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"ExitOnTheFolderPage", kStd, 1, false, {kLeaves}, {}, {"destination"},
     InstallOutcome::kLeft},
    {"ExitOnTheInstallerPage", kMulti, 0, true, {}, {InstallerPageEnd::kLeft}, {"installers"},
     InstallOutcome::kLeft},
    {"StoppedRunReturnsToTheFolderPage", kStd, 1, false, {kChosen, kLeaves}, {kStop},
     {"destination", "installers", "destination"}, InstallOutcome::kLeft},
    {"StoppedRunThenInstallFromTheFolderPage", kMulti, 1, true, {kChosen, kChosen},
     {kStop, kDone}, {"destination", "installers", "destination", "installers"},
     InstallOutcome::kCompleted},
    {"StoppedRunWithoutFolderPageEnds", kStd, 0, false, {}, {kStop}, {"installers"},
     InstallOutcome::kStopped},
    {"StoppedRunIntoTheActiveEnds", kStd, 1, true, {}, {kStop}, {"installers"},
     InstallOutcome::kStopped},
    {"ARestartTheUserDeclined", kMulti, 0, true, {}, {InstallerPageEnd::kRestartNeeded},
     {"installers"}, InstallOutcome::kRestartNeeded},
};
// clang-format on

class InstallSequence : public ::testing::TestWithParam<SequenceCase> {};

// The folder is asked for a new environment only, and handed to the installer page; a page that
// stopped by itself goes back to the folder page when there is one.
TEST_P(InstallSequence, AsksWhatTheInstallNeedsInItsOrder) {
    const SequenceCase& c = GetParam();
    FlowBench bench(c.setInstallDir);
    if (c.active)
        bench.WithActiveEnvironment();
    bench.prompt.destinations.assign(c.destinations.begin(), c.destinations.end());
    bench.Pages(c.pages);

    EXPECT_EQ(flows::RunInstallSequence(bench.machine.context, bench.prompt, c.kind), c.outcome);
    EXPECT_EQ(bench.prompt.steps, c.steps);
    EXPECT_EQ(bench.machine.context.startup.standardInstall, c.kind == kStd);
    const bool asked = std::find(c.steps.begin(), c.steps.end(), "destination") != c.steps.end();
    for (const std::string& folder : bench.folders)
        EXPECT_EQ(folder, asked ? kFolder : "");
    EXPECT_FALSE(bench.prompt.progress.empty());
    EXPECT_TRUE(bench.prompt.told.empty());
    EXPECT_TRUE(bench.machine.MessageTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(Xp, InstallSequence, ::testing::ValuesIn(kSequenceCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A search of the environments that fails (and says so) would fail again at every turn: the
// Standard Install ends at once, with or without an environment found before. Multi Install
// does not search.
TEST(InstallSequenceSearch, AFailedSearchEndsTheStandardInstall) {
    for (const bool active : {true, false}) {
        for (const InstallKind kind : {kStd, kMulti}) {
            SCOPED_TRACE(std::to_string(active) + (kind == kStd ? " standard" : " multi"));
            FlowBench bench(1);
            if (active)
                bench.WithActiveEnvironment();
            bench.prompt.destinations.push_back(kChosen);
            bench.Pages({kDone});
            bench.machine.fake.faults.FailAlways(fake::op::kEnumKey, platform::error::kKeyDeleted);
            const InstallOutcome outcome =
                flows::RunInstallSequence(bench.machine.context, bench.prompt, kind);
            EXPECT_EQ(outcome, kind == kStd ? InstallOutcome::kFailed : InstallOutcome::kCompleted);
            EXPECT_EQ(bench.prompt.steps,
                      kind == kStd ? S({"tell"}) : S({"destination", "installers"}));
            EXPECT_EQ(bench.prompt.Texts(),
                      kind == kStd ? S({"Failed in a search of registry."}) : S());
            EXPECT_EQ(bench.machine.MessageTexts(), S());
        }
    }
}

// The run a restart cut off goes on at the installer page; there is no folder to go back to.
TEST(InstallResume, GoesOnAtTheInstallerPageOnly) {
    const struct {
        InstallerPageEnd end;
        InstallOutcome outcome;
    } cases[] = {
        {kDone, InstallOutcome::kCompleted},
        {InstallerPageEnd::kRestartNeeded, InstallOutcome::kRestartNeeded},
        {kStop, InstallOutcome::kLeft},
        {InstallerPageEnd::kLeft, InstallOutcome::kLeft},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.end));
        FlowBench bench(1);
        bench.Pages({c.end});
        EXPECT_EQ(flows::ResumeInstall(bench.machine.context, bench.prompt), c.outcome);
        EXPECT_EQ(bench.prompt.steps, S{"installers"});
        EXPECT_EQ(flows::Completed(c.outcome),
                  c.end == kDone || c.end == InstallerPageEnd::kRestartNeeded);
    }
}

// After a run whose installers ended, the restart an installer asked for (taken back, so it is
// asked once) or the medium's own is offered; a No leaves the installation waiting for one.
TEST(InstallRestart, IsOfferedOnceAndANoLeavesItNeeded) {
    const struct {
        const char* name;
        bool installerFinished;
        const char* request;  // the record's bWindowsReboot; nullptr: none
        bool restartPc;
        bool answer;
        flows::RestartEnd end;
        const char* requestAfter;
    } cases[] = {
        {"NothingRan", false, "1", true, true, flows::RestartEnd::kNone, "1"},
        {"NobodyAsks", true, "0", false, true, flows::RestartEnd::kNone, "0"},
        {"InstallerAsksYes", true, "1", false, true, flows::RestartEnd::kRestarting, "0"},
        {"InstallerAsksNo", true, "1", false, false, flows::RestartEnd::kRestartNeeded, "0"},
        {"MediumAsks", true, nullptr, true, false, flows::RestartEnd::kRestartNeeded, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FlowBench bench;
        auto& machine = bench.machine;
        const std::string record = paths::kWindows + "\\Vtx2Inst.ini";
        if (c.request)
            machine.fake.files.AddFile(
                record, std::string("[Install Manager]\r\nbWindowsReboot=") + c.request + "\r\n");
        machine.context.execution.installerFinished = c.installerFinished;
        bench.prompt.answers.push_back(c.answer);

        EXPECT_EQ(flows::OfferRestart(machine.context, bench.prompt, c.restartPc, true), c.end);
        const bool asked = c.end != flows::RestartEnd::kNone;
        ASSERT_EQ(bench.prompt.asked.size(), asked ? 1u : 0u);
        if (asked) {
            const core::Notice& question = bench.prompt.asked[0];
            EXPECT_EQ(question.text.rfind("The PC will be restarted to complete istallation!", 0),
                      0u);
            EXPECT_EQ(question.caption, core::NoticeCaption::kProgramName);
            EXPECT_EQ(question.style, platform::mb::kYesNo | platform::mb::kIconWarning);
            EXPECT_TRUE(question.overPage);
        }
        EXPECT_EQ(machine.fake.session.ExitWindowsCalls().size(),
                  c.end == flows::RestartEnd::kRestarting ? 1u : 0u);
        std::string request;
        machine.fake.profile.GetString("Install Manager", "bWindowsReboot", "", 64, record,
                                       request);
        EXPECT_EQ(request, c.requestAfter);
    }
}

}  // namespace
}  // namespace velnora::testing
