#include "pages/finish_page.h"

#include "installer/context.h"
#include "installer/web_registration.h"
#include "resource_ids.h"

namespace velnora::pages {

namespace {

using core::LocalText;

constexpr LocalText kTitle{"Vantorix Install Manager", "Vantorixインストールマネージャ"};
constexpr LocalText kExit{"Exit", "終了"};
constexpr LocalText kCompleted{"Installation has completed.", "インストールが終了しました。"};

constexpr int kFontControls[] = {IDC_FINISH_MESSAGE, platform::cmd::kCancel};

// Every backslash followed by "n" becomes a line break of the message.
std::string WithLineBreaks(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            result += "\r\n";
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace

FinishPage::FinishPage(core::Context& context) : DialogPage(IDD_FINISH), context_(context) {}

void FinishPage::OnInitDialog() {
    auto& window = Window();
    window.SetIcon(IDI_PROGRAM);
    // Without the picture the page simply has none.
    window.SetPictureFile(IDC_FINISH_PICTURE,
                          context_.startup.programFolder + "\\" + kFinishPictureName);
    const core::TextSet& texts = context_.texts;
    for (const int id : kFontControls)
        core::ApplyPageFont(window, id, texts);
    SetText(0, texts.Pick(kTitle));
    SetText(platform::cmd::kCancel, texts.Pick(kExit));
    SetText(IDC_FINISH_MESSAGE, texts.Pick(kCompleted));
    registrationUrl_.clear();
    // The twin has nothing to show: it only closes its part of the run.
    if (context_.startup.elevatedTwin) {
        EndDialog(platform::cmd::kCancel);
        return;
    }
    OfferRegistration();
}

void FinishPage::OfferRegistration() {
    const auto registration = installer::ReadWebRegistration(
        context_.platform.profile, context_.startup.autorunPath, context_.texts.UseJapanese());
    if (!registration || !installer::OffersRegistrationButton(*registration))
        return;
    registrationUrl_ = registration->url;
    SetText(IDC_FINISH_MESSAGE,
            WithLineBreaks(GetText(IDC_FINISH_MESSAGE) + "\r\n\r\n" + registration->explanation));
    SetText(IDC_FINISH_REGISTER, registration->caption);
    Show(IDC_FINISH_REGISTER, true);
    Window().SetFocus(IDC_FINISH_REGISTER);
}

void FinishPage::OnCommand(int controlId, int code) {
    if (controlId == IDC_FINISH_REGISTER && code == platform::notify::kButtonClicked) {
        OpenRegistrationPage();
        return;
    }
    DialogPage::OnCommand(controlId, code);
}

void FinishPage::OpenRegistrationPage() {
    // The shell opens an address in the user's browser; anything else it would run.
    if (!installer::IsWebAddress(registrationUrl_))
        return;
    platform::ExecuteRequest request;
    request.verb = "open";
    request.file = registrationUrl_;
    request.showCommand = platform::showcmd::kNormal;
    request.mask = platform::seemask::kFlagNoUi;
    request.owner = this;
    platform::Handle none = platform::kNoHandle;
    // A browser that cannot be started leaves the page as it is.
    context_.platform.shell.ShellExecuteEx(request, none);
}

int RunFinishPage(core::Context& context, const platform::DialogPage* owner) {
    FinishPage page(context);
    return context.platform.ui.RunModal(page, owner);
}

}  // namespace velnora::pages
