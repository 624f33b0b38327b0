#include "core/notice.h"

#include "core/context.h"

namespace velnora::core {

namespace {

constexpr LocalText kConfirmation{"Confirmation", "確認"};

}  // namespace

std::string CaptionText(const Context& context, NoticeCaption caption) {
    switch (caption) {
        case NoticeCaption::kError:
            return context.texts.Get(TextId::kCaptionError);
        case NoticeCaption::kConfirm:
            return context.texts.Get(TextId::kCaptionConfirm);
        case NoticeCaption::kConfirmation:
            return context.texts.Pick(kConfirmation);
        case NoticeCaption::kProgramName:
            return context.startup.programBaseName;
    }
    return std::string();
}

}  // namespace velnora::core
