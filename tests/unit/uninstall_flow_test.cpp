// The flow of an environment's uninstall over a fake machine with up to three environments (A
// active, B and C parked), told and answered through a scripted prompt.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "fake/scripted_prompt.h"
#include "flows/uninstall_environment.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using flows::UninstallOutcome;
using platform::RegRoot;
using V = std::vector<std::string>;

const std::string kParkedB = ParkedKey(2);
const std::string kParkedC = ParkedKey(3);
const std::string kSetupProgram = paths::kInstallerInfoRoot + "\\" + kGuid + "\\setup.exe";
const std::string kA = "C:\\Vantorix\\EnvA";
const std::string kB = "C:\\Vantorix\\EnvB";
const std::string kC = "C:\\Vantorix\\EnvC";
const char kFailedToStart[] = "Failed in uninstallation.";
const char kCannotActivate[] =
    "Execution file of uninstallation information is insufficient. "
    "Therefore, cannot switch over to an active state.";

struct UninstallCase {
    const char* name;
    std::string chosen;
    int parkedLeft;  // parked environments besides the chosen one (B, C: up to 2)
    bool removes;    // the uninstaller really removes the entry
    UninstallOutcome outcome;
    V locationsAfter;
    const char* activeAfter;       // tag, or "" for none
    V told;                        // after the question
    const char* stored = nullptr;  // the chosen one's uninstall command, when not the vendor's
    std::vector<std::optional<std::string>> choices = {};
    bool cIsBroken = false;  // C's installer information is gone: C cannot be activated
};

class UninstallFlow : public ::testing::TestWithParam<UninstallCase> {};

TEST_P(UninstallFlow, LeavesTheEnvironmentsAsTheUserExpects) {
    const UninstallCase& c = GetParam();
    SwitchMachine machine;
    machine.InstallTidewatch(false);
    machine.InstallEnvironment({kGuid, "A"});
    if (c.parkedLeft >= 1)
        machine.InstallEnvironment({kParkedB, "B"});
    if (c.parkedLeft >= 2)
        machine.InstallEnvironment({kParkedC, "C"});
    if (c.cIsBroken)
        machine.fake.files.Remove(paths::InstallerInfo(kParkedC));
    if (c.stored != nullptr)
        machine.fake.registry.SetText(RegRoot::LocalMachine, paths::Entry(c.chosen),
                                      "UninstallString", c.stored);
    const auto uninstaller = [&](const std::string&) {
        if (c.removes)
            machine.fake.registry.RemoveKey(RegRoot::LocalMachine, paths::Entry(kGuid));
        return fake::ProgramBehaviour::RunsFor(100);
    };
    machine.fake.processes.AddProgram(kSetupProgram, uninstaller);
    machine.fake.processes.AddProgram("C:\\Vtx\\Setup.exe", uninstaller);
    fake::ScriptedPrompt prompt;
    prompt.choices.assign(c.choices.begin(), c.choices.end());

    const flows::UninstallResult result =
        flows::UninstallEnvironment(machine.context, prompt, c.chosen);

    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(machine.ListedLocations(), c.locationsAfter);
    const auto live = machine.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(kGuid),
                                                    "InstallLocation");
    if (std::string(c.activeAfter).empty())
        EXPECT_FALSE(live.has_value());
    else
        EXPECT_EQ(live, "C:\\Vantorix\\Env" + std::string(c.activeAfter));
    ASSERT_FALSE(prompt.notices.empty());
    V told = prompt.Texts();
    told.erase(told.begin());
    EXPECT_EQ(told, c.told);
    // A choice is offered only when two or more are left, each time with every one of them.
    for (const auto& offer : prompt.offered)
        EXPECT_EQ(offer.size(), c.locationsAfter.size());
    const bool uninstalled = result.outcome == UninstallOutcome::kUninstalled ||
                             result.outcome == UninstallOutcome::kUninstalledNoneChosen;
    const bool offers = uninstalled && c.chosen == kGuid && c.locationsAfter.size() >= 2;
    EXPECT_EQ(prompt.offered.size(), offers ? std::max<std::size_t>(c.choices.size(), 1) : 0u);
    EXPECT_TRUE(machine.MessageTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Flows, UninstallFlow,
    ::testing::Values(
        UninstallCase{"ActiveLastOne", kGuid, 0, true, UninstallOutcome::kLastGone, V{}, "", V{}},
        UninstallCase{"ActiveOneLeft", kGuid, 1, true, UninstallOutcome::kUninstalled, V{kB}, "B",
                      V{}},
        UninstallCase{"ActiveTwoLeftChosen",
                      kGuid,
                      2,
                      true,
                      UninstallOutcome::kUninstalled,
                      V{kB, kC},
                      "C",
                      V{},
                      nullptr,
                      {kParkedC}},
        UninstallCase{"ActiveTwoLeftNoneChosen", kGuid, 2, true,
                      UninstallOutcome::kUninstalledNoneChosen, V{kB, kC}, "", V{}},
        // A choice that cannot be activated is told, and the choice is offered again.
        UninstallCase{"ActiveTwoLeftChosenAgain",
                      kGuid,
                      2,
                      true,
                      UninstallOutcome::kUninstalled,
                      V{kB, kC},
                      "B",
                      V{kCannotActivate},
                      nullptr,
                      {kParkedC, kParkedB},
                      true},
        UninstallCase{"ActiveUninstallerLeavesIt", kGuid, 1, false,
                      UninstallOutcome::kNotUninstalled, V{kA, kB}, "A", V{}},
        UninstallCase{"Inactive", kParkedB, 2, true, UninstallOutcome::kUninstalled, V{kA, kC}, "A",
                      V{}},
        UninstallCase{"InactiveUninstallerLeavesIt", kParkedB, 2, false,
                      UninstallOutcome::kNotUninstalled, V{kA, kB, kC}, "A", V{}},
        // Once the user has said Yes, an uninstall that cannot begin is told.
        UninstallCase{"ActiveCommandRefused", kGuid, 1, true, UninstallOutcome::kNotUninstalled,
                      V{kA, kB}, "A", V{kFailedToStart}, "RunDll32 \"C:\\S.exe\""},
        UninstallCase{"ActiveCommandNotStarted", kGuid, 1, true, UninstallOutcome::kNotUninstalled,
                      V{kA, kB}, "A", V{kFailedToStart}, "\"C:\\Gone\\Setup.exe\" -runfromtemp"},
        UninstallCase{"ActiveProgramAlone", kGuid, 1, true, UninstallOutcome::kUninstalled, V{kB},
                      "B", V{}, "C:\\Vtx\\Setup.exe"},
        UninstallCase{"InactiveCommandRefused", kParkedB, 2, true,
                      UninstallOutcome::kNotUninstalled, V{kA, kB, kC}, "A", V{kFailedToStart},
                      "RunDll32 \"C:\\S.exe\""},
        // The inactive one cannot be made active for its uninstaller: A comes back.
        UninstallCase{"InactiveThatCannotBeActivated",
                      kParkedC,
                      2,
                      true,
                      UninstallOutcome::kRefused,
                      V{kA, kB, kC},
                      "A",
                      V{kCannotActivate},
                      nullptr,
                      {},
                      true}),
    [](const auto& info) { return std::string(info.param.name); });

class UninstallQuestion : public ::testing::Test {
  protected:
    UninstallQuestion() {
        machine.InstallTidewatch(true);
        machine.InstallEnvironment({kGuid, "A"});
        machine.InstallEnvironment({kParkedB, "B"});
        machine.fake.faults.Reset();
    }
    SwitchMachine machine;
    fake::ScriptedPrompt prompt;
};

// The question over the page, in the chosen language, names the kind of environment and asks
// not to restart before the install manager's own work is done.
TEST_F(UninstallQuestion, NoLeavesEverythingAsItWas) {
    struct Case {
        std::string chosen;
        bool japanese;
        const char* start;
    };
    for (const Case& c : {Case{kGuid, false,
                               "Do you uninstall active Vantorix which you chose?\n"
                               "Because there is postprocessing"},
                          Case{kParkedB, false, "Do you uninstall inactive Vantorix"},
                          Case{kGuid, true,
                               "アクティブなVantorixをアンインストールしますか?\n"
                               "インストールマネージャの後処理"}}) {
        SwitchMachine fresh;
        fresh.context.texts = core::TextSet(c.japanese);
        fresh.InstallTidewatch(true);
        fresh.InstallEnvironment({kGuid, "A"});
        fresh.InstallEnvironment({kParkedB, "B"});
        const std::string before = fresh.State();
        fake::ScriptedPrompt no;
        no.answers = {false};

        EXPECT_EQ(flows::UninstallEnvironment(fresh.context, no, c.chosen).outcome,
                  UninstallOutcome::kCancelled);
        EXPECT_EQ(fresh.State(), before);
        EXPECT_TRUE(fresh.fake.processes.IsImageRunning(paths::kTidewatchProgram));
        ASSERT_EQ(no.notices.size(), 1u);
        EXPECT_TRUE(no.notices[0].text.starts_with(c.start)) << no.notices[0].text;
        EXPECT_EQ(no.notices[0].caption, core::NoticeCaption::kConfirmation);
        EXPECT_EQ(no.notices[0].style, platform::mb::kYesNo);
        EXPECT_TRUE(no.notices[0].overPage);
    }
}

TEST_F(UninstallQuestion, TidewatchThatCannotBeEndedStopsTheUninstall) {
    const std::string before = machine.State();
    machine.fake.faults.FailAlways(fake::op::kTerminateProcess, platform::error::kAccessDenied);
    EXPECT_EQ(flows::UninstallEnvironment(machine.context, prompt, kParkedB).outcome,
              UninstallOutcome::kRefused);
    EXPECT_EQ(machine.State(), before);
    EXPECT_TRUE(machine.fake.processes.Started().empty());
}

// Each step is reported before it begins, for the log.
TEST_F(UninstallQuestion, ReportsEachStepOfAnInactiveUninstall) {
    machine.fake.processes.AddProgram(kSetupProgram, [this](const std::string&) {
        machine.fake.registry.RemoveKey(RegRoot::LocalMachine, paths::Entry(kGuid));
        return fake::ProgramBehaviour::RunsFor(100);
    });
    const flows::UninstallResult result =
        flows::UninstallEnvironment(machine.context, prompt, kParkedB);
    EXPECT_EQ(result.outcome, UninstallOutcome::kUninstalled);
    EXPECT_EQ(result.left, 1);
    EXPECT_EQ(prompt.steps,
              (V{"stop Tidewatch", "deactivate " + FirstGuidName(), "activate " + kParkedB,
                 "run the uninstaller of " + kGuid, "restore " + FirstGuidName()}));
}

}  // namespace
}  // namespace velnora::testing
