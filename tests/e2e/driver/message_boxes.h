// Finding, reading and answering the message boxes of the programs under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/wait.h"

namespace velnora::e2e {

struct MessageBoxButton {
    int id = 0;
    // As shown, with the accelerator mark removed ("&Yes" reads "Yes").
    std::wstring caption;
};

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    // Only the buttons the box shows.
    std::vector<MessageBoxButton> buttons;
    bool has_icon = false;
};

// Reads a window as a message box: a dialog of class #32770 that holds nothing but the
// message text (control id 0xFFFF), an optional icon and buttons. Nothing for any other
// window.
std::optional<MessageBoxView> ReadMessageBox(HWND window);

// The first visible message box of the process (any process when 0) whose caption is
// `caption` (any caption when empty).
std::optional<MessageBoxView> FindMessageBox(DWORD process_id = 0,
                                             const std::wstring& caption = L"");
std::optional<MessageBoxView> WaitForMessageBox(DWORD process_id = 0,
                                                const std::wstring& caption = L"",
                                                Milliseconds timeout = kDefaultTimeout);

// Presses the button with control id `button_id` (IDOK, IDYES, ...).
bool AnswerMessageBox(const MessageBoxView& box, int button_id);
// Presses the button captioned `button_caption` (accelerator marks ignored).
bool AnswerMessageBox(const MessageBoxView& box, const std::wstring& button_caption);

}  // namespace velnora::e2e
