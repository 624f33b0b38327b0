// Reading and operating the controls of a dialog in another process by control id.
#pragma once

#include <windows.h>

#include <string>

namespace velnora::e2e {

// The text of any window, asked with WM_GETTEXT (marshalled across processes). Gives up on
// a window whose thread does not answer within a few seconds.
std::wstring ReadWindowText(HWND window);

HWND Control(HWND dialog, int id);
std::wstring ControlText(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
bool IsControlVisible(HWND dialog, int id);
// Check boxes and radio buttons.
bool IsControlChecked(HWND dialog, int id);

// Replaces the text of an edit control (or any control) as WM_SETTEXT does; the edit
// control tells its dialog with EN_CHANGE as if the user had typed.
bool SetControlText(HWND dialog, int id, const std::wstring& text);

// Presses a button (or ticks a check box) as a mouse click would; false for a disabled or
// hidden button, which the user could not press either. Posted, not sent: the press may open
// a modal box, and a sent message would only return once that box is closed.
bool PressButton(HWND button);
bool PressButton(HWND dialog, int id);

// Sends WM_CLOSE to a window, as the close box of the title bar does.
bool RequestClose(HWND window);

}  // namespace velnora::e2e
