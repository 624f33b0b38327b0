#include "platform/win32/text_conversion.h"

#include <windows.h>

namespace velnora::platform::win32 {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return std::wstring();
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8(const wchar_t* wide, std::size_t length) {
    if (length == 0)
        return std::string();
    const int size = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string Utf8(const std::wstring& wide) {
    return Utf8(wide.data(), wide.size());
}

}  // namespace velnora::platform::win32
