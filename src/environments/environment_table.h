// The installed environments as the uninstall registry knows them: the process-wide table that
// every page lists from, and the small queries around it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/notice.h"
#include "core/texts.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace velnora::environments {

struct Context;

inline constexpr int kMaxEnvironments = 128;

struct EnvironmentRecord {
    std::string keyName;  // the product GUID for the active environment, a parked GUID otherwise
    std::string keyPath;  // uninstall root + "\" + keyName, under the local machine
};

// Rows 0 to Count() - 1 are valid, in ascending byte order of "InstallLocation". Rebuilt from
// scratch by every enumeration, so a row is only meaningful until the next one.
class EnvironmentTable {
  public:
    int Count() const { return count_; }
    // Did the last enumeration walk every entry? After a failed one the count is only what was
    // found before the failure, so nothing may conclude from it that no environment exists.
    bool Complete() const { return complete_; }

    // Any of the 128 rows; an index outside them is a bug in the caller and stops the program.
    EnvironmentRecord& Row(int index) { return rows_[Checked(index)]; }
    const EnvironmentRecord& Row(int index) const { return rows_[Checked(index)]; }

    // Empties every row; the table is incomplete until MarkComplete.
    void Clear();
    void MarkComplete() { complete_ = true; }
    bool Full() const { return count_ == kMaxEnvironments; }
    // Counts the row at Count(), which the caller has filled.
    void CountNextRow();
    void SwapRows(int a, int b);

  private:
    static std::size_t Checked(int index) {
        if (index < 0 || index >= kMaxEnvironments)
            __builtin_trap();
        return static_cast<std::size_t>(index);
    }

    std::array<EnvironmentRecord, kMaxEnvironments> rows_{};
    int count_ = 0;
    bool complete_ = false;
};

// What the last successful look-up learnt of the active environment.
struct ActiveEnvironmentCache {
    std::string folderName;    // last path component of its "InstallLocation"
    std::int32_t version = 0;  // the version number of its program file
};

// Registry values are read into buffers of this size, in characters for text (the zero
// included) and in bytes for other data; longer data counts as unreadable.
inline constexpr std::size_t kValueBufferSize = 1023;
// Subkey names are read into buffers of this many characters, the zero included.
inline constexpr std::size_t kKeyNameBufferSize = 1024;

// Rebuilds the table from the uninstall root, sorts it and records the count in the settings
// file. False after a registry failure, which the caller tells with SearchFailedNotice.
bool EnumerateEnvironments(Context& context);

// What a failed enumeration says to the user.
core::Notice SearchFailedNotice(const core::TextSet& texts);

// Orders the valid rows by "InstallLocation" with an exchange sort; the order among equal
// locations is the one that sort gives.
void SortEnvironmentsByLocation(Context& context);

// Reads one value of a row's uninstall entry. False when the entry cannot be opened; a missing
// or unreadable value gives true and an empty text.
bool ReadEnvironmentValue(Context& context, int row, const std::string& valueName,
                          std::string& text);
// The same, and the value's registry type (regtype::kNone when it is missing or unreadable).
bool ReadEnvironmentValue(Context& context, int row, const std::string& valueName,
                          std::string& text, std::uint32_t& type);

// What the lists of environments show for one table row, "Display name (location)":
// "DisplayName" when the entry has a non-empty one, "_DisplayName" otherwise. Empty when the
// entry cannot be read at all, so that list row i stays table row i.
std::string EnvironmentRowText(Context& context, int row);

// The first valid row with exactly this key name, or -1.
int FindEnvironmentIndex(const environments::EnvironmentTable& table, const std::string& keyName);

// Can the uninstall entry of this key name be opened for reading?
bool EnvironmentEntryExists(platform::Registry& registry, const std::string& keyName);

// Finds the active row, refreshes the cached folder name and reads its version into `version`
// (which may be the cache's own version). See the .cpp for what stays unchanged on failure.
bool FindActiveEnvironment(Context& context, std::int32_t& version);

// The version number of a program file: the first four characters of its ProductVersion text
// with the "." and "," separators taken out.
bool ReadProductVersionNumber(platform::Shell& shell, const std::string& programFile,
                              std::int32_t& number);

// The tokens of a text between any of the `delimiters` (runs of them give no empty token),
// each without its leading white space, joined without separator.
std::string JoinTokens(const std::string& text, const char* delimiters);

// The text of a value read into a zero-filled buffer: everything before the first zero byte.
std::string BufferText(const platform::RegValue& value);

}  // namespace velnora::environments
