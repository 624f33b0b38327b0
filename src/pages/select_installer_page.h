// The installer page: what the run will install, in one of three forms (the catalogue of
// autorun.ini with tick boxes, the one installer autorun.ini names, or any program the user
// browses for), and the Install button that starts the run. AutorunInstallerPage is the same
// page as the program's main window in the Autorun start mode.
#pragma once

#include <string>
#include <vector>

#include "core/context.h"
#include "flows/install_run.h"
#include "flows/install_sequence.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "pages/page_prompt.h"
#include "pages/quick_list.h"
#include "platform/dialog_page.h"

namespace velnora::pages {

// Results of the page, numbered as the install pages end their dialogs.
enum class InstallerPageResult {
    kStopped = 0,  // a run stopped while the selection was skipped, or Back
    kCompleted = 1,
    kExit = 2,
};

// The dialog's end and back; a page that could not be shown ended as Exit.
constexpr int DialogResult(InstallerPageResult result) {
    return static_cast<int>(result);
}
InstallerPageResult InstallerPageResultOf(int dialogResult);

class SelectInstallerPage : public platform::DialogPage, public flows::RunView {
  public:
    explicit SelectInstallerPage(installer::Context& context);

    // The window the run minimises and titles with its progress: the main menu that opened the
    // page, or the page itself.
    void SetMainPage(platform::DialogPage* mainPage) { mainPage_ = mainPage; }
    // The log the run's steps and installers go to; none by default.
    void SetLog(core::RunLog* log) { prompt_.SetLog(log); }
    // Installer switches came on the command line: autorun.ini's Quiet, NoMessage and
    // QuitAfterInstall then stay unread.
    void SetOptionsFromCommandLine(bool interactive, bool restartPc);
    // What became of a restart the run asked for, once the page has closed.
    flows::RestartEnd Restart() const { return restart_; }

    int Form() const override { return form_; }
    int ResumeIndex() const override { return resumeIndex_; }
    int EntryCount() const override { return entryCount_; }
    bool IsTicked(int entry) const override;
    bool Interactive() const override { return interactive_; }
    std::string InstallerPath() override;
    void EnableButtons(bool enabled) override;
    void EnableExit() override;
    void MinimizeForRun() override;
    bool IsMinimized() const override { return minimized_; }
    void Hide() override;
    std::string MainTitle() override;
    void SetMainTitle(const std::string& title) override;
    void RestorePageTitle() override;
    flows::Prompt& RunPrompt() override { return prompt_; }

    void OnInitDialog() override;
    void OnCommand(int controlId, int code) override;
    void OnNotify(const platform::Notification& notification) override;
    void OnGetCell(int controlId, int row, int column, platform::ListCell& cell) override;
    int OnFindRow(int controlId, int startRow, const std::string& prefix) override;
    bool OnMouseOver(int controlId) override;
    bool PreTranslateKeyDown(int virtualKey) override;
    void OnShowWindow(bool visible) override;
    bool OnQueryEndSession() override;
    void OnEndSession(bool ending) override;
    void OnDestroy() override;

  protected:
    // Runs the installers; the page ends or becomes usable again.
    virtual void StartInstall();
    // After a run that stopped: the page ends when the choice was skipped, else the user may
    // choose again.
    void AfterStoppedRun();
    void End(InstallerPageResult result) { EndDialog(DialogResult(result)); }
    // The base page gives the main window back when it closes after a run; the twin's main
    // window stays hidden, as the install manager waiting for it brings back its own.
    virtual bool RestoresMainWindow() const { return !context_.startup.elevatedTwin; }
    installer::Context& Context() { return context_; }

  private:
    void ChooseForm();
    void ShowForm();
    void FillList();
    void DescribeCell(int row, int column, platform::ListCell& cell);
    void ReadOptions();
    void UpdateInstallButton();
    void ShowDescription(const std::string& text);
    void HideAndStart();
    void Browse();
    void OfferRestart();

    installer::Context& context_;
    PagePrompt prompt_{context_, this};
    CQuickList list_;
    platform::DialogPage* mainPage_ = this;
    int form_ = installer::pageform::kBrowse;
    int entryCount_ = 0;
    int resumeIndex_ = 0;
    std::vector<int> ticks_;  // one per entry shown
    bool optionsFromCommandLine_ = false;
    bool interactive_ = true;
    bool noMessage_ = false;
    bool restartPc_ = false;
    bool quitAfterInstall_ = false;
    bool skipSelect_ = false;
    bool minimized_ = false;
    // A quiet page starts its run once, however often it is shown again.
    bool started_ = false;
    flows::RestartEnd restart_ = flows::RestartEnd::kNone;
    std::string installerName_;  // single form: the full path
    std::string description_;
    std::string selText_;
    std::string longestName_;
};

// The Autorun start mode's page: after a completed run the finish page.
class AutorunInstallerPage final : public SelectInstallerPage {
  public:
    using SelectInstallerPage::SelectInstallerPage;

  protected:
    void StartInstall() override;
    bool RestoresMainWindow() const override { return false; }
};

// Runs the page modally over `owner` (none: as the program's main window) and tells the install
// flow how it ended.
flows::InstallerPageEnd RunInstallerPage(core::Context& context, SelectInstallerPage& page,
                                         const platform::DialogPage* owner);

}  // namespace velnora::pages
