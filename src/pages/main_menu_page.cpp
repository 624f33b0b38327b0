#include "pages/main_menu_page.h"

#include <string>

#include "core/texts.h"
#include "installer/context.h"
#include "maintenance/elevated_twin.h"
#include "pages/dest_folder_page.h"
#include "pages/dialog_layout.h"
#include "pages/finish_page.h"
#include "pages/maintenance_page.h"
#include "pages/page_prompt.h"
#include "pages/select_installer_page.h"
#include "resource_ids.h"

namespace velnora::pages {

namespace {

using core::LocalText;

constexpr LocalText kCaption{"Vantorix Install Manager", "Vantorixインストールマネージャ"};
constexpr LocalText kNotInstalled{"Vantorix is not installed in this PC.",
                                  "このPCには、Vantorixがインストールされていません。"};

struct ControlText {
    int id;
    LocalText text;
};
constexpr ControlText kControlTexts[] = {
    {IDC_MENU_READ_FIRST, {"Read first", "はじめにお読み下さい"}},
    {IDC_MENU_STANDARD, {"Standard Install (Recommended)", "標準インストール（推奨）"}},
    {IDC_MENU_MULTI, {"Multi Install", "マルチインストール"}},
    {IDC_MENU_MAINTENANCE, {"Maintenance", "メンテナンス"}},
    {IDC_MENU_DETAIL_FRAME, {"Detail", "説明"}},
    {platform::cmd::kCancel, {"Exit", "終了"}},
};

constexpr LocalText kGeneralExplanation{
    "The Install Manager is the utility that guides you through steps as you install the "
    "integrated development environment Vantorix. It permits you to install two or more "
    "instances of the Vantorix in a single PC.",
    "Vantorixインストールマネージャは、"
    "統合開発環境Vantorixのインストール"
    "をガイドするユーティリティです。このユーティリティを使用することで、"
    "ひとつのPCに複数のVantorixを"
    "インストールすることが可能になります。"};

// The buttons the explanation follows; the pointer anywhere else gives the general one.
constexpr ControlText kButtonExplanations[] = {
    {IDC_MENU_READ_FIRST,
     {"Clicking this button shows you an explanation about the functions of the Install "
      "Manager.",
      "Vantorixインストールマネージャ"
      "の機能や、Vantorixの概要、インストール手順、"
      "インストールの際の注意事項などについて説明します。"}},
    {IDC_MENU_STANDARD,
     {"You can install the Vantorix. If you have already installed it, you can install new "
      "functions or upgrade it",
      "Vantorixのインストールを行うことができます。"
      "既にインストールされている場合は、機能の追加またはバージョンアップのためにインストールを"
      "行うことができます。"}},
    {IDC_MENU_MULTI,
     {"You can install the Vantorix in the new folder. It is possible to make multiple "
      "environments. ",
      "既にインストールされているVantorix環境とは別のフォルダに"
      "Vantorixのインストールを行うことができます。"}},
    {IDC_MENU_MAINTENANCE,
     {"Clicking this button permits you to inspect the Vantorixs which has already installed. "
      "And you can also change the active Vantorix.",
      "このボタンを押すと、既にインストールされているVantorixと"
      "その部品構成の参照、アクティブなVantorixを"
      "変更することができます。"}},
};

constexpr int kFontControls[] = {
    IDC_MENU_READ_FIRST, IDC_MENU_DETAIL_FRAME, platform::cmd::kCancel, IDC_MENU_EXPLANATION,
    IDC_MENU_STANDARD,   IDC_MENU_MULTI,        IDC_MENU_MAINTENANCE};

constexpr int kMenuButtons[] = {IDC_MENU_READ_FIRST, IDC_MENU_STANDARD, IDC_MENU_MULTI,
                                IDC_MENU_MAINTENANCE};
constexpr int kButtonPadding = 16;

constexpr std::uint32_t kFirstMultiInstallMajor = 5;

// The page's help context while a page of its own is open over it.
class HelpContextWhile {
  public:
    HelpContextWhile(std::uint32_t& slot, std::uint32_t context) : slot_(slot) { slot_ = context; }
    ~HelpContextWhile() { slot_ = core::helpcontext::kReadMe; }
    HelpContextWhile(const HelpContextWhile&) = delete;
    HelpContextWhile& operator=(const HelpContextWhile&) = delete;

  private:
    std::uint32_t& slot_;
};

}  // namespace

MainMenuPage::MainMenuPage(installer::Context& context)
    : DialogPage(IDD_MAIN_MENU),
      InstallPromptOver(prompt_),
      context_(context),
      helpContext_(core::helpcontext::kReadMe) {}

void MainMenuPage::OnInitDialog() {
    // The twin's menu only carries the install sequence; it is never seen.
    if (context_.startup.elevatedTwin)
        maintenance::HideOwnerPage(*this);
    auto& window = Window();
    window.SetIcon(IDI_PROGRAM);
    // Without the picture the page simply has none.
    window.SetPictureFile(IDC_MENU_PICTURE,
                          context_.startup.programFolder + "\\" + kMainMenuPictureName);
    for (const int id : kFontControls)
        core::ApplyPageFont(window, id, context_.texts);
    SetTexts();
    // The English label of Standard Install is longer than its template button.
    WidenToFitTexts(window, kMenuButtons, kButtonPadding);
    EnableOffers();
}

void MainMenuPage::SetTexts() {
    const core::TextSet& texts = context_.texts;
    SetText(0, texts.Pick(kCaption));
    for (const ControlText& control : kControlTexts)
        SetText(control.id, texts.Pick(control.text));
    explanation_ = texts.Pick(kGeneralExplanation);
    SetText(IDC_MENU_EXPLANATION, explanation_);
}

// Without a catalogue on the medium the buttons stay as the template has them.
void MainMenuPage::EnableOffers() {
    if (context_.startup.installerCount == 0)
        return;
    const bool environments = context_.environments.Count() != 0;
    Enable(IDC_MENU_MULTI,
           environments && context_.startup.osVersion.major >= kFirstMultiInstallMajor);
    Enable(IDC_MENU_MAINTENANCE, environments);
}

bool MainMenuPage::OnMouseOver(int controlId) {
    std::string explanation = context_.texts.Pick(kGeneralExplanation);
    for (const ControlText& button : kButtonExplanations)
        if (button.id == controlId)
            explanation = context_.texts.Pick(button.text);
    if (explanation != explanation_) {
        explanation_ = explanation;
        SetText(IDC_MENU_EXPLANATION, explanation_);
    }
    return false;
}

void MainMenuPage::OnCommand(int controlId, int code) {
    if (code != platform::notify::kButtonClicked)
        return;
    switch (controlId) {
        case IDC_MENU_READ_FIRST:
        case platform::cmd::kHelp:
            ReadFirst();
            return;
        case IDC_MENU_STANDARD:
            Install(true);
            return;
        case IDC_MENU_MULTI:
            Install(false);
            return;
        case IDC_MENU_MAINTENANCE:
            Maintenance();
            return;
        default:
            DialogPage::OnCommand(controlId, code);
    }
}

void MainMenuPage::ReadFirst() {
    core::OpenHelp(context_, helpContext_);
}

void MainMenuPage::Maintenance() {
    if (context_.environments.Count() == 0) {
        context_.platform.ui.MessageBox(this, context_.texts.Pick(kNotInstalled),
                                        context_.texts.Get(core::TextId::kCaptionConfirm),
                                        platform::mb::kOk);
        return;
    }
    MaintenancePage page(context_);
    page.SetMainPage(this);
    HelpContextWhile help(helpContext_, core::helpcontext::kMaintenance);
    context_.platform.ui.RunModal(page, this);
}

void MainMenuPage::Install(bool standardInstall) {
    if (!maintenance::TwinDoesTheWork(context_.startup)) {
        Enable(platform::cmd::kCancel, false);
        const flows::InstallOutcome outcome = RunLoggedSequence(
            standardInstall ? flows::InstallKind::kStandard : flows::InstallKind::kMulti);
        // Whatever ended the sequence, the user must be able to leave the menu again.
        Enable(platform::cmd::kCancel, true);
        if (flows::Completed(outcome))
            Finish();
        return;
    }
    const std::string token(standardInstall ? maintenance::twintoken::kStandardInstall
                                            : maintenance::twintoken::kMultiInstall);
    // The twin reports what it did through its own pages; a twin that did not finish an
    // install leaves the menu as it was.
    if (!maintenance::RunElevatedTwin(context_, token, this, this).Done())
        return;
    Finish();
}

std::optional<std::string> MainMenuPage::ChooseDestination() {
    HelpContextWhile help(helpContext_, core::helpcontext::kInstallPages);
    return ChooseDestinationFolder(context_, this);
}

flows::InstallOutcome MainMenuPage::RunLoggedSequence(flows::InstallKind kind) {
    OperationLog log(context_, prompt_,
                     kind == flows::InstallKind::kStandard ? "install" : "multi-install");
    const flows::InstallOutcome outcome = flows::RunInstallSequence(context_, *this, kind);
    log.Outcome(flows::OutcomeName(outcome));
    return outcome;
}

flows::InstallOutcome MainMenuPage::ResumeLogged() {
    OperationLog log(context_, prompt_, "resume-install");
    const flows::InstallOutcome outcome = flows::ResumeInstall(context_, *this);
    log.Outcome(flows::OutcomeName(outcome));
    return outcome;
}

flows::InstallerPageEnd MainMenuPage::SelectAndRun() {
    SelectInstallerPage page(context_);
    page.SetMainPage(this);
    // The run's steps and installers go to the sequence's log.
    page.SetLog(prompt_.Log());
    HelpContextWhile help(helpContext_, core::helpcontext::kInstallPages);
    return RunInstallerPage(context_, page, this);
}

// The twin's menu may be gone at once, so nothing of this page is touched after it has ended.
void MainMenuPage::Finish() {
    EndDialog(platform::cmd::kCancel);
    HelpContextWhile help(helpContext_, core::helpcontext::kInstallPages);
    RunFinishPage(context_, nullptr);
}

}  // namespace velnora::pages
