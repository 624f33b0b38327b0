// A stand-in installer for the wait benchmark: lives for "--run-ms N" milliseconds (default
// 10000) and ends.
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    DWORD runMs = 10000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--run-ms") == 0)
            runMs = static_cast<DWORD>(std::strtoul(argv[i + 1], nullptr, 10));
    Sleep(runMs);
    return 0;
}
