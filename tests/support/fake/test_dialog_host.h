// The in-memory dialog host of the tests: pages run on controls kept in memory, and a test
// scripts what the user does on each page that is opened.
//
// Controls come from the page's dialog template in the project's .rc file (kind, hidden or
// disabled by the template, default button, owner-data lists); a page without a template gets
// each control on first touch. A page that touches a control its template lacks, a script
// that acts on a page that has ended, and a modal run that its script leaves open are test
// failures (reported through the reporter: ADD_FAILURE by default, and kept in Failures()).
//
// What the fake does as the real dialog manager does: a modal page's owner is disabled while
// it runs; the dialog is shown after OnInitDialog unless it ended there; a page's own SetText
// on a one-line edit sends EN_CHANGE, its own SelectRow and SetRowChecked send
// LVN_ITEMCHANGED; ShowWindow sends OnShowWindow when the visibility changes and OnSize when
// the page is minimised or restored; a modeless page that ends inside a handler is destroyed
// when the handler returns; a resize below the page's minimum size stops at it. Rectangles are
// pixels: the template's dialog units are converted with the base units of its font, as the
// dialog manager does. Text is 7 pixels per character wide. A page opens with its window
// rectangle at the screen's origin, as large as its client area.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "fake/dialog_templates.h"
#include "platform/dialog_page.h"

namespace velnora::fake {

class TestDialogHost;

// One control kept in memory.
struct TestControl {
    struct Column {
        std::string title;
        int width = -1;
    };
    struct Row {
        std::vector<std::string> cells;
        bool checked = false;
    };
    struct Node {
        platform::TreeNode parent = platform::kTreeRoot;
        std::string text;
        bool expanded = false;
        bool bold = false;
    };

    int id = 0;
    ControlKind kind = ControlKind::kOther;  // kOther also for controls made on first touch
    bool declared = false;                   // from the template
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    bool defaultButton = false;
    bool autoCheck = false;
    bool multiline = false;
    bool readOnly = false;
    std::optional<platform::FontSpec> font;
    platform::Rect rect;
    int moves = 0;        // SetControlRect and MoveControls calls that placed it
    std::string picture;  // bitmap file shown

    // List view.
    bool ownerData = false;
    std::uint32_t listStyle = 0;
    std::vector<Column> columns;
    std::vector<Row> rows;
    int ownerRowCount = 0;
    int selectedRow = -1;
    int redrawCount = 0;

    // Tree view; children in insertion order (node numbers grow).
    std::map<platform::TreeNode, Node> nodes;
    platform::TreeNode nextNode = 1;
    platform::TreeNode selectedNode = platform::kTreeRoot;

    // Combo box.
    std::vector<std::string> comboItems;
    int comboSelection = -1;
};

// The in-memory window of one page, open or closed.
class TestPageWindow final : public platform::PageWindow {
  public:
    TestPageWindow(TestDialogHost& host, platform::DialogPage& page, const DialogTemplate* dialog,
                   bool modal, int ownerTemplateId);

    int templateId = 0;
    int ownerTemplateId = 0;  // 0 without owner
    bool modal = true;
    std::string title;
    bool visible = false;
    bool enabled = true;
    bool minimized = false;
    int icon = 0;
    platform::Rect client;
    platform::Rect frame;  // the window rectangle on the screen
    // Frame and client area of a collapsed page, which a restore brings back.
    std::optional<std::pair<platform::Rect, platform::Rect>> collapsedFrom;
    bool toolWindow = false;
    int foregroundCalls = 0;
    int minimumWidth = 0;  // SetMinimumSize
    int minimumHeight = 0;
    int moveBatches = 0;  // MoveControls calls that moved controls
    std::map<int, std::uint32_t> timers;
    int focus = 0;
    bool ended = false;
    int result = 0;
    bool destroyed = false;
    int depth = 0;  // handlers running
    std::map<int, TestControl> controls;
    platform::DialogPage* page = nullptr;  // null once destroyed

    // The control for the page: made on first touch without a template; nullptr (and a
    // reported failure) when the template lacks it.
    TestControl* Touch(int id);
    const DialogTemplate* Template() const { return template_; }

    void SetText(int id, const std::string& text) override;
    std::string GetText(int id) override;
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) override;
    void Show(int id, bool visible) override;
    bool IsVisible(int id) override;
    void SetCheck(int id, bool checked) override;
    bool GetCheck(int id) override;
    void SetReadOnly(int id, bool readOnly) override;
    void SetFont(int id, const platform::FontSpec& font) override;
    void SetFocus(int id) override;
    int GetFocus() override;

    bool GetControlRect(int id, platform::Rect& rect) override;
    bool SetControlRect(int id, const platform::Rect& rect) override;
    int TextWidth(int id, const std::string& text) override;

    void SetListStyle(int id, std::uint32_t extendedStyle) override;
    void InsertColumn(int id, int column, const std::string& title, int width) override;
    void SetColumnWidth(int id, int column, int width) override;
    int ColumnWidth(int id, int column) override;
    int InsertRow(int id, int row, const std::string& text) override;
    void SetCell(int id, int row, int column, const std::string& text) override;
    std::string GetCell(int id, int row, int column) override;
    int RowCount(int id) override;
    void DeleteAllRows(int id) override;
    void SetRowCount(int id, int count) override;
    int SelectedRow(int id) override;
    void SelectRow(int id, int row) override;
    void SetRowChecked(int id, int row, bool checked) override;
    bool IsRowChecked(int id, int row) override;
    void RedrawRows(int id, int first, int last) override;

    platform::TreeNode InsertNode(int id, platform::TreeNode parent,
                                  const std::string& text) override;
    void DeleteAllNodes(int id) override;
    void ExpandNode(int id, platform::TreeNode node) override;
    void SetNodeBold(int id, platform::TreeNode node, bool bold) override;
    std::string NodeText(int id, platform::TreeNode node) override;
    std::vector<platform::TreeNode> ChildNodes(int id, platform::TreeNode parent) override;

    int AddComboItem(int id, const std::string& text) override;
    void ClearCombo(int id) override;
    int ComboCount(int id) override;
    std::string ComboItem(int id, int index) override;
    int ComboSelection(int id) override;
    void SetComboSelection(int id, int index) override;

    bool SetPictureFile(int id, const std::string& bitmapPath) override;
    void SetIcon(int iconResourceId) override;
    void ShowWindow(platform::WindowShow how) override;

    bool SetTimer(int timerId, std::uint32_t intervalMs) override;
    void KillTimer(int timerId) override;

    void EndDialog(int result) override;
    void OnPageDestroyed() override;

    void CollapseAndHide() override;
    void SetToolWindow(bool toolWindow) override;
    void BringToForeground() override;
    bool MoveControls(const std::vector<platform::ControlPlacement>& placements) override;
    void SetMinimumSize(int width, int height) override;

  private:
    friend class TestDialogHost;
    friend class PageDriver;

    TestControl* List(int id);
    // Moves the selection of a list and tells the page, as the list view does.
    void MoveSelection(TestControl& list, int row);
    void SetVisible(bool shown);

    TestDialogHost& host_;
    const DialogTemplate* template_;
};

// What a user (and the system) can do to an open page, and what a test can read back from a
// page, open or closed. Actions return false when the user could not do it (the control is
// disabled or hidden, the page is disabled under a modal page or hidden, the row is not there).
class PageDriver {
  public:
    PageDriver(TestDialogHost& host, TestPageWindow& window) : host_(&host), window_(&window) {}

    // A push button, check box or radio button; a check box checks itself first.
    bool Click(int id);
    // Sets an edit's text as typing would (EN_CHANGE).
    bool Type(int id, const std::string& text);
    bool SelectRow(int id, int row);  // the keyboard: selection only
    // A click on a row (-1: empty space below the rows): selection, then NM_CLICK.
    bool ClickRow(int id, int row, int column = 0);
    bool DoubleClickRow(int id, int row, int column = 0);
    // A click into the row's check box. A list with stored rows toggles it itself
    // (LVN_ITEMCHANGED); an owner-data list only reports the click, with onCheckBox when the
    // cell (of any column) has a tick box, and without a check-box style.
    bool ToggleRowCheck(int id, int row, int column = 0);
    // The mouse rests on a cell of an owner-data list with tooltips (liststyle::kInfoTip):
    // the list asks the page for the cell, and the tip is what shows (empty: no tooltip).
    // Nothing when the list has no tooltips or the cell is not there.
    std::optional<std::string> HoverCell(int id, int row, int column = 0);
    // Typing into an owner-data list: the page finds the row (OnFindRow, from the row after
    // the selected one), and the list selects it. False when nothing was found.
    bool TypeAhead(int id, const std::string& prefix);
    bool SelectNode(int id, platform::TreeNode node);
    bool SelectCombo(int id, int index);
    // Mouse over a control (0: the dialog itself); the page's answer.
    bool HoverOver(int id);
    // A key-down: the page's pre-filter first; then Escape is IDCANCEL and Return the
    // default button. True when the pre-filter swallowed the key.
    bool PressKey(int virtualKey);
    bool PressEscape() { return PressKey(platform::kVirtualKeyEscape); }
    bool PressReturn() { return PressKey(platform::kVirtualKeyReturn); }
    void CloseBox();              // IDCANCEL
    void Help();                  // F1
    bool FireTimer(int timerId);  // false when the timer is not set
    // The user drags the border until the client area has this size, or the page's minimum.
    void Resize(int width, int height);
    bool QueryEndSession();
    void EndSession(bool ending);

    // Read-back.
    platform::DialogPage& Page();
    int TemplateId() const { return window_->templateId; }
    bool IsOpen() const { return !window_->destroyed; }
    bool IsEnded() const { return window_->ended; }
    int Result() const { return window_->result; }
    const std::string& Title() const { return window_->title; }
    bool IsWindowVisible() const { return window_->visible; }
    bool IsWindowEnabled() const { return window_->enabled; }
    bool IsMinimized() const { return window_->minimized; }
    int Icon() const { return window_->icon; }
    int Focus() const { return window_->focus; }
    bool HasTimer(int timerId) const { return window_->timers.count(timerId) != 0; }
    std::uint32_t TimerInterval(int timerId) const;
    platform::Rect ClientRect() const { return window_->client; }
    platform::Rect WindowRect() const { return window_->frame; }
    bool IsToolWindow() const { return window_->toolWindow; }
    // The page is the one last brought to the foreground, and how often it was.
    bool IsForeground() const;
    int ForegroundCalls() const { return window_->foregroundCalls; }

    const TestControl& Control(int id);  // reports a failure for a control that is not there
    const std::string& Text(int id) { return Control(id).text; }
    bool IsEnabled(int id) { return Control(id).enabled; }
    bool IsVisible(int id) { return Control(id).visible; }
    bool IsChecked(int id) { return Control(id).checked; }
    int RowCount(int id);
    // Cells of owner-data lists come from the page, so only while it is open.
    std::string Cell(int id, int row, int column);
    platform::ListCell OwnerCell(int id, int row, int column);
    bool IsRowChecked(int id, int row);
    int SelectedRow(int id) { return Control(id).selectedRow; }
    std::vector<std::string> ColumnTitles(int id);
    // Every cell, row by row, for table comparisons.
    std::vector<std::vector<std::string>> Rows(int id);
    std::vector<platform::TreeNode> Children(int id, platform::TreeNode parent);
    const TestControl::Node& Node(int id, platform::TreeNode node);
    // The tree as lines of text, two blanks of indentation per level.
    std::vector<std::string> TreeLines(int id);
    const TestPageWindow& Window() const { return *window_; }

  private:
    bool CanAct(const char* action);
    bool CanUse(int id, const char* action, TestControl*& control);

    TestDialogHost* host_;
    TestPageWindow* window_;
};

class TestDialogHost {
  public:
    using Script = std::function<void(PageDriver&)>;
    using Reporter = std::function<void(const std::string&)>;

    // The result of a modal run whose script ended without the page ending.
    static constexpr int kRunNotEnded = -1000;

    // With the project's templates; a host with other templates (or none) for host tests.
    TestDialogHost();
    explicit TestDialogHost(const DialogTemplates& templates);
    ~TestDialogHost();
    TestDialogHost(const TestDialogHost&) = delete;
    TestDialogHost& operator=(const TestDialogHost&) = delete;

    int RunModal(platform::DialogPage& page, const platform::DialogPage* owner);
    bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner);
    bool IsOpen(const platform::DialogPage* page) const;
    // WM_QUERYENDSESSION to every open page, innermost first, until one refuses; false when
    // one refused.
    bool QueryEndSession();
    // WM_ENDSESSION to every open page, innermost first.
    void EndSession(bool ending);

    // What the user does on the next modal run of a template (queued per template; a page
    // run from another page's handler takes its script from the queue too).
    void OnNextRun(int templateId, Script script);
    // The next modal run or modeless opening of the template fails as if the template were
    // missing (-1 / false) without touching the page.
    void FailNextRun(int templateId);

    // An open page (the innermost of its template); a reported failure when there is none.
    PageDriver Driver(const platform::DialogPage& page);
    PageDriver Driver(int templateId);
    // The most recent window of a template, open or closed, for reading back after a run.
    PageDriver LastWindow(int templateId);
    bool HasWindow(int templateId) const;

    struct Run {
        int templateId = 0;
        int ownerTemplateId = 0;
        bool modal = true;
        int result = 0;
    };
    // Every modal run and modeless opening, in the order they ended (modal) or opened.
    const std::vector<Run>& Runs() const { return runs_; }

    void SetReporter(Reporter reporter) { reporter_ = std::move(reporter); }
    const std::vector<std::string>& Failures() const { return failures_; }
    // Decides which bitmap files load; all do by default.
    void SetPictureLoader(std::function<bool(const std::string&)> loader) {
        pictureLoader_ = std::move(loader);
    }

  private:
    friend class TestPageWindow;
    friend class PageDriver;

    void Report(const std::string& message);
    TestPageWindow& Create(platform::DialogPage& page, const platform::DialogPage* owner,
                           bool modal);
    TestPageWindow* OpenWindowOf(const platform::DialogPage* page) const;
    void Destroy(TestPageWindow& window);
    void AfterHandler(TestPageWindow& window);
    bool LoadPicture(const std::string& path) { return !pictureLoader_ || pictureLoader_(path); }

    template <typename Handler>
    auto Dispatch(TestPageWindow& window, Handler&& handler) {
        ++window.depth;
        if constexpr (std::is_void_v<decltype(handler())>) {
            handler();
            --window.depth;
            AfterHandler(window);
        } else {
            auto result = handler();
            --window.depth;
            AfterHandler(window);
            return result;
        }
    }

    const DialogTemplates& templates_;
    std::vector<std::unique_ptr<TestPageWindow>> windows_;  // every window, in creation order
    std::map<int, std::deque<Script>> scripts_;
    std::map<int, int> failNext_;
    std::vector<Run> runs_;
    std::vector<std::string> failures_;
    Reporter reporter_;
    std::function<bool(const std::string&)> pictureLoader_;
    std::unique_ptr<platform::DialogPage> nonePage_;
    std::unique_ptr<TestPageWindow> noneWindow_;
    const TestPageWindow* foreground_ = nullptr;
};

}  // namespace velnora::fake
