// The process table of the fake platform, on the virtual clock. A test registers program
// files with their behaviour (how long they run, their exit code, the programs they start and
// when, the modules they load); CreateProcess starts one, and each process ends at its
// virtual time. Nothing happens between calls: the table catches up with the clock whenever
// it is looked at. The table starts with the idle process (pid 0) and System (pid 4), which
// cannot be opened.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake/faults.h"
#include "fake/virtual_clock.h"
#include "platform/processes.h"

namespace velnora::fake {

struct ProgramBehaviour {
    static constexpr std::uint64_t kForever = ~std::uint64_t{0};

    struct Spawn {
        std::uint64_t atMs = 0;   // after the start of the spawning process
        std::string commandLine;  // must name a registered program, or nothing starts
    };

    // A program that runs `ms` milliseconds and ends with `exitCode`.
    static ProgramBehaviour RunsFor(std::uint64_t ms, std::uint32_t exitCode = 0) {
        ProgramBehaviour behaviour;
        behaviour.runMs = ms;
        behaviour.exitCode = exitCode;
        return behaviour;
    }

    std::uint64_t runMs = 0;  // kForever: runs until terminated
    std::uint32_t exitCode = 0;
    std::vector<Spawn> spawns;
    std::vector<std::string> modules;  // full paths of the modules after the program file
    std::string image;                 // the program file it shows; empty: the one started
};

// The behaviour of a registered program may depend on its command line.
using BehaviourFor = std::function<ProgramBehaviour(const std::string& commandLine)>;

// A process the program under test started (CreateProcess or the shell's execute calls).
struct StartedProcess {
    std::string commandLine;
    std::uint32_t creationFlags = 0;
    bool hiddenWindow = false;
    std::uint32_t processId = 0;
    std::uint64_t startTime = 0;
    std::string via;  // the operation that started it
};

struct ProcessState {
    std::uint32_t processId = 0;
    std::uint32_t parentId = 0;
    std::string image;
    std::string commandLine;
    std::uint64_t startTime = 0;
    std::uint64_t endTime = ProgramBehaviour::kForever;  // when it ended or will end
    bool running = false;
    bool terminated = false;
    std::uint32_t exitCode = platform::kStillActive;
};

class FakeProcesses final : public platform::Processes {
  public:
    FakeProcesses(VirtualClock& clock, Faults& faults);
    ~FakeProcesses() override;

    platform::ErrorCode CreateProcess(const std::string& commandLine, std::uint32_t creationFlags,
                                      bool hiddenWindow, platform::ProcessInfo& info) override;
    std::uint32_t WaitForProcess(platform::Handle process, std::uint32_t timeoutMs) override;
    platform::ErrorCode GetExitCode(platform::Handle process, std::uint32_t& exitCode) override;
    platform::ErrorCode OpenProcess(std::uint32_t processId, platform::Handle& process) override;
    platform::ErrorCode OpenProcessAllAccess(std::uint32_t processId,
                                             platform::Handle& process) override;
    platform::ErrorCode TerminateProcess(platform::Handle process, std::uint32_t exitCode) override;
    void CloseHandle(platform::Handle handle) override;
    bool LoadLibrary(const std::string& library) override;
    bool HasFunction(const std::string& library, const std::string& function) override;
    bool EnumProcesses(std::size_t maxCount, std::vector<std::uint32_t>& processIds) override;
    bool EnumProcessModules(platform::Handle process, std::size_t maxCount,
                            std::vector<platform::Handle>& modules) override;
    std::size_t GetModuleFileNameEx(platform::Handle process, platform::Handle module,
                                    std::string& path) override;
    platform::Handle CreateSnapshot(std::uint32_t flags, std::uint32_t processId) override;
    bool ProcessFirst(platform::Handle snapshot, platform::ProcessEntry& entry) override;
    bool ProcessNext(platform::Handle snapshot, platform::ProcessEntry& entry) override;
    bool ModuleFirst(platform::Handle snapshot, platform::ModuleEntry& entry) override;
    bool ModuleNext(platform::Handle snapshot, platform::ModuleEntry& entry) override;
    platform::ErrorCode CreateMutex(const std::string& name, platform::Handle& mutex) override;
    void ReleaseMutex(platform::Handle mutex) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override;

    // --- Test set-up ---

    // A program file that can be started. Its path matches without regard to case; a
    // command line may name it with or without ".exe", quoted or not.
    void AddProgram(const std::string& path, ProgramBehaviour behaviour = {});
    void AddProgram(const std::string& path, BehaviourFor behaviour);
    // A process already running when the test starts (by default until terminated).
    std::uint32_t AddRunningProcess(
        const std::string& image,
        ProgramBehaviour behaviour = ProgramBehaviour::RunsFor(ProgramBehaviour::kForever));
    // OpenProcess and module snapshots of the process fail with kAccessDenied.
    void DenyOpen(std::uint32_t processId);
    // Toolhelp shows full paths as Windows 9x does, instead of file names.
    void ShowFullPathsInSnapshots(bool fullPaths) { fullPathsInSnapshots_ = fullPaths; }
    // Another copy of the program holds the named mutex.
    void HoldMutexElsewhere(const std::string& name) { mutexesElsewhere_.insert(name); }
    void ReleaseMutexElsewhere(const std::string& name) { mutexesElsewhere_.erase(name); }
    // Called as every WaitForProcess begins, with the handle waited for: a test looks at the
    // program under test while it waits.
    void SetWaitObserver(std::function<void(platform::Handle)> observer) {
        waitObserver_ = std::move(observer);
    }
    // The libraries and functions LoadLibrary and HasFunction find. By default the ones the
    // programs look for: PSAPI.DLL, Kernel32.dll (toolhelp), Shell32.dll, Advapi32.dll.
    void AddLibrary(const std::string& library, const std::vector<std::string>& functions);
    void RemoveLibrary(const std::string& library);
    void RemoveFunction(const std::string& library, const std::string& function);

    // --- Assertions ---

    const std::vector<StartedProcess>& Started() const { return started_; }
    std::optional<ProcessState> Process(std::uint32_t processId);
    std::vector<std::uint32_t> RunningProcessIds();
    bool IsImageRunning(const std::string& image);
    const std::vector<std::string>& LoadedLibraries() const { return loaded_; }
    std::size_t OpenHandleCount() const { return handles_.size(); }
    // CloseHandle calls with a handle that was not open (double closes, made-up handles).
    int InvalidCloses() const { return invalidCloses_; }
    std::uint64_t SleptMs() const { return slept_; }
    int MutexReleases() const { return mutexReleases_; }

    // --- For the other fakes ---

    // Starts a program as CreateProcess does, recording `via` as the starting operation.
    platform::ErrorCode Start(const std::string& commandLine, std::uint32_t creationFlags,
                              bool hiddenWindow, const std::string& via,
                              platform::ProcessInfo& info);
    // When the process behind a process or thread handle ends (or ended); nothing for other
    // handles.
    std::optional<std::uint64_t> EndTime(platform::Handle process);
    // Applies every start and end whose virtual time has come.
    void Settle();
    // Closes a handle the fake itself opened, without counting it as a call.
    void DropHandle(platform::Handle handle) { handles_.erase(handle); }

  private:
    struct Proc;
    struct Snapshot;
    struct OpenHandle {
        enum class Kind { kProcess, kThread, kSnapshot, kMutex };
        Kind kind = Kind::kProcess;
        std::uint32_t pid = 0;
        std::string mutexName;
        std::shared_ptr<Snapshot> snapshot;
    };
    struct Program {
        std::string path;
        BehaviourFor behaviour;
    };
    struct Library {
        std::string name;
        std::set<std::string> functions;
    };

    const Program* FindProgram(const std::string& candidate) const;
    std::optional<std::pair<const Program*, std::string>> Resolve(
        const std::string& commandLine) const;
    Proc& Launch(const std::string& image, const std::string& commandLine,
                 const ProgramBehaviour& behaviour, std::uint64_t start, std::uint32_t parent);
    Proc* FindProc(std::uint32_t processId);
    Proc* ProcOf(platform::Handle handle);
    platform::Handle NewHandle(OpenHandle entry);
    Library* FindLibrary(const std::string& name);
    template <typename Entry>
    bool Step(platform::Handle snapshot, std::vector<Entry> Snapshot::*list,
              std::size_t Snapshot::*cursor, bool restart, Entry& entry);

    VirtualClock& clock_;
    Faults& faults_;
    std::vector<Program> programs_;
    std::vector<std::unique_ptr<Proc>> procs_;
    std::map<platform::Handle, OpenHandle> handles_;
    std::vector<StartedProcess> started_;
    std::set<std::uint32_t> denied_;
    std::set<std::string> mutexesElsewhere_;
    std::vector<Library> libraries_;
    std::vector<std::string> loaded_;
    bool fullPathsInSnapshots_ = false;
    std::function<void(platform::Handle)> waitObserver_;
    std::uint32_t nextPid_ = 1000;
    platform::Handle nextHandle_ = 0x100;
    int invalidCloses_ = 0;
    int mutexReleases_ = 0;
    std::uint64_t slept_ = 0;
};

}  // namespace velnora::fake
