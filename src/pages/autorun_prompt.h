// The Autorun start mode's side of the install flow: without a main menu, the destination folder
// page and the installer page are the program's own windows, and boxes have no owner.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flows/install_sequence.h"
#include "installer/context.h"
#include "pages/page_prompt.h"

namespace velnora::pages {

class AutorunPrompt final : public flows::InstallPromptOver {
  public:
    explicit AutorunPrompt(installer::Context& context)
        : InstallPromptOver(prompt_), context_(context) {}

    // Installer switches came on the command line: the installer page takes them instead of
    // autorun.ini's options.
    void SetOptionsFromCommandLine(bool interactive, bool restartPc);

    std::optional<std::string> ChooseDestination() override;
    flows::InstallerPageEnd SelectAndRun() override;

  private:
    struct Switches {
        bool interactive;
        bool restartPc;
    };

    installer::Context& context_;
    PagePrompt prompt_{context_, nullptr};
    std::optional<Switches> switches_;
};

}  // namespace velnora::pages
