#include "platform/win32/win32_support.h"

#include <objbase.h>

namespace velnora::platform::win32 {

FARPROC FindExport(const wchar_t* library, const char* function) {
    HMODULE module = LoadLibraryW(library);
    if (module == nullptr)
        return nullptr;
    return GetProcAddress(module, function);
}

ComScope::ComScope() : status_(CoInitialize(nullptr)) {}

ComScope::~ComScope() {
    if (SUCCEEDED(status_))
        CoUninitialize();
}

}  // namespace velnora::platform::win32
