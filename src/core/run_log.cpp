#include "core/run_log.h"

#include <array>
#include <cstdio>

namespace velnora::core {

namespace {

// TEMP longer than a path may be counts as unset, as for the run state.
constexpr std::size_t kTempLimit = 259;
// Runs of one operation within the same second get a number after the operation.
constexpr int kNamesTried = 100;

struct EntryLabel {
    LogEntry entry;
    std::string_view label;
};
constexpr std::array kEntryLabels = std::to_array<EntryLabel>({
    {LogEntry::kStep, "step"},
    {LogEntry::kFailure, "FAILED"},
    {LogEntry::kOutcome, "outcome"},
});

std::string_view LabelOf(LogEntry entry) {
    for (const auto& row : kEntryLabels)
        if (row.entry == entry)
            return row.label;
    return {};
}

std::string Digits(const char* format, int a, int b, int c) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), format, a, b, c);
    return text.data();
}

std::string Stamp(const platform::LocalFileTime& time) {
    return Digits("%02d:%02d:%02d", time.hour, time.minute, time.second);
}

std::optional<std::string> TempFolderOf(platform::Platform& platform) {
    auto temp = platform.session.GetEnvironmentVariable("TEMP");
    if (!temp || temp->empty() || temp->size() > kTempLimit)
        return std::nullopt;
    if (temp->back() == '\\')
        temp->pop_back();
    return temp;
}

// A name under `folder` that no file has yet; empty when every one tried is taken.
// "<prefix>-YYYYMMDD-HHMMSS-<operation>". Built by appending: GCC 12 takes a literal glued to
// a temporary for an overlapping copy in the 32-bit build.
std::string LogStem(std::string_view prefix, const platform::LocalFileTime& time,
                    std::string_view operation) {
    std::string stem(prefix);
    stem += '-';
    stem += Digits("%04d%02d%02d", time.year, time.month, time.day);
    stem += '-';
    stem += Digits("%02d%02d%02d", time.hour, time.minute, time.second);
    stem += '-';
    stem += operation;
    return stem;
}

std::string FreeLogPath(platform::FileSystem& files, const std::string& folder,
                        const std::string& stem) {
    for (int n = 1; n <= kNamesTried; ++n) {
        std::string path = folder;
        path += '\\';
        path += stem;
        if (n > 1) {
            path += '-';
            path += std::to_string(n);
        }
        path += ".log";
        if (platform::CertainlyMissing(files, path))
            return path;
    }
    return {};
}

}  // namespace

std::string RunLog::FileName(std::string_view prefix, const platform::LocalFileTime& time,
                             std::string_view operation) {
    return LogStem(prefix, time, operation) + ".log";
}

RunLog::RunLog(platform::Platform& platform, std::string_view prefix, std::string_view operation)
    : platform_(&platform) {
    const auto folder = TempFolderOf(platform);
    if (!folder)
        return;
    const std::string stem = LogStem(prefix, platform.session.LocalTime(), operation);
    const std::string path = FreeLogPath(platform.files, *folder, stem);
    if (path.empty() || platform.files.WriteFile(path, content_) != platform::error::kSuccess)
        return;
    path_ = path;
}

std::optional<std::string> RunLog::LastRunLog(platform::Platform& platform, std::string_view prefix,
                                              const std::string& ownPath) {
    const auto folder = TempFolderOf(platform);
    if (!folder)
        return std::nullopt;
    auto& files = platform.files;
    platform::Handle find = platform::kNoHandle;
    platform::FindData data;
    std::string pattern = *folder;
    pattern += '\\';
    pattern += prefix;
    pattern += "-*.log";
    if (files.FindFirst(pattern, find, data) != platform::error::kSuccess)
        return std::nullopt;
    // The date and time lead the name after the prefix, so the greatest name is the newest.
    std::string newest;
    do {
        const std::string path = *folder + "\\" + data.name;
        if (!data.IsDirectory() && path != ownPath && data.name > newest)
            newest = data.name;
    } while (files.FindNext(find, data) == platform::error::kSuccess);
    files.FindClose(find);
    if (newest.empty())
        return std::nullopt;
    return *folder + "\\" + newest;
}

void RunLog::Add(LogEntry entry, std::string_view text) {
    if (path_.empty())
        return;
    content_ += Stamp(platform_->session.LocalTime());
    content_ += " ";
    content_ += LabelOf(entry);
    content_ += ": ";
    content_ += text;
    content_ += "\r\n";
    // The whole log each time: the file service writes whole files, and a log stays small.
    // A failed write stops the log, not the run.
    if (platform_->files.WriteFile(path_, content_) != platform::error::kSuccess)
        path_.clear();
}

}  // namespace velnora::core
