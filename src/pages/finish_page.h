// The finish page: the last page of a run from the media. The picture of the medium, the
// completion message and Exit; when autorun.ini asks for it, an explanation under the message
// and a button that opens the web registration in the user's browser.
#pragma once

#include <string>

#include "core/context.h"
#include "platform/dialog_page.h"

namespace velnora::pages {

// The picture beside the program on the medium.
inline constexpr char kFinishPictureName[] = "InstManImg.bmp";

class FinishPage : public platform::DialogPage {
  public:
    explicit FinishPage(core::Context& context);

    // Empty unless the registration button is offered.
    const std::string& RegistrationUrl() const { return registrationUrl_; }

    // The registration button: the address opens in the browser, a new window each time.
    virtual void OpenRegistrationPage();

    void OnInitDialog() override;
    void OnCommand(int controlId, int code) override;

  private:
    void OfferRegistration();

    core::Context& context_;
    std::string registrationUrl_;
};

// Shows the finish page modally, owned by `owner` (null for none), until the user leaves it
// with Exit, Escape or the close box. The elevated twin's page ends itself unseen. Returns the
// page's result (2), or -1 when it could not be shown.
int RunFinishPage(core::Context& context, const platform::DialogPage* owner);

}  // namespace velnora::pages
