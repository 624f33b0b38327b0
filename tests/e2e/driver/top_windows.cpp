#include "driver/top_windows.h"

#include "driver/controls.h"

namespace velnora::e2e {

std::wstring WindowTitle(HWND window) {
    // WM_GETTEXT crosses the process boundary; GetWindowText may not for other processes.
    return ReadWindowText(window);
}

std::wstring WindowClass(HWND window) {
    wchar_t name[256];
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

DWORD WindowProcessId(HWND window) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    return process_id;
}

namespace {

struct Search {
    const WindowQuery* query;
    std::vector<HWND> found;
};

bool Matches(HWND window, const WindowQuery& query) {
    if (query.visible_only && !IsWindowVisible(window)) {
        return false;
    }
    if (query.process_id != 0 && WindowProcessId(window) != query.process_id) {
        return false;
    }
    if (!query.class_name.empty() && WindowClass(window) != query.class_name) {
        return false;
    }
    return query.title.empty() || WindowTitle(window) == query.title;
}

BOOL CALLBACK CollectMatch(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (Matches(window, *search->query)) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> FindTopWindows(const WindowQuery& query) {
    Search search{&query, {}};
    EnumWindows(CollectMatch, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopWindow(const WindowQuery& query) {
    const std::vector<HWND> found = FindTopWindows(query);
    return found.empty() ? nullptr : found.front();
}

HWND WaitForTopWindow(const WindowQuery& query, Milliseconds timeout) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindTopWindow(query);
            return window != nullptr;
        },
        timeout);
    return window;
}

bool WaitForWindowGone(HWND window, Milliseconds timeout) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout);
}

}  // namespace velnora::e2e
