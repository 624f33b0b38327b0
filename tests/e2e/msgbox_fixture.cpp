// Shows one message box and exits with the id of the button that closed it, so the driver's
// message box handling can be tested against the real thing.
//   velnora_msgbox_fixture.exe CAPTION TEXT [ok|okcancel|yesno|yesnocancel] [noicon]
// The TEXT "{version}" shows the Windows version the program sees, as "major.minor".
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 3) {
        return -1;
    }
    UINT buttons = MB_YESNOCANCEL;
    if (count > 3) {
        const wchar_t* kind = arguments[3];
        buttons = std::wcscmp(kind, L"ok") == 0         ? MB_OK
                  : std::wcscmp(kind, L"okcancel") == 0 ? MB_OKCANCEL
                  : std::wcscmp(kind, L"yesno") == 0    ? MB_YESNO
                                                        : MB_YESNOCANCEL;
    }
    std::wstring text = arguments[2];
    if (text == L"{version}") {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof(version);
        GetVersionExW(&version);
        text = std::to_wstring(version.dwMajorVersion) + L"." +
               std::to_wstring(version.dwMinorVersion);
    }
    const bool icon = count < 5 || std::wcscmp(arguments[4], L"noicon") != 0;
    const int answer =
        MessageBoxW(nullptr, text.c_str(), arguments[1], buttons | (icon ? MB_ICONQUESTION : 0));
    LocalFree(arguments);
    return answer;
}
