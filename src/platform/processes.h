// Processes, process enumeration, the mutex and the clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace velnora::platform {

namespace createflags {
inline constexpr std::uint32_t kNewConsole = 0x10;
inline constexpr std::uint32_t kSeparateWowVdm = 0x800;
}  // namespace createflags

namespace toolhelp {
inline constexpr std::uint32_t kSnapProcess = 0x2;
inline constexpr std::uint32_t kSnapModule = 0x8;
inline constexpr std::uint32_t kSnapAll = 0xF;
}  // namespace toolhelp

inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kStillActive = 259;

struct ProcessInfo {
    Handle process = kNoHandle;
    Handle thread = kNoHandle;
    std::uint32_t processId = 0;
};

struct ProcessEntry {  // PROCESSENTRY32
    std::uint32_t processId = 0;
    std::string exeFile;  // full path on Windows 9x, file name on the NT family
};

struct ModuleEntry {  // MODULEENTRY32
    std::uint32_t processId = 0;
    std::string moduleName;  // file name
    std::string exePath;     // full path
};

class Processes;

// A process, snapshot or other kernel handle that is closed on every path.
class ScopedHandle {
  public:
    ScopedHandle(Processes& processes, Handle handle) : processes_(processes), handle_(handle) {}
    explicit ScopedHandle(Processes& processes) : ScopedHandle(processes, kNoHandle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNoHandle; }
    // Closes the handle held and takes `handle` instead.
    void Reset(Handle handle = kNoHandle);
    // Gives the handle up without closing it.
    Handle Release();

  private:
    Processes& processes_;
    Handle handle_;
};

class Processes {
  public:
    virtual ~Processes() = default;

    // CreateProcess with no application name, no inheritance, the program's own environment,
    // current folder and start-up record. `hiddenWindow` asks the start-up record for a
    // hidden window (console commands). kFileNotFound and the like when it cannot start.
    virtual ErrorCode CreateProcess(const std::string& commandLine, std::uint32_t creationFlags,
                                    bool hiddenWindow, ProcessInfo& info) = 0;
    // WaitForSingleObject on a process handle: kWaitObject0 once it has ended, else
    // kWaitTimeout.
    virtual std::uint32_t WaitForProcess(Handle process, std::uint32_t timeoutMs) = 0;
    // kStillActive while it runs.
    virtual ErrorCode GetExitCode(Handle process, std::uint32_t& exitCode) = 0;
    // OpenProcess with access 0x410 (query information, read memory).
    virtual ErrorCode OpenProcess(std::uint32_t processId, Handle& process) = 0;
    // OpenProcess with all access (as Windows XP counts it), which ending a process needs.
    virtual ErrorCode OpenProcessAllAccess(std::uint32_t processId, Handle& process) = 0;
    virtual ErrorCode TerminateProcess(Handle process, std::uint32_t exitCode) = 0;
    // Closes process, thread, snapshot and mutex handles.
    virtual void CloseHandle(Handle handle) = 0;

    // LoadLibrary/GetProcAddress as the enumeration layer needs them: is the system library
    // there, does it export the function? `library` is a bare file name, looked for in the
    // system folder only. A loaded library stays loaded.
    virtual bool LoadLibrary(const std::string& library) = 0;
    virtual bool HasFunction(const std::string& library, const std::string& function) = 0;

    // PSAPI: at most maxCount identifiers of running processes.
    virtual bool EnumProcesses(std::size_t maxCount, std::vector<std::uint32_t>& processIds) = 0;
    // PSAPI: at most maxCount modules of an opened process, the program file first.
    virtual bool EnumProcessModules(Handle process, std::size_t maxCount,
                                    std::vector<Handle>& modules) = 0;
    // PSAPI: a module's full path; returns its length, 0 on failure.
    virtual std::size_t GetModuleFileNameEx(Handle process, Handle module, std::string& path) = 0;

    // Toolhelp: kNoHandle when the snapshot cannot be taken.
    virtual Handle CreateSnapshot(std::uint32_t flags, std::uint32_t processId) = 0;
    virtual bool ProcessFirst(Handle snapshot, ProcessEntry& entry) = 0;
    virtual bool ProcessNext(Handle snapshot, ProcessEntry& entry) = 0;
    virtual bool ModuleFirst(Handle snapshot, ModuleEntry& entry) = 0;
    virtual bool ModuleNext(Handle snapshot, ModuleEntry& entry) = 0;

    // CreateMutex without initial owner. kAlreadyExists (with a valid handle) when another
    // copy holds it.
    virtual ErrorCode CreateMutex(const std::string& name, Handle& mutex) = 0;
    virtual void ReleaseMutex(Handle mutex) = 0;

    virtual void Sleep(std::uint32_t milliseconds) = 0;
    virtual std::uint32_t GetTickCount() = 0;
};

}  // namespace velnora::platform
