#include "maintenance/environment_uninstall.h"

#include "core/context.h"
#include "platform/registry.h"

namespace velnora::maintenance {

bool UninstallActiveEnvironment(core::Context& context) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Open(registry.Root(platform::RegRoot::LocalMachine),
                 std::string(core::kUninstallRoot) + "\\" + core::kVantorixProductGuid,
                 platform::regaccess::kRead) != platform::error::kSuccess)
        return false;
    platform::RegValue value;
    if (registry.QueryValue(key.Get(), "UninstallString", 1023, value) != platform::error::kSuccess)
        return false;
    key.Close();
    std::string command = platform::ValueText(value);
    const auto open = command.find('"');
    if (open != std::string::npos)
        command = command.substr(open);
    auto& processes = context.platform.processes;
    platform::ProcessInfo info;
    if (processes.CreateProcess(command, 0x10, false, info) != platform::error::kSuccess)
        return false;
    processes.WaitForProcess(info.process, 0xFFFFFFFF);
    std::uint32_t code = 0;
    processes.GetExitCode(info.process, code);
    processes.CloseHandle(info.process);
    processes.CloseHandle(info.thread);
    return true;
}

}  // namespace velnora::maintenance
