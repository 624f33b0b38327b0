// The dialog that asks which environment becomes active when none is, after the active one has
// been uninstalled and two or more remain. OK runs the switch for the chosen one.
#pragma once

#include "pages/dialog_layout.h"
#include "platform/dialog_page.h"

namespace velnora::core {
struct Context;
}

namespace velnora::pages {

class CActiveSelectDlg final : public platform::DialogPage {
  public:
    explicit CActiveSelectDlg(core::Context& context);

    // The table row chosen when OK was pressed; -1 before.
    int SelectedRow() const { return selectedRow_; }
    // A Windows shutdown was refused while the dialog was open; closing it restarts Windows.
    bool EndSessionNoticed() const { return endSessionNoticed_; }

    void OnInitDialog() override;
    void OnCommand(int controlId, int code) override;
    bool PreTranslateKeyDown(int virtualKey) override;
    void OnSize(int width, int height) override;
    bool OnQueryEndSession() override;
    void OnEndSession(bool ending) override;
    void OnDestroy() override;

  private:
    void FillList();
    void ActivateChosen();

    core::Context& context_;
    int selectedRow_ = -1;
    bool endSessionNoticed_ = false;
    DialogLayout layout_;
};

}  // namespace velnora::pages
