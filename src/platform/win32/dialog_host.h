// The Win32 dialog host: binds a portable page to the dialog template of its id.
#pragma once

#include <windows.h>

#include "platform/dialog_page.h"

namespace velnora::platform::win32 {

// Runs the page modally; returns its end value, -1 when the dialog could not be created.
int RunModalPage(DialogPage& page, const DialogPage* owner);
bool OpenModelessPage(DialogPage& page, const DialogPage* owner);
// The window of an open page; nullptr for null or a page that is not open.
HWND WindowOfPage(const DialogPage* page);
// For message pumps other than the dialog box's own: gives the open page a message belongs
// to its dialog keyboard handling (IsDialogMessage); true when the message was consumed and
// must not be dispatched again. Pages see their key-downs (PreTranslateKeyDown) in every
// loop, through a hook, before this.
bool PreTranslatePageMessage(MSG& message);

}  // namespace velnora::platform::win32
