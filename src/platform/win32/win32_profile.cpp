#include "platform/win32/win32_profile.h"

#include "platform/text_units.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {
namespace {

// Reads a whole list (every entry ended by a zero) from a W profile call that signals a cut
// list by returning capacity - 2.
template <typename Read>
std::string ReadWholeList(Read read) {
    std::wstring list;
    CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            length = read(buffer, capacity);
            return length + 2 >= capacity ? Fill::kTooSmall : Fill::kDone;
        },
        list, 4096);
    return Utf8(list);
}

}  // namespace

std::size_t Win32ProfileFiles::GetString(const std::string& section,
                                         const std::optional<std::string>& key,
                                         const std::string& defaultValue, std::size_t bufferSize,
                                         const std::string& file, std::string& out) {
    const std::wstring wideSection = Wide(section);
    const std::wstring wideDefault = Wide(defaultValue);
    const std::wstring wideFile = Wide(file);
    if (!key) {
        const std::string names = ReadWholeList([&](wchar_t* buffer, DWORD capacity) {
            return GetPrivateProfileStringW(wideSection.c_str(), nullptr, wideDefault.c_str(),
                                            buffer, capacity, wideFile.c_str());
        });
        return CutListToBuffer(names, bufferSize, out);
    }

    const std::wstring wideKey = Wide(*key);
    std::wstring value;
    CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            length =
                GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideDefault.c_str(),
                                         buffer, capacity, wideFile.c_str());
            return length + 1 >= capacity ? Fill::kTooSmall : Fill::kDone;
        },
        value, 1024);
    // Cut here rather than by the call, which would halve a pair of surrogates.
    out = CutToBuffer(Utf8(value), bufferSize);
    return Utf16Units(out);
}

std::size_t Win32ProfileFiles::GetSection(const std::string& section, std::size_t bufferSize,
                                          const std::string& file, std::string& out) {
    const std::wstring wideSection = Wide(section);
    const std::wstring wideFile = Wide(file);
    const std::string entries = ReadWholeList([&](wchar_t* buffer, DWORD capacity) {
        return GetPrivateProfileSectionW(wideSection.c_str(), buffer, capacity, wideFile.c_str());
    });
    return CutListToBuffer(entries, bufferSize, out);
}

bool Win32ProfileFiles::WriteString(const std::string& section,
                                    const std::optional<std::string>& key,
                                    const std::optional<std::string>& value,
                                    const std::string& file) {
    const std::wstring wideSection = Wide(section);
    const std::wstring wideKey = key ? Wide(*key) : std::wstring();
    const std::wstring wideValue = value ? Wide(*value) : std::wstring();
    return WritePrivateProfileStringW(wideSection.c_str(), key ? wideKey.c_str() : nullptr,
                                      value ? wideValue.c_str() : nullptr,
                                      Wide(file).c_str()) != FALSE;
}

}  // namespace velnora::platform::win32
