#include "fake/fake_text.h"

namespace velnora::fake::text {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = Upper(c);
    return result;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

bool LessNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(Upper(a[i]));
        const auto cb = static_cast<unsigned char>(Upper(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) == 0x80)
            continue;                  // continuation byte
        units += (c >= 0xF0) ? 2 : 1;  // four-byte sequences need a surrogate pair
    }
    return units;
}

namespace {

bool Match(std::string_view pattern, std::string_view name) {
    // Iterative match with one back-tracking point per '*'.
    std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    return Match(pattern, name);
}

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.empty())
                parts.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty())
        parts.push_back(std::move(current));
    return parts;
}

std::string FileNameOf(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace velnora::fake::text
