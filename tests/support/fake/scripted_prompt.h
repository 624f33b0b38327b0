// A prompt for the flows' unit tests: records what a flow tells, asks, offers and reports, and
// answers from a script; for the install sequence also the destination and the installer page.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flows/install_sequence.h"

namespace velnora::fake {

class ScriptedPrompt final : public flows::InstallPrompt {
  public:
    void Tell(const core::Notice& notice) override;
    bool Ask(const core::Notice& question) override;
    std::optional<std::string> ChooseEnvironment(
        const std::vector<flows::EnvironmentChoice>& choices) override;
    void Progress(std::string_view step) override;
    // The destinations in order, then none: the user leaves.
    std::optional<std::string> ChooseDestination() override;
    // The installer pages in order, then one the user leaves.
    flows::InstallerPageEnd SelectAndRun() override;

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
    std::deque<std::optional<std::string>> destinations;
    std::deque<std::function<flows::InstallerPageEnd()>> pages;

    // What happened: every notice told or question asked, the progress steps, and the lists of
    // environments offered.
    std::vector<core::Notice> notices;
    std::vector<core::Notice> asked;
    std::vector<std::string> steps;
    // What the flow turned to, in order: "tell", "ask", "destination", "installers".
    std::vector<std::string> order;
    std::vector<std::vector<flows::EnvironmentChoice>> offered;
};

}  // namespace velnora::fake
