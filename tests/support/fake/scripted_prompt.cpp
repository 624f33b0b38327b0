#include "fake/scripted_prompt.h"

namespace velnora::fake {

void ScriptedPrompt::Tell(const core::Notice& notice) {
    notices.push_back(notice);
    order.push_back("tell");
    if (onTell)
        onTell(notice);
}

bool ScriptedPrompt::Ask(const core::Notice& question) {
    notices.push_back(question);
    asked.push_back(question);
    order.push_back("ask");
    if (answers.empty())
        return answerWhenUnscripted;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPrompt::ChooseEnvironment(
    const std::vector<flows::EnvironmentChoice>& offer) {
    offered.push_back(offer);
    if (onChoose)
        onChoose();
    if (choices.empty())
        return std::nullopt;
    std::optional<std::string> choice = choices.front();
    choices.pop_front();
    return choice;
}

void ScriptedPrompt::Progress(std::string_view step) {
    steps.emplace_back(step);
}

std::optional<std::string> ScriptedPrompt::ChooseDestination() {
    order.push_back("destination");
    if (destinations.empty())
        return std::nullopt;
    std::optional<std::string> folder = destinations.front();
    destinations.pop_front();
    return folder;
}

flows::InstallerPageEnd ScriptedPrompt::SelectAndRun() {
    order.push_back("installers");
    if (pages.empty())
        return flows::InstallerPageEnd::kLeft;
    const auto page = pages.front();
    pages.pop_front();
    return page();
}

std::vector<std::string> ScriptedPrompt::Texts() const {
    std::vector<std::string> texts;
    for (const core::Notice& notice : notices)
        texts.push_back(notice.text);
    return texts;
}

}  // namespace velnora::fake
