#include "fake/fake_profile.h"

#include <unordered_map>
#include <vector>

#include "fake/fake_text.h"
#include "platform/text_units.h"

namespace velnora::fake {

namespace {

bool IsBlank(char c) {
    // Tab to carriage return, blank, and ^Z (an old end-of-file mark found on CD-ROMs).
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == ' ';
}

std::string Trim(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string TrimLeft(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin]))
        ++begin;
    return std::string(text.substr(begin));
}

// One line of a profile file as read. Lines before the first section header belong to the
// unnamed section "".
struct Line {
    enum class Kind { kOther, kSection, kEntry };
    std::string raw;  // without its line end
    Kind kind = Kind::kOther;
    std::string name;                  // section or key name
    std::optional<std::string> value;  // entries written without "=" have none
};

struct Profile {
    std::vector<Line> lines;
    std::string lineEnd = "\r\n";
    bool endsWithLineEnd = true;
};

Line ParseLine(std::string raw) {
    Line line;
    line.raw = std::move(raw);
    const std::string trimmed = Trim(line.raw);
    if (trimmed.empty())
        return line;
    if (trimmed.front() == '[') {
        const auto close = trimmed.find_last_of(']');
        if (close != std::string::npos && close > 0) {
            line.kind = Line::Kind::kSection;
            line.name = Trim(std::string_view(trimmed).substr(1, close - 1));
            return line;
        }
    }
    line.kind = Line::Kind::kEntry;
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos) {
        line.name = trimmed;
    } else {
        line.name = Trim(std::string_view(trimmed).substr(0, equals));
        line.value = TrimLeft(std::string_view(trimmed).substr(equals + 1));
    }
    return line;
}

Profile ParseProfile(const std::string& content) {
    Profile profile;
    if (content.find("\r\n") == std::string::npos && content.find('\n') != std::string::npos)
        profile.lineEnd = "\n";
    std::size_t start = 0;
    while (start < content.size()) {
        auto end = content.find('\n', start);
        if (end == std::string::npos) {
            profile.endsWithLineEnd = false;
            end = content.size();
        }
        std::string raw = content.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        profile.lines.push_back(ParseLine(std::move(raw)));
        start = end + 1;
    }
    return profile;
}

std::string Serialize(const Profile& profile) {
    std::string content;
    for (const Line& line : profile.lines)
        content += line.raw + profile.lineEnd;
    return content;
}

// Index of the first header of `section`; -1 for the unnamed leading section "" (which
// has no header), lines.size() when the section is missing.
std::ptrdiff_t FindSection(const Profile& profile, std::string_view section) {
    const std::string wanted = Trim(section);
    if (wanted.empty())
        return -1;
    for (std::size_t i = 0; i < profile.lines.size(); ++i)
        if (profile.lines[i].kind == Line::Kind::kSection &&
            text::EqualNoCase(profile.lines[i].name, wanted))
            return static_cast<std::ptrdiff_t>(i);
    return static_cast<std::ptrdiff_t>(profile.lines.size());
}

// The lines of the section whose header is at `header`: [first, end).
std::pair<std::size_t, std::size_t> SectionBody(const Profile& profile, std::ptrdiff_t header) {
    std::size_t end = static_cast<std::size_t>(header + 1);
    while (end < profile.lines.size() && profile.lines[end].kind != Line::Kind::kSection)
        ++end;
    return {static_cast<std::size_t>(header + 1), end};
}

bool HasSection(const Profile& profile, std::ptrdiff_t header) {
    return header < static_cast<std::ptrdiff_t>(profile.lines.size());
}

// Index of the first entry `key` in the section, or npos.
std::size_t FindEntry(const Profile& profile, std::ptrdiff_t header, std::string_view key) {
    if (!HasSection(profile, header))
        return std::string::npos;
    const std::string wanted = Trim(key);
    const auto [first, end] = SectionBody(profile, header);
    for (std::size_t i = first; i < end; ++i)
        if (profile.lines[i].kind == Line::Kind::kEntry &&
            text::EqualNoCase(profile.lines[i].name, wanted))
            return i;
    return std::string::npos;
}

bool IsComment(const Line& line) {
    return !line.name.empty() && line.name.front() == ';';
}

// A value as the caller sees it: one pair of enclosing quotes removed, cut to the buffer.
std::string CopyEntry(std::string value, std::size_t bufferSize) {
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return platform::CutToBuffer(value, bufferSize);
}

// Files that start with this mark hold UTF-16LE text and are written back that way.
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

bool IsUtf16(std::string_view content) {
    return content.substr(0, kUtf16Mark.size()) == kUtf16Mark;
}

// A file's text as UTF-8.
std::string Decode(const std::string& content) {
    if (!IsUtf16(content))
        return content;
    return text::Utf16LeToUtf8(std::string_view(content).substr(kUtf16Mark.size()));
}

}  // namespace

// A profile file as last read, with an index of its sections and keys (upper-case names,
// first occurrence), so that reading a long catalogue entry by entry stays fast.
struct FakeProfileFiles::Parsed {
    struct Section {
        std::ptrdiff_t header = 0;
        std::unordered_map<std::string, std::size_t> entries;
    };

    std::string content;
    Profile profile;
    std::unordered_map<std::string, Section> sections;

    explicit Parsed(std::string text)
        : content(std::move(text)), profile(ParseProfile(Decode(content))) {
        Section* current = &sections.try_emplace(std::string(), Section{-1, {}}).first->second;
        for (std::size_t i = 0; i < profile.lines.size(); ++i) {
            const Line& line = profile.lines[i];
            if (line.kind == Line::Kind::kSection) {
                const auto [at, added] = sections.try_emplace(
                    text::Upper(line.name), Section{static_cast<std::ptrdiff_t>(i), {}});
                // Later sections of the same name are not found, as on Windows.
                current = added ? &at->second : nullptr;
            } else if (line.kind == Line::Kind::kEntry && current != nullptr) {
                current->entries.try_emplace(text::Upper(line.name), i);
            }
        }
    }

    const Section* Find(std::string_view section) const {
        const auto it = sections.find(text::Upper(Trim(section)));
        return it == sections.end() ? nullptr : &it->second;
    }

    const Line* Entry(std::string_view section, std::string_view key) const {
        const Section* found = Find(section);
        if (found == nullptr)
            return nullptr;
        const auto it = found->entries.find(text::Upper(Trim(key)));
        return it == found->entries.end() ? nullptr : &profile.lines[it->second];
    }
};

std::shared_ptr<const FakeProfileFiles::Parsed> FakeProfileFiles::Load(const std::string& path) {
    platform::ErrorCode failed = platform::error::kSuccess;
    const std::string* content = files_.PeekText(path, failed);
    const std::string key = text::Upper(path);
    if (content == nullptr) {
        cache_.erase(key);
        return nullptr;
    }
    auto& cached = cache_[key];
    if (!cached || cached->content != *content)
        cached = std::make_shared<const Parsed>(*content);
    return cached;
}

FakeProfileFiles::FakeProfileFiles(FakeFileSystem& files, Faults& faults,
                                   std::function<std::string()> windowsFolder)
    : files_(files), faults_(faults), windowsFolder_(std::move(windowsFolder)) {}

std::string FakeProfileFiles::ResolvePath(const std::string& file) const {
    if (file.find_first_of("\\/") == std::string::npos)
        return windowsFolder_() + "\\" + file;
    return file;
}

std::size_t FakeProfileFiles::GetString(const std::string& section,
                                        const std::optional<std::string>& key,
                                        const std::string& defaultValue, std::size_t bufferSize,
                                        const std::string& file, std::string& out) {
    out.clear();
    const bool failed = faults_.Enter(op::kGetString, file).has_value();
    if (bufferSize == 0)
        return 0;
    const auto parsed = failed ? nullptr : Load(ResolvePath(file));

    // A default loses its trailing blanks.
    std::string fallback = defaultValue;
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.pop_back();

    if (!key) {
        std::string names;
        if (const Parsed::Section* found = parsed ? parsed->Find(section) : nullptr) {
            const auto [first, end] = SectionBody(parsed->profile, found->header);
            for (std::size_t i = first; i < end; ++i) {
                const Line& line = parsed->profile.lines[i];
                if (line.kind == Line::Kind::kEntry && line.value && !IsComment(line))
                    names += line.name + '\0';
            }
        }
        if (names.empty()) {
            out = CopyEntry(fallback, bufferSize);
            return platform::Utf16Units(out);
        }
        return platform::CutListToBuffer(names, bufferSize, out);
    }

    const Line* entry = parsed ? parsed->Entry(section, *key) : nullptr;
    out = CopyEntry(entry != nullptr && entry->value ? *entry->value : fallback, bufferSize);
    return platform::Utf16Units(out);
}

std::size_t FakeProfileFiles::GetSection(const std::string& section, std::size_t bufferSize,
                                         const std::string& file, std::string& out) {
    out.clear();
    if (faults_.Enter(op::kGetSection, file))
        return 0;
    const auto parsed = Load(ResolvePath(file));
    const Parsed::Section* found = parsed ? parsed->Find(section) : nullptr;
    if (found == nullptr)
        return 0;
    std::string entries;
    const auto [first, end] = SectionBody(parsed->profile, found->header);
    for (std::size_t i = first; i < end; ++i) {
        const Line& line = parsed->profile.lines[i];
        if (line.kind != Line::Kind::kEntry || IsComment(line))
            continue;
        entries += line.name;
        if (line.value)
            entries += "=" + *line.value;
        entries += '\0';
    }
    return platform::CutListToBuffer(entries, bufferSize, out);
}

bool FakeProfileFiles::WriteString(const std::string& section,
                                   const std::optional<std::string>& key,
                                   const std::optional<std::string>& value,
                                   const std::string& file) {
    if (faults_.Enter(op::kWriteString, file))
        return false;
    const std::string path = ResolvePath(file);
    // The file is opened for reading and writing first: a file that cannot be, or a folder
    // that is missing, fails the write even when nothing would change.
    std::string content;
    const platform::ErrorCode read = files_.ReadText(path, content);
    if (read != platform::error::kSuccess && read != platform::error::kFileNotFound)
        return false;
    if (read == platform::error::kSuccess &&
        (files_.Attributes(path) & platform::fileattr::kReadOnly) != 0)
        return false;

    const bool utf16 = IsUtf16(content);
    Profile profile = ParseProfile(Decode(content));
    const std::ptrdiff_t header = FindSection(profile, section);
    bool changed = false;

    if (!key) {
        if (HasSection(profile, header)) {
            const std::size_t end = SectionBody(profile, header).second;
            const std::size_t from = header < 0 ? 0 : static_cast<std::size_t>(header);
            profile.lines.erase(profile.lines.begin() + static_cast<std::ptrdiff_t>(from),
                                profile.lines.begin() + static_cast<std::ptrdiff_t>(end));
            changed = true;
        }
    } else if (!value) {
        const std::size_t entry = FindEntry(profile, header, *key);
        if (entry != std::string::npos) {
            profile.lines.erase(profile.lines.begin() + static_cast<std::ptrdiff_t>(entry));
            changed = true;
        }
    } else {
        const std::string newValue = TrimLeft(*value);
        const std::size_t entry = FindEntry(profile, header, *key);
        if (entry != std::string::npos) {
            Line& line = profile.lines[entry];
            if (!line.value || *line.value != newValue) {
                line = ParseLine(line.name + "=" + newValue);
                changed = true;
            }
        } else if (HasSection(profile, header)) {
            // After the last entry of the section, before any blank lines that end it.
            const auto [first, end] = SectionBody(profile, header);
            std::size_t at = end;
            while (at > first && profile.lines[at - 1].kind == Line::Kind::kOther)
                --at;
            profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(at),
                                 ParseLine(Trim(*key) + "=" + newValue));
            changed = true;
        } else {
            profile.lines.push_back(ParseLine("[" + Trim(section) + "]"));
            profile.lines.push_back(ParseLine(Trim(*key) + "=" + newValue));
            changed = true;
        }
    }
    if (!changed)
        return true;
    std::string written = Serialize(profile);
    if (utf16)
        written = std::string(kUtf16Mark) + text::Utf8ToUtf16Le(written);
    return files_.WriteText(path, written) == platform::error::kSuccess;
}

}  // namespace velnora::fake
