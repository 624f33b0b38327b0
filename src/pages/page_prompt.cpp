#include "pages/page_prompt.h"

#include "core/run_log.h"
#include "environments/environment_table.h"
#include "installer/context.h"
#include "pages/active_select_dialog.h"

namespace velnora::pages {

int PagePrompt::Show(const core::Notice& notice) {
    const std::string caption = core::CaptionText(context_, notice.caption);
    return context_.platform.ui.MessageBox(notice.overPage ? page_ : nullptr, notice.text, caption,
                                           notice.style);
}

void PagePrompt::Tell(const core::Notice& notice) {
    if (log_ != nullptr)
        log_->Add(notice.caption == core::NoticeCaption::kError ? core::LogEntry::kFailure
                                                                : core::LogEntry::kStep,
                  notice.text);
    Show(notice);
}

bool PagePrompt::Ask(const core::Notice& question) {
    const bool yes = Show(question) == platform::answer::kYes;
    if (log_ != nullptr)
        log_->Step(question.text + (yes ? " -> yes" : " -> no"));
    return yes;
}

std::optional<std::string> PagePrompt::ChooseEnvironment(
    const std::vector<flows::EnvironmentChoice>& choices) {
    ActiveSelectDialog dialog(context_, choices);
    RunChoice(dialog);
    return dialog.ChosenKeyName();
}

void PagePrompt::RunChoice(platform::DialogPage& dialog) {
    context_.platform.ui.RunModal(dialog, nullptr);
}

void PagePrompt::Progress(std::string_view step) {
    if (log_ != nullptr)
        log_->Step(step);
}

OperationLog::OperationLog(core::Context& context, PagePrompt& prompt, std::string_view operation)
    : context_(context),
      prompt_(prompt),
      previous_(prompt.Log()),
      previousOperationLog_(context.operationLog),
      log_(std::make_unique<core::RunLog>(context.platform, core::kRunLogPrefix, operation)) {
    prompt_.SetLog(log_.get());
    context_.operationLog = log_.get();
}

OperationLog::~OperationLog() {
    context_.operationLog = previousOperationLog_;
    prompt_.SetLog(previous_);
}

void OperationLog::Outcome(std::string_view outcome) {
    log_->Outcome(outcome);
}

bool EnumerateEnvironmentsTelling(environments::Context& context,
                                  const platform::DialogPage* page) {
    if (environments::EnumerateEnvironments(context))
        return true;
    PagePrompt(context, page).Tell(environments::SearchFailedNotice(context.texts));
    return false;
}

}  // namespace velnora::pages
