#include "driver/message_boxes.h"

#include "driver/controls.h"
#include "driver/text.h"
#include "driver/top_windows.h"

namespace velnora::e2e {

namespace {

struct Children {
    std::vector<HWND> statics;
    std::vector<HWND> buttons;
    bool other = false;
};

BOOL CALLBACK SortChild(HWND child, LPARAM context) {
    auto* children = reinterpret_cast<Children*>(context);
    const std::wstring class_name = WindowClass(child);
    if (_wcsicmp(class_name.c_str(), L"Static") == 0) {
        children->statics.push_back(child);
    } else if (_wcsicmp(class_name.c_str(), L"Button") == 0) {
        children->buttons.push_back(child);
    } else {
        children->other = true;
    }
    return TRUE;
}

// Windows and Wine give the message text of a message box this control id; a dialog of a
// program that only holds static texts and buttons is thereby not taken for a message box.
constexpr int kMessageTextId = 0xFFFF;

// Wine keeps the icon control of a box without icon, visible but empty.
bool ShowsIcon(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
           IsWindowVisible(control) && SendMessageW(control, STM_GETICON, 0, 0) != 0;
}

}  // namespace

std::optional<MessageBoxView> ReadMessageBox(HWND window) {
    if (window == nullptr || WindowClass(window) != kDialogClass) {
        return std::nullopt;
    }
    Children children;
    EnumChildWindows(window, SortChild, reinterpret_cast<LPARAM>(&children));
    const HWND message = GetDlgItem(window, kMessageTextId);
    if (children.other || children.buttons.empty() || message == nullptr ||
        _wcsicmp(WindowClass(message).c_str(), L"Static") != 0) {
        return std::nullopt;
    }
    MessageBoxView box;
    box.window = window;
    box.caption = ReadWindowText(window);
    box.text = ReadWindowText(message);
    for (const HWND control : children.statics) {
        box.has_icon = box.has_icon || ShowsIcon(control);
    }
    for (const HWND button : children.buttons) {
        if (IsWindowVisible(button)) {
            box.buttons.push_back({GetDlgCtrlID(button), StripAccelerator(ReadWindowText(button))});
        }
    }
    if (box.buttons.empty()) {
        return std::nullopt;
    }
    return box;
}

std::optional<MessageBoxView> FindMessageBox(DWORD process_id, const std::wstring& caption) {
    WindowQuery query;
    query.title = caption;
    query.class_name = kDialogClass;
    query.process_id = process_id;
    for (const HWND window : FindTopWindows(query)) {
        if (auto box = ReadMessageBox(window)) {
            return box;
        }
    }
    return std::nullopt;
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD process_id, const std::wstring& caption,
                                                Milliseconds timeout) {
    return WaitForValue<MessageBoxView>([&] { return FindMessageBox(process_id, caption); },
                                        timeout);
}

bool AnswerMessageBox(const MessageBoxView& box, int button_id) {
    for (const MessageBoxButton& button : box.buttons) {
        if (button.id == button_id) {
            return PressButton(GetDlgItem(box.window, button_id));
        }
    }
    return false;
}

bool AnswerMessageBox(const MessageBoxView& box, const std::wstring& button_caption) {
    const std::wstring wanted = StripAccelerator(button_caption);
    for (const MessageBoxButton& button : box.buttons) {
        if (button.caption == wanted) {
            return AnswerMessageBox(box, button.id);
        }
    }
    return false;
}

}  // namespace velnora::e2e
