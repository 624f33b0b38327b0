#include "platform/text_units.h"

namespace velnora::platform {

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A four-byte sequence stands for a character beyond the basic plane: a surrogate pair.
std::size_t UnitsOf(char lead) {
    return static_cast<unsigned char>(lead) >= 0xF0 ? 2 : 1;
}

}  // namespace

std::size_t Utf16Units(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (i == 0 || !IsContinuation(utf8[i]))
            units += UnitsOf(utf8[i]);
    return units;
}

std::string_view CutToUnits(std::string_view utf8, std::size_t units) {
    std::size_t end = 0;
    std::size_t used = 0;
    while (end < utf8.size()) {
        const std::size_t width = UnitsOf(utf8[end]);
        if (width > units - used)
            break;
        used += width;
        ++end;
        while (end < utf8.size() && IsContinuation(utf8[end]))
            ++end;
    }
    return utf8.substr(0, end);
}

bool FitsBuffer(std::string_view utf8, std::size_t bufferSize) {
    return Utf16Units(utf8) < bufferSize;
}

std::string CutToBuffer(std::string_view utf8, std::size_t bufferSize) {
    if (bufferSize == 0)
        return std::string();
    return std::string(CutToUnits(utf8, bufferSize - 1));
}

std::size_t CutListToBuffer(std::string_view list, std::size_t bufferSize, std::string& out) {
    if (bufferSize < 2) {
        out.clear();
        return 0;
    }
    const std::size_t units = Utf16Units(list);
    if (units < bufferSize) {
        out.assign(list);
        return units;
    }
    out.assign(CutToUnits(list, bufferSize - 2));
    return bufferSize - 2;
}

}  // namespace velnora::platform
