// Text lengths as the wide Windows API counts them. The programs hold UTF-8, but every buffer
// limit they inherit counts characters, and the W functions count those in UTF-16 code units:
// one for each character of the basic plane, two for one beyond it. An ANSI text never has
// more of these units than it had bytes, so a text that fitted a byte buffer still fits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velnora::platform {

// The UTF-16 code units of a UTF-8 text. A stray byte counts as one character.
std::size_t Utf16Units(std::string_view utf8);

// The longest start of `utf8` of at most `units` code units that ends between two characters:
// a character is never split, and a pair of surrogates never halved.
std::string_view CutToUnits(std::string_view utf8, std::size_t units);

// Does the text fit a buffer of `bufferSize` units with its terminating zero?
bool FitsBuffer(std::string_view utf8, std::size_t bufferSize);

// The text as a buffer of `bufferSize` units holds it with its terminating zero: cut to
// bufferSize - 1 units at most, whole characters only.
std::string CutToBuffer(std::string_view utf8, std::size_t bufferSize);

// A list of zero-ended entries as a buffer of `bufferSize` units holds it with the zero that
// closes the list. A list that does not fit is cut to bufferSize - 2 units, whole characters
// only, and the count is bufferSize - 2, the profile functions' sign of a cut list; otherwise
// the count is the list's units. Buffers below 2 units hold nothing.
std::size_t CutListToBuffer(std::string_view list, std::size_t bufferSize, std::string& out);

}  // namespace velnora::platform
