#include "cmd/console_install.h"

#include "cmd/cmd_texts.h"
#include "core/context.h"

namespace velnora::cmd {

void ConsoleInstall::Tell(const core::Notice& notice) {
    prompt_.Tell(notice);
}

// With --norestart the only question of a run, the restart, is answered no without asking.
bool ConsoleInstall::Ask(const core::Notice& question) {
    if (!declineQuestions_)
        return prompt_.Ask(question);
    prompt_.Progress(question.text + context_.texts.Pick(text::kLogAnswerNo));
    return false;
}

std::optional<std::string> ConsoleInstall::ChooseEnvironment(
    const std::vector<flows::EnvironmentChoice>& choices) {
    return prompt_.ChooseEnvironment(choices);
}

void ConsoleInstall::Progress(std::string_view step) {
    prompt_.Progress(step);
}

// Offered once: after a stopped run the same folder would only start the same run again.
std::optional<std::string> ConsoleInstall::ChooseDestination() {
    if (destinationOffered_)
        return std::nullopt;
    destinationOffered_ = true;
    const std::string folder =
        choice_.destination.value_or(flows::ProposeDestinationFolder(context_));
    if (const auto refusal = flows::RefuseDestination(context_, folder)) {
        prompt_.Tell(*refusal);
        return std::nullopt;
    }
    prompt_.Tell({.text = context_.texts.Pick(text::kDestinationFolder) + folder,
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
    prompt_.Tell({.text = title, .caption = core::NoticeCaption::kConfirm});
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
