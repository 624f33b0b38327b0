#include "platform/win32/windows_api.h"

#include "app/adm_program.h"
#include "maintenance/elevated_twin.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace velnora;
    platform::win32::Win32Platform platform;
    // The hidden maintenance page is not part of the program yet: a switch or an uninstall
    // handed over ends with the code that says so.
    return app::RunVelnoraAdm(platform.Get(), [](core::Context&, core::StartMode, int) {
        return maintenance::twinexit::kNotAvailable;
    });
}
