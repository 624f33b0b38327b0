#include "environments/component_moves.h"

#include <algorithm>
#include <cstdint>

#include "environments/context.h"
#include "environments/file_utilities.h"
#include "environments/move_support.h"
#include "environments/tool_record.h"

namespace velnora::environments {

namespace {

using platform::error::kSuccess;

constexpr char kDisplayNameValue[] = "DisplayName";
constexpr char kParkedDisplayNameValue[] = "_DisplayName";
constexpr char kLogFileValue[] = "LogFile";
constexpr char kUninstallStringValue[] = "UninstallString";

// Environments up to this version spread their shortcuts over the whole start menu.
constexpr std::int32_t kLastOldLayoutVersion = 3000;
// Shortcut texts are read into buffers of this size.
constexpr std::size_t kShortcutTextBuffer = 260;
// MoveFileEx flags of the shortcut gathering (9): replace an existing file and return only once
// the move is on the disk. There is no copy flag, so a move to another volume fails.
constexpr std::uint32_t kGatherMoveFlags =
    platform::movefile::kReplaceExisting | platform::movefile::kWriteThrough;

bool Succeeded(platform::ErrorCode result) {
    return result == kSuccess;
}

// The first occurrence of the old key name in a text value becomes the new one.
void FollowKeyName(platform::RegValue& value, const std::string& oldName,
                   const std::string& newName) {
    if (value.type != platform::regtype::kString)
        return;
    std::string bytes(value.data.begin(), value.data.end());
    const std::size_t textEnd = std::min(bytes.find('\0'), bytes.size());
    const std::size_t at = bytes.find(oldName);
    if (oldName.empty() || at == std::string::npos || at + oldName.size() > textEnd)
        return;
    bytes.replace(at, oldName.size(), newName);
    value.data.assign(bytes.begin(), bytes.end());
}

// Copies every value of the old entry into the new one and deletes the old entry. The old
// entry goes only when every value was read and written: a write the registry refused would
// otherwise lose the value with it.
bool MoveUninstallEntry(platform::Registry& registry, const std::string& oldName,
                        const std::string& newName, bool toParked) {
    const platform::Handle machine = registry.Root(platform::RegRoot::LocalMachine);
    platform::RegKey oldKey(registry);
    if (!Succeeded(oldKey.Open(machine, UninstallEntryPath(oldName), platform::regaccess::kRead)))
        return false;
    platform::RegKey newKey(registry);
    if (!Succeeded(
            newKey.Create(machine, UninstallEntryPath(newName), platform::regaccess::kWrite)))
        return false;

    bool complete = true;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        platform::RegValue value;
        const platform::ErrorCode read = registry.EnumValue(oldKey.Get(), index, kValueNameBuffer,
                                                            kValueDataBuffer, name, value);
        if (read == platform::error::kNoMoreItems)
            break;
        if (!Succeeded(read)) {
            complete = false;
            break;
        }
        std::string targetName = name;
        if (name == kLogFileValue || name == kUninstallStringValue)
            FollowKeyName(value, oldName, newName);
        else if (toParked && name == kDisplayNameValue)
            targetName = kParkedDisplayNameValue;
        else if (!toParked && name == kParkedDisplayNameValue)
            targetName = kDisplayNameValue;
        if (!Succeeded(registry.SetValue(newKey.Get(), targetName, value))) {
            complete = false;
            break;
        }
    }
    newKey.Close();
    oldKey.Close();
    if (!complete)
        return false;
    return Succeeded(registry.DeleteKey(machine, UninstallEntryPath(oldName)));
}

// Removes a folder that stands where another one is to be renamed to; false when it is there
// and cannot go, or when its presence cannot be checked.
bool ClearTarget(platform::FileSystem& files, const std::string& folder) {
    switch (Probe(files, folder)) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            return true;
        case Presence::kPresent:
            break;
    }
    files.SetAttributes(folder, platform::fileattr::kNormal);
    return DeleteTree(files, folder, true, true, true);
}

// Renames `source` to `target`, replacing a target folder that is in the way. A missing source
// leaves an empty target behind, so the next move the other way finds one.
bool RenameOrCreateFolder(platform::FileSystem& files, const std::string& source,
                          const std::string& target) {
    switch (Probe(files, source)) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            return Succeeded(files.CreateDirectory(target));
        case Presence::kPresent:
            break;
    }
    if (!ClearTarget(files, target))
        return false;
    return Succeeded(files.MoveFile(source, target, platform::movefile::kReplaceExisting));
}

bool MoveTidewatchFolder(core::Context& context, const std::string& parkedName, bool toParked) {
    auto& files = context.platform.files;
    std::string appData;
    // Without the folder the paths would name the root of the current drive.
    if (!SpecialFolder(context.platform.shell, platform::csidl::kCommonAppData, appData))
        return false;
    const std::string root = appData + "\\" + kMakerName + "\\";
    const std::string live = root + kTidewatchFolderName;
    const std::string parked = root + parkedName + kTidewatchFolderName;
    const std::string& source = toParked ? live : parked;
    const std::string& target = toParked ? parked : live;

    switch (Probe(files, root)) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            return Succeeded(files.CreateDirectory(root)) &&
                   Succeeded(files.CreateDirectory(target));
        case Presence::kPresent:
            return RenameOrCreateFolder(files, source, target);
    }
    return false;
}

bool MoveInstallerInfoFolder(core::Context& context, const std::string& sourceName,
                             const std::string& targetName, core::Notices& notices) {
    auto& files = context.platform.files;
    std::string programFiles;
    SpecialFolder(context.platform.shell, platform::csidl::kProgramFiles, programFiles);
    const std::string root = programFiles + "\\" + kInstallerInfoFolderName + "\\";
    const std::string source = root + sourceName + "\\";
    const std::string target = root + targetName + "\\";

    if (programFiles.empty()) {
        notices.push_back(PathNotice(context.texts, core::TextId::kMsgFolderNotFound, root));
        return false;
    }
    switch (Probe(files, root)) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            notices.push_back(PathNotice(context.texts, core::TextId::kMsgFolderNotFound, root));
            return false;
        case Presence::kPresent:
            break;
    }
    switch (Probe(files, source)) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            notices.push_back(
                PathNotice(context.texts, core::TextId::kMsgFolderNotFound, root + sourceName));
            return false;
        case Presence::kPresent:
            break;
    }
    if (!ClearTarget(files, target))
        return false;
    return Succeeded(files.MoveFile(source, target, platform::movefile::kReplaceExisting));
}

// The common programs folder, or the not-found message and false.
bool FindProgramsFolder(core::Context& context, std::string& programs, core::Notices& notices) {
    const bool named =
        SpecialFolder(context.platform.shell, platform::csidl::kCommonPrograms, programs);
    const Presence presence = named ? Probe(context.platform.files, programs) : Presence::kAbsent;
    if (presence == Presence::kPresent)
        return true;
    if (presence == Presence::kAbsent)
        notices.push_back(PathNotice(context.texts, core::TextId::kMsgFolderNotFound, programs));
    return false;
}

std::string StartMenuFolder(const std::string& programs, const std::string& suffix) {
    return programs + "\\" + kMakerName + suffix;
}

bool CreateHiddenFolder(platform::FileSystem& files, const std::string& folder) {
    return Succeeded(files.CreateDirectory(folder)) &&
           Succeeded(files.SetAttributes(folder, platform::fileattr::kHidden));
}

// Moves a start-menu folder. The elevated twin goes through the shell, which on Windows
// version 6.0 cannot move the folder: there it copies and deletes.
bool MoveStartMenu(core::Context& context, const std::string& programs, const std::string& from,
                   const std::string& to, bool activation) {
    auto& files = context.platform.files;
    if (!context.startup.elevatedTwin)
        return Succeeded(files.MoveFile(from, to, platform::movefile::kReplaceExisting));

    const platform::OsVersion& os = context.startup.osVersion;
    bool moved = false;
    if (os.major == 6 && os.minor == 0) {
        moved = CopyTree(files, from, to, false);
        if (moved) {
            moved = DeleteTree(files, from, true, true, true);
        } else {
            // A half-made copy must not stay: the rollback would take it for the moved folder
            // and delete the intact source in its favour.
            DeleteTree(files, to, true, true, true);
        }
    } else {
        moved = context.platform.shell.ShellMoveFolder(from, to) == 0;
    }
    if (moved && activation)
        context.platform.shell.NotifyFolderChanged(programs);
    return moved;
}

bool ParkOldLayoutShortcuts(Context& context, const std::string& programs,
                            const std::string& parked) {
    auto& files = context.platform.files;
    if (!CreateHiddenFolder(files, parked))
        return false;
    if (MoveShortcutsOfEnvironment(context, programs, parked)) {
        RemoveEmptyFolders(files, programs);
        RemoveEmptyFolders(files, parked);
    }
    // Shortcuts left where they were are still there; the environment counts as parked.
    return true;
}

// Skips the maker's live start-menu folder and every parked one: the first "Orvessa" in the
// path ends it or is followed by a parked key name.
bool IsMakerStartMenuFolder(const std::string& path) {
    const std::size_t at = path.find(kMakerName);
    if (at == std::string::npos)
        return false;
    const std::size_t after = at + sizeof(kMakerName) - 1;
    return after == path.size() || path[after] == '{';
}

bool ShortcutNamesFolder(platform::Shell& shell, const std::string& link,
                         const std::string& folderName) {
    std::string target;
    std::string arguments;
    if (ReadShortcut(shell, link, target, arguments, kShortcutTextBuffer) < 0) {
        target.clear();
        arguments.clear();
    }
    return target.find(folderName) != std::string::npos ||
           arguments.find(folderName) != std::string::npos;
}

bool GatherShortcuts(core::Context& context, const std::string& from, const std::string& to,
                     const std::string& folderName) {
    auto& files = context.platform.files;
    if (Probe(files, to) != Presence::kPresent && !Succeeded(files.CreateDirectory(to)))
        return false;

    const bool endsWithSlash = !from.empty() && from.back() == '\\';
    platform::Handle find = platform::kNoHandle;
    platform::FindData entry;
    if (!Succeeded(files.FindFirst(from + (endsWithSlash ? "*.*" : "\\*.*"), find, entry)))
        return false;
    bool walked = true;
    platform::ErrorCode next = kSuccess;
    do {
        const std::string source = from + "\\" + entry.name;
        const std::string target = to + "\\" + entry.name;
        if (IsMakerStartMenuFolder(source))
            continue;
        if (entry.IsDirectory()) {
            if (!IsWalkableFolder(entry))
                continue;
            if (!GatherShortcuts(context, source, target, folderName)) {
                walked = false;
                break;
            }
        } else if (ShortcutNamesFolder(context.platform.shell, source, folderName) &&
                   !Succeeded(files.MoveFile(source, target, kGatherMoveFlags))) {
            walked = false;
            break;
        }
    } while ((next = files.FindNext(find, entry)) == kSuccess);
    files.FindClose(find);
    return walked && next == platform::error::kNoMoreFiles;
}

bool MoveToolRecord(core::Context& context, const std::string& parkedName, bool toParked,
                    core::Notices& notices) {
    auto& files = context.platform.files;
    std::string windows;
    const bool named = SpecialFolder(context.platform.shell, platform::csidl::kWindows, windows);
    switch (named ? Probe(files, windows) : Presence::kAbsent) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            notices.push_back(PathNotice(context.texts, core::TextId::kMsgFileNotFound, windows));
            return false;
        case Presence::kPresent:
            break;
    }
    const std::string live = windows + "\\" + environments::kToolRecordFileName;
    const std::string parked = windows + "\\" + parkedName + environments::kToolRecordFileName;
    const std::string& source = toParked ? live : parked;
    const std::string& target = toParked ? parked : live;

    const Presence sourcePresence = Probe(files, source);
    const Presence targetPresence = Probe(files, target);
    if (sourcePresence == Presence::kUnknown || targetPresence == Presence::kUnknown)
        return false;
    if (sourcePresence == Presence::kAbsent) {
        // An empty record, so that the move back finds one; an existing target is never
        // overwritten here.
        return targetPresence == Presence::kAbsent && Succeeded(files.WriteFile(target, ""));
    }
    // The copy replaces an existing target in one go: deleting it first would lose it, should
    // the copy then fail.
    if (targetPresence == Presence::kPresent)
        files.SetAttributes(target, platform::fileattr::kNormal);
    return Succeeded(files.CopyFile(source, target, false)) && Succeeded(files.DeleteFile(source));
}

}  // namespace

bool DeactivateUninstallEntry(Context& context, const std::string& parkedName, core::Notices&) {
    return MoveUninstallEntry(context.platform.registry, core::kVantorixProductGuid, parkedName,
                              true);
}

bool ActivateUninstallEntry(Context& context, const std::string& parkedName, core::Notices&) {
    return MoveUninstallEntry(context.platform.registry, parkedName, core::kVantorixProductGuid,
                              false);
}

bool DeactivateTidewatchFolder(Context& context, const std::string& parkedName, core::Notices&) {
    return MoveTidewatchFolder(context, parkedName, true);
}

bool ActivateTidewatchFolder(Context& context, const std::string& parkedName, core::Notices&) {
    return MoveTidewatchFolder(context, parkedName, false);
}

bool DeactivateInstallerInfoFolder(Context& context, const std::string& parkedName,
                                   core::Notices& notices) {
    return MoveInstallerInfoFolder(context, core::kVantorixProductGuid, parkedName, notices);
}

bool ActivateInstallerInfoFolder(Context& context, const std::string& parkedName,
                                 core::Notices& notices) {
    return MoveInstallerInfoFolder(context, parkedName, core::kVantorixProductGuid, notices);
}

bool DeactivateStartMenuFolder(Context& context, const std::string& parkedName,
                               core::Notices& notices) {
    auto& files = context.platform.files;
    std::string programs;
    if (!FindProgramsFolder(context, programs, notices))
        return false;
    const std::string live = StartMenuFolder(programs, "");
    const std::string parked = StartMenuFolder(programs, parkedName);

    switch (Probe(files, live)) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            return CreateHiddenFolder(files, parked);
        case Presence::kPresent:
            break;
    }
    const std::int32_t version = context.active.version;
    if (version != 0 && version <= kLastOldLayoutVersion && FindFileBelow(files, live, "") < 2)
        return ParkOldLayoutShortcuts(context, programs, parked);

    if (!ClearTarget(files, parked))
        return false;
    if (!MoveStartMenu(context, programs, live, parked, false))
        return false;
    return Succeeded(files.SetAttributes(parked, platform::fileattr::kHidden));
}

bool ActivateStartMenuFolder(Context& context, const std::string& parkedName,
                             core::Notices& notices) {
    auto& files = context.platform.files;
    std::string programs;
    if (!FindProgramsFolder(context, programs, notices))
        return false;
    const std::string live = StartMenuFolder(programs, "");
    const std::string parked = StartMenuFolder(programs, parkedName);

    switch (Probe(files, parked)) {
        case Presence::kUnknown:
            return false;
        case Presence::kAbsent:
            // Fails too when a live folder is there: it belongs to nobody we could park.
            return Succeeded(files.CreateDirectory(live));
        case Presence::kPresent:
            break;
    }
    if (!ClearTarget(files, live))
        return false;
    if (!MoveStartMenu(context, programs, parked, live, true))
        return false;
    files.SetAttributes(live, platform::fileattr::kNormal);
    return true;
}

bool DeactivateToolRecordFile(Context& context, const std::string& parkedName,
                              core::Notices& notices) {
    return MoveToolRecord(context, parkedName, true, notices);
}

bool ActivateToolRecordFile(Context& context, const std::string& parkedName,
                            core::Notices& notices) {
    return MoveToolRecord(context, parkedName, false, notices);
}

namespace {

// The text a key name adds to the names of parked material; the live names have none.
std::string ParkedPart(const std::string& keyName) {
    return keyName == core::kVantorixProductGuid ? std::string() : keyName;
}

// A path below a shell folder that may hold something; a folder the shell cannot name, or a
// look-up that fails, counts as holding it.
bool PresentBelow(core::Context& context, int csidl, const std::string& tail) {
    std::string folder;
    if (!SpecialFolder(context.platform.shell, csidl, folder))
        return true;
    return Probe(context.platform.files, folder + tail) != Presence::kAbsent;
}

}  // namespace

bool UninstallEntryAt(Context& context, const std::string& keyName) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    return key.Open(registry.Root(platform::RegRoot::LocalMachine), UninstallEntryPath(keyName),
                    platform::regaccess::kRead) != platform::error::kFileNotFound;
}

bool TidewatchFolderAt(Context& context, const std::string& keyName) {
    return PresentBelow(
        context, platform::csidl::kCommonAppData,
        std::string("\\") + kMakerName + "\\" + ParkedPart(keyName) + kTidewatchFolderName);
}

bool InstallerInfoFolderAt(Context& context, const std::string& keyName) {
    return PresentBelow(context, platform::csidl::kProgramFiles,
                        std::string("\\") + kInstallerInfoFolderName + "\\" + keyName);
}

bool StartMenuFolderAt(Context& context, const std::string& keyName) {
    return PresentBelow(context, platform::csidl::kCommonPrograms,
                        std::string("\\") + kMakerName + ParkedPart(keyName));
}

bool ToolRecordFileAt(Context& context, const std::string& keyName) {
    // Built up in place: GCC 12 takes "\\" + a temporary for an overlapping copy.
    std::string tail = "\\";
    tail += ParkedPart(keyName);
    tail += environments::kToolRecordFileName;
    return PresentBelow(context, platform::csidl::kWindows, tail);
}

bool MoveShortcutsOfEnvironment(Context& context, const std::string& from, const std::string& to) {
    const std::string folderName = context.active.folderName;
    if (folderName.empty())
        return false;
    return GatherShortcuts(context, from, to, folderName);
}

}  // namespace velnora::environments
