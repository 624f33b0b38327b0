#include "maintenance/elevated_twin.h"

#include "core/context.h"

namespace velnora::maintenance {

int RunElevatedTwin(core::Context& context, const std::string& parameters, platform::DialogPage&,
                    platform::DialogPage&) {
    platform::ExecuteRequest request;
    request.verb = "runas";
    request.file = context.startup.programFolder + "\\VelnoraAdm.exe";
    request.parameters = parameters;
    platform::Handle process = platform::kNoHandle;
    if (context.platform.shell.ShellExecuteEx(request, process) != platform::error::kSuccess)
        return 1;
    context.platform.processes.WaitForProcess(process, 0xFFFFFFFF);
    std::uint32_t code = 0;
    context.platform.processes.GetExitCode(process, code);
    context.platform.processes.CloseHandle(process);
    return static_cast<int>(code);
}

}  // namespace velnora::maintenance
