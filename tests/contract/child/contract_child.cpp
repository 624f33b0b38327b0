// The child process of the contract suite: `contract_child.exe <ms> <exit code>` sleeps that
// long and ends with that code. Its version resource carries the product version "9.8.7.6".
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const DWORD ms = (argv != nullptr && argc > 1) ? std::wcstoul(argv[1], nullptr, 10) : 0;
    const DWORD code = (argv != nullptr && argc > 2) ? std::wcstoul(argv[2], nullptr, 10) : 0;
    LocalFree(argv);
    Sleep(ms);
    return static_cast<int>(code);
}
