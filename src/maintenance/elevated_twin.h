// Placeholder of the branch that builds the twin's launch; replaced when that branch is merged.
#pragma once

#include <string>

#include "platform/dialog_page.h"

namespace velnora::core {
struct Context;
}

namespace velnora::maintenance {

int RunElevatedTwin(core::Context& context, const std::string& parameters,
                    platform::DialogPage& owner, platform::DialogPage& mainPage);

}  // namespace velnora::maintenance
