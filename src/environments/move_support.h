// Small pieces the component moves of the activation switch share: names of the parked
// material, existence tests that tell "missing" from "could not look", the shell folders the
// moves start from, and registry value copies that never drop a value silently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/notice.h"
#include "core/texts.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

// The maker's folder and key names the moves build on.
inline constexpr char kMakerName[] = "Orvessa";
inline constexpr char kInstallerInfoFolderName[] = "InstallShield Installation Information";
inline constexpr char kTidewatchFolderName[] = "Tidewatch";

// What an existence test found. A test that fails for any reason but "not there" gives
// kUnknown: a move that took it for "missing" would create or delete the wrong thing.
enum class Presence { kPresent, kAbsent, kUnknown };

// Looks the path up with a file search (a trailing backslash is dropped first, so folders
// given with one are found too).
Presence Probe(platform::FileSystem& files, const std::string& path);

// A shell folder of the machine (the create flag added to the id). False when the shell
// cannot name it; `path` is then empty.
bool SpecialFolder(platform::Shell& shell, int csidl, std::string& path);

// The error of a missing folder or file: the text, then the path in square brackets.
core::Notice PathNotice(const core::TextSet& texts, core::TextId text, const std::string& path);

// The registry key path of an environment's uninstall entry.
std::string UninstallEntryPath(const std::string& keyName);

// Buffers of the value enumerations: name in characters, data in bytes.
inline constexpr std::size_t kValueNameBuffer = 260;
inline constexpr std::size_t kValueDataBuffer = 1024;

// RegEnumValue with the usual buffers; a value too long for them is fetched again with
// buffers large enough for any registry value, so a copy never skips one.
platform::ErrorCode EnumWholeValue(platform::Registry& registry, platform::Handle key,
                                   std::uint32_t index, std::string& name,
                                   platform::RegValue& value);

// Creates (or opens) a key with write access and closes it again.
bool CreateAndCloseKey(platform::Registry& registry, platform::Handle root,
                       const std::string& path);

}  // namespace velnora::environments
