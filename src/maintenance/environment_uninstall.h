// Placeholder of the branch that builds the uninstall; replaced when that branch is merged.
#pragma once

#include <string>

namespace velnora::core {
struct Context;
}

namespace velnora::maintenance {

bool UninstallActiveEnvironment(core::Context& context);

}  // namespace velnora::maintenance
