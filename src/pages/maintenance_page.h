// The maintenance page: every installed environment with the active one marked, the tool
// composition of the chosen one, and the switch, the uninstall and the report. The switch and the
// uninstall are flows the page runs with its prompt; on Windows 6 and later Velnora hands them to
// its elevated twin, which runs the same flows without this page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "installer/context.h"
#include "pages/dialog_layout.h"
#include "platform/dialog_page.h"

#include "core/context.h"
#include "core/notice.h"

namespace velnora::environments {
struct Context;
}

namespace velnora::pages {

class MaintenancePage final : public platform::DialogPage {
  public:
    explicit MaintenancePage(installer::Context& context);

    // The window hidden while the twin works: this page, or the main menu that opened it.
    void SetMainPage(platform::DialogPage* mainPage) { mainPage_ = mainPage; }

    int SelectedRow() const { return selectedRow_; }
    // As a click on the list row would.
    void SelectRow(int row) { selectedRow_ = row; }
    // The key name the list shows in the selected row; empty when none is selected.
    std::string ChosenKeyName() const;
    int ShownRow() const { return shownRow_; }
    bool RebootOnClose() const { return rebootOnClose_; }
    // The environments the page counted at the first end-of-session message; -1 before it.
    int EnvironmentCountAtShutdown() const { return environmentCountAtShutdown_; }

    // Buttons 1002 and 1026: by the twin on Windows 6 and later, here otherwise.
    void SwitchActive();
    void UninstallSelected();
    // The flows on this page, whatever the version.
    void SwitchActiveHere();
    void UninstallSelectedHere();

    void OnInitDialog() override;
    void OnCommand(int controlId, int code) override;
    void OnNotify(const platform::Notification& notification) override;
    bool PreTranslateKeyDown(int virtualKey) override;
    void OnShowWindow(bool visible) override;
    void OnSize(int width, int height) override;
    bool OnQueryEndSession() override;
    void OnEndSession(bool ending) override;
    void OnDestroy() override;

  private:
    void SetTexts();
    void InsertColumns();
    void FillEnvironmentList();
    void UpdateSelection(const platform::Notification& notification);
    void ShowToolTree(int row, bool enumerate = true);
    void LayoutPage();
    // Runs the twin with a maintenance token and the selected row, then shows what it left.
    void RunTwin(std::string_view token);
    // Enumerates the environments and tells a failed search.
    void EnumerateTelling();
    void SaveReport();
    void FocusList();
    bool WantsRebootHold();

    installer::Context& context_;
    platform::DialogPage* mainPage_ = this;
    int selectedRow_ = -1;
    int shownRow_ = -1;
    // The key name of each list row as the list was filled. The table is enumerated again
    // before the user acts (the tool tree does), and a failed enumeration may give other rows;
    // the user acts on what the list showed.
    std::vector<std::string> listedKeys_;
    bool rebootOnClose_ = false;
    int environmentCountAtShutdown_ = -1;
    DialogLayout layout_;
};

// "Save to file": asks for a text file and writes the installation report into it. A failed
// write adds a notice naming the file.
void SaveInstallationReport(environments::Context& context, core::Notices& notices);

// The twin's one operation: the switch (kMaintenance) or the uninstall (kUninstall) of the
// environment table row, as enumerated at the twin's start-up. A row that names another key than
// `keyName` is refused with a message. Returns the twin's exit code.
int RunHiddenMaintenance(installer::Context& context, core::StartMode mode, int row,
                         const std::string& keyName);

}  // namespace velnora::pages
