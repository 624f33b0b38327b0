// Text helpers the fakes share: ASCII case-blind names, UTF-16 lengths, wildcards.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velnora::fake::text {

char Upper(char c);
std::string Upper(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
// Orders by the upper-case form, as the Windows registry and file system compare names.
bool LessNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Characters the W API would count for a UTF-8 text (the platform's own count).
std::size_t Utf16Length(std::string_view utf8);

// UTF-16LE bytes (no byte-order mark) and UTF-8, both ways. Unpaired surrogates and bytes
// that begin no UTF-8 character become U+FFFD; an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Le(std::string_view utf8);

// FindFirstFile's pattern match: '*' any run, '?' one character, case-blind; "*.*" matches
// every name, also names without a dot.
bool WildcardMatch(std::string_view pattern, std::string_view name);
bool HasWildcard(std::string_view text);

// Splits at '\' and '/'; empty pieces are dropped.
std::vector<std::string> SplitPath(std::string_view path);

// The last component of a path ("C:\a\b.exe" -> "b.exe").
std::string FileNameOf(std::string_view path);

}  // namespace velnora::fake::text
