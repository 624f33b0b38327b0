#include "flows/uninstall_environment.h"

#include <vector>

#include "environments/activation_switch.h"
#include "environments/environment_table.h"
#include "environments/own_shortcut.h"
#include "environments/tidewatch.h"
#include "flows/change_active.h"
#include "flows/change_journal.h"
#include "installer/context.h"
#include "maintenance/environment_uninstall.h"
#include "maintenance/own_installation.h"

namespace velnora::flows {

namespace {

using core::LocalText;

constexpr LocalText kAskUninstallActive{"Do you uninstall active Vantorix which you chose?",
                                        "アクティブなVantorixをアンインストールしますか?"};
constexpr LocalText kAskUninstallInactive{"Do you uninstall inactive Vantorix which you chose?",
                                          "アクティブでないVantorixをアンインストールしますか?"};
constexpr LocalText kNoRebootRemark{
    "\nBecause there is postprocessing of installation manager, please do not reboot even if "
    "there is a reboot demand of Windows after the uninstallation end.",
    "\nインストールマネージャの後処理がありますので、アンインストール終了後にWindowsの再起動要求"
    "があっても\n再起動はしないで下さい。"};

class Uninstall {
  public:
    Uninstall(environments::Context& context, Prompt& prompt, std::string chosen)
        : context_(context), prompt_(prompt), chosen_(std::move(chosen)) {}

    UninstallResult Run();

  private:
    UninstallResult UninstallActive();
    UninstallResult UninstallInactive();
    // The active environment's uninstaller; true when it ran to its end.
    bool RunUninstaller();
    bool ActiveGone() {
        return !environments::EnvironmentEntryExists(context_.platform.registry,
                                                     core::kVantorixProductGuid);
    }
    int Enumerate();
    // Parks the active environment under a fresh name; false, with its notices told, when it
    // stays active (or as the rollback left it).
    bool Park(std::string& parked);
    // The new active environment after the active one was uninstalled.
    UninstallResult ActivateRemaining(int count);
    UninstallResult AfterUninstall(int count, UninstallOutcome outcome);
    void RemoveInstallManagerIfInstalled();
    void Tell(core::Notices& notices) { TellAll(prompt_, notices); }

    environments::Context& context_;
    Prompt& prompt_;
    const std::string chosen_;
    core::Notices notices_;
};

UninstallResult Uninstall::Run() {
    if (const auto interrupted = InterruptedChangeNotice(context_)) {
        prompt_.Tell(*interrupted);
        return {UninstallOutcome::kRefused};
    }
    const bool active = chosen_ == core::kVantorixProductGuid;
    const std::string question =
        context_.texts.Pick(active ? kAskUninstallActive : kAskUninstallInactive) +
        context_.texts.Pick(kNoRebootRemark);
    if (!prompt_.Ask({question, core::NoticeCaption::kConfirmation, platform::mb::kYesNo,
                      /*overPage=*/true}))
        return {UninstallOutcome::kCancelled};
    prompt_.Progress("stop Tidewatch");
    if (!environments::StopTidewatch(context_))
        return {UninstallOutcome::kRefused};
    return active ? UninstallActive() : UninstallInactive();
}

UninstallResult Uninstall::UninstallActive() {
    if (!RunUninstaller() || !ActiveGone())
        return {UninstallOutcome::kNotUninstalled};
    return ActivateRemaining(Enumerate());
}

// Only the active environment can be uninstalled: the chosen one is made active for it, and
// the environments are put back as they were when it stays.
UninstallResult Uninstall::UninstallInactive() {
    std::string parked;
    if (!ActiveGone() && !Park(parked))
        return {UninstallOutcome::kRefused};
    prompt_.Progress("activate " + chosen_);
    const bool activated = environments::ActivateEnvironment(context_, chosen_, notices_);
    Tell(notices_);
    if (!activated) {
        if (!parked.empty())
            prompt_.Progress("restore " + parked);
        const bool restored = environments::RestoreParkedEnvironment(context_, parked, notices_);
        Tell(notices_);
        return {restored ? UninstallOutcome::kRefused : UninstallOutcome::kFailedNoneActive};
    }
    const bool gone = RunUninstaller() && ActiveGone();
    bool putBack = true;
    if (!gone) {
        prompt_.Progress("deactivate " + chosen_);
        putBack = environments::DeactivateEnvironment(context_, chosen_, notices_);
        Tell(notices_);
    }
    // Also when the chosen one could not be parked again: an uninstaller that could not be
    // waited for may have removed it after all, and the one that was active must come back.
    if (!parked.empty())
        prompt_.Progress("restore " + parked);
    const bool restored = environments::RestoreParkedEnvironment(context_, parked, notices_);
    Tell(notices_);
    if (!restored)
        return {UninstallOutcome::kFailedNoneActive};
    if (!gone || !putBack)
        return {UninstallOutcome::kNotUninstalled};
    return AfterUninstall(Enumerate(), UninstallOutcome::kUninstalled);
}

bool Uninstall::Park(std::string& parked) {
    std::string name;
    if (!environments::MakeParkedName(context_, name, notices_)) {
        Tell(notices_);
        return false;
    }
    prompt_.Progress("deactivate " + name);
    const bool parkedAway = environments::DeactivateEnvironment(context_, name, notices_);
    Tell(notices_);
    if (parkedAway)
        parked = name;
    return parkedAway;
}

bool Uninstall::RunUninstaller() {
    using maintenance::UninstallOutcome;
    prompt_.Progress("run the uninstaller of " + std::string(core::kVantorixProductGuid));
    const UninstallOutcome outcome = maintenance::UninstallActiveEnvironment(context_);
    // The user has said Yes: an uninstall that never began must not pass in silence.
    if (outcome == UninstallOutcome::kNoCommand || outcome == UninstallOutcome::kNotStarted)
        prompt_.Tell({context_.texts.Get(core::TextId::kMsgUninstallFailed),
                      core::NoticeCaption::kError, platform::mb::kOk});
    return outcome == UninstallOutcome::kRan;
}

int Uninstall::Enumerate() {
    if (!environments::EnumerateEnvironments(context_))
        prompt_.Tell(environments::SearchFailedNotice(context_.texts));
    return context_.environments.Count();
}

UninstallResult Uninstall::ActivateRemaining(int count) {
    if (count == 1) {
        // The table row goes with the activation's enumeration.
        const std::string only = context_.environments.Row(0).keyName;
        prompt_.Progress("activate " + only);
        const bool activated = environments::ActivateEnvironment(context_, only, notices_);
        Tell(notices_);
        if (!activated)
            return {UninstallOutcome::kFailedNoneActive, count};
        return AfterUninstall(count, UninstallOutcome::kUninstalled);
    }
    if (count < 2)
        return AfterUninstall(count, UninstallOutcome::kUninstalled);
    // The user may choose again after a change that failed, until one is active or none is
    // chosen.
    for (;;) {
        std::vector<EnvironmentChoice> choices;
        for (int row = 0; row < context_.environments.Count(); ++row)
            choices.push_back({context_.environments.Row(row).keyName,
                               environments::EnvironmentRowText(context_, row)});
        const std::optional<std::string> choice = prompt_.ChooseEnvironment(choices);
        if (!choice)
            return AfterUninstall(count, UninstallOutcome::kUninstalledNoneChosen);
        if (ChangeActiveEnvironment(context_, prompt_, *choice) == ChangeOutcome::kChanged)
            return AfterUninstall(count, UninstallOutcome::kUninstalled);
        // The table as the next choice lists it.
        Enumerate();
    }
}

UninstallResult Uninstall::AfterUninstall(int count, UninstallOutcome outcome) {
    // A search that failed found nothing because it stopped, not because nothing is left.
    if (count == 0 && context_.environments.Complete()) {
        RemoveInstallManagerIfInstalled();
        return {UninstallOutcome::kLastGone, 0};
    }
    return {outcome, count};
}

// With the last environment gone the install manager's installed copy has nothing left to
// manage; it goes without asking, where its shortcut shows that it was installed.
void Uninstall::RemoveInstallManagerIfInstalled() {
    const auto& os = context_.startup.osVersion;
    if (!os.IsNt() || os.major < 5 || !environments::OwnShortcutExists(context_, ""))
        return;
    prompt_.Progress("remove the install manager");
    const maintenance::PartsLeft left = maintenance::RemoveOwnCopy(context_);
    maintenance::ClearStaleSetupResumes(context_);
    if (!left.empty())
        prompt_.Tell({maintenance::PartsLeftText(context_, left), core::NoticeCaption::kError,
                      platform::mb::kOk | platform::mb::kIconError, /*overPage=*/true});
}

}  // namespace

UninstallResult UninstallEnvironment(environments::Context& context, Prompt& prompt,
                                     const std::string& chosenKeyName) {
    return Uninstall(context, prompt, chosenKeyName).Run();
}

}  // namespace velnora::flows
