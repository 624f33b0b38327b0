// The elevated twin VelnoraAdm: from Windows version 6 on, the install manager hands each
// operation that needs administrator rights to it, started through the shell with the "runas"
// verb, and waits for it. This is the install manager's side of that hand-over, and what the
// two programs agree on: the mode tokens and the exit codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/exit_codes.h"

namespace velnora::maintenance {

inline constexpr char kTwinProgramFile[] = "VelnoraAdm.exe";

// The twin's mode tokens. The maintenance tokens are followed by a blank, an environment table
// row in decimal, a blank and the key name of that row.
namespace twintoken {
inline constexpr std::string_view kStandardInstall = "-standard_install";
inline constexpr std::string_view kMultiInstall = "-multi_install";
inline constexpr std::string_view kMaintenanceActive = "-maintenance_active";
inline constexpr std::string_view kMaintenanceUninstall = "-maintenance_uninstall";
// The install manager hands a run that the twin ran before a restart back to it; accepted only
// while that run waits to go on.
inline constexpr std::string_view kResumeInstall = "-resume_install";
}  // namespace twintoken

// The exit codes of VelnoraAdm.
namespace twinexit = core::twinexit;

// How a hand-over to the twin ended.
struct TwinOutcome {
    enum class End {
        kNotStarted,  // VelnoraAdm.exe missing, or the user refused the elevation
        kNotSeen,     // the wait for the twin, or the read of its exit code, failed
        kExited,      // exitCode is the twin's
    };
    End end = End::kNotStarted;
    std::uint32_t exitCode = 0;

    // The twin ran its operation to its end.
    bool Done() const { return end == End::kExited && exitCode == twinexit::kDone; }
};

// "-maintenance_active 2 {GUID}": a maintenance token, its row and the row's key name (a GUID
// text, which has no blank).
// From Windows 6 on only an elevated process may change environments: the install manager hands
// that work to its twin, and the console asks for an elevated prompt.
bool ChangesNeedElevation(const platform::OsVersion& os);
// The work goes to the twin: the program is not the twin itself, on a Windows that needs it.
bool TwinDoesTheWork(const core::StartupValues& startup);

std::string TwinParameters(std::string_view modeToken, int row, std::string_view keyName);

// Starts VelnoraAdm.exe from the running program's folder with `parameters` and waits for it
// without handling messages. The main window is hidden meanwhile (and off the taskbar) in the
// Install start mode and for an uninstall; afterwards it is shown, restored, enabled and
// brought to the foreground (so is the owner after an uninstall), also when the wait failed.
// Nothing was hidden when the twin could not be started. `owner` owns the elevation prompt;
// `mainPage` is the program's main window. Either may be null.
TwinOutcome RunElevatedTwin(core::Context& context, const std::string& parameters,
                            platform::DialogPage* owner, platform::DialogPage* mainPage);

// Makes an open page the foreground window, from whichever thread holds the foreground.
void BringToForeground(platform::DialogPage& page);

// The first step of a page's initialisation in the twin: the page shrinks to nothing at the
// centre of where it was, hidden and disabled.
void HideOwnerPage(platform::DialogPage& page);

}  // namespace velnora::maintenance
