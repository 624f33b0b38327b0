// The console's side of a flow: notices as lines on standard error, questions answered on the
// console (or, unattended, with their default answer), every step into the run's log.
#pragma once

#include "flows/prompt.h"

namespace velnora::core {
struct Context;
class RunLog;
}  // namespace velnora::core

namespace velnora::core {
struct Context;
}

namespace velnora::cmd {

class ConsolePrompt final : public flows::Prompt {
  public:
    // `quiet`: nothing is asked; every question takes its default answer.
    ConsolePrompt(core::Context& context, core::RunLog& log, bool quiet)
        : context_(context), log_(log), quiet_(quiet) {}

    void Tell(const core::Notice& notice) override;
    bool Ask(const core::Notice& question) override;
    std::optional<std::string> ChooseEnvironment(
        const std::vector<flows::EnvironmentChoice>& choices) override;
    void Progress(std::string_view step) override;

  private:
    void Line(const std::string& text);

    core::Context& context_;
    core::RunLog& log_;
    bool quiet_;
};

// The answer a question's message box would give to Enter: No when its second button is the
// default one, else Yes.
bool DefaultAnswer(const core::Notice& question);

}  // namespace velnora::cmd
