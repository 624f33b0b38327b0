#include "maintenance/environment_uninstall.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/parsing.h"
#include "environments/environment_table.h"
#include "environments/move_support.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "platform/text_units.h"

namespace velnora::maintenance {

namespace {

using core::Quoted;

using platform::RegRoot;
namespace error = platform::error;
namespace regaccess = platform::regaccess;
namespace regtype = platform::regtype;

constexpr std::string_view kRunFromTempWord = "-runfromtemp";
constexpr char kUninstallStringValue[] = "UninstallString";
constexpr char kProductGuidValue[] = "ProductGuid";
constexpr char kInstallLocationValue[] = "InstallLocation";
// How the rename list names a path.
constexpr std::string_view kNtPathPrefix = "\\??\\";
constexpr std::string_view kSetupProgram = "setup.exe";
constexpr std::string_view kProgramExtension = ".exe";
// The folder of the vendor setup is named after the product GUID; a short (8.3) form of it
// keeps no more than its start.
constexpr std::string_view kProductFolderStart = "\\{3B9F";
constexpr std::array<const char*, 3> kSetupFiles = {"\\Setup.exe", "\\_setup.dll", "\\setup.ini"};
// Paths are expanded into buffers of this many characters, the zero included.
constexpr std::size_t kPathBufferSize = 260;
// A pending-rename list longer than this counts as unreadable, and is then left alone.
constexpr std::size_t kRenameListBufferSize = std::size_t{1} << 20;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Letter case of ASCII only, so every byte keeps its position.
std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

bool EndsWithNoCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && LowerAscii(text.substr(text.size() - end.size())) == end;
}

std::string WithoutEvery(std::string_view text, std::string_view word) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, from)) {
        out.append(text.substr(from, at - from));
        from = at + word.size();
    }
    out.append(text.substr(from));
    return out;
}

// A program without a blank and without arguments ("C:\\Vtx\\Setup.exe"): nothing to guess.
bool IsProgramAlone(std::string_view stored) {
    return !stored.empty() && std::none_of(stored.begin(), stored.end(),
                                           [](char c) { return IsBlank(c) || c == '"'; });
}

// A command whose program path is quoted, or made so. An unquoted path is taken only when its
// first word is a whole program file: with a blank inside, the platform would guess where the
// program ends.
std::optional<std::string> WithQuotedProgram(std::string_view command) {
    std::size_t start = 0;
    while (start < command.size() && IsBlank(command[start]))
        ++start;
    if (start == command.size())
        return std::nullopt;
    command.remove_prefix(start);
    if (command.front() == '"') {
        // Quotes around nothing but blanks name no program.
        const std::size_t close = command.find('"', 1);
        if (close == std::string_view::npos || command.find_first_not_of(" \t", 1) >= close)
            return std::nullopt;
        return std::string(command);
    }
    std::size_t end = 0;
    while (end < command.size() && !IsBlank(command[end]))
        ++end;
    const std::string_view program = command.substr(0, end);
    // A quote inside would close the quotes put around the path.
    if (!EndsWithNoCase(program, kProgramExtension) || program.find('"') != std::string_view::npos)
        return std::nullopt;
    return Quoted(program) + std::string(command.substr(end));
}

// "launcher argument "setup" options" -> ""setup" options". The launcher may be quoted
// itself; the argument must be there and the setup path closed.
std::optional<std::string> SetupOfLauncher(std::string_view stored) {
    std::size_t launcherEnd = 0;
    if (!stored.empty() && stored.front() == '"') {
        const std::size_t close = stored.find('"', 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        launcherEnd = close + 1;
    }
    const std::size_t blank = stored.find(' ', launcherEnd);
    if (blank == std::string_view::npos || blank == 0)
        return std::nullopt;
    // A quote inside the launcher word opens a quoted stretch that the blank lies in.
    if (stored.find('"', launcherEnd) < blank)
        return std::nullopt;
    const std::size_t open = stored.find('"', blank + 1);
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::size_t argument = stored.find_first_not_of(' ', blank + 1);
    if (argument == std::string_view::npos || argument >= open)
        return std::nullopt;
    const std::size_t close = stored.find('"', open + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view program = stored.substr(open + 1, close - open - 1);
    if (program.find_first_not_of(" \t") == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = stored.substr(close + 1);
    const bool separated = rest.empty() || IsBlank(rest.front());
    return Quoted(program) + (separated ? "" : " ") + std::string(rest);
}

std::string JoinRenamePairs(const std::vector<RenamePair>& pairs) {
    std::string data;
    for (const auto& [from, to] : pairs) {
        data += from;
        data += '\0';
        data += to;
        data += '\0';
    }
    data += '\0';
    return data;
}

// The pairs of `after` that stay: those that were there before (counted one for one) and the
// new ones outside the environment's folders, which another program scheduled meanwhile.
std::vector<RenamePair> PairsToKeep(const std::vector<RenamePair>& after,
                                    const std::vector<RenamePair>& before,
                                    const std::vector<std::string>& folders) {
    std::vector<bool> taken(before.size(), false);
    std::vector<RenamePair> kept;
    for (const RenamePair& pair : after) {
        bool wasThere = false;
        for (std::size_t i = 0; i < before.size() && !wasThere; ++i) {
            if (!taken[i] && before[i] == pair) {
                taken[i] = true;
                wasThere = true;
            }
        }
        const bool own = !wasThere && std::any_of(folders.begin(), folders.end(),
                                                  [&pair](const std::string& folder) {
                                                      return IsPathInside(pair.first, folder);
                                                  });
        if (!own)
            kept.push_back(pair);
    }
    return kept;
}

platform::Handle LocalMachine(platform::Registry& registry) {
    return registry.Root(RegRoot::LocalMachine);
}

std::string ActiveEntryPath() {
    return std::string(core::kUninstallRoot) + "\\" + core::kVantorixProductGuid;
}

// A text value of the active entry into `text` (empty when it is missing or not a text). False
// when the entry cannot be opened.
bool ReadActiveText(core::Context& context, const char* name, std::string& text) {
    auto& registry = context.platform.registry;
    text.clear();
    platform::RegKey key(registry);
    if (key.Open(LocalMachine(context.platform.registry), ActiveEntryPath(), regaccess::kRead) !=
        error::kSuccess)
        return false;
    platform::RegValue value;
    if (registry.QueryValue(key.Get(), name, environments::kValueBufferSize, value) ==
            error::kSuccess &&
        (value.type == regtype::kString || value.type == regtype::kExpandString))
        text = environments::BufferText(value);
    return true;
}

// Where the active environment keeps its material. Read before its uninstaller runs, which
// removes the entry that names its location. A folder that cannot be named is left out, and
// renames in it stay.
std::vector<std::string> ActiveEnvironmentFolders(core::Context& context) {
    using environments::kMakerName;
    namespace csidl = platform::csidl;
    std::vector<std::string> folders;
    std::string folder;
    if (environments::SpecialFolder(context.platform.shell, csidl::kProgramFiles, folder))
        folders.push_back(folder + "\\" + environments::kInstallerInfoFolderName + "\\" +
                          core::kVantorixProductGuid);
    if (environments::SpecialFolder(context.platform.shell, csidl::kCommonPrograms, folder))
        folders.push_back(folder + "\\" + kMakerName);
    if (environments::SpecialFolder(context.platform.shell, csidl::kCommonAppData, folder))
        folders.push_back(folder + "\\" + kMakerName + "\\" + environments::kTidewatchFolderName);
    if (ReadActiveText(context, kInstallLocationValue, folder) && !folder.empty())
        folders.push_back(folder);
    return folders;
}

// The scheduled restart renames as a list of pairs: an empty list when there are none, nothing
// when the value is there but unreadable or of another shape.
std::optional<std::vector<RenamePair>> ReadPendingRenames(platform::Registry& registry,
                                                          platform::Handle key) {
    platform::RegValue value;
    const platform::ErrorCode read =
        registry.QueryValue(key, kPendingRenamesValue, kRenameListBufferSize, value);
    if (read == error::kFileNotFound)
        return std::vector<RenamePair>{};
    if (read != error::kSuccess || value.type != regtype::kMultiString)
        return std::nullopt;
    return SplitRenamePairs(
        std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
}

std::optional<std::vector<RenamePair>> PendingRenamesBefore(core::Context& context) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    const platform::ErrorCode opened =
        key.Open(LocalMachine(context.platform.registry), kSessionManagerKey, regaccess::kRead);
    if (opened == error::kFileNotFound)
        return std::vector<RenamePair>{};
    if (opened != error::kSuccess)
        return std::nullopt;
    return ReadPendingRenames(registry, key.Get());
}

// Takes back the renames the uninstaller scheduled: it removes its own setup folder at the
// next restart, and by then that may be another environment's live folder. What other programs
// scheduled, before or meanwhile, stays; so does a list that cannot be compared.
void TakeBackOwnRenames(core::Context& context,
                        const std::optional<std::vector<RenamePair>>& before,
                        const std::vector<std::string>& folders) {
    if (!before)
        return;
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Open(LocalMachine(context.platform.registry), kSessionManagerKey,
                 regaccess::kReadAndSet) != error::kSuccess)
        return;
    const auto after = ReadPendingRenames(registry, key.Get());
    if (!after)
        return;
    const std::vector<RenamePair> kept = PairsToKeep(*after, *before, folders);
    if (kept.size() == after->size())
        return;
    if (kept.empty()) {
        registry.DeleteValue(key.Get(), kPendingRenamesValue);
        return;
    }
    const std::string list = JoinRenamePairs(kept);
    platform::RegValue value;
    value.type = regtype::kMultiString;
    value.data.assign(list.begin(), list.end());
    registry.SetValue(key.Get(), kPendingRenamesValue, value);
}

// An active entry the uninstaller emptied of its values but left in place (values of the
// install manager, such as "TidewatchEnable", keep a key alive) is deleted. A "ProductGuid"
// that is there but unreadable was not removed, so the entry is no remainder.
void RemoveOrphanedActiveEntry(core::Context& context) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Open(LocalMachine(context.platform.registry), ActiveEntryPath(), regaccess::kRead) !=
        error::kSuccess)
        return;
    platform::RegValue value;
    const platform::ErrorCode read =
        registry.QueryValue(key.Get(), kProductGuidValue, environments::kValueBufferSize, value);
    key.Close();
    if (read == error::kFileNotFound)
        registry.DeleteKey(LocalMachine(context.platform.registry), ActiveEntryPath());
}

// Is the setup folder of a resume command gone, or incomplete?
bool IsStaleSetupFolder(platform::FileSystem& files, const std::string& folder) {
    std::string longFolder;
    if (files.GetLongPathName(folder, longFolder) != error::kSuccess ||
        !platform::FitsBuffer(longFolder, kPathBufferSize))
        longFolder = folder;
    if (!files.PathIsDirectory(longFolder))
        return true;
    for (const char* file : kSetupFiles)
        if (!files.PathFileExists(longFolder + file))
            return true;
    return false;
}

}  // namespace

std::optional<std::vector<RenamePair>> SplitRenamePairs(std::string_view data) {
    std::vector<std::string> texts;
    for (std::size_t from = 0; from < data.size();) {
        const std::size_t zero = data.find('\0', from);
        if (zero == std::string_view::npos)
            return std::nullopt;  // a text without its zero
        texts.emplace_back(data.substr(from, zero - from));
        from = zero + 1;
    }
    // The zero that closes the list reads as one more, empty text.
    if (texts.size() % 2 == 1 && texts.back().empty())
        texts.pop_back();
    if (texts.size() % 2 == 1)
        return std::nullopt;
    std::vector<RenamePair> pairs;
    for (std::size_t i = 0; i < texts.size(); i += 2) {
        if (texts[i].empty())
            return std::nullopt;
        pairs.emplace_back(texts[i], texts[i + 1]);
    }
    return pairs;
}

bool IsPathInside(std::string_view path, std::string_view folder) {
    if (path.starts_with(kNtPathPrefix))
        path.remove_prefix(kNtPathPrefix.size());
    while (!folder.empty() && folder.back() == '\\')
        folder.remove_suffix(1);
    const std::size_t separator = folder.rfind('\\');
    if (separator == std::string_view::npos || separator == 0)
        return false;
    // Letter case of ASCII only: a path that differs elsewhere is not taken for the folder.
    if (path.size() < folder.size() ||
        LowerAscii(path.substr(0, folder.size())) != LowerAscii(folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

std::optional<std::string> ResumeSetupFolder(std::string_view command) {
    const std::string lower = LowerAscii(command);
    const std::size_t setup = lower.find(kSetupProgram);
    const std::size_t start = !command.empty() && command.front() == '"' ? 1 : 0;
    // A folder of at least one character, then the backslash, then the program.
    if (setup == std::string::npos || setup < start + 2 || command[setup - 1] != '\\')
        return std::nullopt;
    const std::size_t end = setup + kSetupProgram.size();
    const bool closed = start == 1 ? end < command.size() && command[end] == '"'
                                   : end == command.size() || IsBlank(command[end]);
    if (!closed)
        return std::nullopt;
    const std::string_view folder = command.substr(start, setup - 1 - start);
    if (folder.find(kProductFolderStart) == std::string_view::npos)
        return std::nullopt;
    return std::string(folder);
}

DerivedCommand DeriveUninstallCommand(std::string_view stored) {
    std::optional<std::string> command;
    if (stored.find(kRunFromTempWord) != std::string_view::npos) {
        const std::string remaining = WithoutEvery(stored, kRunFromTempWord);
        if (remaining.empty())
            return {DerivedKind::kEmpty, {}};
        command = WithQuotedProgram(remaining);
    } else if (IsProgramAlone(stored)) {
        command = Quoted(stored);
    } else {
        command = SetupOfLauncher(stored);
    }
    if (!command)
        return {DerivedKind::kUnusable, {}};
    if (!platform::FitsBuffer(*command, installer::kCommandBufferSize))
        return {DerivedKind::kTooLong, {}};
    return {DerivedKind::kCommand, *command};
}

bool ReadActiveUninstallCommand(core::Context& context, std::string& command) {
    return ReadActiveText(context, kUninstallStringValue, command);
}

UninstallOutcome UninstallActiveEnvironment(core::Context& context) {
    auto& processes = context.platform.processes;
    std::string stored;
    ReadActiveUninstallCommand(context, stored);
    const DerivedCommand derived = DeriveUninstallCommand(stored);
    if (derived.kind != DerivedKind::kCommand)
        return UninstallOutcome::kNoCommand;

    const auto renamesBefore = PendingRenamesBefore(context);
    const std::vector<std::string> folders = ActiveEnvironmentFolders(context);
    platform::ProcessInfo info;
    if (processes.CreateProcess(derived.command, platform::createflags::kNewConsole, false, info) !=
        error::kSuccess)
        return UninstallOutcome::kNotStarted;
    const platform::ScopedHandle process(processes, info.process);
    const platform::ScopedHandle thread(processes, info.thread);
    if (processes.WaitForProcess(process.Get(), platform::kInfinite) != platform::kWaitObject0)
        return UninstallOutcome::kLost;
    // The code itself says nothing the entry does not say better.
    std::uint32_t exitCode = 0;
    if (processes.GetExitCode(process.Get(), exitCode) != error::kSuccess)
        return UninstallOutcome::kLost;

    TakeBackOwnRenames(context, renamesBefore, folders);
    RemoveOrphanedActiveEntry(context);
    return UninstallOutcome::kRan;
}

bool ClearStaleSetupResumes(core::Context& context) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Open(LocalMachine(context.platform.registry), kRunOnceKey, regaccess::kReadAndSet) !=
        error::kSuccess)
        return false;
    platform::RegKeyInfo info;
    if (registry.QueryInfoKey(key.Get(), info) != error::kSuccess)
        return false;
    const std::size_t nameBufferSize = std::size_t{info.maxValueNameLength} + 10;
    const std::size_t dataBufferSize = std::size_t{info.maxValueDataLength} + 10;
    const std::string_view prefix = kSetupResumePrefix;

    for (std::uint32_t index = 0; index < info.values; ++index) {
        std::string name;
        platform::RegValue value;
        if (registry.EnumValue(key.Get(), index, nameBufferSize, dataBufferSize, name, value) !=
            error::kSuccess)
            return false;
        if (value.type != regtype::kString || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const auto folder = ResumeSetupFolder(environments::BufferText(value));
        if (folder && IsStaleSetupFolder(context.platform.files, *folder))
            registry.SetValue(key.Get(), name, platform::StringValue(""));
    }
    return true;
}

}  // namespace velnora::maintenance
