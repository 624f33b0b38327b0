#include "maintenance/own_installation.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "core/parsing.h"
#include "environments/environment_table.h"
#include "environments/move_support.h"
#include "environments/own_shortcut.h"
#include "environments/tool_record.h"
#include "installer/context.h"
#include "maintenance/elevated_twin.h"
#include "maintenance/environment_uninstall.h"
#include "platform/text_units.h"

namespace velnora::maintenance {

namespace {

using core::Quoted;
using platform::RegRoot;
namespace error = platform::error;
namespace fileattr = platform::fileattr;
namespace regaccess = platform::regaccess;

constexpr char kDisplayName[] = "Vantorix(Multiple Install)";
constexpr char kUninstallArgument[] = " -uninstall";
// The command line of del.bat is built in a buffer of this many characters, the zero included.
constexpr std::size_t kCommandBufferSize = 1024;
// A text value of the own entry is copied into a buffer of this many characters.
constexpr std::size_t kValueBufferSize = 1024;

std::string Join(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string OwnEntryKey() {
    return std::string(core::kUninstallRoot) + "\\" + kOwnEntryKeyName;
}

platform::Handle LocalMachine(platform::Registry& registry) {
    return registry.Root(RegRoot::LocalMachine);
}

// The program files the installed copy holds: the install manager's own, and in the twin its
// own program beside it.
std::vector<std::string> OwnProgramBaseNames(const core::Context& context) {
    std::vector<std::string> names{environments::ManagerBaseName(context)};
    if (context.startup.programBaseName != names.front())
        names.push_back(context.startup.programBaseName);
    return names;
}

// Every file this system puts into the installed copy's folder, whichever program and
// language put it there; nothing else in the folder is touched.
std::vector<std::string> OwnFileNames(const core::Context& context) {
    std::vector<std::string> names;
    for (const std::string& base : OwnProgramBaseNames(context))
        names.push_back(base + ".exe");
    if (context.startup.programBaseName == environments::ManagerBaseName(context))
        names.emplace_back(kTwinProgramFile);
    const core::LocalText& help = core::TextRow(core::TextId::kHelpFileName);
    names.emplace_back(help.english);
    names.emplace_back(help.japanese);
    names.emplace_back(kSelfRemovalScript);
    return names;
}

std::string OwnFileName(const core::TextSet& texts, OwnFile which) {
    switch (which) {
        case OwnFile::kHelp:
            return texts.Get(core::TextId::kHelpFileName);
        case OwnFile::kSelfRemovalScript:
            return kSelfRemovalScript;
    }
    return {};
}

// Is the target older than the source, to the second? A time that cannot be read leaves the
// decision to the copy, which fails where there is nothing to copy.
bool IsOlder(platform::FileSystem& files, const std::string& target, const std::string& source) {
    platform::LocalFileTime targetTime;
    platform::LocalFileTime sourceTime;
    if (files.GetModifiedTime(target, targetTime) != error::kSuccess ||
        files.GetModifiedTime(source, sourceTime) != error::kSuccess)
        return true;
    if (targetTime.DateNumber() != sourceTime.DateNumber())
        return targetTime.DateNumber() < sourceTime.DateNumber();
    return targetTime.TimeNumber() < sourceTime.TimeNumber();
}

bool Copy(platform::FileSystem& files, const std::string& source, const std::string& target) {
    return files.CopyFile(source, target, false) == error::kSuccess;
}

bool MakeFolder(platform::FileSystem& files, const std::string& folder) {
    return files.PathIsDirectory(folder) || files.CreateDirectory(folder) == error::kSuccess;
}

// A del.bat in the Windows folder is ours when the media's del.bat wrote it.
bool IsOwnLogonScript(platform::FileSystem& files, const std::string& path) {
    std::string content;
    if (files.ReadFile(path, content) != error::kSuccess)
        return false;
    const std::string_view marker = kLogonScriptMarker;
    return content.compare(0, marker.size(), marker) == 0;
}

// A self-installation before the next logon takes back the removal that was left for it.
void CancelPendingRemoval(core::Context& context) {
    const std::string windows = environments::FindWindowsFolder(context);
    if (windows.empty())
        return;
    auto& files = context.platform.files;
    const std::string script = Join(windows, kSelfRemovalScript);
    if (!files.PathFileExists(script))
        return;
    if (IsOwnLogonScript(files, script))
        files.DeleteFile(script);
    platform::RegKey key(context.platform.registry);
    if (key.Open(LocalMachine(context.platform.registry), kRunOnceKey, regaccess::kWrite) ==
        error::kSuccess)
        context.platform.registry.DeleteValue(key.Get(), kSelfRemovalValue);
}

struct EntryValue {
    const char* name;
    ValueKind kind;
    std::string text;
    std::uint32_t number;
};

void WriteOwnEntry(core::Context& context, const std::string& ownFolder) {
    const std::string program =
        Quoted(Join(ownFolder, environments::ManagerBaseName(context) + ".exe"));
    std::vector<EntryValue> values = {
        {"DisplayName", ValueKind::kText, kDisplayName, 0},
        {"UninstallString", ValueKind::kText, program + kUninstallArgument, 0},
        {"NoModify", ValueKind::kNumber, "", 1},
        {"NoRemove", ValueKind::kNumber, "", 0},
        {"NoRepair", ValueKind::kNumber, "", 1},
        {"DisplayIcon", ValueKind::kText, program, 0},
        // What the list of installed programs shows beside the name.
        {"Publisher", ValueKind::kText, environments::kMakerName, 0},
        {"InstallLocation", ValueKind::kText, ownFolder, 0},
    };
    const auto version = context.platform.shell.ProductVersion(
        Join(context.startup.programFolder, context.startup.programBaseName + ".exe"));
    if (version)
        values.push_back({"DisplayVersion", ValueKind::kText, *version, 0});
    for (const EntryValue& value : values)
        WriteOwnUninstallValue(context, value.name, value.kind, value.text, value.number);
}

// The size the list of installed programs shows: the installed copy's own files, in KB.
std::uint32_t OwnFilesKilobytes(core::Context& context, const std::string& ownFolder) {
    auto& files = context.platform.files;
    std::uint64_t bytes = 0;
    for (const std::string& name : OwnFileNames(context)) {
        platform::Handle find = platform::kNoHandle;
        platform::FindData data;
        if (files.FindFirst(Join(ownFolder, name), find, data) != error::kSuccess)
            continue;
        files.FindClose(find);
        if (!data.IsDirectory())
            bytes += data.size;
    }
    const std::uint64_t kilobytes = (bytes + 1023) / 1024;
    return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kilobytes);
}

// The start-menu folder the own shortcut lies in; empty when the shell cannot name it.
std::string MakerStartMenuFolder(core::Context& context) {
    const std::string link = environments::OwnShortcutPath(context, "");
    return link.empty() ? std::string() : platform::PathRemoveFileSpec(link);
}

}  // namespace

bool InstallOwnCopy(environments::Context& context, core::Notices& notices) {
    if (context.environments.Count() < 1)
        return false;
    CancelPendingRemoval(context);

    // Without the program files folder there is no place, and an entry would name none.
    const std::string ownFolder = environments::OwnFolder(context);
    if (ownFolder.empty())
        return false;
    // Written first: a copy that fails below still leaves the entry that repairs it later.
    WriteOwnEntry(context, ownFolder);

    auto& files = context.platform.files;
    if (!MakeFolder(files, platform::PathRemoveFileSpec(ownFolder)) ||
        !MakeFolder(files, ownFolder))
        return false;
    for (const std::string& base : OwnProgramBaseNames(context))
        if (!CopyProgramIfNewer(context, context.startup.programFolder, ownFolder, base))
            return false;

    std::string programs;
    if (!environments::SpecialFolder(context.platform.shell, platform::csidl::kCommonPrograms,
                                     programs) ||
        !files.PathIsDirectory(programs)) {
        notices.push_back(
            {context.texts.Get(core::TextId::kMsgFolderNotFound) + "[" + programs + "]",
             core::NoticeCaption::kError, platform::mb::kOk, false});
        return false;
    }
    const std::string startMenu = MakerStartMenuFolder(context);
    if (!startMenu.empty() && !files.PathIsDirectory(startMenu))
        files.CreateDirectory(startMenu);
    if (!environments::OwnShortcutExists(context, ""))
        environments::CreateOwnShortcut(context, "");

    for (OwnFile which : {OwnFile::kHelp, OwnFile::kSelfRemovalScript})
        if (!CopyFileIfNewer(context, context.startup.programFolder, ownFolder, which))
            return false;
    WriteOwnUninstallValue(context, "EstimatedSize", ValueKind::kNumber, "",
                           OwnFilesKilobytes(context, ownFolder));
    return true;
}

bool CopyProgramIfNewer(core::Context& context, const std::string& sourceFolder,
                        const std::string& targetFolder, const std::string& baseName) {
    auto& files = context.platform.files;
    const std::string source = Join(sourceFolder, baseName + ".exe");
    const std::string target = Join(targetFolder, baseName + ".exe");
    files.SetAttributes(source, fileattr::kNormal);
    if (!files.PathFileExists(target))
        return Copy(files, source, target);
    files.SetAttributes(target, fileattr::kNormal);
    std::int32_t targetVersion = 0;
    std::int32_t sourceVersion = 0;
    if (!environments::ReadProductVersionNumber(context.platform.shell, target, targetVersion) ||
        !environments::ReadProductVersionNumber(context.platform.shell, source, sourceVersion))
        return false;
    if (targetVersion < sourceVersion)
        return Copy(files, source, target);
    if (targetVersion == sourceVersion && IsOlder(files, target, source))
        return Copy(files, source, target);
    return true;
}

bool CopyFileIfNewer(core::Context& context, const std::string& sourceFolder,
                     const std::string& targetFolder, OwnFile which) {
    const std::string name = OwnFileName(context.texts, which);
    if (name.empty())
        return false;
    auto& files = context.platform.files;
    const std::string source = Join(sourceFolder, name);
    const std::string target = Join(targetFolder, name);
    files.SetAttributes(source, fileattr::kNormal);
    if (files.PathFileExists(target)) {
        files.SetAttributes(target, fileattr::kNormal);
        return !IsOlder(files, target, source) || Copy(files, source, target);
    }
    return Copy(files, source, target);
}

bool WriteOwnUninstallValue(core::Context& context, const std::string& name, ValueKind kind,
                            const std::string& text, std::uint32_t number) {
    // Refused rather than cut: a cut path would name another program.
    if (kind == ValueKind::kText && !platform::FitsBuffer(text, kValueBufferSize))
        return false;
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Create(LocalMachine(context.platform.registry), OwnEntryKey(), regaccess::kWrite) !=
        error::kSuccess)
        return false;
    const platform::RegValue value =
        kind == ValueKind::kText ? platform::StringValue(text) : platform::DwordValue(number);
    return registry.SetValue(key.Get(), name, value) == error::kSuccess;
}

bool ScheduleSelfRemoval(core::Context& context) {
    const std::string ownFolder = environments::OwnFolder(context);
    std::string windows;
    std::string programFiles;
    if (ownFolder.empty() ||
        !environments::SpecialFolder(context.platform.shell, platform::csidl::kWindows, windows) ||
        !environments::SpecialFolder(context.platform.shell, platform::csidl::kProgramFiles,
                                     programFiles))
        return false;
    const std::string logonScript = Join(windows, kSelfRemovalScript);
    const std::string setupFolder = Join(Join(programFiles, environments::kInstallerInfoFolderName),
                                         core::kVantorixProductGuid);
    const std::string commandLine = Quoted(Join(ownFolder, kSelfRemovalScript)) + " " +
                                    Quoted(ownFolder) + " " + Quoted(logonScript) + " " +
                                    Quoted(setupFolder);
    if (!platform::FitsBuffer(commandLine, kCommandBufferSize))
        return false;

    auto& processes = context.platform.processes;
    platform::ProcessInfo info;
    if (processes.CreateProcess(commandLine, platform::createflags::kNewConsole, true, info) !=
        error::kSuccess)
        return false;
    platform::ScopedHandle process(processes, info.process);
    platform::ScopedHandle thread(processes, info.thread);
    if (processes.WaitForProcess(info.process, platform::kInfinite) != platform::kWaitObject0)
        return false;
    std::uint32_t exitCode = 0;
    // A script that could not write the logon script must not leave a value that runs nothing,
    // or runs somebody else's file of that name.
    if (processes.GetExitCode(info.process, exitCode) != error::kSuccess || exitCode != 0)
        return false;

    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Open(LocalMachine(context.platform.registry), kRunOnceKey, regaccess::kWrite) !=
        error::kSuccess)
        return false;
    return registry.SetValue(key.Get(), kSelfRemovalValue,
                             platform::StringValue(Quoted(logonScript))) == error::kSuccess;
}

std::optional<std::string> PendingSelfRemoval(core::Context& context) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Open(LocalMachine(context.platform.registry), kRunOnceKey, regaccess::kRead) !=
        error::kSuccess)
        return std::nullopt;
    platform::RegValue value;
    if (registry.QueryValue(key.Get(), kSelfRemovalValue, kCommandBufferSize, value) !=
        error::kSuccess)
        return std::nullopt;
    const std::string command = platform::ValueText(value);
    if (command.empty())
        return std::nullopt;
    return command;
}

PartsLeft RemoveOwnInstallation(core::Context& context) {
    auto& files = context.platform.files;
    const std::string ownFolder = environments::OwnFolder(context);
    bool filesLeft = false;
    if (!ownFolder.empty() && files.PathIsDirectory(ownFolder)) {
        // The running program's own file stays when it runs from here; del.bat's logon script
        // takes it.
        for (const std::string& name : OwnFileNames(context)) {
            const std::string path = Join(ownFolder, name);
            if (!files.PathFileExists(path))
                continue;
            files.SetAttributes(path, fileattr::kNormal);
            files.DeleteFile(path);
            filesLeft = filesLeft || files.PathFileExists(path);
        }
        // Folders go only when empty: other products of the maker share the common folder.
        files.RemoveDirectory(ownFolder);
        files.RemoveDirectory(platform::PathRemoveFileSpec(ownFolder));
    }

    const platform::ErrorCode deleted =
        context.platform.registry.DeleteKey(LocalMachine(context.platform.registry), OwnEntryKey());
    const bool entryLeft = deleted != error::kSuccess && deleted != error::kFileNotFound;

    // While the entry is there, the shortcut keeps the copy it names within reach.
    const std::string link = environments::OwnShortcutPath(context, "");
    if (!entryLeft && !link.empty() && files.PathIsDirectory(platform::PathRemoveFileSpec(link))) {
        files.DeleteFile(link);
        files.RemoveDirectory(platform::PathRemoveFileSpec(link));
    }
    const bool shortcutLeft = !link.empty() && files.PathFileExists(link);

    PartsLeft left;
    for (const auto& [part, isLeft] :
         {std::pair{OwnPart::kEntry, entryLeft}, std::pair{OwnPart::kFiles, filesLeft},
          std::pair{OwnPart::kShortcut, shortcutLeft}})
        if (isLeft)
            left.push_back(part);
    return left;
}

PartsLeft RemoveOwnCopy(core::Context& context) {
    const bool scheduled = ScheduleSelfRemoval(context);
    PartsLeft left = RemoveOwnInstallation(context);
    // What is still in use goes at the next logon.
    if (scheduled)
        std::erase(left, OwnPart::kFiles);
    return left;
}

std::string PartsLeftText(core::Context& context, const PartsLeft& left) {
    struct PartText {
        OwnPart part;
        core::TextId text;
        std::string (*name)(core::Context&);
    };
    static constexpr PartText kPartTexts[] = {
        {OwnPart::kEntry, core::TextId::kLeftOwnEntry,
         [](core::Context&) { return std::string(kDisplayName); }},
        {OwnPart::kFiles, core::TextId::kLeftOwnFiles, &environments::OwnFolder},
        {OwnPart::kShortcut, core::TextId::kLeftOwnShortcut,
         [](core::Context& context) { return environments::OwnShortcutPath(context, ""); }},
    };
    std::string text = context.texts.Get(core::TextId::kMsgInstallManagerLeft);
    for (const PartText& row : kPartTexts)
        if (std::find(left.begin(), left.end(), row.part) != left.end())
            text += context.texts.Get(row.text) + "[" + row.name(context) + "]";
    return text;
}

}  // namespace velnora::maintenance
