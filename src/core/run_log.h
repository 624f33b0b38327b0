// The log of one program run: a file under %TEMP% named by the date and the operation, with
// every step, every failure and the outcome. Logging never makes an operation fail: a log that
// cannot be written is simply not written, and the run goes on without it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace velnora::core {

// The start of every log's name: the install manager's, whichever program writes it.
inline constexpr char kRunLogPrefix[] = "Velnora";

// What a line of the log records.
enum class LogEntry { kStep, kFailure, kOutcome };

class RunLog {
  public:
    // A log that writes nothing: for runs that have none.
    RunLog() = default;
    // Starts the log of one run of `operation` under %TEMP%.
    RunLog(platform::Platform& platform, std::string_view prefix, std::string_view operation);
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // "<prefix>-YYYYMMDD-HHMMSS-<operation>.log".
    static std::string FileName(std::string_view prefix, const platform::LocalFileTime& time,
                                std::string_view operation);

    // The newest log of an earlier run under %TEMP% (by the date and time in its name), this
    // run's own left out; nothing when there is none.
    static std::optional<std::string> LastRunLog(platform::Platform& platform,
                                                 std::string_view prefix,
                                                 const std::string& ownPath);

    // The log file's path; empty while nothing could be written.
    const std::string& Path() const { return path_; }

    void Step(std::string_view text) { Add(LogEntry::kStep, text); }
    void Failure(std::string_view text) { Add(LogEntry::kFailure, text); }
    void Outcome(std::string_view text) { Add(LogEntry::kOutcome, text); }
    void Add(LogEntry entry, std::string_view text);

  private:
    platform::Platform* platform_ = nullptr;
    std::string path_;
    std::string content_;
};

}  // namespace velnora::core
