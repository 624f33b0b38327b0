// White space and numbers as the C library reads them in the "C" locale, where autorun.ini,
// the settings file, version texts and command lines need it. One reading for all of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velnora::core {

// isspace: blank, tab, line feed, vertical tab, form feed, carriage return.
bool IsCSpace(char c);

// atoi: leading white space, a sign, decimal digits up to the first other character; 0 without
// digits. Saturated to the 32-bit range instead of overflowing.
std::int32_t ParseDecimal(std::string_view text);

// strtoul with base 0: leading white space, a sign, "0x" for hexadecimal, "0" for octal, up to
// the first character that does not fit; all ones when it overflows, negated after a "-".
std::uint32_t ParseUnsignedAutoBase(std::string_view text);

// A path for a command line, in quotation marks, so that Windows never guesses where a path
// with blanks ends.
std::string Quoted(std::string_view path);

}  // namespace velnora::core
