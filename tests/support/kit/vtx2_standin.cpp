// Stands in for VTX2.exe, the program of a Vantorix environment. Its version resource is what
// the install manager reads; run by hand it shows a small window naming its version.
#include "kit_common.h"

#include "vtx2_ids.h"

namespace {

constexpr wchar_t kWindowClass[] = L"Vtx2StandIn";
constexpr UINT_PTR kEndTimer = 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kEndTimer) {
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    long runMs = 0;
    std::wstring workspace;
    kit::Marker marker;
    const std::vector<std::wstring> arguments = kit::Arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == L"--run-ms" && i + 1 < arguments.size()) {
            runMs = kit::ParseNumber(arguments[++i]).value_or(0);
        } else if (arguments[i] == L"--marker" && i + 1 < arguments.size()) {
            marker.SetPath(arguments[++i]);
        } else {
            workspace = arguments[i];
        }
    }
    marker.Write(L"start", GetCommandLineW());

    wchar_t version[64] = {};
    LoadStringW(instance, IDS_PRODUCT_VERSION, version, 64);
    const std::wstring title = std::wstring(L"Vantorix V") + version;
    const std::wstring text =
        workspace.empty() ? title + L"\r\n(sample environment)" : title + L"\r\n" + workspace;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, kWindowClass, title.c_str(),
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 360, 140, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        kit::Complain(marker, L"the window could not be created");
        return 1;
    }
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 16, 16, 320, 60,
                                 window, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    // Started as a background child (--run-ms) it stays out of sight.
    if (runMs > 0) {
        SetTimer(window, kEndTimer, static_cast<UINT>(runMs), nullptr);
    } else {
        ShowWindow(window, show);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    marker.Write(L"end", L"0");
    return 0;
}
