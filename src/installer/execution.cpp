#include "installer/execution.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "core/exit_codes.h"
#include "core/texts.h"
#include "installer/catalogue.h"
#include "installer/context.h"
#include "installer/run_state.h"
#include "platform/text_units.h"

namespace velnora::installer {

namespace {

using platform::Handle;
using platform::kNoHandle;
using platform::PumpStep;

// The run was cut off, not done: the install manager waiting for the twin must not take it for
// a completed install.
[[noreturn]] void EndProgram(core::Context& context) {
    context.platform.session.ExitProcess(context.startup.cutOffExitCode);
    // The session never comes back from ExitProcess; should one ever do so, stop here.
    __builtin_trap();
}

// Closes the installer's handles before the program ends.
[[noreturn]] void EndProgram(core::Context& context, const platform::ProcessInfo& info) {
    auto& processes = context.platform.processes;
    if (info.process != kNoHandle)
        processes.CloseHandle(info.process);
    if (info.thread != kNoHandle)
        processes.CloseHandle(info.thread);
    EndProgram(context);
}

// The framework's pump: every waiting message is dispatched; the quit message ends the
// program.
void PumpThread(core::Context& context) {
    for (;;) {
        switch (context.platform.ui.PumpOne()) {
            case PumpStep::kEmpty:
                return;
            case PumpStep::kDispatched:
                break;
            case PumpStep::kQuit:
                EndProgram(context);
        }
    }
}

// The removing loop: a quit message taken here is reported and posted again, so that the
// framework's pump that follows ends the program.
void TakeMessages(core::Context& context, RunWatch& watch) {
    auto& ui = context.platform.ui;
    for (;;) {
        switch (ui.PumpOne()) {
            case PumpStep::kEmpty:
                return;
            case PumpStep::kDispatched:
                break;
            case PumpStep::kQuit:
                watch.Tell({context.texts.Get(core::TextId::kMsgQuitDetected),
                            core::NoticeCaption::kProgramName, platform::mb::kOk, false});
                ui.PostQuit(0);
                return;
        }
    }
}

// Pumps messages until more than `milliseconds` have passed, asleep between messages. With a
// process to watch it also wakes, and returns true at once, when that process ends, so the
// caller's next poll is not held back; a process already seen to end must not be passed
// again, or the sleep would return at once every time.
bool PumpFor(core::Context& context, std::uint32_t milliseconds, Handle watch, RunWatch& runWatch) {
    auto& processes = context.platform.processes;
    const std::uint32_t start = processes.GetTickCount();
    for (;;) {
        PumpThread(context);
        const std::uint32_t elapsed = processes.GetTickCount() - start;
        if (elapsed > milliseconds)
            return false;
        // Messages that arrive during the sleep meet the removing loop first.
        context.platform.ui.WaitForMessageOrProcess(watch, milliseconds + 1 - elapsed);
        TakeMessages(context, runWatch);
        PumpThread(context);
        if (watch != kNoHandle && processes.WaitForProcess(watch, 0) == platform::kWaitObject0)
            return true;
    }
}

bool IsNtFamily(const core::Context& context) {
    return context.startup.osVersion.IsNt();
}

void TellAll(RunWatch& watch, const core::Notices& notices) {
    for (const core::Notice& notice : notices)
        watch.Tell(notice);
}

// A module snapshot of one process: does one of its modules have this full path?
bool ProcessHasModule(platform::Processes& processes, std::uint32_t processId,
                      const std::string& path) {
    const platform::ScopedHandle snapshot(
        processes, processes.CreateSnapshot(platform::toolhelp::kSnapModule, processId));
    if (!snapshot)
        return false;
    bool found = false;
    platform::ModuleEntry module;
    for (bool more = processes.ModuleFirst(snapshot.Get(), module); more && !found;
         more = processes.ModuleNext(snapshot.Get(), module))
        found = SameTextIgnoringCase(module.exePath, path);
    return found;
}

bool IsImageRunningPsapi(platform::Processes& processes, const std::string& path) {
    std::vector<std::uint32_t> processIds;
    if (!processes.EnumProcesses(kMaxProcessIds, processIds))
        return false;
    if (processIds.size() > kMaxProcessIds)
        processIds.resize(kMaxProcessIds);
    for (const std::uint32_t processId : processIds) {
        Handle opened = kNoHandle;
        if (processes.OpenProcess(processId, opened) != platform::error::kSuccess)
            continue;
        const platform::ScopedHandle process(processes, opened);
        std::vector<Handle> modules;
        bool found = false;
        if (processes.EnumProcessModules(process.Get(), kMaxModules, modules)) {
            if (modules.size() > kMaxModules)
                modules.resize(kMaxModules);
            for (const Handle module : modules) {
                std::string name;
                if (processes.GetModuleFileNameEx(process.Get(), module, name) > 0 &&
                    SameTextIgnoringCase(name, path)) {
                    found = true;
                    break;
                }
            }
        }
        if (found)
            return true;
    }
    return false;
}

bool IsImageRunningToolhelp(platform::Processes& processes, std::uint32_t platformId,
                            const std::string& path) {
    const platform::ScopedHandle snapshot(
        processes, processes.CreateSnapshot(platform::toolhelp::kSnapAll, 0));
    if (!snapshot)
        return false;
    bool found = false;
    platform::ProcessEntry entry;
    for (bool more = processes.ProcessFirst(snapshot.Get(), entry); more && !found;
         more = processes.ProcessNext(snapshot.Get(), entry)) {
        // Windows 9x lists every program file with its full path; the NT family needs a
        // look at the modules.
        if (platformId == platform::kWin9xPlatformId)
            found = SameTextIgnoringCase(entry.exeFile, path);
        else
            found = ProcessHasModule(processes, entry.processId, path);
    }
    return found;
}

}  // namespace

bool IsProcessAlive(environments::Context& context, std::uint32_t processId,
                    core::Notices& notices) {
    if (!environments::EnsureProcessApi(context, notices))
        return false;
    auto& processes = context.platform.processes;

    if (context.processApi.usePsapi) {
        std::vector<std::uint32_t> processIds;
        if (!processes.EnumProcesses(kMaxProcessIds, processIds))
            return false;
        if (processIds.size() > kMaxProcessIds)
            processIds.resize(kMaxProcessIds);
        return std::find(processIds.begin(), processIds.end(), processId) != processIds.end();
    }

    const platform::ScopedHandle snapshot(
        processes, processes.CreateSnapshot(platform::toolhelp::kSnapProcess, 0));
    if (!snapshot)
        return false;
    bool found = false;
    platform::ProcessEntry entry;
    for (bool more = processes.ProcessFirst(snapshot.Get(), entry); more && !found;
         more = processes.ProcessNext(snapshot.Get(), entry))
        found = entry.processId == processId;
    return found;
}

bool IsImageRunning(environments::Context& context, std::uint32_t platformId,
                    const std::string& path, RunWatch& watch) {
    core::Notices notices;
    const bool loaded = environments::EnsureProcessApi(context, notices);
    TellAll(watch, notices);
    if (!loaded)
        EndProgram(context);
    auto& processes = context.platform.processes;
    if (context.processApi.usePsapi)
        return IsImageRunningPsapi(processes, path);
    return IsImageRunningToolhelp(processes, platformId, path);
}

std::string InstallerCommandLine(const Context& context, int index) {
    std::string command = context.run.installerCommand;
    if (index >= 0) {
        if (const installer::InstallerEntry* entry =
                context.catalogue.Find(static_cast<std::size_t>(index)))
            command += entry->installOption;
    }
    return command;
}

InstallerRun RunInstaller(Context& context, int index, int count, int form, RunWatch& watch,
                          std::uint32_t& exitCode) {
    auto& state = context.run;
    auto& processes = context.platform.processes;
    const auto& os = context.startup.osVersion;
    const core::Notice installFailed{context.texts.Get(core::TextId::kMsgInstallFailed),
                                     core::NoticeCaption::kError,
                                     platform::mb::kOk | platform::mb::kIconError, false};
    // What the run state and the process list have to say is told at once: the program may end
    // before the run does.
    const auto told = [&watch](auto&& step) {
        core::Notices notices;
        const auto result = step(notices);
        TellAll(watch, notices);
        return result;
    };
    const auto alive = [&](std::uint32_t processId) {
        return told([&](core::Notices& n) { return IsProcessAlive(context, processId, n); });
    };
    const auto recordResumePoint = [&](int point) {
        core::Notices notices;
        RecordResumePoint(context, point, notices);
        TellAll(watch, notices);
    };

    const std::string commandLine = InstallerCommandLine(context, index);
    // An empty command, or one that would not fit the command buffer: nothing is started, and
    // the sequence sees a run without success.
    if (state.installerCommand.empty() || !platform::FitsBuffer(commandLine, kCommandBufferSize)) {
        watch.Tell(installFailed);
        return InstallerRun::kNotStarted;
    }

    // An installer that cannot be started installed nothing: the run goes on without it, so
    // that an environment parked for it is brought back instead of staying parked.
    platform::ProcessInfo info;
    if (processes.CreateProcess(commandLine, platform::createflags::kSeparateWowVdm, false, info) !=
        platform::error::kSuccess) {
        watch.Tell(installFailed);
        return InstallerRun::kNotStarted;
    }

    // Watched for its end while asleep, until it has been seen to end.
    Handle process = info.process;
    const auto pump = [&](std::uint32_t milliseconds) {
        if (PumpFor(context, milliseconds, process, watch))
            process = kNoHandle;
    };

    // Start phase: an installer that is gone at once (a launcher that handed over) or a logon
    // that ends now leaves this installer as the resume point on the NT family.
    const std::uint32_t start = processes.GetTickCount();
    while (processes.GetTickCount() - start < kStartPhaseMs) {
        processes.Sleep(kStartPollSleepMs);
        pump(kStartPollPumpMs);
        if (!alive(info.processId) || state.shutdownNoticed) {
            if (IsNtFamily(context))
                recordResumePoint(index);
            EndProgram(context, info);
        }
    }

    recordResumePoint(form == pageform::kList ? index + 1 : index);

    // Wait phase. Windows 2000 and later repeat this installer after the restart; on NT 4 and
    // Windows 9x the next entry stays recorded.
    for (;;) {
        pump(kWaitPollMs);
        if (state.shutdownNoticed) {
            if (IsNtFamily(context) && os.major > 4)
                recordResumePoint(index);
            EndProgram(context, info);
        }
        if (!alive(info.processId))
            break;
    }

    // Grace time for whatever the installer left running as it closed.
    WaitWithMessages(context, kGraceMs);
    exitCode = 0;
    processes.GetExitCode(info.process, exitCode);
    processes.CloseHandle(info.process);
    processes.CloseHandle(info.thread);
    info = platform::ProcessInfo{};
    state.installerFinished = true;

    if (state.shutdownNoticed)
        EndProgram(context);

    core::Notices notices;
    FinishRunState(context, index + 1, count, notices);
    TellAll(watch, notices);
    return InstallerRun::kEnded;
}

void PumpMessagesFor(core::Context& context, std::uint32_t milliseconds, RunWatch& watch) {
    PumpFor(context, milliseconds, kNoHandle, watch);
}

void WaitWithMessages(core::Context& context, std::uint32_t milliseconds) {
    auto& processes = context.platform.processes;
    const std::uint32_t start = processes.GetTickCount();
    for (;;) {
        PumpThread(context);
        const std::uint32_t elapsed = processes.GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        context.platform.ui.WaitForMessageOrProcess(kNoHandle, milliseconds - elapsed);
    }
}

std::uint32_t RestartFlags(int kind, bool force) {
    std::uint32_t flags = platform::ewx::kReboot;
    switch (kind) {
        case 1:
            flags = platform::ewx::kShutdown;
            break;
        case 2:
            flags = platform::ewx::kPowerOff;
            break;
        case 3:
            flags = platform::ewx::kLogoff;
            break;
        default:
            break;
    }
    if (force)
        flags |= platform::ewx::kForce;
    return flags;
}

void RestartWindows(platform::Session& session, int kind, bool force) {
    session.EnableShutdownPrivilege();
    session.ExitWindows(RestartFlags(kind, force));
}

void RestartAfterRefusedShutdown(core::Context& context) {
    CancelPendingShutdown(context.platform.session);
    RestartWindows(context.platform.session, /*kind: restart*/ 0, /*force=*/false);
}

bool CancelPendingShutdown(platform::Session& session) {
    if (session.EnableShutdownPrivilege() != platform::error::kSuccess)
        return false;
    const std::uint32_t version = session.GetVersionNumber();
    const bool win9x = (version & 0x80000000u) != 0;
    if (win9x || (version & 0xFFu) < 3)
        return false;
    return session.AbortSystemShutdown().value_or(false);
}

}  // namespace velnora::installer
