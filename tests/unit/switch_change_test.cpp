// The flow of the complete change of the active environment, and the switch's guards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/activation_switch.h"
#include "environments/environment_table.h"
#include "fake/scripted_prompt.h"
#include "flows/change_active.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using environments::ActivateEnvironment;
using environments::DeactivateEnvironment;
using flows::ChangeActiveEnvironment;
using flows::ChangeOutcome;
using platform::RegRoot;

const std::string kParkedB = ParkedKey(2);

class SwitchChange : public ::testing::Test {
  protected:
    SwitchChange() {
        machine.InstallTidewatch(true);
        machine.InstallEnvironment(a);
        machine.InstallEnvironment(b);
        machine.fake.faults.Reset();
    }
    std::optional<std::string> Location(const std::string& keyName) {
        return machine.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(keyName),
                                             "InstallLocation");
    }
    std::vector<std::uint8_t> Flag(const std::string& keyName) {
        const auto value = machine.fake.registry.Get(RegRoot::LocalMachine, paths::Entry(keyName),
                                                     "TidewatchEnable");
        return value ? value->data : std::vector<std::uint8_t>{};
    }
    bool TidewatchRunning() {
        return machine.fake.processes.IsImageRunning(paths::kTidewatchProgram);
    }

    EnvironmentPlan a{kGuid, "A"};
    EnvironmentPlan b{kParkedB, "B"};
    SwitchMachine machine;
    fake::ScriptedPrompt prompt;
};

TEST_F(SwitchChange, ParksTheActiveOneAndActivatesTheChosenOne) {
    const Material materialA = machine.Capture(a);
    const Material materialB = machine.Capture(b);
    ASSERT_EQ(ChangeActiveEnvironment(machine.context, prompt, kParkedB), ChangeOutcome::kChanged);

    EXPECT_EQ(Location(kGuid), "C:\\Vantorix\\EnvB");
    EXPECT_EQ(Location(FirstGuidName()), "C:\\Vantorix\\EnvA");
    EXPECT_FALSE(Location(kParkedB));
    // Each component at its new name, nothing left at the old ones.
    for (const std::string& gone :
         {paths::TidewatchFolder(kParkedB), paths::InstallerInfo(kParkedB),
          paths::StartMenu(kParkedB), paths::ToolRecord(kParkedB)})
        EXPECT_FALSE(machine.fake.files.Exists(gone)) << gone;
    EXPECT_FALSE(machine.fake.registry.KeyExists(RegRoot::LocalMachine,
                                                 paths::TidewatchRegistration(kParkedB)));
    EXPECT_FALSE(
        machine.fake.registry.KeyExists(RegRoot::ClassesRoot, paths::Association(kParkedB)));
    EXPECT_TRUE(machine.Losses(materialA, {FirstGuidName()}).empty());
    EXPECT_TRUE(machine.Losses(materialB, {kGuid}).empty());
    EXPECT_EQ(machine.fake.files.Attributes(paths::StartMenu(FirstGuidName())),
              platform::fileattr::kDirectory | platform::fileattr::kHidden);

    // The table shows the new state; A's flag says Tidewatch ran, B's start brought it back.
    const int active = environments::FindEnvironmentIndex(machine.context.environments, kGuid);
    ASSERT_GE(active, 0);
    EXPECT_EQ(machine.context.environments.Row(active).keyName, kGuid);
    EXPECT_EQ(Flag(FirstGuidName()), platform::DwordValue(1).data);
    EXPECT_TRUE(TidewatchRunning());
    EXPECT_EQ(machine.fake.shell.Executed().back().file, paths::kStartupLink);
    EXPECT_TRUE(prompt.notices.empty());
    EXPECT_EQ(prompt.steps,
              (std::vector<std::string>{"stop Tidewatch", "deactivate " + FirstGuidName(),
                                        "activate " + kParkedB, "start Tidewatch"}));
    EXPECT_EQ(machine.fake.ui.WaitCursorDepth(), 0);
    EXPECT_GE(machine.fake.ui.MaxWaitCursorDepth(), 1);
    EXPECT_EQ(machine.fake.registry.OpenKeyCount(), 0u);
    EXPECT_EQ(machine.fake.files.OpenListings(), 0u);
    EXPECT_EQ(machine.fake.processes.OpenHandleCount(), 0u);
}

TEST_F(SwitchChange, TidewatchFollowsTheFlagOfEachEnvironment) {
    machine.fake.registry.SetDword(RegRoot::LocalMachine, paths::Entry(kParkedB), "TidewatchEnable",
                                   0);
    ASSERT_EQ(ChangeActiveEnvironment(machine.context, prompt, kParkedB), ChangeOutcome::kChanged);
    EXPECT_FALSE(TidewatchRunning());
    EXPECT_EQ(Flag(FirstGuidName()), platform::DwordValue(1).data);
    EXPECT_FALSE(machine.fake.files.Exists(paths::kStartupLink));

    // Back to A: B records that Tidewatch was not running, A brings it back.
    const std::string parkedA = FirstGuidName();
    ASSERT_EQ(ChangeActiveEnvironment(machine.context, prompt, parkedA), ChangeOutcome::kChanged);
    EXPECT_EQ(Location(kGuid), "C:\\Vantorix\\EnvA");
    EXPECT_TRUE(TidewatchRunning());
    EXPECT_EQ(machine.fake.shell.Shortcut(paths::kStartupLink)->arguments, "-autorun");
}

TEST_F(SwitchChange, ChoosingTheActiveOneOrNoEnvironmentDoesNothing) {
    EXPECT_EQ(ChangeActiveEnvironment(machine.context, prompt, kGuid),
              ChangeOutcome::kAlreadyActive);
    EXPECT_EQ(ChangeActiveEnvironment(machine.context, prompt, ""), ChangeOutcome::kRefused);
    EXPECT_TRUE(machine.fake.faults.Log().empty());
    // The page's own note over the page, without an icon.
    ASSERT_EQ(prompt.notices.size(), 1u);
    EXPECT_EQ(prompt.notices[0].text, "It is current active Vantorix.");
    EXPECT_EQ(prompt.notices[0].caption, core::NoticeCaption::kConfirmation);
    EXPECT_EQ(prompt.notices[0].style, platform::mb::kOk);
    EXPECT_TRUE(prompt.notices[0].overPage);
}

TEST_F(SwitchChange, NoGuidNoChange) {
    for (const bool japanese : {false, true}) {
        SwitchMachine fresh;
        fresh.context.texts = core::TextSet(japanese);
        fresh.InstallTidewatch(true);
        fresh.InstallEnvironment(a);
        fresh.InstallEnvironment(b);
        const std::string before = fresh.State();
        fresh.fake.shell.GiveZeroGuids(1);

        fake::ScriptedPrompt freshPrompt;
        EXPECT_EQ(ChangeActiveEnvironment(fresh.context, freshPrompt, kParkedB),
                  ChangeOutcome::kRefused);
        EXPECT_EQ(fresh.State(), before);
        EXPECT_TRUE(fresh.fake.processes.IsImageRunning(paths::kTidewatchProgram));
        EXPECT_EQ(freshPrompt.Texts(),
                  std::vector<std::string>{
                      japanese ? "アクティブ環境の退避名を作成できませんでした。\n"
                                 "アクティブ環境は切り替えられていません。"
                               : "Failed to make a new name for the active environment.\n"
                                 "The active environment was not switched."});
    }
}

TEST_F(SwitchChange, TidewatchThatCannotBeEndedStopsTheChange) {
    const std::string before = machine.State();
    machine.fake.faults.FailAlways(fake::op::kTerminateProcess, platform::error::kAccessDenied);
    EXPECT_EQ(ChangeActiveEnvironment(machine.context, prompt, kParkedB), ChangeOutcome::kRefused);
    EXPECT_EQ(machine.State(), before);
}

TEST_F(SwitchChange, FailedActivationBringsThePreviousEnvironmentBack) {
    machine.fake.files.Remove(paths::InstallerInfo(kParkedB));
    const Material materialA = machine.Capture(a);

    EXPECT_EQ(ChangeActiveEnvironment(machine.context, prompt, kParkedB),
              ChangeOutcome::kFailedPreviousBack);
    EXPECT_EQ(prompt.Texts(),
              std::vector<std::string>{"Execution file of uninstallation information is "
                                       "insufficient. Therefore, cannot switch over to an "
                                       "active state."});
    EXPECT_TRUE(machine.Losses(materialA, {kGuid}).empty());
    EXPECT_FALSE(Location(FirstGuidName()));
    EXPECT_EQ(Location(kParkedB), "C:\\Vantorix\\EnvB");
    // The page stops here: Tidewatch stays ended.
    EXPECT_FALSE(TidewatchRunning());
    EXPECT_EQ(machine.fake.ui.WaitCursorDepth(), 0);
}

// The chosen environment cannot be activated, and then the previous one cannot be activated
// again either: the user learns that nothing is active, and the result says so.
TEST_F(SwitchChange, PreviousEnvironmentThatCannotComeBackIsReported) {
    machine.fake.files.Remove(paths::InstallerInfo(kParkedB));
    // While the user reads why B failed, A's parked installer information goes too.
    prompt.onTell = [this](const core::Notice&) {
        if (machine.fake.files.Exists(paths::InstallerInfo(FirstGuidName())))
            machine.fake.files.Remove(paths::InstallerInfo(FirstGuidName()));
    };

    EXPECT_EQ(ChangeActiveEnvironment(machine.context, prompt, kParkedB),
              ChangeOutcome::kFailedNoneActive);
    // B's failure, A's failure in each of two attempts, and what is left.
    const std::vector<std::string> texts = prompt.Texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[3],
              "The environment that was active could not be made active again.\n"
              "No environment is active now.");
    EXPECT_FALSE(Location(kGuid));
    EXPECT_EQ(machine.fake.ui.WaitCursorDepth(), 0);
}

// A step fails and so does its rollback: after the step's message the user is told that the
// environment is left partly moved, in the chosen language.
TEST_F(SwitchChange, RollbackThatFailsIsReported) {
    for (const bool japanese : {false, true}) {
        SCOPED_TRACE(japanese ? "Japanese" : "English");
        SwitchMachine failing;
        failing.InstallEnvironment(a);
        failing.context.texts = core::TextSet(japanese);
        failing.fake.faults.Reset();
        // Step 1 copies the entry and cannot delete the old key; neither can its reversal.
        failing.fake.faults.FailAlways(fake::op::kDeleteKey, platform::error::kAccessDenied);

        std::string parked;
        ASSERT_TRUE(environments::MakeParkedName(failing.context, parked, failing.notices));
        EXPECT_FALSE(DeactivateEnvironment(failing.context, parked, failing.notices));

        const std::vector<std::string> texts = failing.NoticeTexts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1], japanese
                                ? "切り替えを完全には元に戻せませんでした。\n"
                                  "環境の一部が切り替え途中の名前のまま残っている可能性があります。"
                                : "The switch could not be undone completely.\n"
                                  "Parts of the environment may remain under the names of "
                                  "the other state.");
    }
}

TEST_F(SwitchChange, FailedDeactivationLeavesTheActiveOne) {
    machine.fake.files.Remove(paths::kInstallerInfoRoot);
    const std::string before = machine.State();
    EXPECT_EQ(ChangeActiveEnvironment(machine.context, prompt, kParkedB),
              ChangeOutcome::kFailedPreviousBack);
    EXPECT_EQ(prompt.Texts(),
              std::vector<std::string>{"Execution file of uninstallation information is "
                                       "insufficient. Therefore, cannot switch over to an "
                                       "deactive state."});
    // Only the Tidewatch record changed.
    EXPECT_EQ(Flag(kGuid), platform::DwordValue(1).data);
    machine.fake.registry.SetDword(RegRoot::LocalMachine, paths::Entry(kGuid), "TidewatchEnable",
                                   1);
    EXPECT_EQ(machine.State(), before);
}

TEST_F(SwitchChange, WithoutActiveEnvironmentTheChosenOneIsActivatedDirectly) {
    SwitchMachine parked;
    parked.InstallEnvironment({ParkedKey(1), "A"});
    parked.InstallEnvironment(b);
    EXPECT_EQ(ChangeActiveEnvironment(parked.context, prompt, kParkedB), ChangeOutcome::kChanged);
    EXPECT_EQ(parked.fake.shell.GuidsIssued(), 0u);
    EXPECT_EQ(
        parked.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(kGuid), "InstallLocation"),
        "C:\\Vantorix\\EnvB");
}

TEST_F(SwitchChange, EnvironmentWithoutAssociationNeverTouchesTheLiveOne) {
    SwitchMachine m;
    m.InstallEnvironment({kGuid, "A", "4.08.00.012", false});
    m.InstallEnvironment({ParkedKey(1), "B"});
    ASSERT_TRUE(DeactivateEnvironment(m.context, ParkedKey(3), m.notices));
    EXPECT_FALSE(m.fake.registry.KeyExists(RegRoot::ClassesRoot, paths::Association(ParkedKey(3))));
    // Another environment's association arrives live meanwhile and stays when A comes back.
    m.fake.registry.SetText(RegRoot::ClassesRoot, "VTX_Workspace\\DefaultIcon", "", "other");
    m.fake.registry.SetText(RegRoot::ClassesRoot, "VTX_Workspace\\shell\\open\\command", "", "o");
    ASSERT_TRUE(ActivateEnvironment(m.context, ParkedKey(3), m.notices));
    EXPECT_EQ(m.fake.registry.GetText(RegRoot::ClassesRoot, "VTX_Workspace\\DefaultIcon", ""),
              "other");
}

// --- Guards --------------------------------------------------------------------------------

TEST_F(SwitchChange, ActivationOverALiveEntryIsRefused) {
    const std::string before = machine.State();
    EXPECT_FALSE(ActivateEnvironment(machine.context, kParkedB, machine.notices));
    EXPECT_EQ(machine.State(), before);
    EXPECT_TRUE(machine.MessageTexts().empty());
    EXPECT_EQ(machine.NoticeTexts(),
              std::vector<std::string>{"Registry of uninstallation information is insufficient. "
                                       "Therefore, cannot switch over to an active state."});
}

TEST_F(SwitchChange, NamesThatAreNoParkedNamesAreRefusedUntouched) {
    for (const std::string& name :
         {std::string(), kGuid, std::string("{short}"), std::string(38, 'x')}) {
        EXPECT_FALSE(DeactivateEnvironment(machine.context, name, machine.notices)) << name;
        EXPECT_FALSE(ActivateEnvironment(machine.context, name, machine.notices)) << name;
    }
    EXPECT_TRUE(machine.fake.faults.Log().empty());
}

}  // namespace
}  // namespace velnora::testing
