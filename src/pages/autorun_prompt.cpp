#include "pages/autorun_prompt.h"

#include "installer/context.h"
#include "pages/dest_folder_page.h"
#include "pages/select_installer_page.h"

namespace velnora::pages {

void AutorunPrompt::SetOptionsFromCommandLine(bool interactive, bool restartPc) {
    switches_ = Switches{interactive, restartPc};
}

std::optional<std::string> AutorunPrompt::ChooseDestination() {
    return ChooseDestinationFolder(context_, nullptr);
}

// The page shows the finish page itself after a completed run, while it is still open.
flows::InstallerPageEnd AutorunPrompt::SelectAndRun() {
    AutorunInstallerPage page(context_);
    if (switches_)
        page.SetOptionsFromCommandLine(switches_->interactive, switches_->restartPc);
    page.SetLog(prompt_.Log());
    return RunInstallerPage(context_, page, nullptr);
}

}  // namespace velnora::pages
