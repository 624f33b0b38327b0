#include "platform/win32/win32_session.h"

#include "platform/win32/system_libraries.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {

std::string Win32Session::CommandLine() {
    return Utf8(GetCommandLineW());
}

std::string Win32Session::ProgramPath() {
    std::wstring path;
    const bool done = CallWithGrowingBuffer(
        [](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            length = GetModuleFileNameW(nullptr, buffer, capacity);
            if (length == 0)
                return Fill::kFailed;
            // A cut path fills the whole buffer.
            return length >= capacity ? Fill::kTooSmall : Fill::kDone;
        },
        path);
    return done ? Utf8(path) : std::string();
}

LocalFileTime Win32Session::LocalTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool Win32Session::GetVersion(OsVersion& version) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info))
        return false;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.platformId = info.dwPlatformId;
    return true;
}

std::uint32_t Win32Session::GetVersionNumber() {
    return ::GetVersion();
}

std::string Win32Session::SystemLocaleEnglishCountry() {
    std::wstring country;
    const bool done = CallWithGrowingBuffer(
        [](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            const int copied = GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGCOUNTRY, buffer,
                                              static_cast<int>(capacity));
            if (copied > 0) {
                length = static_cast<std::size_t>(copied) - 1;  // without the zero
                return Fill::kDone;
            }
            return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? Fill::kTooSmall : Fill::kFailed;
        },
        country, 80);
    return done ? Utf8(country) : std::string();
}

std::optional<std::string> Win32Session::GetEnvironmentVariable(const std::string& name) {
    const std::wstring wideName = Wide(name);
    std::wstring value;
    const bool done = CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            SetLastError(ERROR_SUCCESS);
            length = GetEnvironmentVariableW(wideName.c_str(), buffer, capacity);
            if (length == 0)  // unset, or set to the empty text
                return GetLastError() == ERROR_SUCCESS ? Fill::kDone : Fill::kFailed;
            // Too small: the length asked for includes the zero.
            return length >= capacity ? Fill::kTooSmall : Fill::kDone;
        },
        value);
    if (!done)
        return std::nullopt;
    return Utf8(value);
}

bool Win32Session::QueryDosDevice(const std::string& drive, std::string& target) {
    const std::wstring device = Wide(drive);
    std::wstring targets;
    const bool done = CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            length = QueryDosDeviceW(device.c_str(), buffer, capacity);
            if (length != 0)
                return Fill::kDone;
            return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? Fill::kTooSmall : Fill::kFailed;
        },
        targets);
    if (!done)
        return false;
    // A device may have several targets, each ended by a zero; the first is the current one.
    const std::wstring first = targets.substr(0, targets.find(L'\0'));
    if (first.empty())
        return false;
    target = Utf8(first);
    return true;
}

ErrorCode Win32Session::EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return LastError();
    ScopedHandle tokenHandle(token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        return LastError();
    // Succeeds even when the privilege is not held; only the error then tells.
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    return LastError();
}

bool Win32Session::ExitWindows(std::uint32_t flags) {
    return ExitWindowsEx(flags, 0) != FALSE;
}

std::optional<bool> Win32Session::AbortSystemShutdown() {
    using Function = BOOL(WINAPI*)(LPWSTR);
    const auto abort = FindFunction<Function>(L"Advapi32.dll", "AbortSystemShutdownW");
    if (abort == nullptr)
        return std::nullopt;
    return abort(nullptr) != FALSE;
}

void Win32Session::ExitProcess(std::uint32_t exitCode) {
    ::ExitProcess(exitCode);
}

}  // namespace velnora::platform::win32
