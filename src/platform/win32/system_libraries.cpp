#include "platform/win32/system_libraries.h"

#include <cwchar>
#include <string>

#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {

namespace {

// A loader function that not every Windows has: Windows XP and Windows 7 without its loader
// update lack the search flags, Windows 2000 and XP before SP1 lack SetDllDirectoryW as well.
template <typename Function>
Function KernelFunction(const char* name) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

bool LoaderKnowsSearchFlags() {
    return KernelFunction<void (*)()>("SetDefaultDllDirectories") != nullptr;
}

bool SystemFolder(std::wstring& folder) {
    return CallWithGrowingBuffer(
        [](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            const UINT written = GetSystemDirectoryW(buffer, capacity);
            length = written;
            if (written == 0)
                return Fill::kFailed;
            return written < capacity ? Fill::kDone : Fill::kTooSmall;
        },
        folder);
}

}  // namespace

void RestrictLibrarySearch() {
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    using SetDirectory = BOOL(WINAPI*)(LPCWSTR);
    const auto setDefault = KernelFunction<SetDefaultDirectories>("SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without the search flags only the current folder can be taken out; the program's folder
    // stays first, which is why nothing is ever loaded by a bare name.
    if (const auto setDirectory = KernelFunction<SetDirectory>("SetDllDirectoryW"))
        setDirectory(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    if (*fileName == L'\0' || std::wcspbrk(fileName, L"\\/:") != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::wstring path;
    if (!SystemFolder(path))
        return nullptr;
    path += L'\\';
    path += fileName;
    // The libraries it needs in turn come from the system folder as well: by the search flag
    // where the loader knows it, else by searching the loaded library's own folder first.
    const DWORD flags =
        LoaderKnowsSearchFlags() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    return LoadLibraryExW(path.c_str(), nullptr, flags);
}

FARPROC FindExport(const wchar_t* library, const char* function) {
    const HMODULE module = LoadSystemLibrary(library);
    if (module == nullptr)
        return nullptr;
    return GetProcAddress(module, function);
}

}  // namespace velnora::platform::win32
