// Starting one vendor installer and waiting for it with the window messages kept flowing, the
// process-enumeration layer, and restart / cancelled shutdown of Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/notice.h"
#include "platform/session.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {
struct Context;
}

namespace velnora::installer {

struct Context;

// The forms of the installer page; the resume point depends on them.
namespace pageform {
inline constexpr int kList = 0;
inline constexpr int kSingle = 1;
inline constexpr int kBrowse = 2;
}  // namespace pageform

// Timing of RunInstaller, in milliseconds.
inline constexpr std::uint32_t kStartPhaseMs = 500;
inline constexpr std::uint32_t kStartPollSleepMs = 20;
inline constexpr std::uint32_t kStartPollPumpMs = 20;
inline constexpr std::uint32_t kWaitPollMs = 200;
inline constexpr std::uint32_t kGraceMs = 3000;

// The command line is copied into a buffer of this many characters, its terminating zero
// included.
inline constexpr std::size_t kCommandBufferSize = 260;
inline constexpr std::size_t kMaxCommandLength = kCommandBufferSize - 1;

// Limits of the PSAPI enumeration.
inline constexpr std::size_t kMaxProcessIds = 200;
inline constexpr std::size_t kMaxModules = 100;

// Whoever watches a run while it goes on: what the run has to say before it has ended (a
// quit message, a run state that could not be written) cannot wait for its end, which may be
// the end of the program.
class RunWatch {
  public:
    virtual ~RunWatch() = default;
    virtual void Tell(const core::Notice& notice) = 0;
};

// Is a process of this identifier in the current process list? False also when the
// enumeration functions cannot be loaded.
bool IsProcessAlive(environments::Context& context, std::uint32_t processId,
                    core::Notices& notices);

// Does a running process have a module whose full path equals `path` (letter case ignored)?
// `platformId` 1 (Windows 9x) compares the processes' program files only. Ends the program
// (twinexit::kCutOff), after telling `watch` why, when the enumeration functions cannot be
// loaded.
bool IsImageRunning(environments::Context& context, std::uint32_t platformId,
                    const std::string& path, RunWatch& watch);

// The command line of entry `index`: the installer command followed directly by the entry's
// InstallOption (nothing when the catalogue has no such entry).
std::string InstallerCommandLine(const Context& context, int index);

// How RunInstaller comes back; every other end of a run ends the program.
enum class InstallerRun {
    kEnded,
    kNotStarted,
};

// Starts the installer command, records the resume point, waits until the process has gone
// and a grace time has passed, and clears the run state after the last entry. Returns kEnded
// when the installer ran and ended. Returns kNotStarted, after telling MsgInstallFailed, when
// there is no command or when the command line does not fit its 260-character buffer (nothing
// is started then), or when the installer cannot be started. Every other outcome ends the program
// with twinexit::kCutOff: the installer ended within its first half second, Windows is ending the
// logon, or the quit message was pumped.
// `exitCode` receives the installer's exit code when it ran.
InstallerRun RunInstaller(Context& context, int index, int count, int form, RunWatch& watch,
                          std::uint32_t& exitCode);

// Keep the user interface alive for `milliseconds` without using the processor between
// messages; both end the program (twinexit::kCutOff) when the quit message is pumped.
void PumpMessagesFor(core::Context& context, std::uint32_t milliseconds, RunWatch& watch);
void WaitWithMessages(core::Context& context, std::uint32_t milliseconds);

// The ExitWindows flags: kind 1 shuts down, 2 powers off, 3 logs off, anything else restarts;
// `force` adds the force flag.
std::uint32_t RestartFlags(int kind, bool force);
void RestartWindows(platform::Session& session, int kind, bool force);

// Cancels a shutdown in progress; true when one was cancelled.
bool CancelPendingShutdown(platform::Session& session);

// A page that held back the end of the session restarts Windows itself when it closes: the
// shutdown that was asked for is cancelled and a restart asked instead.
void RestartAfterRefusedShutdown(core::Context& context);

}  // namespace velnora::installer
