// The framework probe as a Windows program: runs the probe page modally with the Win32 dialog
// host and exits with the page's result. "--result FILE" also writes the result and the
// page's counters to FILE, for the tests that drive the probe from outside.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/dialog_host.h"
#include "probe/framework_probe_page.h"

int wmain(int argc, wchar_t** argv) {
    std::wstring resultFile;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::wstring(argv[i]) == L"--result")
            resultFile = argv[i + 1];

    velnora::probe::FrameworkProbePage page(&velnora::platform::win32::RunModalPage);
    const int result = velnora::platform::win32::RunModalPage(page, nullptr);

    const std::string line = "result=" + std::to_string(result) + " " + page.Summary() + "\n";
    std::fputs(line.c_str(), stdout);
    if (!resultFile.empty()) {
        if (FILE* file = _wfopen(resultFile.c_str(), L"wb")) {
            std::fputs(line.c_str(), file);
            std::fclose(file);
        }
    }
    return result;
}
