// A prompt for the flows' unit tests: records what a flow tells, asks, offers and reports, and
// answers from a script.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flows/prompt.h"

namespace velnora::fake {

class ScriptedPrompt final : public flows::Prompt {
  public:
    void Tell(const core::Notice& notice) override;
    bool Ask(const core::Notice& question) override;
    std::optional<std::string> ChooseEnvironment(
        const std::vector<flows::EnvironmentChoice>& choices) override;
    void Progress(std::string_view step) override;

    // The texts told and asked, in order.
    std::vector<std::string> Texts() const;

    // The script: answers to the questions in order (then `answerWhenUnscripted`), and the key
    // names chosen in order (then none). `onChoose` runs when a choice is offered, before it is
    // answered.
    std::deque<bool> answers;
    bool answerWhenUnscripted = true;
    std::deque<std::optional<std::string>> choices;
    std::function<void()> onChoose;
    // Runs as each notice is told, as the user reads it.
    std::function<void(const core::Notice&)> onTell;

    // What happened: every notice told or question asked, the progress steps, and the lists of
    // environments offered.
    std::vector<core::Notice> notices;
    std::vector<std::string> steps;
    std::vector<std::vector<flows::EnvironmentChoice>> offered;
};

}  // namespace velnora::fake
