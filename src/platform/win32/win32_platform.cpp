#include "platform/win32/win32_platform.h"

namespace velnora::platform::win32 {

Win32Platform::Win32Platform()
    : platform_{profile_, registry_, files_, processes_, shell_, session_, ui_, console_} {}

}  // namespace velnora::platform::win32
