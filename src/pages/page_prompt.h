// The pages' side of a flow: notices and questions as message boxes over the page that runs
// the operation, the choice of an environment as a dialog.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flows/prompt.h"

namespace velnora::core {
struct Context;
class RunLog;
}  // namespace velnora::core
namespace velnora::platform {
class DialogPage;
}

namespace velnora::core {
struct Context;
}

namespace velnora::environments {
struct Context;
}

namespace velnora::pages {

class PagePrompt : public flows::Prompt {
  public:
    // `page` owns the boxes of notices shown over the page; it may be null.
    PagePrompt(core::Context& context, const platform::DialogPage* page)
        : context_(context), page_(page) {}

    void Tell(const core::Notice& notice) override;
    bool Ask(const core::Notice& question) override;
    std::optional<std::string> ChooseEnvironment(
        const std::vector<flows::EnvironmentChoice>& choices) override;
    void Progress(std::string_view step) override;

    // The log the steps of the operation go to; none by default. It must outlive the prompt.
    void SetLog(core::RunLog* log) { log_ = log; }
    core::RunLog* Log() const { return log_; }

  protected:
    // Runs the choice dialog; without an owner on a page.
    virtual void RunChoice(platform::DialogPage& dialog);

    core::Context& context_;
    const platform::DialogPage* page_;

  private:
    int Show(const core::Notice& notice);

    core::RunLog* log_ = nullptr;
};

// The log of one operation a page runs, named by the operation, with its outcome at the end;
// the prompt's steps, notices and answers go to it while it lives.
class OperationLog {
  public:
    OperationLog(core::Context& context, PagePrompt& prompt, std::string_view operation);
    ~OperationLog();
    OperationLog(const OperationLog&) = delete;
    OperationLog& operator=(const OperationLog&) = delete;

    core::RunLog& Log() { return *log_; }
    void Outcome(std::string_view outcome);

  private:
    core::Context& context_;
    PagePrompt& prompt_;
    core::RunLog* previous_;
    core::RunLog* previousOperationLog_;
    std::unique_ptr<core::RunLog> log_;
};

// Enumerates the environments where no flow runs; a failed search is told as a message box.
bool EnumerateEnvironmentsTelling(environments::Context& context, const platform::DialogPage* page);

}  // namespace velnora::pages
