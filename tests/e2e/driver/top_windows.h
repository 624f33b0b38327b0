// Finding the top-level windows of the programs under test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver/wait.h"

namespace velnora::e2e {

// Empty fields match anything; title and class compare exactly.
struct WindowQuery {
    std::wstring title;
    std::wstring class_name;
    DWORD process_id = 0;
    bool visible_only = true;
};

// Dialog boxes and message boxes have this window class.
inline constexpr wchar_t kDialogClass[] = L"#32770";

std::wstring WindowTitle(HWND window);
std::wstring WindowClass(HWND window);
DWORD WindowProcessId(HWND window);

std::vector<HWND> FindTopWindows(const WindowQuery& query);
// The first matching window, or nullptr.
HWND FindTopWindow(const WindowQuery& query);
// The first matching window to appear before the deadline, or nullptr.
HWND WaitForTopWindow(const WindowQuery& query, Milliseconds timeout = kDefaultTimeout);
// True when the window is gone (destroyed, or hidden) before the deadline.
bool WaitForWindowGone(HWND window, Milliseconds timeout = kDefaultTimeout);

}  // namespace velnora::e2e
