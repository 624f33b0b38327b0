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
// Gives an open modeless page (and its key-down pre-filter) the first look at a message
// taken from the queue; true when the message was consumed.
bool PreTranslatePageMessage(MSG& message);

}  // namespace velnora::platform::win32
