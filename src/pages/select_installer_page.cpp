#include "pages/select_installer_page.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/parsing.h"
#include "environments/tool_record.h"
#include "installer/catalogue.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "installer/medium.h"
#include "installer/run_state.h"
#include "pages/finish_page.h"
#include "resource_ids.h"

namespace velnora::pages {

namespace {

using core::LocalText;
using installer::pageform::kBrowse;
using installer::pageform::kList;
using installer::pageform::kSingle;

constexpr LocalText kTitle{"Choose software", "インストール製品の選択"};
constexpr LocalText kExitAutorun{"Close", "閉じる"};
constexpr LocalText kExitOther{"Exit", "中断"};
constexpr LocalText kRestartAdvice{
    "You will be prompted to restart Windows after the installer has finished. Since Install "
    "Manager has a remaining postprocess to execute, skip restarting Windows after the installer "
    "has finished, and wait until Install Manager finishes before you restart Windows.",
    "インストールプログラム終了時にWindowsの再起動を促される場合があります。インストール\r\n"
    "マネージャの後処理が残っていますので、インストールプログラム終了時のWindowsの\r\n"
    "再起動はスキップし、インストールマネージャ終了後に再起動してください。"};
constexpr LocalText kBrowseFilterPrefix{"Execute files ", "実行ファイル "};

struct ControlText {
    int id;
    LocalText text;
};
constexpr ControlText kFixedTexts[] = {
    {IDC_INST_DETAIL, {"Detail", "説明"}},
    {IDC_INST_BACK, {"Back", "戻る"}},
    {IDC_INST_INSTALL, {"Install", "インストール"}},
    {IDC_INST_BROWSE, {"Refer...", "参照"}},
};

// What each form shows: its texts and which controls.
struct FormLook {
    LocalText headline;
    LocalText instruction;
    LocalText hint;
    bool list;      // the list with its detail frame
    bool path;      // the path edit
    bool browse;    // the Browse button
    bool advice;    // the restart advice
    bool editable;  // the path can be typed
};
constexpr FormLook kFormLooks[] = {
    // kList
    {{"Please choose software to install.", "インストールするソフトウェア製品を選択してください。"},
     {"Please click [Install] after choosing software to install.",
      "インストールするソフトウェア製品を選択したら、[インストール]を押してください。 "
      "インストールプログラムを実行します。"},
     {"", ""},
     true,
     false,
     false,
     false,
     false},
    // kSingle
    {{"The installers listed below will be executed.",
      "以下のインストールプログラムを実行します。"},
     {"Please click [Install]. It execute installation program.",
      "[インストール]を押してください。インストールプログラムを実行します。"},
     {"", ""},
     false,
     true,
     false,
     true,
     false},
    // kBrowse
    {{"Select the installer you want.", "インストールプログラムを指定してください。"},
     {"Please click [Install] after having specify a installer to install."
      "It execute installation program.",
      "インストールプログラムを指定したら、[インストール]を押してください。 "
      "インストールプログラムを実行します。"},
     {"Click the Browse button and select the installer program file you want from the ensuing "
      "list.",
      "参照ボタンを押してインストールプログラムのファイルを指定してください。"},
     false,
     true,
     true,
     true,
     true},
};

constexpr int kFontControls[] = {
    IDC_INST_HEADLINE,    IDC_INST_LIST,   IDC_INST_PATH,        IDC_INST_BROWSE,
    IDC_INST_HINT,        IDC_INST_DETAIL, IDC_INST_DESCRIPTION, IDC_INST_RESTART_ADVICE,
    IDC_INST_INSTRUCTION, IDC_INST_BACK,   IDC_INST_INSTALL,     IDC_INST_EXIT};

constexpr std::size_t kProfileBuffer = 1024;
constexpr std::size_t kMaxNameBytes = 256;
// Room beside the longest name for the tick box and the margins.
constexpr int kColumnPadding = 60;

}  // namespace

SelectInstallerPage::SelectInstallerPage(installer::Context& context)
    : DialogPage(IDD_SELECT_INSTALLER),
      context_(context),
      list_(IDC_INST_LIST, [this](int row, int column, platform::ListCell& cell) {
          DescribeCell(row, column, cell);
      }) {
    installer::ResetForInstallerPage(context_.run);
}

void SelectInstallerPage::SetOptionsFromCommandLine(bool interactive, bool restartPc) {
    optionsFromCommandLine_ = true;
    interactive_ = interactive;
    restartPc_ = restartPc;
}

bool SelectInstallerPage::IsTicked(int entry) const {
    return entry >= 0 && entry < static_cast<int>(ticks_.size()) &&
           ticks_[static_cast<std::size_t>(entry)] != 0;
}

std::string SelectInstallerPage::InstallerPath() {
    return GetText(IDC_INST_PATH);
}

void SelectInstallerPage::EnableButtons(bool enabled) {
    for (const int id : {IDC_INST_BACK, IDC_INST_INSTALL, IDC_INST_EXIT})
        Enable(id, enabled);
}

void SelectInstallerPage::EnableExit() {
    Enable(IDC_INST_EXIT, true);
}

void SelectInstallerPage::MinimizeForRun() {
    Window().ShowWindow(platform::WindowShow::kMinimize);
    if (mainPage_ != this && mainPage_->IsOpen())
        mainPage_->OpenWindow()->ShowWindow(platform::WindowShow::kMinimize);
    minimized_ = true;
}

void SelectInstallerPage::Hide() {
    Window().ShowWindow(platform::WindowShow::kHide);
}

std::string SelectInstallerPage::MainTitle() {
    return mainPage_->IsOpen() ? mainPage_->OpenWindow()->GetText(0) : std::string();
}

void SelectInstallerPage::SetMainTitle(const std::string& title) {
    if (mainPage_->IsOpen())
        mainPage_->OpenWindow()->SetText(0, title);
}

void SelectInstallerPage::RestorePageTitle() {
    SetText(0, context_.texts.Pick(kTitle));
}

void SelectInstallerPage::OnInitDialog() {
    auto& window = Window();
    window.SetIcon(IDI_PROGRAM);
    description_.clear();
    skipSelect_ = false;
    for (const int id : kFontControls)
        core::ApplyPageFont(window, id, context_.texts);
    const core::TextSet& texts = context_.texts;
    RestorePageTitle();
    for (const ControlText& fixed : kFixedTexts)
        SetText(fixed.id, texts.Pick(fixed.text));
    const bool autorun = context_.startup.startMode == core::StartMode::kAutorun;
    SetText(IDC_INST_EXIT, texts.Pick(autorun ? kExitAutorun : kExitOther));
    if (autorun)
        context_.startup.standardInstall = true;

    ChooseForm();
    ShowForm();
    if (form_ == kSingle && skipSelect_)
        HideAndStart();
    if (form_ == kList) {
        FillList();
        if (!optionsFromCommandLine_)
            ReadOptions();
        UpdateInstallButton();
        if (installer::ReadRunOptions(context_).restartPc)
            restartPc_ = true;
        if (resumeIndex_ != 0 || skipSelect_)
            HideAndStart();
    }
}

void SelectInstallerPage::ChooseForm() {
    const installer::InstallerForm chosen = installer::ChooseInstallerForm(context_);
    form_ = chosen.form;
    installerName_ = chosen.installerPath;
    entryCount_ = chosen.entryCount;
    skipSelect_ = chosen.skipSelect;
    if (form_ != kList)
        return;
    context_.platform.profile.GetString(
        context_.texts.UseJapanese() ? "Installer_Jpn" : "Installer", "SelText", "", kProfileBuffer,
        context_.startup.autorunPath, selText_);
    for (int entry = 0; entry < entryCount_; ++entry) {
        const std::string& entryName =
            context_.catalogue.Entry(static_cast<std::size_t>(entry)).name;
        if (entryName.size() > longestName_.size())
            longestName_ = entryName.substr(0, kMaxNameBytes);
    }
}

void SelectInstallerPage::ShowForm() {
    const FormLook& look = kFormLooks[form_];
    const core::TextSet& texts = context_.texts;
    SetText(IDC_INST_HEADLINE, texts.Pick(look.headline));
    SetText(IDC_INST_INSTRUCTION, texts.Pick(look.instruction));
    SetText(IDC_INST_HINT, texts.Pick(look.hint));
    SetText(IDC_INST_RESTART_ADVICE, look.advice ? texts.Pick(kRestartAdvice) : std::string());
    Show(IDC_INST_LIST, look.list);
    Show(IDC_INST_DETAIL, look.list);
    Show(IDC_INST_DESCRIPTION, look.list);
    Show(IDC_INST_HINT, !look.list);
    Show(IDC_INST_RESTART_ADVICE, look.advice);
    Show(IDC_INST_PATH, look.path);
    Show(IDC_INST_BROWSE, look.browse);
    Window().SetReadOnly(IDC_INST_PATH, !look.editable);
    if (form_ == kSingle)
        SetText(IDC_INST_PATH, installerName_);
    if (look.list)
        ShowDescription(selText_);
}

void SelectInstallerPage::FillList() {
    auto& window = Window();
    std::string resume;
    installer::ReadRunState(context_, installer::kRunStateSection, installer::kContinueKey, resume);
    resumeIndex_ = static_cast<int>(core::ParseUnsignedAutoBase(resume));
    ticks_.assign(static_cast<std::size_t>(entryCount_), 1);
    for (std::size_t entry = 0; entry < ticks_.size(); ++entry)
        ticks_[entry] = installer::ReadStartTickState(context_, entry, resumeIndex_ != 0) ? 1 : 0;

    list_.Attach(window, platform::liststyle::kFullRowSelect | platform::liststyle::kCheckBoxes |
                             platform::liststyle::kSubItemImages);
    list_.InsertColumn(0, "Installer",
                       window.TextWidth(IDC_INST_LIST, longestName_) + kColumnPadding);
    list_.SetRowCount(entryCount_);
    list_.EnableToolTips();
}

void SelectInstallerPage::ReadOptions() {
    const installer::RunOptions options = installer::ReadRunOptions(context_);
    if (options.quiet)
        interactive_ = false;
    noMessage_ = noMessage_ || options.noMessage;
    quitAfterInstall_ = quitAfterInstall_ || options.quitAfterInstall;
}

void SelectInstallerPage::UpdateInstallButton() {
    Enable(IDC_INST_INSTALL,
           std::any_of(ticks_.begin(), ticks_.end(), [](int t) { return t; }) || form_ != kList);
}

void SelectInstallerPage::ShowDescription(const std::string& text) {
    description_ = text;
    SetText(IDC_INST_DESCRIPTION, text);
}

// Out of sight: moved to the corner with no size, then hidden.
void SelectInstallerPage::HideAndStart() {
    started_ = true;
    Window().CollapseAndHide();
    StartInstall();
}

void SelectInstallerPage::StartInstall() {
    if (flows::RunInstallers(context_, *this) == flows::RunOutcome::kCompleted) {
        End(InstallerPageResult::kCompleted);
        return;
    }
    AfterStoppedRun();
}

InstallerPageResult InstallerPageResultOf(int dialogResult) {
    if (dialogResult == DialogResult(InstallerPageResult::kStopped))
        return InstallerPageResult::kStopped;
    if (dialogResult == DialogResult(InstallerPageResult::kCompleted))
        return InstallerPageResult::kCompleted;
    return InstallerPageResult::kExit;
}

flows::InstallerPageEnd RunInstallerPage(core::Context& context, SelectInstallerPage& page,
                                         const platform::DialogPage* owner) {
    switch (InstallerPageResultOf(context.platform.ui.RunModal(page, owner))) {
        case InstallerPageResult::kCompleted:
            return page.Restart() == flows::RestartEnd::kRestartNeeded
                       ? flows::InstallerPageEnd::kRestartNeeded
                       : flows::InstallerPageEnd::kCompleted;
        case InstallerPageResult::kStopped:
            return flows::InstallerPageEnd::kStopped;
        case InstallerPageResult::kExit:
            break;
    }
    return flows::InstallerPageEnd::kLeft;
}

void SelectInstallerPage::AfterStoppedRun() {
    if (skipSelect_) {
        End(InstallerPageResult::kStopped);
        return;
    }
    EnableButtons(true);
    Enable(0, true);
    minimized_ = false;
    Window().ShowWindow(platform::WindowShow::kRestore);
}

// The finish page follows a completed run: the Autorun mode ends there. A run that stopped
// (a missing installer, a refused update) is no completed installation: the page stays for
// another choice, and the install manager does not install its own copy for it either.
void AutorunInstallerPage::StartInstall() {
    if (flows::RunInstallers(Context(), *this) != flows::RunOutcome::kCompleted) {
        AfterStoppedRun();
        return;
    }
    RunFinishPage(Context(), this);
    End(InstallerPageResult::kCompleted);
}

void SelectInstallerPage::OnCommand(int controlId, int code) {
    if (code != platform::notify::kButtonClicked)
        return;
    switch (controlId) {
        case IDC_INST_INSTALL:
            StartInstall();
            return;
        case IDC_INST_EXIT:
            End(InstallerPageResult::kExit);
            return;
        case IDC_INST_BACK:
            End(InstallerPageResult::kStopped);
            return;
        case IDC_INST_BROWSE:
            Browse();
            return;
        case platform::cmd::kHelp:
            core::OpenHelp(context_, core::helpcontext::kInstallPages);
            return;
        case platform::cmd::kCancel: {
            core::Notices notices;
            installer::FinishRunState(context_, entryCount_, entryCount_, notices);
            for (const core::Notice& notice : notices)
                prompt_.Tell(notice);
            End(InstallerPageResult::kExit);
            return;
        }
        default:
            return;
    }
}

void SelectInstallerPage::Browse() {
    platform::FileDialogRequest request;
    request.filters = {{context_.texts.Pick(kBrowseFilterPrefix) + "(*.exe)", "*.exe"}};
    std::string path;
    if (context_.platform.ui.ChooseFileToOpen(this, request, path))
        SetText(IDC_INST_PATH, path);
}

void SelectInstallerPage::OnNotify(const platform::Notification& notification) {
    const auto click = list_.Click(notification);
    if (!click)
        return;
    const int row = click->item;
    if (click->onCheckBox && row < entryCount_ &&
        installer::IsOnWordOrEmpty(
            context_.catalogue.Entry(static_cast<std::size_t>(row)).userSelection)) {
        ticks_[static_cast<std::size_t>(row)] ^= 1;
        list_.RedrawRow(row);
        for (const std::size_t changed : installer::ApplySelectionConditions(
                 context_.catalogue, static_cast<std::size_t>(row), ticks_))
            list_.RedrawRow(static_cast<int>(changed));
    }
    UpdateInstallButton();
}

void SelectInstallerPage::OnGetCell(int controlId, int row, int column, platform::ListCell& cell) {
    list_.GetCell(controlId, row, column, cell);
}

int SelectInstallerPage::OnFindRow(int controlId, int startRow, const std::string& prefix) {
    return list_.FindRow(controlId, startRow, prefix).value_or(-1);
}

void SelectInstallerPage::DescribeCell(int row, int column, platform::ListCell& cell) {
    if (row < 0 || row >= entryCount_)
        return;
    const installer::InstallerEntry& entry =
        context_.catalogue.Entry(static_cast<std::size_t>(row));
    if (column == 0) {
        cell.hasCheckBox = true;
        cell.checked = ticks_[static_cast<std::size_t>(row)] != 0;
        cell.text = " " + entry.name;
    } else {
        cell.text = "0%";
    }
    cell.greyed = installer::IsOffWord(entry.userSelection);
    cell.tip = entry.tooltip;
    // The list asks for the cell under the mouse before its tooltip: the detail follows it.
    if (entry.tooltip != description_)
        ShowDescription(entry.tooltip);
}

bool SelectInstallerPage::OnMouseOver(int controlId) {
    if (controlId != IDC_INST_LIST && description_ != selText_)
        ShowDescription(selText_);
    return false;
}

bool SelectInstallerPage::PreTranslateKeyDown(int virtualKey) {
    if (virtualKey != platform::kVirtualKeyEscape)
        return false;
    End(InstallerPageResult::kExit);
    return true;
}

void SelectInstallerPage::OnShowWindow(bool visible) {
    if (visible && !interactive_ && !started_)
        HideAndStart();
}

bool SelectInstallerPage::OnQueryEndSession() {
    installer::NoteEndOfSession(context_.run);
    return true;
}

void SelectInstallerPage::OnEndSession(bool) {
    installer::NoteEndOfSession(context_.run);
}

void SelectInstallerPage::OnDestroy() {
    list_.Detach();
    OfferRestart();
}

void SelectInstallerPage::OfferRestart() {
    if (!context_.run.installerFinished)
        return;
    if (RestoresMainWindow() && mainPage_ != this && mainPage_->IsOpen())
        mainPage_->OpenWindow()->ShowWindow(platform::WindowShow::kRestore);
    restart_ = flows::OfferRestart(context_, prompt_, restartPc_, noMessage_);
}

}  // namespace velnora::pages
