// The dialog that asks which environment becomes active when none is, after the active one has
// been uninstalled and two or more remain. It only chooses: OK gives the chosen row, and the
// flow that asked makes it active.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "flows/prompt.h"
#include "pages/dialog_layout.h"
#include "platform/dialog_page.h"

namespace velnora::core {
struct Context;
}

namespace velnora::pages {

class ActiveSelectDialog final : public platform::DialogPage {
  public:
    // Lists the choices in their order.
    ActiveSelectDialog(core::Context& context, std::vector<flows::EnvironmentChoice> choices);

    // The row chosen when OK was pressed; -1 before and when the dialog was closed otherwise.
    int SelectedRow() const { return selectedRow_; }
    // The key name of the chosen row; nothing when none was chosen.
    std::optional<std::string> ChosenKeyName() const;
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
    void TakeChosen();

    core::Context& context_;
    const std::vector<flows::EnvironmentChoice> choices_;
    int selectedRow_ = -1;
    bool endSessionNoticed_ = false;
    DialogLayout layout_;
};

}  // namespace velnora::pages
