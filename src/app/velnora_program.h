// The install manager program as a whole: start-up, the one dispatched page, exit.
#pragma once

#include "platform/platform.h"

namespace velnora::app {

// Runs one life of the install manager on a platform; returns the process exit code.
int RunVelnora(platform::Platform& platform);

}  // namespace velnora::app
