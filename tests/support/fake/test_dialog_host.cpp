#include "fake/test_dialog_host.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

// The fuzz build links no GoogleTest, also where its headers are installed.
#if __has_include(<gtest/gtest.h>) && !defined(VELNORA_FAKE_WITHOUT_GTEST)
#include <gtest/gtest.h>
#define VELNORA_FAKE_HAS_GTEST 1
#endif

namespace velnora::fake {

using platform::DialogPage;
using platform::Notification;
using platform::Rect;
using platform::TreeNode;
namespace notify = platform::notify;
namespace rowstate = platform::rowstate;

namespace {

constexpr int kCharWidth = 7;
constexpr int kColumnPadding = 12;

std::string Name(int templateId) {
    return "template " + std::to_string(templateId);
}

int Utf8Length(const std::string& text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::kPushButton || kind == ControlKind::kCheckBox ||
           kind == ControlKind::kRadioButton || kind == ControlKind::kOther;
}

void DefaultReport(const std::string& message) {
#ifdef VELNORA_FAKE_HAS_GTEST
    ADD_FAILURE() << message;
#else
    std::fprintf(stderr, "TestDialogHost: %s\n", message.c_str());
#endif
}

// The page behind drivers for pages that are not open.
class NoPage final : public DialogPage {
  public:
    NoPage() : DialogPage(0) {}
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TestPageWindow

TestPageWindow::TestPageWindow(TestDialogHost& host, DialogPage& page, const DialogTemplate* dialog,
                               bool isModal, int ownerTemplate)
    : templateId(page.TemplateId()),
      ownerTemplateId(ownerTemplate),
      modal(isModal),
      page(&page),
      host_(host),
      template_(dialog) {
    client = Rect{0, 0, 640, 480};
    frame = client;
    if (dialog == nullptr)
        return;
    title = dialog->caption;
    const Rect size = dialog->ToPixels(Rect{0, 0, dialog->rect.Width(), dialog->rect.Height()});
    client = Rect{0, 0, size.Width(), size.Height()};
    frame = client;
    for (const ControlTemplate& from : dialog->controls) {
        TestControl& control = controls[from.id];
        control.id = from.id;
        control.kind = from.kind;
        control.declared = true;
        control.text = from.text;
        control.enabled = from.enabled;
        control.visible = from.visible;
        control.defaultButton = from.defaultButton;
        control.autoCheck = from.autoCheck;
        control.multiline = from.multiline;
        control.readOnly = from.readOnly;
        control.ownerData = from.ownerData;
        control.rect = dialog->ToPixels(from.rect);
    }
}

TestControl* TestPageWindow::Touch(int id) {
    if (auto found = controls.find(id); found != controls.end())
        return &found->second;
    if (template_ != nullptr) {
        host_.Report("the page of " + Name(templateId) + " uses control " + std::to_string(id) +
                     ", which its dialog template does not have");
        return nullptr;
    }
    TestControl& control = controls[id];
    control.id = id;
    return &control;
}

TestControl* TestPageWindow::List(int id) {
    TestControl* control = Touch(id);
    if (control != nullptr && control->kind != ControlKind::kList &&
        control->kind != ControlKind::kOther) {
        host_.Report("control " + std::to_string(id) + " of " + Name(templateId) +
                     " is not a list view");
        return nullptr;
    }
    return control;
}

void TestPageWindow::SetVisible(bool shown) {
    if (visible == shown)
        return;
    visible = shown;
    if (page != nullptr)
        host_.Dispatch(*this, [&] { page->OnShowWindow(shown); });
}

void TestPageWindow::MoveSelection(TestControl& list, int row) {
    const int old = list.selectedRow;
    if (old == row)
        return;
    list.selectedRow = -1;
    const auto tell = [&](int item, std::uint32_t newState, std::uint32_t oldState) {
        Notification note;
        note.controlId = list.id;
        note.code = notify::kListItemChanged;
        note.item = item;
        note.subItem = 0;
        note.newState = newState;
        note.oldState = oldState;
        if (page != nullptr)
            host_.Dispatch(*this, [&] { page->OnNotify(note); });
    };
    if (old >= 0)
        tell(old, 0, rowstate::kSelected | rowstate::kFocused);
    if (row >= 0) {
        list.selectedRow = row;
        tell(row, rowstate::kSelected | rowstate::kFocused, 0);
    }
}

void TestPageWindow::SetText(int id, const std::string& text) {
    if (id == 0) {
        title = text;
        return;
    }
    TestControl* control = Touch(id);
    if (control == nullptr)
        return;
    control->text = text;
    // A one-line edit tells its parent about every WM_SETTEXT.
    if (control->kind == ControlKind::kEdit && !control->multiline && page != nullptr)
        host_.Dispatch(*this, [&] { page->OnCommand(id, notify::kEditChange); });
}

std::string TestPageWindow::GetText(int id) {
    if (id == 0)
        return title;
    TestControl* control = Touch(id);
    return control != nullptr ? control->text : std::string();
}

void TestPageWindow::Enable(int id, bool on) {
    if (id == 0) {
        enabled = on;
    } else if (TestControl* control = Touch(id)) {
        control->enabled = on;
    }
}

bool TestPageWindow::IsEnabled(int id) {
    if (id == 0)
        return enabled;
    TestControl* control = Touch(id);
    return control != nullptr && control->enabled;
}

void TestPageWindow::Show(int id, bool on) {
    if (id == 0) {
        SetVisible(on);
    } else if (TestControl* control = Touch(id)) {
        control->visible = on;
    }
}

bool TestPageWindow::IsVisible(int id) {
    if (id == 0)
        return visible;
    TestControl* control = Touch(id);
    return control != nullptr && control->visible;
}

void TestPageWindow::SetCheck(int id, bool on) {
    if (TestControl* control = Touch(id))
        control->checked = on;
}

bool TestPageWindow::GetCheck(int id) {
    TestControl* control = Touch(id);
    return control != nullptr && control->checked;
}

void TestPageWindow::SetReadOnly(int id, bool on) {
    if (TestControl* control = Touch(id))
        control->readOnly = on;
}

void TestPageWindow::SetFont(int id, const platform::FontSpec& font) {
    if (id == 0)
        return;
    if (TestControl* control = Touch(id))
        control->font = font;
}

void TestPageWindow::SetFocus(int id) {
    if (id == 0 || Touch(id) != nullptr)
        focus = id;
}

int TestPageWindow::GetFocus() {
    return focus;
}

// Placement calls probe for controls (the layout engine stops at a missing one), so they
// neither create nor report.
bool TestPageWindow::GetControlRect(int id, Rect& rect) {
    if (id == 0) {
        // A minimised window has no client area, as its size notice said.
        rect = minimized ? Rect{} : client;
        return true;
    }
    auto found = controls.find(id);
    if (found == controls.end())
        return false;
    rect = found->second.rect;
    return true;
}

bool TestPageWindow::SetControlRect(int id, const Rect& rect) {
    auto found = controls.find(id);
    if (id == 0 || found == controls.end())
        return false;
    found->second.rect = rect;
    ++found->second.moves;
    return true;
}

bool TestPageWindow::MoveControls(const std::vector<platform::ControlPlacement>& placements) {
    for (const platform::ControlPlacement& placement : placements)
        if (placement.id == 0 || controls.count(placement.id) == 0)
            return false;
    if (placements.empty())
        return true;
    for (const platform::ControlPlacement& placement : placements) {
        TestControl& control = controls[placement.id];
        control.rect = placement.rect;
        ++control.moves;
    }
    ++moveBatches;
    return true;
}

void TestPageWindow::SetMinimumSize(int width, int height) {
    minimumWidth = std::max(width, 0);
    minimumHeight = std::max(height, 0);
}

int TestPageWindow::TextWidth(int id, const std::string& text) {
    if (id != 0 && Touch(id) == nullptr)
        return 0;
    return Utf8Length(text) * kCharWidth;
}

void TestPageWindow::SetListStyle(int id, std::uint32_t extendedStyle) {
    if (TestControl* list = List(id))
        list->listStyle |= extendedStyle;
}

void TestPageWindow::InsertColumn(int id, int column, const std::string& columnTitle, int width) {
    TestControl* list = List(id);
    if (list == nullptr)
        return;
    const auto at =
        static_cast<std::size_t>(std::clamp(column, 0, static_cast<int>(list->columns.size())));
    list->columns.insert(list->columns.begin() + static_cast<std::ptrdiff_t>(at),
                         TestControl::Column{columnTitle, width});
}

void TestPageWindow::SetColumnWidth(int id, int column, int width) {
    TestControl* list = List(id);
    if (list == nullptr || column < 0 || column >= static_cast<int>(list->columns.size()))
        return;
    TestControl::Column& target = list->columns[static_cast<std::size_t>(column)];
    if (width == platform::kColumnAutoSizeUseHeader) {
        target.width = Utf8Length(target.title) * kCharWidth + kColumnPadding;
    } else if (width == platform::kColumnAutoSize) {
        int widest = 0;
        for (const TestControl::Row& row : list->rows)
            if (static_cast<std::size_t>(column) < row.cells.size())
                widest = std::max(widest, Utf8Length(row.cells[static_cast<std::size_t>(column)]));
        target.width = widest * kCharWidth + kColumnPadding;
    } else {
        target.width = width;
    }
}

int TestPageWindow::ColumnWidth(int id, int column) {
    TestControl* list = List(id);
    if (list == nullptr || column < 0 || column >= static_cast<int>(list->columns.size()))
        return 0;
    return std::max(list->columns[static_cast<std::size_t>(column)].width, 0);
}

int TestPageWindow::InsertRow(int id, int row, const std::string& text) {
    TestControl* list = List(id);
    if (list == nullptr || list->ownerData)
        return -1;
    const int at = std::clamp(row, 0, static_cast<int>(list->rows.size()));
    list->rows.insert(list->rows.begin() + at, TestControl::Row{{text}, false});
    if (list->selectedRow >= at)
        ++list->selectedRow;
    return at;
}

void TestPageWindow::SetCell(int id, int row, int column, const std::string& text) {
    TestControl* list = List(id);
    if (list == nullptr || row < 0 || row >= static_cast<int>(list->rows.size()) || column < 0)
        return;
    if (column > 0 && column >= static_cast<int>(list->columns.size())) {
        host_.Report("the page of " + Name(templateId) + " writes column " +
                     std::to_string(column) + " of list " + std::to_string(id) + ", which has " +
                     std::to_string(list->columns.size()) + " columns");
        return;
    }
    auto& cells = list->rows[static_cast<std::size_t>(row)].cells;
    if (cells.size() <= static_cast<std::size_t>(column))
        cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = text;
}

std::string TestPageWindow::GetCell(int id, int row, int column) {
    TestControl* list = List(id);
    if (list == nullptr || row < 0 || column < 0)
        return std::string();
    if (list->ownerData) {
        platform::ListCell cell;
        if (page != nullptr)
            host_.Dispatch(*this, [&] { page->OnGetCell(id, row, column, cell); });
        return cell.text;
    }
    if (row >= static_cast<int>(list->rows.size()))
        return std::string();
    const auto& cells = list->rows[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)]
                                                           : std::string();
}

int TestPageWindow::RowCount(int id) {
    TestControl* list = List(id);
    if (list == nullptr)
        return 0;
    return list->ownerData ? list->ownerRowCount : static_cast<int>(list->rows.size());
}

void TestPageWindow::DeleteAllRows(int id) {
    TestControl* list = List(id);
    if (list == nullptr)
        return;
    list->rows.clear();
    list->ownerRowCount = 0;
    list->selectedRow = -1;
}

void TestPageWindow::SetRowCount(int id, int count) {
    TestControl* list = List(id);
    if (list == nullptr)
        return;
    if (!list->ownerData) {
        if (list->declared) {
            host_.Report("list " + std::to_string(id) + " of " + Name(templateId) +
                         " has no owner data; its row count cannot be set");
            return;
        }
        list->ownerData = true;  // made on first touch: becomes what the page uses it as
    }
    list->ownerRowCount = std::max(count, 0);
    if (list->selectedRow >= list->ownerRowCount)
        list->selectedRow = -1;
}

int TestPageWindow::SelectedRow(int id) {
    TestControl* list = List(id);
    return list != nullptr ? list->selectedRow : -1;
}

void TestPageWindow::SelectRow(int id, int row) {
    TestControl* list = List(id);
    if (list == nullptr || row >= RowCount(id))
        return;
    MoveSelection(*list, std::max(row, -1));
}

void TestPageWindow::SetRowChecked(int id, int row, bool on) {
    TestControl* list = List(id);
    if (list == nullptr || row < 0)
        return;
    if (list->ownerData) {
        ++list->redrawCount;
        return;
    }
    if (row >= static_cast<int>(list->rows.size()))
        return;
    bool& checked = list->rows[static_cast<std::size_t>(row)].checked;
    if (checked == on)
        return;
    checked = on;
    Notification note;
    note.controlId = id;
    note.code = notify::kListItemChanged;
    note.item = row;
    note.subItem = 0;
    note.newState = on ? rowstate::kChecked : rowstate::kUnchecked;
    note.oldState = on ? rowstate::kUnchecked : rowstate::kChecked;
    if (page != nullptr)
        host_.Dispatch(*this, [&] { page->OnNotify(note); });
}

bool TestPageWindow::IsRowChecked(int id, int row) {
    TestControl* list = List(id);
    if (list == nullptr || row < 0)
        return false;
    if (list->ownerData) {
        platform::ListCell cell;
        if (page != nullptr)
            host_.Dispatch(*this, [&] { page->OnGetCell(id, row, 0, cell); });
        return cell.checked;
    }
    return row < static_cast<int>(list->rows.size()) &&
           list->rows[static_cast<std::size_t>(row)].checked;
}

void TestPageWindow::RedrawRows(int id, int, int) {
    if (TestControl* list = List(id))
        ++list->redrawCount;
}

TreeNode TestPageWindow::InsertNode(int id, TreeNode parent, const std::string& text) {
    TestControl* tree = Touch(id);
    if (tree == nullptr)
        return platform::kTreeRoot;
    if (parent != platform::kTreeRoot && tree->nodes.count(parent) == 0)
        return platform::kTreeRoot;
    const TreeNode node = tree->nextNode++;
    tree->nodes[node] = TestControl::Node{parent, text, false, false};
    return node;
}

void TestPageWindow::DeleteAllNodes(int id) {
    if (TestControl* tree = Touch(id)) {
        tree->nodes.clear();
        tree->selectedNode = platform::kTreeRoot;
    }
}

void TestPageWindow::ExpandNode(int id, TreeNode node) {
    TestControl* tree = Touch(id);
    if (tree == nullptr)
        return;
    if (auto found = tree->nodes.find(node); found != tree->nodes.end())
        found->second.expanded = true;
}

void TestPageWindow::SetNodeBold(int id, TreeNode node, bool bold) {
    TestControl* tree = Touch(id);
    if (tree == nullptr)
        return;
    if (auto found = tree->nodes.find(node); found != tree->nodes.end())
        found->second.bold = bold;
}

std::string TestPageWindow::NodeText(int id, TreeNode node) {
    TestControl* tree = Touch(id);
    if (tree == nullptr)
        return std::string();
    auto found = tree->nodes.find(node);
    return found != tree->nodes.end() ? found->second.text : std::string();
}

std::vector<TreeNode> TestPageWindow::ChildNodes(int id, TreeNode parent) {
    std::vector<TreeNode> children;
    TestControl* tree = Touch(id);
    if (tree == nullptr)
        return children;
    for (const auto& [node, data] : tree->nodes)
        if (data.parent == parent)
            children.push_back(node);
    return children;
}

int TestPageWindow::AddComboItem(int id, const std::string& text) {
    TestControl* combo = Touch(id);
    if (combo == nullptr)
        return -1;
    combo->comboItems.push_back(text);
    return static_cast<int>(combo->comboItems.size()) - 1;
}

void TestPageWindow::ClearCombo(int id) {
    if (TestControl* combo = Touch(id)) {
        combo->comboItems.clear();
        combo->comboSelection = -1;
    }
}

int TestPageWindow::ComboCount(int id) {
    TestControl* combo = Touch(id);
    return combo != nullptr ? static_cast<int>(combo->comboItems.size()) : 0;
}

std::string TestPageWindow::ComboItem(int id, int index) {
    TestControl* combo = Touch(id);
    if (combo == nullptr || index < 0 || index >= static_cast<int>(combo->comboItems.size()))
        return std::string();
    return combo->comboItems[static_cast<std::size_t>(index)];
}

int TestPageWindow::ComboSelection(int id) {
    TestControl* combo = Touch(id);
    return combo != nullptr ? combo->comboSelection : -1;
}

void TestPageWindow::SetComboSelection(int id, int index) {
    TestControl* combo = Touch(id);
    if (combo == nullptr)
        return;
    // Out of range clears the selection, as CB_SETCURSEL does.
    combo->comboSelection =
        index >= 0 && index < static_cast<int>(combo->comboItems.size()) ? index : -1;
}

bool TestPageWindow::SetPictureFile(int id, const std::string& bitmapPath) {
    TestControl* picture = id == 0 ? nullptr : Touch(id);
    if (picture == nullptr || !host_.LoadPicture(bitmapPath))
        return false;
    picture->picture = bitmapPath;
    return true;
}

void TestPageWindow::SetIcon(int iconResourceId) {
    icon = iconResourceId;
}

void TestPageWindow::ShowWindow(platform::WindowShow how) {
    const auto size = [&](int width, int height) {
        if (page != nullptr)
            host_.Dispatch(*this, [&] { page->OnSize(width, height); });
    };
    switch (how) {
        case platform::WindowShow::kHide:
            SetVisible(false);
            break;
        case platform::WindowShow::kMinimize:
            SetVisible(true);
            if (!minimized) {
                minimized = true;
                size(0, 0);
            }
            break;
        case platform::WindowShow::kNormal:
        case platform::WindowShow::kRestore:
            SetVisible(true);
            if (how == platform::WindowShow::kRestore && collapsedFrom) {
                std::tie(frame, client) = *collapsedFrom;
                collapsedFrom.reset();
                size(client.Width(), client.Height());
            }
            if (minimized) {
                minimized = false;
                size(client.Width(), client.Height());
            }
            break;
    }
}

void TestPageWindow::CollapseAndHide() {
    collapsedFrom.emplace(frame, client);
    const int x = frame.left + frame.Width() / 2;
    const int y = frame.top + frame.Height() / 2;
    frame = Rect{x, y, x, y};
    client = Rect{};
    SetVisible(false);
    enabled = false;
    if (page != nullptr)
        host_.Dispatch(*this, [&] { page->OnSize(0, 0); });
}

void TestPageWindow::SetToolWindow(bool on) {
    toolWindow = on;
    if (!on)
        SetVisible(true);
}

void TestPageWindow::BringToForeground() {
    ++foregroundCalls;
    host_.foreground_ = this;
}

bool TestPageWindow::SetTimer(int timerId, std::uint32_t intervalMs) {
    timers[timerId] = intervalMs;
    return true;
}

void TestPageWindow::KillTimer(int timerId) {
    timers.erase(timerId);
}

void TestPageWindow::EndDialog(int value) {
    if (destroyed)
        return;
    ended = true;
    result = value;
    // EndDialog hides without WM_SHOWWINDOW.
    visible = false;
    if (!modal && depth == 0)
        host_.Destroy(*this);
}

void TestPageWindow::OnPageDestroyed() {
    // Tests often let pages go before the host; nothing of the page may run any more.
    page = nullptr;
    destroyed = true;
    ended = true;
    visible = false;
    timers.clear();
}

// ---------------------------------------------------------------------------------------------
// PageDriver

bool PageDriver::CanAct(const char* action) {
    if (window_->destroyed || window_->ended) {
        host_->Report(std::string(action) + " on " + Name(window_->templateId) +
                      ", whose page is not open");
        return false;
    }
    return true;
}

bool PageDriver::CanUse(int id, const char* action, TestControl*& control) {
    if (!CanAct(action))
        return false;
    auto found = window_->controls.find(id);
    if (found == window_->controls.end()) {
        if (window_->Template() != nullptr) {
            host_->Report(std::string(action) + ": " + Name(window_->templateId) +
                          " has no control " + std::to_string(id));
            return false;
        }
        found = window_->controls.emplace(id, TestControl{}).first;
        found->second.id = id;
    }
    control = &found->second;
    // What the user cannot reach: hidden or disabled things.
    return window_->visible && window_->enabled && !window_->minimized && control->visible &&
           control->enabled;
}

platform::DialogPage& PageDriver::Page() {
    return *window_->page;
}

bool PageDriver::Click(int id) {
    TestControl* control = nullptr;
    if (!CanUse(id, "Click", control))
        return false;
    if (!IsButton(control->kind)) {
        host_->Report("Click: control " + std::to_string(id) + " of " + Name(window_->templateId) +
                      " is not a button");
        return false;
    }
    if (control->autoCheck)
        control->checked = control->kind == ControlKind::kRadioButton || !control->checked;
    window_->focus = id;
    host_->Dispatch(*window_, [&] { window_->page->OnCommand(id, notify::kButtonClicked); });
    return true;
}

bool PageDriver::Type(int id, const std::string& text) {
    TestControl* control = nullptr;
    if (!CanUse(id, "Type", control))
        return false;
    if (control->kind != ControlKind::kEdit && control->kind != ControlKind::kOther) {
        host_->Report("Type: control " + std::to_string(id) + " of " + Name(window_->templateId) +
                      " is not an edit control");
        return false;
    }
    if (control->readOnly)
        return false;
    control->text = text;
    window_->focus = id;
    host_->Dispatch(*window_, [&] { window_->page->OnCommand(id, notify::kEditChange); });
    return true;
}

bool PageDriver::SelectRow(int id, int row) {
    TestControl* list = nullptr;
    if (!CanUse(id, "SelectRow", list))
        return false;
    if (row < 0 || row >= window_->RowCount(id))
        return false;
    window_->focus = id;
    window_->MoveSelection(*list, row);
    return true;
}

bool PageDriver::ClickRow(int id, int row, int column) {
    TestControl* list = nullptr;
    if (!CanUse(id, "ClickRow", list))
        return false;
    if (row < -1 || row >= window_->RowCount(id))
        return false;
    window_->focus = id;
    window_->MoveSelection(*list, row);
    Notification note;
    note.controlId = id;
    note.code = notify::kListClick;
    note.item = row;
    note.subItem = row < 0 ? -1 : column;
    if (!window_->destroyed && !window_->ended)
        host_->Dispatch(*window_, [&] { window_->page->OnNotify(note); });
    return true;
}

bool PageDriver::DoubleClickRow(int id, int row, int column) {
    if (!ClickRow(id, row, column))
        return false;
    if (window_->destroyed || window_->ended)
        return true;
    Notification note;
    note.controlId = id;
    note.code = notify::kListDoubleClick;
    note.item = row;
    note.subItem = row < 0 ? -1 : column;
    host_->Dispatch(*window_, [&] { window_->page->OnNotify(note); });
    return true;
}

bool PageDriver::ToggleRowCheck(int id, int row, int column) {
    TestControl* list = nullptr;
    if (!CanUse(id, "ToggleRowCheck", list))
        return false;
    if (!list->ownerData && (list->listStyle & platform::liststyle::kCheckBoxes) == 0) {
        host_->Report("ToggleRowCheck: list " + std::to_string(id) + " of " +
                      Name(window_->templateId) + " has no check boxes");
        return false;
    }
    if (row < 0 || row >= window_->RowCount(id) || column < 0)
        return false;
    window_->focus = id;
    bool onBox = true;
    if (list->ownerData) {
        // The host hit-tests the click against the box it drew from the page's cell.
        platform::ListCell cell;
        host_->Dispatch(*window_, [&] { window_->page->OnGetCell(id, row, column, cell); });
        onBox = cell.hasCheckBox;
    } else {
        window_->SetRowChecked(id, row, !window_->IsRowChecked(id, row));
    }
    if (window_->destroyed || window_->ended)
        return true;
    Notification note;
    note.controlId = id;
    note.code = notify::kListClick;
    note.item = row;
    note.subItem = column;
    note.onCheckBox = onBox;
    host_->Dispatch(*window_, [&] { window_->page->OnNotify(note); });
    return true;
}

std::optional<std::string> PageDriver::HoverCell(int id, int row, int column) {
    TestControl* list = nullptr;
    if (!CanUse(id, "HoverCell", list))
        return std::nullopt;
    if (!list->ownerData || (list->listStyle & platform::liststyle::kInfoTip) == 0 ||
        !window_->visible || row < 0 || row >= window_->RowCount(id) || column < 0)
        return std::nullopt;
    platform::ListCell cell;
    host_->Dispatch(*window_, [&] { window_->page->OnGetCell(id, row, column, cell); });
    return cell.tip;
}

bool PageDriver::TypeAhead(int id, const std::string& prefix) {
    TestControl* list = nullptr;
    if (!CanUse(id, "TypeAhead", list))
        return false;
    if (!list->ownerData || prefix.empty())
        return false;
    window_->focus = id;
    const int start = list->selectedRow + 1;
    const int found =
        host_->Dispatch(*window_, [&] { return window_->page->OnFindRow(id, start, prefix); });
    if (found < 0 || found >= window_->RowCount(id) || window_->destroyed || window_->ended)
        return false;
    window_->MoveSelection(*list, found);
    return true;
}

bool PageDriver::SelectNode(int id, TreeNode node) {
    TestControl* tree = nullptr;
    if (!CanUse(id, "SelectNode", tree))
        return false;
    if (tree->nodes.count(node) == 0)
        return false;
    window_->focus = id;
    tree->selectedNode = node;
    Notification note;
    note.controlId = id;
    note.code = notify::kTreeSelChanged;
    note.node = node;
    host_->Dispatch(*window_, [&] { window_->page->OnNotify(note); });
    return true;
}

bool PageDriver::SelectCombo(int id, int index) {
    TestControl* combo = nullptr;
    if (!CanUse(id, "SelectCombo", combo))
        return false;
    if (index < 0 || index >= static_cast<int>(combo->comboItems.size()))
        return false;
    window_->focus = id;
    combo->comboSelection = index;
    host_->Dispatch(*window_, [&] { window_->page->OnCommand(id, notify::kComboSelChange); });
    return true;
}

bool PageDriver::HoverOver(int id) {
    if (!CanAct("HoverOver"))
        return false;
    if (!window_->visible || window_->minimized)
        return false;
    if (id != 0) {
        TestControl* control = nullptr;
        CanUse(id, "HoverOver", control);  // reports a control that is not there
        // The mouse can rest on a disabled control, not on a hidden one.
        if (control == nullptr || !control->visible)
            return false;
    }
    return host_->Dispatch(*window_, [&] { return window_->page->OnMouseOver(id); });
}

bool PageDriver::PressKey(int virtualKey) {
    if (!CanAct("PressKey"))
        return false;
    if (!window_->visible || !window_->enabled || window_->minimized)
        return false;
    if (host_->Dispatch(*window_, [&] { return window_->page->PreTranslateKeyDown(virtualKey); }))
        return true;
    if (window_->destroyed || window_->ended)
        return false;
    if (virtualKey == platform::kVirtualKeyEscape) {
        host_->Dispatch(*window_, [&] { window_->page->OnCommand(platform::cmd::kCancel, 0); });
    } else if (virtualKey == platform::kVirtualKeyReturn) {
        // A focused push button takes Return; otherwise the default button, when enabled.
        int target = 0;
        auto focused = window_->controls.find(window_->focus);
        if (focused != window_->controls.end() &&
            focused->second.kind == ControlKind::kPushButton && focused->second.enabled) {
            target = window_->focus;
        } else {
            int defaultId = platform::cmd::kOk;
            for (const auto& [id, control] : window_->controls)
                if (control.defaultButton)
                    defaultId = id;
            auto found = window_->controls.find(defaultId);
            const bool missing = found == window_->controls.end();
            if (!(missing && window_->Template() != nullptr) && (missing || found->second.enabled))
                target = defaultId;
        }
        if (target != 0)
            host_->Dispatch(*window_,
                            [&] { window_->page->OnCommand(target, notify::kButtonClicked); });
    }
    return false;
}

void PageDriver::CloseBox() {
    if (!CanAct("CloseBox"))
        return;
    host_->Dispatch(*window_, [&] { window_->page->OnCommand(platform::cmd::kCancel, 0); });
}

void PageDriver::Help() {
    if (!CanAct("Help"))
        return;
    host_->Dispatch(
        *window_, [&] { window_->page->OnCommand(platform::cmd::kHelp, notify::kButtonClicked); });
}

bool PageDriver::FireTimer(int timerId) {
    if (!CanAct("FireTimer") || window_->timers.count(timerId) == 0)
        return false;
    host_->Dispatch(*window_, [&] { window_->page->OnTimer(timerId); });
    return true;
}

bool PageDriver::IsForeground() const {
    return host_->foreground_ == window_;
}

void PageDriver::Resize(int width, int height) {
    if (!CanAct("Resize"))
        return;
    width = std::max(width, window_->minimumWidth);
    height = std::max(height, window_->minimumHeight);
    window_->client = Rect{0, 0, width, height};
    const Rect& frame = window_->frame;
    window_->frame = Rect{frame.left, frame.top, frame.left + width, frame.top + height};
    host_->Dispatch(*window_, [&] { window_->page->OnSize(width, height); });
}

bool PageDriver::QueryEndSession() {
    if (!CanAct("QueryEndSession"))
        return true;
    return host_->Dispatch(*window_, [&] { return window_->page->OnQueryEndSession(); });
}

void PageDriver::EndSession(bool ending) {
    if (!CanAct("EndSession"))
        return;
    host_->Dispatch(*window_, [&] { window_->page->OnEndSession(ending); });
}

std::uint32_t PageDriver::TimerInterval(int timerId) const {
    auto found = window_->timers.find(timerId);
    return found == window_->timers.end() ? 0 : found->second;
}

const TestControl& PageDriver::Control(int id) {
    static const TestControl none;
    auto found = window_->controls.find(id);
    if (found != window_->controls.end())
        return found->second;
    if (window_->Template() != nullptr)
        host_->Report(Name(window_->templateId) + " has no control " + std::to_string(id));
    return none;
}

int PageDriver::RowCount(int id) {
    const TestControl& list = Control(id);
    return list.ownerData ? list.ownerRowCount : static_cast<int>(list.rows.size());
}

platform::ListCell PageDriver::OwnerCell(int id, int row, int column) {
    platform::ListCell cell;
    if (window_->destroyed) {
        host_->Report("the cells of owner-data list " + std::to_string(id) + " of " +
                      Name(window_->templateId) + " can only be read while the page is open");
        return cell;
    }
    host_->Dispatch(*window_, [&] { window_->page->OnGetCell(id, row, column, cell); });
    return cell;
}

std::string PageDriver::Cell(int id, int row, int column) {
    const TestControl& list = Control(id);
    if (list.ownerData)
        return OwnerCell(id, row, column).text;
    if (row < 0 || row >= static_cast<int>(list.rows.size()) || column < 0)
        return std::string();
    const auto& cells = list.rows[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)]
                                                           : std::string();
}

bool PageDriver::IsRowChecked(int id, int row) {
    const TestControl& list = Control(id);
    if (list.ownerData)
        return OwnerCell(id, row, 0).checked;
    return row >= 0 && row < static_cast<int>(list.rows.size()) &&
           list.rows[static_cast<std::size_t>(row)].checked;
}

std::vector<std::string> PageDriver::ColumnTitles(int id) {
    std::vector<std::string> titles;
    for (const TestControl::Column& column : Control(id).columns)
        titles.push_back(column.title);
    return titles;
}

std::vector<std::vector<std::string>> PageDriver::Rows(int id) {
    const int columns = std::max(static_cast<int>(Control(id).columns.size()), 1);
    std::vector<std::vector<std::string>> rows;
    const int count = RowCount(id);
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column)
            cells.push_back(Cell(id, row, column));
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::vector<TreeNode> PageDriver::Children(int id, TreeNode parent) {
    std::vector<TreeNode> children;
    for (const auto& [node, data] : Control(id).nodes)
        if (data.parent == parent)
            children.push_back(node);
    return children;
}

const TestControl::Node& PageDriver::Node(int id, TreeNode node) {
    static const TestControl::Node none;
    const TestControl& tree = Control(id);
    auto found = tree.nodes.find(node);
    if (found != tree.nodes.end())
        return found->second;
    host_->Report("tree " + std::to_string(id) + " of " + Name(window_->templateId) +
                  " has no node " + std::to_string(node));
    return none;
}

std::vector<std::string> PageDriver::TreeLines(int id) {
    std::vector<std::string> lines;
    const TestControl& tree = Control(id);
    const auto walk = [&](const auto& self, TreeNode parent, int level) -> void {
        for (const auto& [node, data] : tree.nodes) {
            if (data.parent != parent)
                continue;
            lines.push_back(std::string(static_cast<std::size_t>(level) * 2, ' ') + data.text);
            self(self, node, level + 1);
        }
    };
    walk(walk, platform::kTreeRoot, 0);
    return lines;
}

// ---------------------------------------------------------------------------------------------
// TestDialogHost

TestDialogHost::TestDialogHost() : TestDialogHost(DialogTemplates::Project()) {}

TestDialogHost::TestDialogHost(const DialogTemplates& templates)
    : templates_(templates), reporter_(&DefaultReport) {}

TestDialogHost::~TestDialogHost() {
    for (const auto& [templateId, queue] : scripts_)
        if (!queue.empty())
            Report(std::to_string(queue.size()) + " script(s) for " + Name(templateId) +
                   " never ran");
    // Pages may outlive the host; they must not point at its windows.
    for (auto& window : windows_)
        if (!window->destroyed && window->page != nullptr)
            window->page->Detach();
}

void TestDialogHost::Report(const std::string& message) {
    failures_.push_back(message);
    if (reporter_)
        reporter_(message);
}

TestPageWindow& TestDialogHost::Create(DialogPage& page, const DialogPage* owner, bool modal) {
    TestPageWindow* ownerWindow = OpenWindowOf(owner);
    windows_.push_back(
        std::make_unique<TestPageWindow>(*this, page, templates_.Find(page.TemplateId()), modal,
                                         ownerWindow != nullptr ? ownerWindow->templateId : 0));
    TestPageWindow& window = *windows_.back();
    page.Attach(&window);
    return window;
}

TestPageWindow* TestDialogHost::OpenWindowOf(const DialogPage* page) const {
    if (page == nullptr)
        return nullptr;
    for (const auto& window : windows_)
        if (!window->destroyed && window->page == page)
            return window.get();
    return nullptr;
}

void TestDialogHost::AfterHandler(TestPageWindow& window) {
    if (window.depth == 0 && !window.modal && window.ended && !window.destroyed)
        Destroy(window);
}

void TestDialogHost::Destroy(TestPageWindow& window) {
    if (window.destroyed || window.page == nullptr)
        return;
    window.ended = true;
    ++window.depth;  // an EndDialog from OnDestroy must not destroy again
    window.page->OnDestroy();
    --window.depth;
    window.page->Detach();
    window.page = nullptr;
    window.destroyed = true;
    window.visible = false;
    window.timers.clear();
    window.focus = 0;
    if (foreground_ == &window)
        foreground_ = nullptr;
    runs_.push_back(Run{window.templateId, window.ownerTemplateId, window.modal, window.result});
}

int TestDialogHost::RunModal(DialogPage& page, const DialogPage* owner) {
    const int templateId = page.TemplateId();
    if (page.IsOpen()) {
        Report("RunModal of " + Name(templateId) + " whose page is already open");
        return -1;
    }
    if (auto failing = failNext_.find(templateId);
        failing != failNext_.end() && failing->second > 0) {
        --failing->second;
        return -1;
    }
    TestPageWindow& window = Create(page, owner, /*modal=*/true);
    TestPageWindow* ownerWindow = OpenWindowOf(owner);
    const bool disableOwner = ownerWindow != nullptr && ownerWindow->enabled;
    if (disableOwner)
        ownerWindow->enabled = false;

    Dispatch(window, [&] { page.OnInitDialog(); });
    // The dialog box shows its window once its queue first runs empty.
    if (!window.ended)
        window.SetVisible(true);
    if (!window.ended) {
        auto& queue = scripts_[templateId];
        if (!queue.empty()) {
            Script script = std::move(queue.front());
            queue.pop_front();
            PageDriver driver(*this, window);
            script(driver);
            if (!window.ended)
                Report("the script for " + Name(templateId) + " ended, but the page is still open");
        } else {
            Report("the modal run of " + Name(templateId) + " has no script and did not end");
        }
        if (!window.ended) {
            window.ended = true;
            window.result = kRunNotEnded;
        }
    }
    const int result = window.result;
    Destroy(window);
    if (disableOwner && !ownerWindow->destroyed)
        ownerWindow->enabled = true;
    return result;
}

bool TestDialogHost::OpenModeless(DialogPage& page, const DialogPage* owner) {
    const int templateId = page.TemplateId();
    if (page.IsOpen()) {
        Report("OpenModeless of " + Name(templateId) + " whose page is already open");
        return false;
    }
    if (auto failing = failNext_.find(templateId);
        failing != failNext_.end() && failing->second > 0) {
        --failing->second;
        return false;
    }
    TestPageWindow& window = Create(page, owner, /*modal=*/false);
    Dispatch(window, [&] { page.OnInitDialog(); });
    if (window.destroyed)
        return false;
    const DialogTemplate* dialog = window.Template();
    if (dialog == nullptr || dialog->visible)
        window.SetVisible(true);
    return true;
}

bool TestDialogHost::IsOpen(const DialogPage* page) const {
    return OpenWindowOf(page) != nullptr;
}

bool TestDialogHost::QueryEndSession() {
    std::vector<TestPageWindow*> open;
    for (const auto& window : windows_)
        if (!window->destroyed)
            open.push_back(window.get());
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        TestPageWindow& window = **it;
        if (window.destroyed)
            continue;
        if (!Dispatch(window, [&] { return window.page->OnQueryEndSession(); }))
            return false;
    }
    return true;
}

void TestDialogHost::EndSession(bool ending) {
    std::vector<TestPageWindow*> open;
    for (const auto& window : windows_)
        if (!window->destroyed)
            open.push_back(window.get());
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        TestPageWindow& window = **it;
        if (!window.destroyed)
            Dispatch(window, [&] { window.page->OnEndSession(ending); });
    }
}

void TestDialogHost::OnNextRun(int templateId, Script script) {
    scripts_[templateId].push_back(std::move(script));
}

void TestDialogHost::FailNextRun(int templateId) {
    ++failNext_[templateId];
}

PageDriver TestDialogHost::Driver(const DialogPage& page) {
    if (TestPageWindow* window = OpenWindowOf(&page))
        return PageDriver(*this, *window);
    Report("Driver: the page of " + Name(page.TemplateId()) + " is not open");
    return LastWindow(-1);
}

PageDriver TestDialogHost::Driver(int templateId) {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if (!(*it)->destroyed && (*it)->templateId == templateId)
            return PageDriver(*this, **it);
    Report("Driver: no page of " + Name(templateId) + " is open");
    return LastWindow(-1);
}

PageDriver TestDialogHost::LastWindow(int templateId) {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->templateId == templateId)
            return PageDriver(*this, **it);
    if (templateId != -1)
        Report("LastWindow: " + Name(templateId) + " was never opened");
    // A closed stand-in, so that a test that went wrong reads empty values instead of
    // crashing.
    if (!noneWindow_) {
        nonePage_ = std::make_unique<NoPage>();
        noneWindow_ = std::make_unique<TestPageWindow>(*this, *nonePage_, nullptr, true, 0);
        noneWindow_->destroyed = true;
        noneWindow_->ended = true;
        noneWindow_->page = nullptr;
    }
    return PageDriver(*this, *noneWindow_);
}

bool TestDialogHost::HasWindow(int templateId) const {
    return std::any_of(windows_.begin(), windows_.end(),
                       [&](const auto& window) { return window->templateId == templateId; });
}

}  // namespace velnora::fake
