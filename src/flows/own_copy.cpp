#include "flows/own_copy.h"

#include "installer/context.h"
#include "maintenance/own_installation.h"

namespace velnora::flows {

OwnCopyOutcome InstallOwnCopy(environments::Context& context, Prompt& prompt) {
    prompt.Progress("The install manager installs its own copy");
    core::Notices notices;
    const bool installed = maintenance::InstallOwnCopy(context, notices);
    for (const core::Notice& notice : notices)
        prompt.Tell(notice);
    prompt.Progress(installed ? "The own copy is installed" : "The own copy is not complete");
    return installed ? OwnCopyOutcome::kInstalled : OwnCopyOutcome::kFailed;
}

}  // namespace velnora::flows
