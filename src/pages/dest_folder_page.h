// The destination folder page: where a new environment of Vantorix goes. It proposes a free
// folder under the program files folder, lets the user browse for another or type a new one,
// and refuses a folder tree that already holds a Vantorix installation. The folder it accepts
// is handed to the vendor installer through the tool record, not used here.
#pragma once

#include <optional>
#include <string>

#include "platform/dialog_page.h"

namespace velnora::core {
struct Context;
}

namespace velnora::pages {

// Results of the page, numbered as the install pages end their dialogs.
enum class DestResult {
    kNext = 1,  // accepted; the context's chosen install folder is set
    kExit = 2,  // Exit, Escape or the close box; nothing changed
};

// The dialog's end and back; a page that could not be shown ended as Exit.
constexpr int DialogResult(DestResult result) {
    return static_cast<int>(result);
}
DestResult DestResultOf(int dialogResult);

class DestFolderPage final : public platform::DialogPage {
  public:
    explicit DestFolderPage(core::Context& context);

    // The folder the page shows.
    const std::string& Folder() const { return folder_; }

    void OnInitDialog() override;
    void OnCommand(int controlId, int code) override;

  private:
    void SetTexts();
    void Change();
    void Next();

    core::Context& context_;
    std::string folder_;
};

// Runs the page modally. kNext leaves the accepted folder in `startup.chosenInstallDir`; any
// other end, a page that cannot be shown included, gives kExit with that value unchanged.
DestResult RunDestinationFolderPage(core::Context& context,
                                    const platform::DialogPage* owner = nullptr);
// The same, giving the accepted folder; nothing when the page ended any other way.
std::optional<std::string> ChooseDestinationFolder(core::Context& context,
                                                   const platform::DialogPage* owner);

}  // namespace velnora::pages
