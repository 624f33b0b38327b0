#include "driver/controls.h"

namespace velnora::e2e {

namespace {

constexpr UINT kAnswerTimeoutMs = 5000;

bool Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR* result) {
    return SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                               result) != 0;
}

}  // namespace

std::wstring ReadWindowText(HWND window) {
    DWORD_PTR length = 0;
    if (window == nullptr || !Send(window, WM_GETTEXTLENGTH, 0, 0, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
        return {};
    }
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

HWND Control(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

std::wstring ControlText(HWND dialog, int id) {
    return ReadWindowText(Control(dialog, id));
}

bool IsControlEnabled(HWND dialog, int id) {
    const HWND control = Control(dialog, id);
    return control != nullptr && IsWindowEnabled(control);
}

bool IsControlVisible(HWND dialog, int id) {
    const HWND control = Control(dialog, id);
    return control != nullptr && IsWindowVisible(control);
}

bool IsControlChecked(HWND dialog, int id) {
    const HWND control = Control(dialog, id);
    DWORD_PTR state = 0;
    return control != nullptr && Send(control, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

bool SetControlText(HWND dialog, int id, const std::wstring& text) {
    const HWND control = Control(dialog, id);
    DWORD_PTR result = 0;
    return control != nullptr &&
           Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result) &&
           result == TRUE;
}

bool PressButton(HWND button) {
    return button != nullptr && IsWindowEnabled(button) && IsWindowVisible(button) &&
           PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

bool PressButton(HWND dialog, int id) {
    return PressButton(Control(dialog, id));
}

bool RequestClose(HWND window) {
    return window != nullptr && PostMessageW(window, WM_CLOSE, 0, 0) != 0;
}

}  // namespace velnora::e2e
