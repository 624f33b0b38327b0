#include "platform/win32/win32_registry.h"

#include <cstring>

#include "platform/win32/system_libraries.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {
namespace {

// Longest value name the registry allows, with its terminating zero; key names are shorter.
constexpr DWORD kNameCapacity = 16384;

HKEY Key(Handle handle) {
    return ToNative<HKEY>(handle);
}

bool IsText(std::uint32_t type) {
    return type == regtype::kString || type == regtype::kExpandString ||
           type == regtype::kMultiString;
}

// Registry bytes as the interface carries them: text as UTF-8 with its zeros, the rest as is.
std::vector<std::uint8_t> InterfaceData(DWORD type, const std::vector<BYTE>& raw) {
    if (!IsText(type))
        return std::vector<std::uint8_t>(raw.begin(), raw.end());
    std::wstring wide(raw.size() / sizeof(wchar_t), L'\0');
    if (!wide.empty())
        std::memcpy(wide.data(), raw.data(), wide.size() * sizeof(wchar_t));
    const std::string text = Utf8(wide);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<BYTE> RegistryData(const RegValue& value) {
    if (!IsText(value.type))
        return std::vector<BYTE>(value.data.begin(), value.data.end());
    const std::wstring wide = Wide(std::string(value.data.begin(), value.data.end()));
    std::vector<BYTE> raw(wide.size() * sizeof(wchar_t));
    if (!raw.empty())
        std::memcpy(raw.data(), wide.data(), raw.size());
    return raw;
}

// Runs a query that fills (data, size, type) until the data buffer is large enough.
template <typename Query>
ErrorCode ReadRaw(Query query, DWORD& type, std::vector<BYTE>& raw) {
    DWORD size = 0;
    LONG result = query(nullptr, &size, &type);
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        raw.assign(size, 0);
        DWORD filled = size;
        result = query(raw.empty() ? nullptr : raw.data(), &filled, &type);
        if (result == ERROR_SUCCESS) {
            raw.resize(filled);
            return error::kSuccess;
        }
        size = filled > size ? filled : size + 256;  // grew in between
    }
    return static_cast<ErrorCode>(result);
}

// The index-th value of a key, name and raw bytes.
ErrorCode ReadEnumValue(HKEY key, std::uint32_t index, std::wstring& name, DWORD& type,
                        std::vector<BYTE>& raw) {
    std::wstring buffer(kNameCapacity, L'\0');
    DWORD nameLength = 0;
    const ErrorCode result = ReadRaw(
        [&](BYTE* data, DWORD* size, DWORD* valueType) {
            nameLength = kNameCapacity;
            return RegEnumValueW(key, index, buffer.data(), &nameLength, nullptr, valueType, data,
                                 size);
        },
        type, raw);
    if (result == error::kSuccess)
        name.assign(buffer.data(), nameLength);
    return result;
}

// The interface's limits, counted as the W calls count: a name of nameBufferSize characters
// with its zero.
bool FitsName(const std::wstring& name, std::size_t nameBufferSize) {
    return name.size() < nameBufferSize;
}

}  // namespace

namespace {

// The vendor installers are 32-bit programs. On 64-bit Windows what they write under
// HKLM\SOFTWARE and HKEY_CLASSES_ROOT (which maps into it) lands in the 32-bit registry view,
// and the programs must see what they see: every key is opened, created and deleted in that
// view. Windows ignores the flag for keys it does not redirect. A 32-bit process is in that
// view already, and Windows 2000 does not know the flag, so a 32-bit build passes nothing.
#ifdef _WIN64
constexpr REGSAM kVendorView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kVendorView = 0;
#endif

// Deletes the key in the vendor's view. RegDeleteKeyExW, the call that takes the view, is not
// in the advapi32 of 32-bit Windows XP and 2000, so it is found at run time; RegDeleteKeyW
// serves where the view is 0 or the function is missing.
LONG DeleteKeyInVendorView(HKEY parent, const std::wstring& path) {
    if (kVendorView != 0) {
        using Function = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
        static const auto deleteKeyEx = FindFunction<Function>(L"advapi32.dll", "RegDeleteKeyExW");
        if (deleteKeyEx != nullptr)
            return deleteKeyEx(parent, path.c_str(), kVendorView, 0);
    }
    return RegDeleteKeyW(parent, path.c_str());
}

}  // namespace

Handle Win32Registry::Root(RegRoot root) {
    switch (root) {
        case RegRoot::LocalMachine:
            return FromNative(HKEY_LOCAL_MACHINE);
        case RegRoot::CurrentUser:
            return FromNative(HKEY_CURRENT_USER);
        case RegRoot::ClassesRoot:
            break;
    }
    return FromNative(HKEY_CLASSES_ROOT);
}

ErrorCode Win32Registry::OpenKey(Handle parent, const std::string& path, std::uint32_t access,
                                 Handle& key) {
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExW(Key(parent), Wide(path).c_str(), 0, access | kVendorView, &opened);
    key = result == ERROR_SUCCESS ? FromNative(opened) : kNoHandle;
    return static_cast<ErrorCode>(result);
}

ErrorCode Win32Registry::OpenKeyDefault(Handle parent, const std::string& path, Handle& key) {
    HKEY opened = nullptr;
    // RegOpenKeyW, which takes no access mask and so no view, asks for MAXIMUM_ALLOWED.
    const LONG result =
        RegOpenKeyExW(Key(parent), Wide(path).c_str(), 0, MAXIMUM_ALLOWED | kVendorView, &opened);
    key = result == ERROR_SUCCESS ? FromNative(opened) : kNoHandle;
    return static_cast<ErrorCode>(result);
}

ErrorCode Win32Registry::CreateKey(Handle parent, const std::string& path, std::uint32_t access,
                                   Handle& key) {
    HKEY created = nullptr;
    const LONG result =
        RegCreateKeyExW(Key(parent), Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        access | kVendorView, nullptr, &created, nullptr);
    key = result == ERROR_SUCCESS ? FromNative(created) : kNoHandle;
    return static_cast<ErrorCode>(result);
}

ErrorCode Win32Registry::CloseKey(Handle key) {
    return static_cast<ErrorCode>(RegCloseKey(Key(key)));
}

ErrorCode Win32Registry::EnumKey(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                                 std::string& name) {
    name.clear();
    std::wstring buffer(kNameCapacity, L'\0');
    DWORD length = kNameCapacity;
    const LONG result =
        RegEnumKeyExW(Key(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS)
        return static_cast<ErrorCode>(result);
    buffer.resize(length);
    if (!FitsName(buffer, nameBufferSize))
        return error::kMoreData;
    name = Utf8(buffer);
    return error::kSuccess;
}

ErrorCode Win32Registry::EnumValue(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                                   std::size_t dataBufferSize, std::string& name, RegValue& value) {
    name.clear();
    value = RegValue{};
    std::wstring wideName;
    DWORD type = 0;
    std::vector<BYTE> raw;
    const ErrorCode result = ReadEnumValue(Key(key), index, wideName, type, raw);
    if (result != error::kSuccess)
        return result;
    RegValue found{static_cast<std::uint32_t>(type), InterfaceData(type, raw)};
    if (!FitsName(wideName, nameBufferSize) || DataLength(found) > dataBufferSize)
        return error::kMoreData;
    name = Utf8(wideName);
    value = std::move(found);
    return error::kSuccess;
}

ErrorCode Win32Registry::QueryInfoKey(Handle key, RegKeyInfo& info) {
    info = RegKeyInfo{};
    DWORD subKeys = 0;
    DWORD values = 0;
    const LONG result = RegQueryInfoKeyW(Key(key), nullptr, nullptr, nullptr, &subKeys, nullptr,
                                         nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS)
        return static_cast<ErrorCode>(result);
    info.subKeys = subKeys;
    info.values = values;
    // Windows gives the longest data in bytes, text as two per character; callers size their
    // data buffers in characters for text.
    for (DWORD index = 0; index < values; ++index) {
        std::wstring name;
        DWORD type = 0;
        std::vector<BYTE> raw;
        if (ReadEnumValue(Key(key), index, name, type, raw) != error::kSuccess)
            continue;
        const RegValue found{static_cast<std::uint32_t>(type), InterfaceData(type, raw)};
        const auto nameLength = static_cast<std::uint32_t>(name.size());
        const auto dataLength = static_cast<std::uint32_t>(DataLength(found));
        if (nameLength > info.maxValueNameLength)
            info.maxValueNameLength = nameLength;
        if (dataLength > info.maxValueDataLength)
            info.maxValueDataLength = dataLength;
    }
    return error::kSuccess;
}

ErrorCode Win32Registry::QueryValue(Handle key, const std::string& name, std::size_t dataBufferSize,
                                    RegValue& value) {
    value = RegValue{};
    const std::wstring wideName = Wide(name);
    DWORD type = 0;
    std::vector<BYTE> raw;
    const ErrorCode result = ReadRaw(
        [&](BYTE* data, DWORD* size, DWORD* valueType) {
            return RegQueryValueExW(Key(key), wideName.c_str(), nullptr, valueType, data, size);
        },
        type, raw);
    if (result != error::kSuccess)
        return result;
    RegValue found{static_cast<std::uint32_t>(type), InterfaceData(type, raw)};
    if (DataLength(found) > dataBufferSize)
        return error::kMoreData;
    value = std::move(found);
    return error::kSuccess;
}

ErrorCode Win32Registry::SetValue(Handle key, const std::string& name, const RegValue& value) {
    const std::vector<BYTE> raw = RegistryData(value);
    return static_cast<ErrorCode>(RegSetValueExW(Key(key), Wide(name).c_str(), 0, value.type,
                                                 raw.empty() ? nullptr : raw.data(),
                                                 static_cast<DWORD>(raw.size())));
}

ErrorCode Win32Registry::DeleteKey(Handle parent, const std::string& path) {
    return static_cast<ErrorCode>(DeleteKeyInVendorView(Key(parent), Wide(path)));
}

ErrorCode Win32Registry::DeleteValue(Handle key, const std::string& name) {
    return static_cast<ErrorCode>(RegDeleteValueW(Key(key), Wide(name).c_str()));
}

}  // namespace velnora::platform::win32
