#include "cmd/console_install.h"

#include "cmd/cmd_texts.h"
#include "installer/context.h"

namespace velnora::cmd {

// With --norestart the only question of a run, the restart, is answered no without asking.
bool ConsoleInstall::Ask(const core::Notice& question) {
    if (!declineQuestions_)
        return InstallPromptOver::Ask(question);
    Progress(question.text + context_.texts.Pick(text::kLogAnswerNo));
    return false;
}

// Offered once: after a stopped run the same folder would only start the same run again.
std::optional<std::string> ConsoleInstall::ChooseDestination() {
    if (destinationOffered_)
        return std::nullopt;
    destinationOffered_ = true;
    const std::string folder =
        choice_.destination.value_or(flows::ProposeDestinationFolder(context_));
    if (const auto refusal = flows::RefuseDestination(context_, folder)) {
        Tell(*refusal);
        return std::nullopt;
    }
    Tell({.text = context_.texts.Pick(text::kDestinationFolder) + folder,
          .caption = core::NoticeCaption::kConfirm});
    return folder;
}

bool ConsoleInstall::IsTicked(int entry) const {
    return entry >= 0 && static_cast<std::size_t>(entry) < choice_.ticks.size() &&
           choice_.ticks[static_cast<std::size_t>(entry)] != 0;
}

void ConsoleInstall::SetMainTitle(const std::string& title) {
    if (title.empty() || title == lastTitle_)
        return;
    lastTitle_ = title;
    Tell({.text = title, .caption = core::NoticeCaption::kConfirm});
}

flows::InstallerPageEnd ConsoleInstall::SelectAndRun() {
    if (flows::RunInstallers(context_, *this) != flows::RunOutcome::kCompleted) {
        runStopped_ = true;
        return flows::InstallerPageEnd::kStopped;
    }
    declineQuestions_ = choice_.noRestart;
    const flows::RestartEnd restart =
        flows::OfferRestart(context_, *this, choice_.restartPc, choice_.forceRestart);
    declineQuestions_ = false;
    return restart == flows::RestartEnd::kNone ? flows::InstallerPageEnd::kCompleted
                                               : flows::InstallerPageEnd::kRestartNeeded;
}

}  // namespace velnora::cmd
