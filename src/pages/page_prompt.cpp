#include "pages/page_prompt.h"

#include "core/context.h"
#include "core/run_log.h"

namespace velnora::pages {

int PagePrompt::Show(const core::Notice& notice) {
    std::string caption;
    switch (notice.caption) {
        case core::NoticeCaption::kError:
            caption = context_.texts.Get(core::TextId::kCaptionError);
            break;
        case core::NoticeCaption::kConfirm:
            caption = context_.texts.Get(core::TextId::kCaptionConfirm);
            break;
        case core::NoticeCaption::kProgramName:
            caption = context_.startup.programBaseName;
            break;
    }
    return context_.platform.ui.MessageBox(notice.overPage ? page_ : nullptr, notice.text, caption,
                                           notice.style);
}

void PagePrompt::Tell(const core::Notice& notice) {
    Show(notice);
}

bool PagePrompt::Ask(const core::Notice& question) {
    return Show(question) == platform::answer::kYes;
}

std::optional<std::string> PagePrompt::ChooseEnvironment(
    const std::vector<flows::EnvironmentChoice>&) {
    // TODO(maintenance flows): the dialog of the next active environment.
    return std::nullopt;
}

void PagePrompt::Progress(std::string_view step) {
    if (log_ != nullptr)
        log_->Step(step);
}

}  // namespace velnora::pages
