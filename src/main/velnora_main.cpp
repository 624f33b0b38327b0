#include "platform/win32/windows_api.h"

#include "app/velnora_program.h"
#include "platform/win32/system_libraries.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything that may load a library, the system's own calls included.
    velnora::platform::win32::RestrictLibrarySearch();
    velnora::platform::win32::Win32Platform platform;
    return velnora::app::RunVelnora(platform.Get());
}
