// The install manager's own copy, installed after a completed run and refreshed by "-upgrade".
#pragma once

#include "flows/prompt.h"

namespace velnora::environments {
struct Context;
}

namespace velnora::flows {

enum class OwnCopyOutcome {
    kInstalled,
    // Not complete (no environment, a folder or a copy that failed); the user was told where
    // there was something to say.
    kFailed,
};

OwnCopyOutcome InstallOwnCopy(environments::Context& context, Prompt& prompt);

}  // namespace velnora::flows
