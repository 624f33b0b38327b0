// The install manager's installed copy: a folder below the maker's common files, an uninstall
// entry of its own and a start-menu shortcut, so that switching and uninstalling stay possible
// once the media is gone. It is installed after an install run and for "-upgrade", and removed
// again when the last environment has gone; del.bat from the media takes over what cannot be
// removed while the program runs.
#pragma once

#include <cstdint>
#include <string>

namespace velnora::core {
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

// Installs or refreshes the copy (see the .cpp for the steps). False when it is not complete:
// no environment, a folder that cannot be made, a failed version read or copy, or no common
// programs folder (the only failure the user is told about).
bool InstallOwnCopy(core::Context& context);

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

// Removes the installed copy's files, the own uninstall entry and the own shortcut; folders go
// only when nothing else is left in them. False only when the entry cannot be deleted (the
// start menu then stays as it is).
bool RemoveOwnInstallation(core::Context& context);

}  // namespace velnora::maintenance
