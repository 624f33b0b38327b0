// Processes, process enumeration (PSAPI and toolhelp, found at run time), the mutex and the
// clock.
#pragma once

#include <map>
#include <memory>

#include "platform/processes.h"

namespace velnora::platform::win32 {

class Win32Processes final : public Processes {
  public:
    Win32Processes();
    ~Win32Processes() override;

    ErrorCode CreateProcess(const std::string& commandLine, std::uint32_t creationFlags,
                            bool hiddenWindow, ProcessInfo& info) override;
    std::uint32_t WaitForProcess(Handle process, std::uint32_t timeoutMs) override;
    ErrorCode GetExitCode(Handle process, std::uint32_t& exitCode) override;
    ErrorCode OpenProcess(std::uint32_t processId, Handle& process) override;
    ErrorCode OpenProcessAllAccess(std::uint32_t processId, Handle& process) override;
    ErrorCode TerminateProcess(Handle process, std::uint32_t exitCode) override;
    void CloseHandle(Handle handle) override;

    bool LoadLibrary(const std::string& library) override;
    bool HasFunction(const std::string& library, const std::string& function) override;

    bool EnumProcesses(std::size_t maxCount, std::vector<std::uint32_t>& processIds) override;
    bool EnumProcessModules(Handle process, std::size_t maxCount,
                            std::vector<Handle>& modules) override;
    std::size_t GetModuleFileNameEx(Handle process, Handle module, std::string& path) override;

    Handle CreateSnapshot(std::uint32_t flags, std::uint32_t processId) override;
    bool ProcessFirst(Handle snapshot, ProcessEntry& entry) override;
    bool ProcessNext(Handle snapshot, ProcessEntry& entry) override;
    bool ModuleFirst(Handle snapshot, ModuleEntry& entry) override;
    bool ModuleNext(Handle snapshot, ModuleEntry& entry) override;

    ErrorCode CreateMutex(const std::string& name, Handle& mutex) override;
    void ReleaseMutex(Handle mutex) override;

    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override;

  private:
    struct Psapi;
    struct Toolhelp;
    const Psapi& PsapiFunctions();
    const Toolhelp& ToolhelpFunctions();

    // Libraries loaded on request, by the name they were asked for; never freed.
    std::map<std::string, Handle> libraries_;
    std::unique_ptr<Psapi> psapi_;
    std::unique_ptr<Toolhelp> toolhelp_;
};

}  // namespace velnora::platform::win32
