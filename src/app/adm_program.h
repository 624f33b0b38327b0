// The elevated twin as a whole: start-up, the one operation handed over, exit.
#pragma once

#include "platform/platform.h"

namespace velnora::app {

// Runs one life of VelnoraAdm on a platform; returns the process exit code (twinexit::*).
int RunVelnoraAdm(platform::Platform& platform);

}  // namespace velnora::app
