#include "platform/win32/windows_api.h"

#include <string>
#include <vector>

#include "app/cmd_program.h"
#include "platform/win32/system_libraries.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"

int wmain(int argc, wchar_t** argv) {
    // Before anything that may load a library, the system's own calls included.
    velnora::platform::win32::RestrictLibrarySearch();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(velnora::platform::win32::Utf8(argv[i]));
    velnora::platform::win32::Win32Platform platform;
    return velnora::app::RunVelnoraCmd(platform.Get(), arguments);
}
