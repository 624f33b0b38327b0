// The install manager's installed copy: a folder below the maker's common files, an uninstall
// entry of its own and a start-menu shortcut, so that switching and uninstalling stay possible
// once the media is gone. It is installed after an install run and for "-upgrade", and removed
// again when the last environment has gone; del.bat from the media takes over what cannot be
// removed while the program runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/notice.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {
struct Context;
}

namespace velnora::maintenance {

// The value of RunOnce that runs the Windows folder's del.bat once at the next logon, and the
// installed copy's own uninstall entry below the uninstall root.
inline constexpr char kSelfRemovalValue[] = "Velnora";
inline constexpr char kOwnEntryKeyName[] = "Velnora";
inline constexpr char kSelfRemovalScript[] = "del.bat";
// The first line of every logon script the media's del.bat writes: a del.bat in the Windows
// folder without it is somebody else's and stays.
inline constexpr char kLogonScriptMarker[] = "@rem Velnora removal script";

// Which file CopyFileIfNewer copies.
enum class OwnFile : int { kHelp = 0, kSelfRemovalScript = 1 };
enum class ValueKind { kText, kNumber };

// A part of the installed copy that a removal can leave behind.
enum class OwnPart { kEntry, kFiles, kShortcut };
// The parts a removal left behind, in the order above; empty when all of it went.
using PartsLeft = std::vector<OwnPart>;

// Installs or refreshes the copy (see the .cpp for the steps). False when it is not complete:
// no environment, a folder that cannot be made, a failed version read or copy, or no common
// programs folder (the only failure with a notice for the user).
bool InstallOwnCopy(environments::Context& context, core::Notices& notices);

// Copies <source>\<name>.exe over <target>\<name>.exe unless the target has a higher product
// version, or the same one and is not older to the second. False on a failed version read or
// copy.
bool CopyProgramIfNewer(core::Context& context, const std::string& sourceFolder,
                        const std::string& targetFolder, const std::string& baseName);

// Copies the help file of the current language or del.bat when the target is missing or
// older. False on a failed copy.
bool CopyFileIfNewer(core::Context& context, const std::string& sourceFolder,
                     const std::string& targetFolder, OwnFile which);

// One value of the own uninstall entry. A text longer than 1023 characters is refused.
bool WriteOwnUninstallValue(core::Context& context, const std::string& name, ValueKind kind,
                            const std::string& text, std::uint32_t number);

// Runs the installed del.bat hidden and waits for it, then registers the Windows folder's
// del.bat to run at the next logon. False when del.bat cannot be run, reports a failure, or the
// RunOnce value cannot be written.
bool ScheduleSelfRemoval(core::Context& context);

// The command of a self-removal that waits for the next logon (the RunOnce value that runs
// del.bat's logon script); nothing when none waits.
std::optional<std::string> PendingSelfRemoval(core::Context& context);

// Removes the installed copy's files, the own uninstall entry and the own shortcut; folders go
// only when nothing else is left in them. When the entry cannot be deleted the start menu stays
// as it is. Returns what is still there, the files in use included.
PartsLeft RemoveOwnInstallation(core::Context& context);

// The whole self-removal: del.bat's logon script for what is in use, then the removal. Files
// still there count as left only when no logon script will take them.
PartsLeft RemoveOwnCopy(core::Context& context);

// For the user: a line that the removal was incomplete, then each part left with its name.
std::string PartsLeftText(core::Context& context, const PartsLeft& left);

}  // namespace velnora::maintenance
