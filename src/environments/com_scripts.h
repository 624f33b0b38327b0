// The batch files in an environment's folder that register or unregister its COM servers.
// Only the active environment's servers may be registered, so the switch runs the one kind
// when an environment is parked and the other when it becomes active.
#pragma once

#include <string>

#include "core/notice.h"
#include "platform/shell.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

struct Context;

// Enumerate the environments afresh and start the register (unregister) scripts of the
// environment with this uninstall key name. False when that environment is not in the table
// or its entry cannot be opened; what the scripts do, and whether they exist, does not count.
// No script starts unless "InstallLocation" is the full path of an existing folder.
bool RegisterComServers(Context& context, const std::string& keyName, core::Notices& notices);
bool UnregisterComServers(Context& context, const std::string& keyName, core::Notices& notices);

// Starts folder\name hidden, with the folder as working folder, and does not wait for it.
void RunEnvironmentScript(platform::Shell& shell, const std::string& folder,
                          const std::string& name);

}  // namespace velnora::environments
