// The main menu: the first page of the Install start mode. The read-me, the two ways to install
// Vantorix (into the active environment, or into a new folder beside the others) and the
// maintenance page, with an explanation of the button under the mouse pointer. An install is a
// sequence of pages on top of this one; from Windows 6 on the elevated twin runs it instead,
// on this same page, hidden.
#pragma once

#include <cstdint>
#include <string>

#include "core/context.h"
#include "platform/dialog_page.h"

namespace velnora::pages {

// The picture beside the program on the medium.
inline constexpr char kMainMenuPictureName[] = "InstManImg.bmp";

// How an install sequence ended.
enum class InstallOutcome {
    kCompleted,  // the installer page finished its run; the finish page has been shown
    kLeft,       // the user left a page with Exit, or a page or the search failed
};

class CMainMenuDlg final : public platform::DialogPage {
  public:
    explicit CMainMenuDlg(core::Context& context);

    // The context the read-me opens at: where the user is in the program.
    std::uint32_t HelpContext() const { return helpContext_; }

    // The pages of an install, one after another, until the installer page has finished or
    // the user has left. A completed install ends this page and shows the finish page.
    InstallOutcome InstallSequence(bool standardInstall);
    // A run that a restart cut off goes on where it stopped: no folder is asked again, and the
    // installer page resumes by itself. Ends like the sequence.
    InstallOutcome ResumeInstall();

    void OnInitDialog() override;
    void OnCommand(int controlId, int code) override;
    bool OnMouseOver(int controlId) override;

  private:
    enum class Step { kStart = 1, kDestination = 2, kInstallers = 3, kDone = 4 };

    void SetTexts();
    void EnableOffers();
    void ReadFirst();
    void Maintenance();
    void Install(bool standardInstall);
    // 1: on to the installer page; 2: the user left, or nothing is left to go back to; -1: the
    // search of the environments failed.
    int DestinationStep(bool standardInstall, int setInstallDir, Step previous);
    int RunInstallerPage();
    void Finish();

    core::Context& context_;
    std::string explanation_;
    std::uint32_t helpContext_;
};

// The twin's install: the main menu, opened hidden and without owner, runs the sequence and
// is gone. Returns the twin's exit code (kDone after a completed install, kAborted otherwise).
int RunHiddenInstall(core::Context& context, bool standardInstall);
// The same for the run that the twin ran before a restart.
int RunHiddenResume(core::Context& context);

}  // namespace velnora::pages
