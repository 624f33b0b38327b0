// The main menu: the first page of the Install start mode. The read-me, the two ways to install
// Vantorix (into the active environment, or into a new folder beside the others) and the
// maintenance page, with an explanation of the button under the mouse pointer. An install is a
// sequence of pages on top of this one; from Windows 6 on the elevated twin runs it instead,
// with this same page, hidden, as the owner of its pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "flows/install_sequence.h"
#include "installer/context.h"
#include "pages/page_prompt.h"
#include "platform/dialog_page.h"

namespace velnora::pages {

// The picture beside the program on the medium.
inline constexpr char kMainMenuPictureName[] = "InstManImg.bmp";

// The install's pages run over the menu, which answers the install flow's questions with them.
class MainMenuPage final : public platform::DialogPage, public flows::InstallPromptOver {
  public:
    explicit MainMenuPage(installer::Context& context);

    // The context the read-me opens at: where the user is in the program.
    std::uint32_t HelpContext() const { return helpContext_; }

    // After a completed install: the menu ends under the finish page; once that closes the
    // program ends.
    void Finish();

    // The install sequence, and the resume of a run a restart cut off, each with its log.
    flows::InstallOutcome RunLoggedSequence(flows::InstallKind kind);
    flows::InstallOutcome ResumeLogged();

    std::optional<std::string> ChooseDestination() override;
    flows::InstallerPageEnd SelectAndRun() override;

    void OnInitDialog() override;
    void OnCommand(int controlId, int code) override;
    bool OnMouseOver(int controlId) override;

  private:
    void SetTexts();
    void EnableOffers();
    void ReadFirst();
    void Maintenance();
    void Install(bool standardInstall);

    installer::Context& context_;
    PagePrompt prompt_{context_, this};
    std::string explanation_;
    std::uint32_t helpContext_;
};

}  // namespace velnora::pages
