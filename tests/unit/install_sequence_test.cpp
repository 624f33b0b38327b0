// The install flows on a fake machine with a scripted prompt: the steps of the sequence by kind
// of install (the Autorun mode's among them) and medium, the resume, and the restart an
// installer asks for.
#include "flows/install_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "fake/scripted_prompt.h"
#include "flows/install_run.h"
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

// Velnora on the medium of Windows XP; the medium says whether the folder is asked (nullptr: the
// medium has no autorun.ini).
class FlowBench {
  public:
    explicit FlowBench(const char* setInstallDir = "0") {
        auto& startup = machine.context.startup;
        startup.programBaseName = "Velnora";
        startup.managerBaseName = "Velnora";
        startup.programFolder = kMedia;
        startup.autorunPath = kAutorun;
        machine.context.startup.osVersion = platform::OsVersion{5, 1, 0, 2};
        if (setInstallDir)
            machine.fake.files.AddFile(
                kAutorun, std::string("[General]\r\nbSetInstallDir=") + setInstallDir + "\r\n");
    }
    void WithActiveEnvironment() { WithEnvironment(kGuid); }
    // Enumerated, as start-up does before any page.
    void WithEnvironment(const std::string& keyName) {
        machine.InstallEnvironment({keyName, "A"});
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
    fake::ScriptedPrompt prompt;
    S folders;
};

// The sequences of the main menu's two buttons and of the Autorun start mode.
enum class Sequence { kStandard, kMulti, kAutorun };

InstallOutcome RunSequence(FlowBench& bench, Sequence sequence) {
    if (sequence == Sequence::kAutorun)
        return flows::RunAutorunSequence(bench.machine.context, bench.prompt);
    return flows::RunInstallSequence(
        bench.machine.context, bench.prompt,
        sequence == Sequence::kStandard ? InstallKind::kStandard : InstallKind::kMulti);
}

// The environments found before the sequence.
enum class Found { kNone, kActive, kParkedOnly };

struct SequenceCase {
    const char* name;
    Sequence kind;
    const char* setInstallDir;
    Found found;
    std::vector<std::optional<std::string>> destinations;  // nothing: the user leaves
    std::vector<InstallerPageEnd> pages;
    S steps;
    InstallOutcome outcome;
};

const std::optional<std::string> kChosen = std::string(kFolder);
const std::optional<std::string> kLeaves = std::nullopt;
constexpr Sequence kStd = Sequence::kStandard;
constexpr Sequence kMulti = Sequence::kMulti;
constexpr Sequence kAuto = Sequence::kAutorun;
constexpr Found kNone = Found::kNone;
constexpr Found kActive = Found::kActive;
constexpr Found kParked = Found::kParkedOnly;
constexpr auto kDone = InstallerPageEnd::kCompleted;
constexpr auto kStop = InstallerPageEnd::kStopped;

// clang-format off
const SequenceCase kSequenceCases[] = {
    {"StandardFirstAsksTheFolder", kStd, "1", kNone, {kChosen}, {kDone},
     {"destination", "installers"}, InstallOutcome::kCompleted},
    {"StandardFirstWithoutFolderPage", kStd, "0", kNone, {}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"StandardIntoTheActiveNeverAsks", kStd, "1", kActive, {}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"StandardWithoutActiveAsks", kStd, "1", kParked, {kChosen}, {kDone},
     {"destination", "installers"}, InstallOutcome::kCompleted},
    {"MultiAlwaysAsks", kMulti, "1", kActive, {kChosen}, {kDone}, {"destination", "installers"},
     InstallOutcome::kCompleted},
    {"MultiWithoutFolderPage", kMulti, "0", kActive, {}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"ExitOnTheFolderPage", kStd, "1", kNone, {kLeaves}, {}, {"destination"},
     InstallOutcome::kLeft},
    {"ExitOnTheInstallerPage", kMulti, "0", kActive, {}, {InstallerPageEnd::kLeft}, {"installers"},
     InstallOutcome::kLeft},
    {"StoppedRunReturnsToTheFolderPage", kStd, "1", kNone, {kChosen, kLeaves}, {kStop},
     {"destination", "installers", "destination"}, InstallOutcome::kLeft},
    {"StoppedRunThenInstallFromTheFolderPage", kMulti, "1", kActive, {kChosen, kChosen},
     {kStop, kDone}, {"destination", "installers", "destination", "installers"},
     InstallOutcome::kCompleted},
    {"StoppedRunWithoutFolderPageEnds", kStd, "0", kNone, {}, {kStop}, {"installers"},
     InstallOutcome::kStopped},
    {"StoppedRunIntoTheActiveEnds", kStd, "1", kActive, {}, {kStop}, {"installers"},
     InstallOutcome::kStopped},
    {"ARestartTheUserDeclined", kMulti, "0", kActive, {}, {InstallerPageEnd::kRestartNeeded},
     {"installers"}, InstallOutcome::kRestartNeeded},
    // The Autorun mode asks only for the first environment, and shows its installer page once.
    {"AutorunFirstAsksTheFolder", kAuto, "1", kNone, {kChosen}, {kDone},
     {"destination", "installers"}, InstallOutcome::kCompleted},
    {"AutorunWithAnEnvironmentNeverAsks", kAuto, "1", kParked, {kChosen}, {kDone},
     {"installers"}, InstallOutcome::kCompleted},
    {"AutorunWithoutFolderPage", kAuto, "0", kNone, {kChosen}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"AutorunWithoutAutorunIni", kAuto, nullptr, kNone, {kChosen}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"AutorunFolderValueNotANumber", kAuto, "yes", kNone, {kChosen}, {kDone}, {"installers"},
     InstallOutcome::kCompleted},
    {"AutorunFolderValueLeadingDigits", kAuto, "2x", kNone, {kChosen}, {kDone},
     {"destination", "installers"}, InstallOutcome::kCompleted},
    {"AutorunFolderValueNegative", kAuto, "-1", kNone, {kChosen}, {kDone},
     {"destination", "installers"}, InstallOutcome::kCompleted},
    {"AutorunExitOnTheFolderPage", kAuto, "1", kNone, {kLeaves}, {kDone}, {"destination"},
     InstallOutcome::kLeft},
    {"AutorunExitOnTheInstallerPage", kAuto, "1", kNone, {kChosen}, {InstallerPageEnd::kLeft},
     {"destination", "installers"}, InstallOutcome::kLeft},
    {"AutorunStoppedRunEnds", kAuto, "1", kNone, {kChosen, kChosen}, {kStop, kDone},
     {"destination", "installers"}, InstallOutcome::kStopped},
    {"AutorunRestartTheUserDeclined", kAuto, "0", kActive, {}, {InstallerPageEnd::kRestartNeeded},
     {"installers"}, InstallOutcome::kRestartNeeded},
};
// clang-format on

class InstallSequence : public ::testing::TestWithParam<SequenceCase> {};

// The folder is asked for a new environment only, and handed to the installer page; a page that
// stopped by itself goes back to the folder page when there is one.
TEST_P(InstallSequence, AsksWhatTheInstallNeedsInItsOrder) {
    const SequenceCase& c = GetParam();
    FlowBench bench(c.setInstallDir);
    if (c.found != kNone)
        bench.WithEnvironment(c.found == kActive ? std::string(kGuid) : ParkedKey(2));
    bench.prompt.destinations.assign(c.destinations.begin(), c.destinations.end());
    bench.Pages(c.pages);

    EXPECT_EQ(RunSequence(bench, c.kind), c.outcome);
    EXPECT_EQ(bench.prompt.order, c.steps);
    EXPECT_EQ(bench.machine.context.startup.standardInstall, c.kind != kMulti);
    const bool asked = std::find(c.steps.begin(), c.steps.end(), "destination") != c.steps.end();
    for (const std::string& folder : bench.folders)
        EXPECT_EQ(folder, asked ? kFolder : "");
    EXPECT_FALSE(bench.prompt.steps.empty());
    EXPECT_TRUE(bench.prompt.notices.empty());
    EXPECT_TRUE(bench.machine.MessageTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(Xp, InstallSequence, ::testing::ValuesIn(kSequenceCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A search of the environments that fails (and says so) would fail again at every turn: the
// Standard Install ends at once, with or without an environment found before. Multi Install
// does not search; the Autorun mode goes by what start-up found.
TEST(InstallSequenceSearch, AFailedSearchEndsTheStandardInstall) {
    for (const bool active : {true, false}) {
        for (const Sequence kind : {kStd, kMulti, kAuto}) {
            SCOPED_TRACE(std::to_string(active) + " " + std::to_string(static_cast<int>(kind)));
            FlowBench bench("1");
            if (active)
                bench.WithActiveEnvironment();
            bench.prompt.destinations.push_back(kChosen);
            bench.Pages({kDone});
            bench.machine.fake.faults.FailAlways(fake::op::kEnumKey, platform::error::kKeyDeleted);
            const InstallOutcome outcome = RunSequence(bench, kind);
            EXPECT_EQ(outcome, kind == kStd ? InstallOutcome::kFailed : InstallOutcome::kCompleted);
            const S asked =
                kind == kAuto && active ? S({"installers"}) : S({"destination", "installers"});
            EXPECT_EQ(bench.prompt.order, kind == kStd ? S({"tell"}) : asked);
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
        FlowBench bench("1");
        bench.Pages({c.end});
        EXPECT_EQ(flows::ResumeInstall(bench.machine.context, bench.prompt), c.outcome);
        EXPECT_EQ(bench.prompt.order, S{"installers"});
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
        machine.context.run.installerFinished = c.installerFinished;
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
