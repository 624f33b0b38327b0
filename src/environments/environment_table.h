// The installed environments as the uninstall registry knows them: the process-wide table that
// every page lists from, and the small queries around it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/notice.h"
#include "core/tables.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

// Registry values are read into buffers of this size, in characters for text (the zero
// included) and in bytes for other data; longer data counts as unreadable.
inline constexpr std::size_t kValueBufferSize = 1023;
// Subkey names are read into buffers of this many characters, the zero included.
inline constexpr std::size_t kKeyNameBufferSize = 1024;

// Rebuilds the table from the uninstall root, sorts it and records the count in the settings
// file. False after a registry failure, which the caller tells with SearchFailedNotice.
bool EnumerateEnvironments(core::Context& context);

// What a failed enumeration says to the user.
core::Notice SearchFailedNotice(const core::Context& context);

// Orders the valid rows by "InstallLocation" with an exchange sort; the order among equal
// locations is the one that sort gives.
void SortEnvironmentsByLocation(core::Context& context);

// Reads one value of a row's uninstall entry. False when the entry cannot be opened; a missing
// or unreadable value gives true and an empty text.
bool ReadEnvironmentValue(core::Context& context, int row, const std::string& valueName,
                          std::string& text);
// The same, and the value's registry type (regtype::kNone when it is missing or unreadable).
bool ReadEnvironmentValue(core::Context& context, int row, const std::string& valueName,
                          std::string& text, std::uint32_t& type);

// What the lists of environments show for one table row, "Display name (location)":
// "DisplayName" when the entry has a non-empty one, "_DisplayName" otherwise. Empty when the
// entry cannot be read at all, so that list row i stays table row i.
std::string EnvironmentRowText(core::Context& context, int row);

// The first valid row with exactly this key name, or -1.
int FindEnvironmentIndex(const core::EnvironmentTable& table, const std::string& keyName);

// Can the uninstall entry of this key name be opened for reading?
bool EnvironmentEntryExists(platform::Registry& registry, const std::string& keyName);

// Finds the active row, refreshes the cached folder name and reads its version into `version`
// (which may be the cache's own version). See the .cpp for what stays unchanged on failure.
bool FindActiveEnvironment(core::Context& context, std::int32_t& version);

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
