#include "fake/fake_processes.h"

#include <algorithm>
#include <stdexcept>

#include "fake/fake_text.h"

namespace velnora::fake {

using platform::ErrorCode;
using platform::Handle;
namespace error = platform::error;

namespace {

constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
constexpr Handle kModuleBase = 0x10000000;
constexpr Handle kModuleStep = 0x10000;

}  // namespace

struct FakeProcesses::Proc {
    std::uint32_t pid = 0;
    std::uint32_t parent = 0;
    std::string image;
    std::string commandLine;
    std::vector<std::string> modules;  // the program file first
    std::uint64_t start = 0;
    std::uint64_t end = ProgramBehaviour::kForever;
    std::uint32_t plannedExitCode = 0;
    std::uint32_t exitCode = platform::kStillActive;
    bool ended = false;
    bool terminated = false;
    std::vector<ProgramBehaviour::Spawn> spawns;  // at absolute times, not yet done
};

struct FakeProcesses::Snapshot {
    std::vector<platform::ProcessEntry> processes;
    std::vector<platform::ModuleEntry> modules;
    std::size_t nextProcess = 0;
    std::size_t nextModule = 0;
};

FakeProcesses::FakeProcesses(VirtualClock& clock, Faults& faults) : clock_(clock), faults_(faults) {
    const auto forever = ProgramBehaviour::RunsFor(ProgramBehaviour::kForever);
    Launch("[System Process]", "", forever, 0, 0).pid = 0;
    Launch("System", "", forever, 0, 0).pid = 4;
    procs_[0]->modules.clear();
    procs_[1]->modules.clear();
    nextPid_ = 1000;
    denied_ = {0, 4};
    libraries_ = {
        {"PSAPI.DLL", {"EnumProcesses", "EnumProcessModules", "GetModuleFileNameExW"}},
        {"Kernel32.dll",
         {"CreateToolhelp32Snapshot", "Process32FirstW", "Process32NextW", "Module32FirstW",
          "Module32NextW"}},
        {"Shell32.dll", {"SHGetSpecialFolderPathW"}},
        {"Advapi32.dll", {"AbortSystemShutdownW"}},
    };
}

FakeProcesses::~FakeProcesses() = default;

// --- Program table and the clock ---

const FakeProcesses::Program* FakeProcesses::FindProgram(const std::string& candidate) const {
    const bool bare = candidate.find_first_of("\\/") == std::string::npos;
    for (const Program& program : programs_) {
        if (text::EqualNoCase(program.path, candidate))
            return &program;
        if (bare && text::EqualNoCase(text::FileNameOf(program.path), candidate))
            return &program;
    }
    return nullptr;
}

// The program a command line starts, found as CreateProcess finds it: a quoted first token,
// or else the shortest run of blank-separated words that names a program, with ".exe"
// tried after each.
std::optional<std::pair<const FakeProcesses::Program*, std::string>> FakeProcesses::Resolve(
    const std::string& commandLine) const {
    std::size_t begin = commandLine.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::nullopt;
    std::vector<std::string> candidates;
    if (commandLine[begin] == '"') {
        const auto close = commandLine.find('"', begin + 1);
        const auto end = close == std::string::npos ? commandLine.size() : close;
        candidates.push_back(commandLine.substr(begin + 1, end - begin - 1));
    } else {
        for (std::size_t i = begin; i <= commandLine.size(); ++i)
            if (i == commandLine.size() || commandLine[i] == ' ' || commandLine[i] == '\t')
                candidates.push_back(commandLine.substr(begin, i - begin));
    }
    for (const std::string& candidate : candidates) {
        if (candidate.empty())
            continue;
        if (const Program* program = FindProgram(candidate))
            return std::make_pair(program, program->path);
        if (!text::EndsWithNoCase(candidate, ".exe"))
            if (const Program* program = FindProgram(candidate + ".exe"))
                return std::make_pair(program, program->path);
    }
    return std::nullopt;
}

FakeProcesses::Proc& FakeProcesses::Launch(const std::string& image, const std::string& commandLine,
                                           const ProgramBehaviour& behaviour, std::uint64_t start,
                                           std::uint32_t parent) {
    auto proc = std::make_unique<Proc>();
    proc->pid = nextPid_;
    nextPid_ += 4;
    proc->parent = parent;
    proc->image = behaviour.image.empty() ? image : behaviour.image;
    proc->commandLine = commandLine;
    proc->modules.push_back(proc->image);
    proc->modules.insert(proc->modules.end(), behaviour.modules.begin(), behaviour.modules.end());
    proc->start = start;
    proc->end = behaviour.runMs == ProgramBehaviour::kForever ? ProgramBehaviour::kForever
                                                              : start + behaviour.runMs;
    proc->plannedExitCode = behaviour.exitCode;
    for (const auto& spawn : behaviour.spawns)
        proc->spawns.push_back({start + spawn.atMs, spawn.commandLine});
    procs_.push_back(std::move(proc));
    return *procs_.back();
}

void FakeProcesses::Settle() {
    const std::uint64_t now = clock_.Now();
    for (;;) {
        // The earliest due event; at equal times a spawn comes before an end.
        Proc* next = nullptr;
        std::uint64_t when = 0;
        bool isSpawn = false;
        for (const auto& proc : procs_) {
            if (proc->ended)
                continue;
            for (const auto& spawn : proc->spawns)
                if (spawn.atMs <= now &&
                    (next == nullptr || spawn.atMs < when || (spawn.atMs == when && !isSpawn))) {
                    next = proc.get();
                    when = spawn.atMs;
                    isSpawn = true;
                }
            if (proc->end <= now && (next == nullptr || proc->end < when)) {
                next = proc.get();
                when = proc->end;
                isSpawn = false;
            }
        }
        if (next == nullptr)
            return;
        if (isSpawn) {
            const auto it =
                std::min_element(next->spawns.begin(), next->spawns.end(),
                                 [](const auto& a, const auto& b) { return a.atMs < b.atMs; });
            const std::string commandLine = it->commandLine;
            next->spawns.erase(it);
            const std::uint32_t parent = next->pid;
            if (const auto resolved = Resolve(commandLine))
                Launch(resolved->second, commandLine, resolved->first->behaviour(commandLine), when,
                       parent);
        } else {
            next->ended = true;
            next->exitCode = next->plannedExitCode;
            next->spawns.clear();
        }
    }
}

FakeProcesses::Proc* FakeProcesses::FindProc(std::uint32_t processId) {
    for (const auto& proc : procs_)
        if (proc->pid == processId)
            return proc.get();
    return nullptr;
}

FakeProcesses::Proc* FakeProcesses::ProcOf(Handle handle) {
    const auto it = handles_.find(handle);
    if (it == handles_.end() || (it->second.kind != OpenHandle::Kind::kProcess &&
                                 it->second.kind != OpenHandle::Kind::kThread))
        return nullptr;
    return FindProc(it->second.pid);
}

Handle FakeProcesses::NewHandle(OpenHandle entry) {
    const Handle handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = std::move(entry);
    return handle;
}

FakeProcesses::Library* FakeProcesses::FindLibrary(const std::string& name) {
    for (Library& library : libraries_)
        if (text::EqualNoCase(library.name, name))
            return &library;
    return nullptr;
}

ErrorCode FakeProcesses::Start(const std::string& commandLine, std::uint32_t creationFlags,
                               bool hiddenWindow, const std::string& via,
                               platform::ProcessInfo& info) {
    info = platform::ProcessInfo{};
    Settle();
    const auto resolved = Resolve(commandLine);
    if (!resolved)
        return error::kFileNotFound;
    Proc& proc = Launch(resolved->second, commandLine, resolved->first->behaviour(commandLine),
                        clock_.Now(), 0);
    started_.push_back(
        StartedProcess{commandLine, creationFlags, hiddenWindow, proc.pid, clock_.Now(), via});
    info.processId = proc.pid;
    info.process = NewHandle({OpenHandle::Kind::kProcess, proc.pid, {}, nullptr});
    info.thread = NewHandle({OpenHandle::Kind::kThread, proc.pid, {}, nullptr});
    return error::kSuccess;
}

std::optional<std::uint64_t> FakeProcesses::EndTime(Handle process) {
    Settle();
    const Proc* proc = ProcOf(process);
    if (proc == nullptr)
        return std::nullopt;
    return proc->end;
}

// --- The interface ---

ErrorCode FakeProcesses::CreateProcess(const std::string& commandLine, std::uint32_t creationFlags,
                                       bool hiddenWindow, platform::ProcessInfo& info) {
    info = platform::ProcessInfo{};
    if (auto failure = faults_.Enter(op::kCreateProcess, commandLine))
        return *failure;
    return Start(commandLine, creationFlags, hiddenWindow, std::string(op::kCreateProcess), info);
}

std::uint32_t FakeProcesses::WaitForProcess(Handle process, std::uint32_t timeoutMs) {
    if (waitObserver_)
        waitObserver_(process);
    if (faults_.Enter(op::kWaitForProcess))
        return kWaitFailed;
    Settle();
    Proc* proc = ProcOf(process);
    if (proc == nullptr)
        return kWaitFailed;
    if (proc->ended)
        return platform::kWaitObject0;
    if (timeoutMs == platform::kInfinite) {
        if (proc->end == ProgramBehaviour::kForever)
            throw std::logic_error("waiting without time-out for a process that never ends: " +
                                   proc->image);
        clock_.AdvanceTo(proc->end);
        Settle();
        return platform::kWaitObject0;
    }
    const std::uint64_t deadline = clock_.Now() + timeoutMs;
    if (proc->end <= deadline) {
        clock_.AdvanceTo(proc->end);
        Settle();
        return platform::kWaitObject0;
    }
    clock_.AdvanceTo(deadline);
    Settle();
    return platform::kWaitTimeout;
}

ErrorCode FakeProcesses::GetExitCode(Handle process, std::uint32_t& exitCode) {
    if (auto failure = faults_.Enter(op::kGetExitCode))
        return *failure;
    Settle();
    const Proc* proc = ProcOf(process);
    if (proc == nullptr)
        return error::kInvalidHandle;
    exitCode = proc->ended ? proc->exitCode : platform::kStillActive;
    return error::kSuccess;
}

ErrorCode FakeProcesses::OpenProcess(std::uint32_t processId, Handle& process) {
    process = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kOpenProcess, std::to_string(processId)))
        return *failure;
    Settle();
    const Proc* proc = FindProc(processId);
    if (proc == nullptr || proc->ended)
        return error::kInvalidParameter;
    if (denied_.count(processId) != 0)
        return error::kAccessDenied;
    process = NewHandle({OpenHandle::Kind::kProcess, processId, {}, nullptr});
    return error::kSuccess;
}

ErrorCode FakeProcesses::OpenProcessAllAccess(std::uint32_t processId, Handle& process) {
    process = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kOpenProcessAllAccess, std::to_string(processId)))
        return *failure;
    Settle();
    const Proc* proc = FindProc(processId);
    if (proc == nullptr || proc->ended)
        return error::kInvalidParameter;
    if (denied_.count(processId) != 0)
        return error::kAccessDenied;
    process = NewHandle({OpenHandle::Kind::kProcess, processId, {}, nullptr});
    return error::kSuccess;
}

ErrorCode FakeProcesses::TerminateProcess(Handle process, std::uint32_t exitCode) {
    if (auto failure = faults_.Enter(op::kTerminateProcess))
        return *failure;
    Settle();
    Proc* proc = ProcOf(process);
    if (proc == nullptr)
        return error::kInvalidHandle;
    if (proc->ended)
        return error::kAccessDenied;
    proc->ended = true;
    proc->terminated = true;
    proc->end = clock_.Now();
    proc->exitCode = exitCode;
    proc->spawns.clear();
    return error::kSuccess;
}

void FakeProcesses::CloseHandle(Handle handle) {
    faults_.Enter(op::kCloseHandle);
    if (handles_.erase(handle) == 0)
        ++invalidCloses_;
}

bool FakeProcesses::LoadLibrary(const std::string& library) {
    if (faults_.Enter(op::kLoadLibrary, library))
        return false;
    if (FindLibrary(library) == nullptr)
        return false;
    if (std::none_of(loaded_.begin(), loaded_.end(),
                     [&](const std::string& name) { return text::EqualNoCase(name, library); }))
        loaded_.push_back(library);
    return true;
}

bool FakeProcesses::HasFunction(const std::string& library, const std::string& function) {
    if (faults_.Enter(op::kHasFunction, library + "!" + function))
        return false;
    const Library* found = FindLibrary(library);
    return found != nullptr && found->functions.count(function) != 0;
}

bool FakeProcesses::EnumProcesses(std::size_t maxCount, std::vector<std::uint32_t>& processIds) {
    processIds.clear();
    if (faults_.Enter(op::kEnumProcesses))
        return false;
    Settle();
    for (const auto& proc : procs_) {
        if (processIds.size() >= maxCount)
            break;
        if (!proc->ended)
            processIds.push_back(proc->pid);
    }
    return true;
}

bool FakeProcesses::EnumProcessModules(Handle process, std::size_t maxCount,
                                       std::vector<Handle>& modules) {
    modules.clear();
    if (faults_.Enter(op::kEnumProcessModules))
        return false;
    Settle();
    const Proc* proc = ProcOf(process);
    if (proc == nullptr || proc->ended || proc->modules.empty())
        return false;
    for (std::size_t i = 0; i < proc->modules.size() && i < maxCount; ++i)
        modules.push_back(kModuleBase + i * kModuleStep);
    return true;
}

std::size_t FakeProcesses::GetModuleFileNameEx(Handle process, Handle module, std::string& path) {
    path.clear();
    if (faults_.Enter(op::kGetModuleFileNameEx))
        return 0;
    Settle();
    const Proc* proc = ProcOf(process);
    if (proc == nullptr || proc->ended || module < kModuleBase ||
        (module - kModuleBase) % kModuleStep != 0)
        return 0;
    const std::size_t index = (module - kModuleBase) / kModuleStep;
    if (index >= proc->modules.size())
        return 0;
    path = proc->modules[index];
    return path.size();
}

Handle FakeProcesses::CreateSnapshot(std::uint32_t flags, std::uint32_t processId) {
    if (faults_.Enter(op::kCreateSnapshot, std::to_string(processId)))
        return platform::kNoHandle;
    Settle();
    auto snapshot = std::make_shared<Snapshot>();
    if ((flags & platform::toolhelp::kSnapProcess) != 0)
        for (const auto& proc : procs_)
            if (!proc->ended)
                snapshot->processes.push_back(platform::ProcessEntry{
                    proc->pid,
                    fullPathsInSnapshots_ ? proc->image : text::FileNameOf(proc->image)});
    // Process 0 means the calling program, which is not in the fake table: no modules.
    if ((flags & platform::toolhelp::kSnapModule) != 0 && processId != 0) {
        const Proc* proc = FindProc(processId);
        if (proc == nullptr || proc->ended || denied_.count(processId) != 0)
            return platform::kNoHandle;
        for (const std::string& module : proc->modules)
            snapshot->modules.push_back(
                platform::ModuleEntry{proc->pid, text::FileNameOf(module), module});
    }
    return NewHandle({OpenHandle::Kind::kSnapshot, 0, {}, std::move(snapshot)});
}

// One step of a snapshot walk: the first entry when `restart`, else the next one.
template <typename Entry>
bool FakeProcesses::Step(Handle snapshot, std::vector<Entry> Snapshot::*list,
                         std::size_t Snapshot::*cursor, bool restart, Entry& entry) {
    const auto it = handles_.find(snapshot);
    if (it == handles_.end() || !it->second.snapshot)
        return false;
    Snapshot& snap = *it->second.snapshot;
    if (restart)
        snap.*cursor = 0;
    const std::vector<Entry>& entries = snap.*list;
    if (snap.*cursor >= entries.size())
        return false;
    entry = entries[(snap.*cursor)++];
    return true;
}

bool FakeProcesses::ProcessFirst(Handle snapshot, platform::ProcessEntry& entry) {
    return !faults_.Enter(op::kProcessFirst) &&
           Step(snapshot, &Snapshot::processes, &Snapshot::nextProcess, true, entry);
}

bool FakeProcesses::ProcessNext(Handle snapshot, platform::ProcessEntry& entry) {
    return !faults_.Enter(op::kProcessNext) &&
           Step(snapshot, &Snapshot::processes, &Snapshot::nextProcess, false, entry);
}

bool FakeProcesses::ModuleFirst(Handle snapshot, platform::ModuleEntry& entry) {
    return !faults_.Enter(op::kModuleFirst) &&
           Step(snapshot, &Snapshot::modules, &Snapshot::nextModule, true, entry);
}

bool FakeProcesses::ModuleNext(Handle snapshot, platform::ModuleEntry& entry) {
    return !faults_.Enter(op::kModuleNext) &&
           Step(snapshot, &Snapshot::modules, &Snapshot::nextModule, false, entry);
}

ErrorCode FakeProcesses::CreateMutex(const std::string& name, Handle& mutex) {
    mutex = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kCreateMutex, name))
        return *failure;
    // Object names are case-sensitive.
    bool exists = !name.empty() && mutexesElsewhere_.count(name) != 0;
    for (const auto& [handle, entry] : handles_)
        if (!name.empty() && entry.kind == OpenHandle::Kind::kMutex && entry.mutexName == name)
            exists = true;
    mutex = NewHandle({OpenHandle::Kind::kMutex, 0, name, nullptr});
    return exists ? error::kAlreadyExists : error::kSuccess;
}

void FakeProcesses::ReleaseMutex(Handle /*mutex*/) {
    faults_.Enter(op::kReleaseMutex);
    ++mutexReleases_;
}

void FakeProcesses::Sleep(std::uint32_t milliseconds) {
    faults_.Enter(op::kSleep);
    slept_ += milliseconds;
    clock_.Advance(milliseconds);
}

std::uint32_t FakeProcesses::GetTickCount() {
    faults_.Enter(op::kGetTickCount);
    return clock_.TickCount();
}

// --- Test set-up and assertions ---

void FakeProcesses::AddProgram(const std::string& path, ProgramBehaviour behaviour) {
    AddProgram(path, [behaviour](const std::string&) { return behaviour; });
}

void FakeProcesses::AddProgram(const std::string& path, BehaviourFor behaviour) {
    for (Program& program : programs_)
        if (text::EqualNoCase(program.path, path)) {
            program.behaviour = std::move(behaviour);
            return;
        }
    programs_.push_back(Program{path, std::move(behaviour)});
}

std::uint32_t FakeProcesses::AddRunningProcess(const std::string& image,
                                               ProgramBehaviour behaviour) {
    Settle();
    return Launch(image, "\"" + image + "\"", behaviour, clock_.Now(), 0).pid;
}

void FakeProcesses::DenyOpen(std::uint32_t processId) {
    denied_.insert(processId);
}

void FakeProcesses::AddLibrary(const std::string& library,
                               const std::vector<std::string>& functions) {
    Library* found = FindLibrary(library);
    if (found == nullptr) {
        libraries_.push_back(Library{library, {}});
        found = &libraries_.back();
    }
    found->functions.insert(functions.begin(), functions.end());
}

void FakeProcesses::RemoveLibrary(const std::string& library) {
    libraries_.erase(
        std::remove_if(libraries_.begin(), libraries_.end(),
                       [&](const Library& l) { return text::EqualNoCase(l.name, library); }),
        libraries_.end());
}

void FakeProcesses::RemoveFunction(const std::string& library, const std::string& function) {
    if (Library* found = FindLibrary(library))
        found->functions.erase(function);
}

std::optional<ProcessState> FakeProcesses::Process(std::uint32_t processId) {
    Settle();
    const Proc* proc = FindProc(processId);
    if (proc == nullptr)
        return std::nullopt;
    return ProcessState{proc->pid, proc->parent, proc->image,      proc->commandLine, proc->start,
                        proc->end, !proc->ended, proc->terminated, proc->exitCode};
}

std::vector<std::uint32_t> FakeProcesses::RunningProcessIds() {
    Settle();
    std::vector<std::uint32_t> ids;
    for (const auto& proc : procs_)
        if (!proc->ended)
            ids.push_back(proc->pid);
    return ids;
}

bool FakeProcesses::IsImageRunning(const std::string& image) {
    Settle();
    return std::any_of(procs_.begin(), procs_.end(), [&](const auto& proc) {
        return !proc->ended && text::EqualNoCase(proc->image, image);
    });
}

}  // namespace velnora::fake
