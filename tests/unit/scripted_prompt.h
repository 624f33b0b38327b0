// A prompt that records what a flow tells and asks, and answers from a script: the flows run
// on the fake machine without the dialog host.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flows/install_sequence.h"
#include "installer/execution.h"

namespace velnora::testing {

class ScriptedPrompt : public flows::InstallPrompt {
  public:
    void Tell(const core::Notice& notice) override {
        told.push_back(notice);
        steps.push_back("tell");
    }
    bool Ask(const core::Notice& question) override {
        asked.push_back(question);
        steps.push_back("ask");
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseEnvironment(
        const std::vector<flows::EnvironmentChoice>&) override {
        return std::nullopt;
    }
    void Progress(std::string_view step) override { progress.emplace_back(step); }
    // Nothing scripted: the user leaves.
    std::optional<std::string> ChooseDestination() override {
        steps.push_back("destination");
        if (destinations.empty())
            return std::nullopt;
        const std::optional<std::string> folder = destinations.front();
        destinations.pop_front();
        return folder;
    }
    flows::InstallerPageEnd SelectAndRun() override {
        steps.push_back("installers");
        if (pages.empty())
            return flows::InstallerPageEnd::kLeft;
        const auto page = pages.front();
        pages.pop_front();
        return page();
    }

    // The texts told, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const core::Notice& notice : told)
            texts.push_back(notice.text);
        return texts;
    }

    std::deque<bool> answers;
    std::deque<std::optional<std::string>> destinations;
    std::deque<std::function<flows::InstallerPageEnd()>> pages;
    std::vector<core::Notice> told;
    std::vector<core::Notice> asked;
    std::vector<std::string> progress;
    std::vector<std::string> steps;
};

// The run's watch of the engine tests: what it is told, in order.
class RecordingWatch : public installer::RunWatch {
  public:
    void Tell(const core::Notice& notice) override { told.push_back(notice); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const core::Notice& notice : told)
            texts.push_back(notice.text);
        return texts;
    }
    std::vector<core::Notice> told;
};

}  // namespace velnora::testing
