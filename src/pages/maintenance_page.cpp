#include "pages/maintenance_page.h"

#include <span>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "environments/move_support.h"
#include "environments/tool_record.h"
#include "flows/change_active.h"
#include "flows/uninstall_environment.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "maintenance/elevated_twin.h"
#include "maintenance/installation_report.h"
#include "pages/dialog_layout.h"
#include "pages/environment_rows.h"
#include "pages/page_prompt.h"
#include "resource_ids.h"

namespace velnora::pages {

namespace {

using core::LocalText;
using core::StartMode;

constexpr LocalText kCaptionUninstall{"Uninstall", "アンインストール"};
constexpr LocalText kCaptionMaintenance{"Maintenance", "メンテナンス"};
constexpr LocalText kHeadlineNone{"Vantorix is not installed in this PC.",
                                  "このPCには、Vantorixがインストールされていません。"};
constexpr LocalText kHeadlineInstalled{
    "Vantorix is already installed in this PC.",
    "このPCには、以下の場所にVantorixがインストールされています。"};
constexpr LocalText kExplainList{"You can refer to the details when you click line.",
                                 "リストをクリックすると、詳細を参照することができます。"};
constexpr LocalText kExplainSwitch{
    "When you click [Switch active environment], switch over the active Vantorix which you "
    "chose.",
    "[アクティブ対象の変更]ボタンを押すと、選択したVantorixをアクティブにすることができます。"};
constexpr LocalText kExplainUninstall{
    "When you click [Uninstall], uninstall the Vantorix which you chose.",
    "[アンインストール]ボタンを押すと、選択したVantorixをアンインストールすることができます。"};
constexpr LocalText kColumnActive{"Active ", "アクティブ "};
constexpr LocalText kColumnName{"DisplayName (Directory) ", "表示名 (ディレクトリ) "};
// The active row's mark is English in both languages.
constexpr char kActiveMark[] = "Active";
// The twin's row names another environment than the list of the install manager showed.
constexpr LocalText kListChanged{
    "The list of environments changed after it was shown. Nothing was changed; choose the "
    "environment again.",
    "表示した後にVantorixの一覧が変わりました。何も変更していません。もう一度選択してください。"};

struct ButtonText {
    int id;
    LocalText text;
};
constexpr ButtonText kButtonTexts[] = {
    {IDC_MAINT_HELP, {"Help", "ヘルプ"}},
    {IDC_MAINT_SWITCH, {"Switch active environment", "アクティブ対象の変更"}},
    {IDC_MAINT_UNINSTALL, {"Uninstall", "アンインストール"}},
    {IDC_MAINT_EXIT, {"Exit", "閉じる"}},
    {IDC_MAINT_SAVE, {"Save to file", "ファイルに保存"}},
};

constexpr int kRowButtons[] = {IDC_MAINT_SWITCH, IDC_MAINT_UNINSTALL, IDC_MAINT_SAVE,
                               IDC_MAINT_HELP};
constexpr int kButtonPadding = 16;

constexpr int kFontControls[] = {IDC_MAINT_HELP,        IDC_MAINT_SWITCH, IDC_MAINT_UNINSTALL,
                                 IDC_MAINT_EXIT,        IDC_MAINT_LIST,   IDC_MAINT_HEADLINE,
                                 IDC_MAINT_EXPLANATION, IDC_MAINT_SAVE,   IDC_MAINT_TREE};

// What the page offers in each start mode: which buttons show and what the explanation says.
struct ModeOffer {
    bool switchButton;
    bool uninstallButton;
    bool saveButton;
};
ModeOffer OfferFor(StartMode mode) {
    switch (mode) {
        case StartMode::kInstall:
            return {true, false, true};
        case StartMode::kUninstall:
            return {false, true, false};
        default:
            return {true, true, true};
    }
}

// The anchors of the page. The list, the tree and the row of buttons are laid out only while
// there are environments; the buttons each mode shows stand side by side from the left.
using namespace anchor;
constexpr ControlAnchors kHeadAnchors[] = {
    Anchors(IDC_MAINT_HEADLINE).Top(Dialog(13)).Left(Dialog(13)),
};
constexpr ControlAnchors kListAnchors[] = {
    Anchors(IDC_MAINT_LIST).Top(Opposite(IDC_MAINT_HEADLINE, 5)).Left(Dialog(14)).Right(Dialog(15)),
    Anchors(IDC_MAINT_TREE).Top(Opposite(IDC_MAINT_LIST, 10)).Left(Dialog(14)).Right(Dialog(15)),
};
constexpr ControlAnchors kInstallButtons[] = {
    Anchors(IDC_MAINT_SWITCH).Bottom(Dialog(8)).Left(Dialog(14)),
    Anchors(IDC_MAINT_SAVE).Bottom(Dialog(8)).Left(Opposite(IDC_MAINT_SWITCH, 1)),
    Anchors(IDC_MAINT_HELP).Bottom(Dialog(8)).Left(Opposite(IDC_MAINT_SAVE, 10)),
};
constexpr ControlAnchors kUninstallButtons[] = {
    Anchors(IDC_MAINT_UNINSTALL).Bottom(Dialog(8)).Left(Dialog(14)),
    Anchors(IDC_MAINT_HELP).Bottom(Dialog(8)).Left(Opposite(IDC_MAINT_UNINSTALL, 10)),
};
constexpr ControlAnchors kAllButtons[] = {
    Anchors(IDC_MAINT_SWITCH).Bottom(Dialog(8)).Left(Dialog(14)),
    Anchors(IDC_MAINT_UNINSTALL).Bottom(Dialog(8)).Left(Opposite(IDC_MAINT_SWITCH, 1)),
    Anchors(IDC_MAINT_SAVE).Bottom(Dialog(8)).Left(Opposite(IDC_MAINT_UNINSTALL, 1)),
    Anchors(IDC_MAINT_HELP).Bottom(Dialog(8)).Left(Opposite(IDC_MAINT_SAVE, 10)),
};
constexpr ControlAnchors kTailAnchors[] = {
    Anchors(IDC_MAINT_EXPLANATION).Top(Opposite(IDC_MAINT_TREE, 6)).Left(Dialog(14)),
    Anchors(IDC_MAINT_EXIT).Bottom(Dialog(8)),
};

std::span<const ControlAnchors> ButtonAnchors(StartMode mode) {
    switch (mode) {
        case StartMode::kInstall:
            return kInstallButtons;
        case StartMode::kUninstall:
            return kUninstallButtons;
        default:
            return kAllButtons;
    }
}

// A tab shows as a blank in the tree.
std::string WithoutTabs(std::string text) {
    for (char& c : text)
        if (c == '\t')
            c = ' ';
    return text;
}

}  // namespace

MaintenancePage::MaintenancePage(installer::Context& context)
    : DialogPage(IDD_MAINTENANCE), context_(context) {}

void MaintenancePage::OnInitDialog() {
    // The twin's page only carries its procedure and its boxes; it is never seen.
    if (context_.startup.elevatedTwin)
        maintenance::HideOwnerPage(*this);
    auto& window = Window();
    window.SetIcon(IDI_PROGRAM);
    selectedRow_ = -1;
    shownRow_ = -1;
    rebootOnClose_ = false;
    for (const int id : kFontControls)
        core::ApplyPageFont(window, id, context_.texts);
    SetTexts();
    // The English switch label is longer than its template button.
    WidenToFitTexts(window, kRowButtons, kButtonPadding);
    // The list enumerates the environments right before it fills itself.
    InsertColumns();
    window.SetListStyle(IDC_MAINT_LIST, platform::liststyle::kFullRowSelect);
    FillEnvironmentList();
    // Smaller than the template, the buttons would run over the tree.
    platform::Rect client;
    if (window.GetControlRect(0, client))
        window.SetMinimumSize(client.Width(), client.Height());
    layout_.Attach(window);
    LayoutPage();
}

void MaintenancePage::SetTexts() {
    const core::TextSet& texts = context_.texts;
    const bool uninstallMode = context_.startup.startMode == StartMode::kUninstall;
    SetText(0, texts.Pick(uninstallMode ? kCaptionUninstall : kCaptionMaintenance));
    for (const ButtonText& button : kButtonTexts)
        SetText(button.id, texts.Pick(button.text));
}

void MaintenancePage::InsertColumns() {
    auto& window = Window();
    const core::TextSet& texts = context_.texts;
    window.InsertColumn(IDC_MAINT_LIST, 0, texts.Pick(kColumnActive), -1);
    window.InsertColumn(IDC_MAINT_LIST, 1, texts.Pick(kColumnName), -1);
    for (int column = 0; column < 2; ++column) {
        window.SetColumnWidth(IDC_MAINT_LIST, column, platform::kColumnAutoSizeUseHeader);
        window.SetColumnWidth(IDC_MAINT_LIST, column, window.ColumnWidth(IDC_MAINT_LIST, column));
    }
}

void MaintenancePage::FillEnvironmentList() {
    auto& window = Window();
    const core::TextSet& texts = context_.texts;
    Enable(IDC_MAINT_SWITCH, false);
    Enable(IDC_MAINT_UNINSTALL, false);

    EnumerateTelling();
    const int count = context_.environments.Count();
    if (count > 0) {
        const ModeOffer offer = OfferFor(context_.startup.startMode);
        SetText(IDC_MAINT_HEADLINE, texts.Pick(kHeadlineInstalled));
        Show(IDC_MAINT_LIST, true);
        Show(IDC_MAINT_TREE, true);
        Show(IDC_MAINT_SWITCH, offer.switchButton);
        Show(IDC_MAINT_UNINSTALL, offer.uninstallButton);
        if (!offer.saveButton)
            Show(IDC_MAINT_SAVE, false);
        std::string explanation = texts.Pick(kExplainList);
        if (offer.switchButton)
            explanation += texts.Pick(kExplainSwitch);
        if (offer.uninstallButton)
            explanation += texts.Pick(kExplainUninstall);
        SetText(IDC_MAINT_EXPLANATION, explanation);
    } else {
        SetText(IDC_MAINT_HEADLINE, texts.Pick(kHeadlineNone));
        SetText(IDC_MAINT_EXPLANATION, "");
        // The tree would still show the tools of an environment that has just been uninstalled.
        for (const int id : {IDC_MAINT_UNINSTALL, IDC_MAINT_SWITCH, IDC_MAINT_LIST, IDC_MAINT_SAVE,
                             IDC_MAINT_TREE})
            Show(id, false);
        shownRow_ = -1;
    }

    window.DeleteAllRows(IDC_MAINT_LIST);
    listedKeys_.clear();
    int activeRow = -1;
    for (int row = 0; row < count; ++row) {
        listedKeys_.push_back(context_.environments.Row(row).keyName);
        const bool active = listedKeys_.back() == core::kVantorixProductGuid;
        // A row whose entry vanished since the enumeration stays, empty, so that list row i
        // remains table row i.
        window.InsertRow(IDC_MAINT_LIST, row, active ? kActiveMark : "");
        window.SetCell(IDC_MAINT_LIST, row, 1, EnvironmentRowText(context_, row));
        if (active)
            activeRow = row;
    }
    if (activeRow >= 0) {
        // The table is as fresh as it gets: no second enumeration for the tree.
        ShowToolTree(activeRow, /*enumerate=*/false);
        shownRow_ = activeRow;
    }
}

void MaintenancePage::UpdateSelection(const platform::Notification& notification) {
    auto& window = Window();
    window.SetFocus(IDC_MAINT_LIST);
    const int row = notification.code == platform::notify::kListClick
                        ? notification.item
                        : window.SelectedRow(IDC_MAINT_LIST);
    selectedRow_ = row >= 0 && row < static_cast<int>(listedKeys_.size()) ? row : -1;
    if (selectedRow_ < 0) {
        shownRow_ = -1;
        Enable(IDC_MAINT_SWITCH, false);
        Enable(IDC_MAINT_UNINSTALL, false);
        return;
    }
    if (selectedRow_ != shownRow_) {
        ShowToolTree(selectedRow_);
        shownRow_ = selectedRow_;
    }
    Enable(IDC_MAINT_UNINSTALL, true);
    Enable(IDC_MAINT_SWITCH, ChosenKeyName() != core::kVantorixProductGuid);
}

void MaintenancePage::ShowToolTree(int row, bool enumerate) {
    auto& window = Window();
    if (enumerate)
        EnumerateTelling();
    if (context_.environments.Count() == 0 || row >= context_.environments.Count())
        return;
    window.DeleteAllNodes(IDC_MAINT_TREE);

    const core::TextSet& texts = context_.texts;
    const environments::ToolComposition c = environments::ReadToolComposition(context_, row);
    const auto label = [&texts](core::TextId id) { return texts.Get(id); };

    platform::TreeNode root = platform::kTreeRoot;
    if (c.entryReadable) {
        root = window.InsertNode(IDC_MAINT_TREE, platform::kTreeRoot, c.location);
        if (context_.environments.Row(row).keyName == core::kVantorixProductGuid)
            window.SetNodeBold(IDC_MAINT_TREE, root, true);
    }
    if (c.displayNameReadable)
        window.InsertNode(IDC_MAINT_TREE, root,
                          label(core::TextId::kLabelDisplayName) + "=" + c.displayName);
    window.InsertNode(IDC_MAINT_TREE, root, label(core::TextId::kLabelVersion) + "=" + c.version);

    const auto groups = environments::PackageGroups(c);
    if (!groups.empty()) {
        const platform::TreeNode package =
            window.InsertNode(IDC_MAINT_TREE, root, label(core::TextId::kLabelPackage));
        for (const auto& group : groups) {
            platform::TreeNode parent = package;
            if (group.label)
                parent = window.InsertNode(IDC_MAINT_TREE, package, label(*group.label));
            for (const std::string& entry : *group.entries)
                window.InsertNode(IDC_MAINT_TREE, parent, group.label ? WithoutTabs(entry) : entry);
            if (parent != package)
                window.ExpandNode(IDC_MAINT_TREE, parent);
        }
        window.ExpandNode(IDC_MAINT_TREE, package);
    }
    if (!c.records.empty()) {
        const platform::TreeNode records =
            window.InsertNode(IDC_MAINT_TREE, root, label(core::TextId::kLabelInstallationRecord));
        for (const std::string& record : c.records)
            window.InsertNode(IDC_MAINT_TREE, records, record);
        window.ExpandNode(IDC_MAINT_TREE, records);
    }
    if (root != platform::kTreeRoot)
        window.ExpandNode(IDC_MAINT_TREE, root);
}

void MaintenancePage::OnCommand(int controlId, int code) {
    if (code != platform::notify::kButtonClicked)
        return;
    switch (controlId) {
        case IDC_MAINT_SWITCH:
            SwitchActive();
            return;
        case IDC_MAINT_UNINSTALL:
            UninstallSelected();
            return;
        case IDC_MAINT_SAVE:
            SaveReport();
            return;
        case IDC_MAINT_EXIT:
            EndDialog(0);
            return;
        case IDC_MAINT_HELP:
        case platform::cmd::kHelp:
            core::OpenHelp(context_, context_.startup.startMode == StartMode::kUninstall
                                         ? core::helpcontext::kMaintenanceUninstall
                                         : core::helpcontext::kMaintenance);
            return;
        default:
            DialogPage::OnCommand(controlId, code);
    }
}

void MaintenancePage::OnNotify(const platform::Notification& notification) {
    if (notification.controlId != IDC_MAINT_LIST)
        return;
    if (notification.code == platform::notify::kListClick ||
        notification.code == platform::notify::kListItemChanged ||
        notification.code == platform::notify::kListBeginDrag)
        UpdateSelection(notification);
}

bool MaintenancePage::PreTranslateKeyDown(int virtualKey) {
    if (virtualKey != platform::kVirtualKeyEscape)
        return false;
    EndDialog(0);
    return true;
}

namespace {

// The twin has no page of its own: its notices come without an owner, and the choice of the next
// active environment gets a hidden maintenance page to own it, shown while the dialog is up so
// that the dialog comes up in front.
class TwinPrompt final : public PagePrompt {
  public:
    explicit TwinPrompt(installer::Context& context)
        : PagePrompt(context, nullptr), full_(context) {}

  protected:
    void RunChoice(platform::DialogPage& dialog) override {
        MaintenancePage owner(full_);
        if (!context_.platform.ui.OpenModeless(owner, nullptr)) {
            context_.platform.ui.RunModal(dialog, nullptr);
            return;
        }
        owner.OpenWindow()->ShowWindow(platform::WindowShow::kNormal);
        context_.platform.ui.RunModal(dialog, &owner);
        owner.OpenWindow()->ShowWindow(platform::WindowShow::kHide);
    }

  private:
    installer::Context& full_;
};

}  // namespace

void SaveInstallationReport(environments::Context& context, core::Notices& notices) {
    platform::FileDialogRequest request;
    request.defaultExtension = "txt";
    request.filters = {{"Text File(*.txt)", "*.txt"}};
    std::string path;
    auto& ui = context.platform.ui;
    if (!ui.ChooseFileToSave(nullptr, request, path))
        return;
    bool written = false;
    {
        const platform::ScopedWaitCursor wait(ui);
        written = maintenance::WriteInstallationReport(context, path, notices);
    }
    if (!written)
        notices.push_back(
            environments::PathNotice(context.texts, core::TextId::kMsgFileNotWritten, path));
}

int RunHiddenMaintenance(installer::Context& context, StartMode mode, int row,
                         const std::string& keyName) {
    context.startup.startMode = mode;
    TwinPrompt prompt(context);
    // The install manager's list was read before the twin's start-up enumerated: an environment
    // removed since moves the rows, and the row alone would name another one.
    const auto& table = context.environments;
    if (row < 0 || row >= table.Count() || table.Row(row).keyName != keyName) {
        prompt.Tell(core::Notice{context.texts.Pick(kListChanged)});
        return maintenance::twinexit::kRefused;
    }
    if (mode == StartMode::kUninstall) {
        OperationLog log(context, prompt, "uninstall");
        log.Outcome(
            flows::OutcomeName(flows::UninstallEnvironment(context, prompt, keyName).outcome));
    } else {
        OperationLog log(context, prompt, "switch");
        log.Outcome(flows::OutcomeName(flows::ChangeActiveEnvironment(context, prompt, keyName)));
    }
    return maintenance::twinexit::kDone;
}

void MaintenancePage::OnShowWindow(bool) {
    LayoutPage();
}

void MaintenancePage::OnSize(int, int) {
    LayoutPage();
}

void MaintenancePage::LayoutPage() {
    layout_.Clear();
    layout_.AddControls(kHeadAnchors);
    if (context_.environments.Count() > 0) {
        layout_.AddControls(kListAnchors);
        layout_.AddControls(ButtonAnchors(context_.startup.startMode));
    }
    layout_.AddControls(kTailAnchors);
    layout_.ApplyLayout();
}

// --- Switch and uninstall ------------------------------------------------------------------

void MaintenancePage::SwitchActive() {
    if (selectedRow_ < 0)
        return;
    if (maintenance::TwinDoesTheWork(context_.startup)) {
        RunTwin(maintenance::twintoken::kMaintenanceActive);
        return;
    }
    SwitchActiveHere();
}

void MaintenancePage::UninstallSelected() {
    if (selectedRow_ < 0)
        return;
    if (maintenance::TwinDoesTheWork(context_.startup)) {
        RunTwin(maintenance::twintoken::kMaintenanceUninstall);
        return;
    }
    UninstallSelectedHere();
}

void MaintenancePage::RunTwin(std::string_view token) {
    const std::string chosen = ChosenKeyName();
    if (chosen.empty())
        return;
    maintenance::RunElevatedTwin(context_, maintenance::TwinParameters(token, selectedRow_, chosen),
                                 this, mainPage_);
    FillEnvironmentList();
}

std::string MaintenancePage::ChosenKeyName() const {
    if (selectedRow_ < 0 || selectedRow_ >= static_cast<int>(listedKeys_.size()))
        return std::string();
    return listedKeys_[static_cast<std::size_t>(selectedRow_)];
}

void MaintenancePage::SwitchActiveHere() {
    const std::string chosen = ChosenKeyName();
    if (chosen.empty())
        return;
    PagePrompt prompt(context_, this);
    OperationLog log(context_, prompt, "switch");
    const flows::ChangeOutcome outcome = flows::ChangeActiveEnvironment(context_, prompt, chosen);
    log.Outcome(flows::OutcomeName(outcome));
    if (outcome != flows::ChangeOutcome::kChanged) {
        FocusList();
        return;
    }
    FillEnvironmentList();
}

void MaintenancePage::UninstallSelectedHere() {
    const std::string chosen = ChosenKeyName();
    if (chosen.empty())
        return;
    PagePrompt prompt(context_, this);
    OperationLog log(context_, prompt, "uninstall");
    using flows::UninstallOutcome;
    const UninstallOutcome outcome = flows::UninstallEnvironment(context_, prompt, chosen).outcome;
    log.Outcome(flows::OutcomeName(outcome));
    switch (outcome) {
        case UninstallOutcome::kLastGone:
            EndDialog(0);
            return;
        case UninstallOutcome::kUninstalled:
        case UninstallOutcome::kUninstalledNoneChosen:
            // The Uninstall mode ends with the uninstall; maintenance shows what is left.
            if (context_.startup.startMode == StartMode::kUninstall)
                EndDialog(0);
            else
                FillEnvironmentList();
            return;
        default:
            FocusList();
            return;
    }
}

void MaintenancePage::EnumerateTelling() {
    EnumerateEnvironmentsTelling(context_, this);
}

void MaintenancePage::SaveReport() {
    core::Notices notices;
    SaveInstallationReport(context_, notices);
    PagePrompt prompt(context_, this);
    flows::TellAll(prompt, notices);
}

void MaintenancePage::FocusList() {
    Window().SetFocus(IDC_MAINT_LIST);
}

// --- Windows shutdown ----------------------------------------------------------------------

// Once the last environment is gone, a restart its uninstaller asked for is held back until
// the page has closed; the page then restarts Windows itself.
bool MaintenancePage::WantsRebootHold() {
    if (environmentCountAtShutdown_ < 0) {
        EnumerateTelling();
        environmentCountAtShutdown_ = context_.environments.Count();
    }
    return !rebootOnClose_ && environmentCountAtShutdown_ == 0;
}

bool MaintenancePage::OnQueryEndSession() {
    return !WantsRebootHold();
}

void MaintenancePage::OnEndSession(bool) {
    if (WantsRebootHold())
        rebootOnClose_ = true;
}

void MaintenancePage::OnDestroy() {
    layout_.Detach();
    if (rebootOnClose_)
        installer::RestartAfterRefusedShutdown(context_);
}

}  // namespace velnora::pages
