#include "platform/win32/win32_console.h"

#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_api.h"

namespace velnora::platform::win32 {

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// WriteFile may take a part of the bytes (a full pipe); the rest goes in further calls.
bool WriteAllBytes(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) ||
            written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool WriteAllWide(HANDLE handle, std::wstring_view text) {
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written,
                           nullptr) ||
            written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool Win32Console::Write(StandardStream stream, std::string_view text) {
    const HANDLE handle =
        GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    if (IsConsole(handle))
        return WriteAllWide(handle, Wide(std::string(text)));
    return WriteAllBytes(handle, text);
}

std::optional<std::string> Win32Console::ReadLine() {
    const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const bool console = IsConsole(handle);
    std::wstring wide;
    std::string bytes;
    bool gotAny = false;
    for (;;) {
        DWORD read = 0;
        if (console) {
            wchar_t c = 0;
            if (!ReadConsoleW(handle, &c, 1, &read, nullptr) || read == 0)
                break;
            gotAny = true;
            if (c == L'\n')
                break;
            if (c != L'\r')
                wide.push_back(c);
        } else {
            char c = 0;
            if (!::ReadFile(handle, &c, 1, &read, nullptr) || read == 0)
                break;
            gotAny = true;
            if (c == '\n')
                break;
            if (c != '\r')
                bytes.push_back(c);
        }
    }
    if (!gotAny)
        return std::nullopt;
    return console ? Utf8(wide) : bytes;
}

}  // namespace velnora::platform::win32
