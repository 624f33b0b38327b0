// VelnoraCmd, the console program for administrators and deployment tools: the install
// manager's operations without a window, one command per run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace velnora::app {

// "VelnoraCmd" gives "Velnora": the install manager whose mutex, settings file and logs the
// console program shares.
std::string ManagerBaseNameOfCmd(std::string_view programBaseName);

// Runs one command given by `arguments` (UTF-8, without the program's own name); returns the
// process exit code.
int RunVelnoraCmd(platform::Platform& platform, const std::vector<std::string>& arguments);

}  // namespace velnora::app
