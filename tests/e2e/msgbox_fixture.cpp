// Shows one message box and exits with the id of the button that closed it, so the driver's
// message box handling can be tested against the real thing.
//   velnora_msgbox_fixture.exe CAPTION TEXT [ok|okcancel|yesno|yesnocancel]
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

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
    const int answer = MessageBoxW(nullptr, arguments[2], arguments[1], buttons | MB_ICONQUESTION);
    LocalFree(arguments);
    return answer;
}
