// Something an operation has to say to the user. Engines and flows give notices back; the view
// decides how one is shown: a page as a message box, the console as a line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace velnora::core {

// The caption a page's message box shows over the notice.
// kConfirmation is the longer caption of the maintenance page's own questions.
enum class NoticeCaption { kError, kConfirm, kConfirmation, kProgramName };

struct Notice {
    // In the chosen language, with its details (a path in brackets) in place.
    std::string text;
    NoticeCaption caption = NoticeCaption::kError;
    // The message box's buttons and icon (platform::mb).
    std::uint32_t style = platform::mb::kOk | platform::mb::kIconError;
    // Shown over the page that runs the operation; otherwise without an owner window, as the
    // engines' messages always were.
    bool overPage = false;
};

// The notices of one operation in the order they arose.
using Notices = std::vector<Notice>;

struct Context;

// The text of a notice's caption in the chosen language.
std::string CaptionText(const Context& context, NoticeCaption caption);

}  // namespace velnora::core
