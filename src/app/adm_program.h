// The elevated twin as a whole: start-up, the one operation handed over, exit.
#pragma once

#include <functional>

#include "core/context.h"
#include "platform/platform.h"

namespace velnora::app {

// Runs the switch (StartMode kMaintenance) or the uninstall (kUninstall) of an environment
// table row on the hidden maintenance page; returns the twin's exit code.
using MaintenanceOperation = std::function<int(core::Context&, core::StartMode, int row)>;

// Runs one life of VelnoraAdm on a platform; returns the process exit code (twinexit::*).
int RunVelnoraAdm(platform::Platform& platform, const MaintenanceOperation& maintenance);

}  // namespace velnora::app
