// Stands in for the web browser: registered as the handler of web addresses, started as
// `address_recorder.exe <record file> <address>`, it appends the address as one line (UTF-8)
// to the record file and ends.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3)
        return 2;
    const int length = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, nullptr, 0, nullptr, nullptr);
    std::string address(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, address.data(), length, nullptr, nullptr);
    FILE* record = _wfopen(argv[1], L"ab");
    LocalFree(argv);
    if (record == nullptr)
        return 1;
    std::fputs((address + "\n").c_str(), record);
    std::fclose(record);
    return 0;
}
