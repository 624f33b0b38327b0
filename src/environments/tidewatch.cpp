#include "environments/tidewatch.h"

#include <vector>

#include "environments/context.h"
#include "environments/environment_table.h"
#include "environments/file_utilities.h"

namespace velnora::environments {

namespace {

using platform::error::kSuccess;

constexpr char kLocationValue[] = "Location";
constexpr char kDefaultProgramName[] = "Tidewatch.exe";
constexpr char kAutorunArgument[] = "-autorun";
// SW_MINIMIZE: the shortcut is opened minimised.
constexpr int kShowMinimize = 6;
// The enumeration buffers of the PSAPI method: 200 bytes of process ids, 100 of modules.
constexpr std::size_t kMaxPsapiProcesses = 50;
constexpr std::size_t kMaxPsapiModules = 25;
constexpr std::size_t kEnableBuffer = 4;

std::string ActiveEntryPath() {
    return std::string(core::kUninstallRoot) + "\\" + core::kVantorixProductGuid;
}

// The file name with its extension: what follows the last folder or drive separator.
std::string FileNameOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool SameProgram(const std::string& candidatePath, const std::string& upperName) {
    return UpperCase(FileNameOf(candidatePath)) == upperName;
}

// Ends an opened process without waiting for it; its exit code is read and not used.
bool Terminate(platform::Processes& processes, const platform::ScopedHandle& process) {
    const bool ended = processes.TerminateProcess(process.Get(), 0) == kSuccess;
    std::uint32_t exitCode = 0;
    processes.GetExitCode(process.Get(), exitCode);
    return ended;
}

// PSAPI: the processes' modules are compared, the first match ended when `end` is set (the
// process is then opened with the rights that takes from the start).
bool FindWithPsapi(platform::Processes& processes, const std::string& upperName, bool end) {
    std::vector<std::uint32_t> ids;
    if (!processes.EnumProcesses(kMaxPsapiProcesses, ids))
        return false;
    for (const std::uint32_t id : ids) {
        platform::Handle opened = platform::kNoHandle;
        if ((end ? processes.OpenProcessAllAccess(id, opened)
                 : processes.OpenProcess(id, opened)) != kSuccess)
            continue;
        const platform::ScopedHandle process(processes, opened);
        bool match = false;
        std::vector<platform::Handle> modules;
        if (processes.EnumProcessModules(process.Get(), kMaxPsapiModules, modules)) {
            if (modules.size() > kMaxPsapiModules)
                modules.resize(kMaxPsapiModules);
            for (const platform::Handle module : modules) {
                std::string path;
                if (processes.GetModuleFileNameEx(process.Get(), module, path) > 0 &&
                    SameProgram(path, upperName)) {
                    match = true;
                    break;
                }
            }
        }
        if (match)
            return !end || Terminate(processes, process);
    }
    return false;
}

bool FindWithToolhelp(platform::Processes& processes, const std::string& upperName, bool end) {
    bool found = false;
    std::uint32_t id = 0;
    {
        const platform::ScopedHandle snapshot(
            processes, processes.CreateSnapshot(platform::toolhelp::kSnapProcess, 0));
        if (!snapshot)
            return false;
        platform::ProcessEntry entry;
        for (bool more = processes.ProcessFirst(snapshot.Get(), entry); more;
             more = processes.ProcessNext(snapshot.Get(), entry)) {
            if (SameProgram(entry.exeFile, upperName)) {
                found = true;
                id = entry.processId;
                break;
            }
        }
    }
    if (!found || !end)
        return found;
    platform::Handle opened = platform::kNoHandle;
    if (processes.OpenProcessAllAccess(id, opened) != kSuccess)
        return false;
    return Terminate(processes, platform::ScopedHandle(processes, opened));
}

bool FindProgram(Context& context, const std::string& fileName, bool end) {
    const std::string upperName = UpperCase(fileName);
    auto& processes = context.platform.processes;
    return context.processApi.usePsapi ? FindWithPsapi(processes, upperName, end)
                                       : FindWithToolhelp(processes, upperName, end);
}

}  // namespace

bool ReadTidewatchSetting(platform::Registry& registry, const std::string& name, std::string& out) {
    out.clear();
    platform::RegKey key(registry);
    const platform::ErrorCode opened = key.Open(registry.Root(platform::RegRoot::LocalMachine),
                                                kTidewatchKey, platform::regaccess::kRead);
    if (opened == platform::error::kFileNotFound)
        return true;
    if (opened != kSuccess)
        return false;
    platform::RegValue value;
    if (registry.QueryValue(key.Get(), name, kValueBufferSize, value) == kSuccess)
        out = BufferText(value);
    return true;
}

bool RefreshTidewatchProgramName(Context& context) {
    std::string location;
    if (!ReadTidewatchSetting(context.platform.registry, kLocationValue, location))
        return false;
    const std::string name = FileNameOf(location);
    context.tidewatchProgramName = name.empty() ? kDefaultProgramName : name;
    return true;
}

bool ReadTidewatchEnable(platform::Registry& registry, std::uint32_t& enabled) {
    platform::RegKey key(registry);
    if (key.Open(registry.Root(platform::RegRoot::LocalMachine), ActiveEntryPath(),
                 platform::regaccess::kRead) != kSuccess)
        return false;
    platform::RegValue value;
    const bool read =
        registry.QueryValue(key.Get(), kTidewatchEnableValue, kEnableBuffer, value) == kSuccess;
    key.Close();
    if (!read)
        return false;
    // Whatever the value's type, its first byte is taken as the number's lowest byte.
    enabled = value.data.empty() ? 0 : value.data[0];
    return true;
}

bool WriteTidewatchEnable(platform::Registry& registry, std::uint32_t enabled) {
    platform::RegKey key(registry);
    const platform::ErrorCode opened = key.Open(registry.Root(platform::RegRoot::LocalMachine),
                                                ActiveEntryPath(), platform::regaccess::kWrite);
    if (opened == platform::error::kFileNotFound)
        return true;  // no active environment to record it for
    if (opened != kSuccess)
        return false;
    return registry.SetValue(key.Get(), kTidewatchEnableValue, platform::DwordValue(enabled)) ==
           kSuccess;
}

bool IsProgramRunning(Context& context, const std::string& fileName) {
    return FindProgram(context, fileName, false);
}

bool EndProgram(Context& context, const std::string& fileName) {
    return FindProgram(context, fileName, true);
}

bool StopTidewatch(Context& context) {
    if (!RefreshTidewatchProgramName(context))
        return false;
    const std::string name = context.tidewatchProgramName;
    if (IsProgramRunning(context, name)) {
        if (!EndProgram(context, name))
            return false;
        return WriteTidewatchEnable(context.platform.registry, 1);
    }
    return WriteTidewatchEnable(context.platform.registry, 0);
}

bool ShouldStartTidewatch(core::Context& context) {
    std::uint32_t enabled = 0;
    if (!ReadTidewatchEnable(context.platform.registry, enabled) || enabled == 0)
        return false;
    std::string location;
    if (!ReadTidewatchSetting(context.platform.registry, kLocationValue, location))
        return false;
    if (!platform::FileExists(context.platform.files, location)) {
        WriteTidewatchEnable(context.platform.registry, 0);
        return false;
    }
    return true;
}

bool StartTidewatch(core::Context& context) {
    auto& files = context.platform.files;
    std::string startup;
    if (!context.platform.shell.GetSpecialFolderPath(
            platform::csidl::kCommonStartup | platform::csidl::kFlagCreate, startup))
        startup.clear();
    if (!platform::FileExists(files, startup))
        return files.CreateDirectory(startup) == kSuccess;

    const std::string link = startup + "\\" + kTidewatchLinkName;
    std::string target;
    if (!ReadTidewatchSetting(context.platform.registry, kLocationValue, target))
        return false;
    // The shell link brings its own COM initialisation; when that or the save fails there is
    // no shortcut to open, and an older one is not started in its place.
    if (CreateShortcut(context.platform.shell, link, target, "", kAutorunArgument, "", "", 0,
                       platform::showcmd::kNormal) < 0)
        return true;
    const platform::ScopedWaitCursor wait(context.platform.ui);
    context.platform.shell.ShellExecute(link, kShowMinimize);
    return true;
}

}  // namespace velnora::environments
