#include "core/parsing.h"

#include <cstddef>
#include <limits>

namespace velnora::core {

namespace {

// The value of a digit in a base, or -1.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    if (c >= 'a' && c <= 'z')
        value = c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// Skips the white space and the sign in front of a number; tells whether it was "-".
bool SkipSpaceAndSign(std::string_view text, std::size_t& i) {
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return text[i++] == '-';
    return false;
}

}  // namespace

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::int32_t ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    const bool negative = SkipSpaceAndSign(text, i);
    // One more than the largest value, which only the negative side can hold.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit)
            magnitude = kLimit;
    }
    if (negative)
        return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(magnitude < kLimit ? magnitude : kLimit - 1);
}

std::uint32_t ParseUnsignedAutoBase(std::string_view text) {
    std::size_t i = 0;
    const bool negative = SkipSpaceAndSign(text, i);

    int base = 10;
    if (i < text.size() && text[i] == '0') {
        base = 8;
        const bool hexPrefix = i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
                               DigitValue(text[i + 2], 16) >= 0;
        if (hexPrefix) {
            base = 16;
            i += 2;
        }
    }

    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0)
            break;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > kMax)
            return static_cast<std::uint32_t>(kMax);
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

// Built up in place: GCC 12 takes "\"" + a temporary for an overlapping copy.
std::string Quoted(std::string_view path) {
    std::string quoted = "\"";
    quoted += path;
    quoted += '"';
    return quoted;
}

}  // namespace velnora::core
