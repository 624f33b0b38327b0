#include "pages/active_select_dialog.h"

#include "installer/context.h"
#include "installer/execution.h"
#include "maintenance/elevated_twin.h"
#include "pages/dialog_layout.h"
#include "resource_ids.h"

namespace velnora::pages {

namespace {

constexpr core::LocalText kTitle{"Switch active environment", "アクティブ対象の変更"};
constexpr core::LocalText kOk{"OK", "OK"};
constexpr core::LocalText kInstruction{
    "Please choose the Vantorix environment to make active, and click the OK button.",
    "アクティブにするVantorix環境を指定し、\r\nOKボタンをクリックしてください。"};

constexpr int kFontControls[] = {IDC_SELECT_OK, IDC_SELECT_INSTRUCTION, IDC_SELECT_NOTE,
                                 IDC_SELECT_LIST};

// The list and the note grow with the dialog; OK stays at the bottom. The list is placed from
// where OK stood before this pass, so the order of the records matters.
using namespace anchor;
constexpr ControlAnchors kAnchors[] = {
    Anchors(IDC_SELECT_INSTRUCTION).Top(Dialog(13)).Left(Dialog(13)),
    Anchors(IDC_SELECT_LIST)
        .Top(Opposite(IDC_SELECT_INSTRUCTION, 7))
        .Bottom(Opposite(IDC_SELECT_OK, 48))
        .Left(Dialog(14))
        .Right(Dialog(15)),
    Anchors(IDC_SELECT_NOTE)
        .Top(Opposite(IDC_SELECT_LIST, 11))
        .Bottom(Opposite(IDC_SELECT_OK, 8))
        .Left(Dialog(14)),
    Anchors(IDC_SELECT_OK).Bottom(Dialog(10)).Left(Dialog(200)),
};

}  // namespace

ActiveSelectDialog::ActiveSelectDialog(core::Context& context,
                                       std::vector<flows::EnvironmentChoice> choices)
    : DialogPage(IDD_ACTIVE_SELECT),
      context_(context),
      choices_(std::move(choices)),
      layout_(kAnchors) {}

std::optional<std::string> ActiveSelectDialog::ChosenKeyName() const {
    if (selectedRow_ < 0 || selectedRow_ >= static_cast<int>(choices_.size()))
        return std::nullopt;
    return choices_[static_cast<std::size_t>(selectedRow_)].keyName;
}

void ActiveSelectDialog::OnInitDialog() {
    auto& window = Window();
    window.SetIcon(IDI_PROGRAM);
    endSessionNoticed_ = false;
    selectedRow_ = -1;
    for (const int id : kFontControls)
        core::ApplyPageFont(window, id, context_.texts);

    const core::TextSet& texts = context_.texts;
    SetText(0, texts.Pick(kTitle));
    SetText(IDC_SELECT_OK, texts.Pick(kOk));
    SetText(IDC_SELECT_INSTRUCTION, texts.Pick(kInstruction));
    SetText(IDC_SELECT_NOTE, "");

    FillList();
    window.SetComboSelection(IDC_SELECT_LIST, 0);
    // The twin's own window is hidden; the dialog must come up in front of everything.
    if (context_.startup.elevatedTwin)
        maintenance::BringToForeground(*this);
    Enable(IDC_SELECT_OK, window.ComboSelection(IDC_SELECT_LIST) >= 0);
    // Smaller than the template, the list would run into the instruction.
    platform::Rect client;
    if (window.GetControlRect(0, client))
        window.SetMinimumSize(client.Width(), client.Height());
    layout_.Attach(window);
    layout_.ApplyLayout();
}

void ActiveSelectDialog::FillList() {
    auto& window = Window();
    window.ClearCombo(IDC_SELECT_LIST);
    // Item i is choice i: OK takes the item index as the row.
    for (const flows::EnvironmentChoice& choice : choices_)
        window.AddComboItem(IDC_SELECT_LIST, choice.text);
}

void ActiveSelectDialog::OnCommand(int controlId, int code) {
    if (controlId == IDC_SELECT_LIST && code == platform::notify::kComboSelChange) {
        Enable(IDC_SELECT_OK, Window().ComboSelection(IDC_SELECT_LIST) >= 0);
        return;
    }
    if (controlId == IDC_SELECT_OK && code == platform::notify::kButtonClicked) {
        TakeChosen();
        return;
    }
    // The close box ends the dialog without a switch.
    DialogPage::OnCommand(controlId, code);
}

void ActiveSelectDialog::TakeChosen() {
    const int row = Window().ComboSelection(IDC_SELECT_LIST);
    if (row < 0 || row >= static_cast<int>(choices_.size()))
        return;
    selectedRow_ = row;
    EndDialog(0);
}

bool ActiveSelectDialog::PreTranslateKeyDown(int virtualKey) {
    if (virtualKey != platform::kVirtualKeyEscape)
        return false;
    EndDialog(0);
    return true;
}

void ActiveSelectDialog::OnSize(int, int) {
    layout_.ApplyLayout();
}

bool ActiveSelectDialog::OnQueryEndSession() {
    // Refused while nothing is active yet; the restart follows when the dialog closes.
    return endSessionNoticed_;
}

void ActiveSelectDialog::OnEndSession(bool) {
    endSessionNoticed_ = true;
}

void ActiveSelectDialog::OnDestroy() {
    layout_.Detach();
    if (!endSessionNoticed_)
        return;
    installer::RestartAfterRefusedShutdown(context_);
}

}  // namespace velnora::pages
