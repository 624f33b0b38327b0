#include "platform/win32/win32_support.h"

#include <objbase.h>

namespace velnora::platform::win32 {

ComScope::ComScope() : status_(CoInitialize(nullptr)) {}

ComScope::~ComScope() {
    if (SUCCEEDED(status_))
        CoUninitialize();
}

}  // namespace velnora::platform::win32
