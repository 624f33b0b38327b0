// Stands in for Tidewatch, the maker's update tool: it sits in the background with a hidden
// window until it is closed (WM_CLOSE, end of session) or terminated. One copy at a time.
#include "kit_common.h"

namespace {

constexpr wchar_t kWindowClass[] = L"TidewatchStandIn";
constexpr UINT_PTR kEndTimer = 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kEndTimer) {
                DestroyWindow(window);
            }
            return 0;
        case WM_ENDSESSION:
            if (wParam != 0) {
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    long runMs = 0;
    kit::Marker marker;
    const std::vector<std::wstring> arguments = kit::Arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == L"--run-ms" && i + 1 < arguments.size()) {
            runMs = kit::ParseNumber(arguments[++i]).value_or(0);
        } else if (arguments[i] == L"--marker" && i + 1 < arguments.size()) {
            marker.SetPath(arguments[++i]);
        }
        // "-autorun" (the startup shortcut's argument) needs nothing here.
    }
    marker.Write(L"start", GetCommandLineW());

    HANDLE single = CreateMutexW(nullptr, FALSE, L"OrvessaTidewatchStandIn");
    if (single != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(single);
        marker.Write(L"end", L"already running");
        return 0;
    }

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"Tidewatch", WS_OVERLAPPED, 0, 0,
                                  0, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        kit::Complain(marker, L"the window could not be created");
        return 1;
    }
    if (runMs > 0) {
        SetTimer(window, kEndTimer, static_cast<UINT>(runMs), nullptr);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (single != nullptr) {
        CloseHandle(single);
    }
    marker.Write(L"end", L"0");
    return 0;
}
