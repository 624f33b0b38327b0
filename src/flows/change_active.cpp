#include "flows/change_active.h"

#include "environments/activation_switch.h"
#include "environments/environment_table.h"
#include "environments/tidewatch.h"
#include "flows/change_journal.h"
#include "installer/context.h"

namespace velnora::flows {

namespace {

constexpr core::LocalText kChosenIsActive{"It is current active Vantorix.",
                                          "選択したVantorixは、現在アクティブです。"};

}  // namespace

ChangeOutcome ChangeActiveEnvironment(environments::Context& context, Prompt& prompt,
                                      const std::string& chosenKeyName) {
    // A copy: the name usually lives in a table row, and every activation enumerates again.
    const std::string chosen = chosenKeyName;
    if (chosen == core::kVantorixProductGuid) {
        prompt.Tell({context.texts.Pick(kChosenIsActive), core::NoticeCaption::kConfirmation,
                     platform::mb::kOk, /*overPage=*/true});
        return ChangeOutcome::kAlreadyActive;
    }
    if (!environments::IsParkedKeyName(chosen))
        return ChangeOutcome::kRefused;
    if (const auto interrupted = InterruptedChangeNotice(context)) {
        prompt.Tell(*interrupted);
        return ChangeOutcome::kRefused;
    }

    // The parked name is made before anything is stopped or moved, so that a missing GUID
    // leaves everything as it was.
    core::Notices notices;
    const bool activeExists =
        environments::EnvironmentEntryExists(context.platform.registry, core::kVantorixProductGuid);
    std::string parked;
    if (activeExists && !environments::MakeParkedName(context, parked, notices)) {
        TellAll(prompt, notices);
        return ChangeOutcome::kRefused;
    }

    prompt.Progress("stop Tidewatch");
    if (!environments::StopTidewatch(context))
        return ChangeOutcome::kRefused;

    platform::ScopedWaitCursor wait(context.platform.ui);
    JournalledSteps steps(context, {JournalOperation::kChange, parked, chosen});
    const auto endChange = [&] {
        if (!steps.LeftSplit())
            ClearJournal(context);
    };
    if (activeExists) {
        prompt.Progress("deactivate " + parked);
        const bool parkedAway =
            environments::DeactivateEnvironment(context, parked, notices, &steps);
        TellAll(prompt, notices);
        if (!parkedAway) {
            endChange();
            return ChangeOutcome::kFailedPreviousBack;
        }
    }
    prompt.Progress("activate " + chosen);
    steps.Phase(JournalPhase::kActivation);
    const bool activated = environments::ActivateEnvironment(context, chosen, notices, &steps);
    TellAll(prompt, notices);
    if (!activated) {
        if (!parked.empty())
            prompt.Progress("restore " + parked);
        steps.Phase(JournalPhase::kRestore);
        const bool restored =
            environments::RestoreParkedEnvironment(context, parked, notices, &steps);
        TellAll(prompt, notices);
        endChange();
        return restored ? ChangeOutcome::kFailedPreviousBack : ChangeOutcome::kFailedNoneActive;
    }
    endChange();
    if (environments::ShouldStartTidewatch(context)) {
        prompt.Progress("start Tidewatch");
        environments::StartTidewatch(context);
    }
    return ChangeOutcome::kChanged;
}

}  // namespace velnora::flows
