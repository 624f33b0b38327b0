// Processor time of the installer wait: runs RunInstaller on a stand-in installer that lives
// about 10 s and prints the wall time, this process's processor time (GetProcessTimes) and
// the share of one core it amounts to.
//
//   wait_cpu_bench.exe [installer command]
//
// Without arguments the stand-in is bench_sleeper.exe next to this program, run for 10 s.
#include "platform/win32/windows_api.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "flows/install_run.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "pages/page_prompt.h"
#include "platform/win32/win32_platform.h"

namespace {

std::uint64_t ProcessorTime100ns() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto join = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return join(kernel) + join(user);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velnora;
    platform::win32::Win32Platform win32;
    platform::Platform& platform = win32.Get();

    installer::Context context(platform);
    context.startup.programBaseName = "wait_cpu_bench";
    const std::string self = platform.session.ProgramPath();
    context.startup.programFolder = self.substr(0, self.find_last_of('\\'));
    if (!platform.session.GetVersion(context.startup.osVersion)) {
        std::fprintf(stderr, "version query failed\n");
        return 1;
    }
    core::Notices notices;
    if (!environments::LoadProcessApi(context, notices)) {
        std::fprintf(stderr, "process functions missing\n");
        return 1;
    }

    std::string command;
    for (int i = 1; i < argc; ++i) {
        if (!command.empty())
            command += ' ';
        command += argv[i];
    }
    if (command.empty())
        command = "\"" + context.startup.programFolder + "\\bench_sleeper.exe\" --run-ms 10000";
    context.run.installerCommand = command;

    std::printf("installer: %s\n", command.c_str());
    std::fflush(stdout);
    const std::uint64_t cpuBefore = ProcessorTime100ns();
    const ULONGLONG wallBefore = GetTickCount64();
    // Single-installer form, one entry: the run state is recorded and cleared again.
    pages::PagePrompt prompt(context, nullptr);
    flows::PromptWatch watch(prompt);
    std::uint32_t exitCode = 0;
    const installer::InstallerRun run =
        installer::RunInstaller(context, 0, 1, installer::pageform::kSingle, watch, exitCode);
    const double wallMs = static_cast<double>(GetTickCount64() - wallBefore);
    const double cpuMs = static_cast<double>(ProcessorTime100ns() - cpuBefore) / 10000.0;

    std::printf("result: %s\n", run == installer::InstallerRun::kEnded ? "ended" : "not started");
    std::printf("wall time: %.0f ms (installer plus %u ms grace time)\n", wallMs,
                static_cast<unsigned>(installer::kGraceMs));
    std::printf("processor time: %.1f ms\n", cpuMs);
    std::printf("share of one core: %.2f %%\n", wallMs > 0 ? 100.0 * cpuMs / wallMs : 0.0);
    return run == installer::InstallerRun::kEnded ? 0 : 1;
}
