// The portable page base. A page speaks in control ids; the dialog host that runs it (the
// Win32 host in the programs, the in-memory host in tests) binds it to the dialog template of
// its id and turns window messages into the handlers below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace velnora::platform {

// Notification codes the pages react to (values as Windows gives them).
namespace notify {
inline constexpr int kButtonClicked = 0;       // BN_CLICKED
inline constexpr int kEditChange = 0x300;      // EN_CHANGE
inline constexpr int kComboSelChange = 1;      // CBN_SELCHANGE
inline constexpr int kListItemChanged = -101;  // LVN_ITEMCHANGED
inline constexpr int kListBeginDrag = -109;    // LVN_BEGINDRAG
inline constexpr int kListClick = -2;          // NM_CLICK
inline constexpr int kListDoubleClick = -3;    // NM_DBLCLK
inline constexpr int kTreeSelChanged = -451;   // TVN_SELCHANGEDW
}  // namespace notify

// Standard command ids of a dialog.
namespace cmd {
inline constexpr int kOk = 1;        // IDOK (also Enter)
inline constexpr int kCancel = 2;    // IDCANCEL (also Escape and the close box)
inline constexpr int kHelp = 57670;  // the help command; F1 arrives as this command
}  // namespace cmd

inline constexpr int kVirtualKeyEscape = 0x1B;
inline constexpr int kVirtualKeyReturn = 0x0D;

// Extended list-view styles (LVS_EX_*), added with PageWindow::SetListStyle.
namespace liststyle {
inline constexpr std::uint32_t kGridLines = 0x1;
inline constexpr std::uint32_t kSubItemImages = 0x2;
inline constexpr std::uint32_t kCheckBoxes = 0x4;
inline constexpr std::uint32_t kFullRowSelect = 0x20;
// On an owner-data list: a tooltip per cell, its text the cell's tip.
inline constexpr std::uint32_t kInfoTip = 0x400;
}  // namespace liststyle

// List row states as LVN_ITEMCHANGED reports them (LVIS_*; the check box is state image 2).
namespace rowstate {
inline constexpr std::uint32_t kFocused = 0x1;
inline constexpr std::uint32_t kSelected = 0x2;
inline constexpr std::uint32_t kCheckMask = 0xF000;
inline constexpr std::uint32_t kUnchecked = 0x1000;
inline constexpr std::uint32_t kChecked = 0x2000;
}  // namespace rowstate

// Column widths that ask the list to size the column itself (LVSCW_*).
inline constexpr int kColumnAutoSize = -1;
inline constexpr int kColumnAutoSizeUseHeader = -2;

// A tree-view node; 0 is the root (no parent).
using TreeNode = std::uintptr_t;
inline constexpr TreeNode kTreeRoot = 0;

struct Notification {
    int controlId = 0;
    int code = 0;
    int item = -1;     // list row, when the notification concerns one
    int subItem = -1;  // list column
    std::uint32_t newState = 0;
    std::uint32_t oldState = 0;
    TreeNode node = kTreeRoot;  // tree notifications: the node concerned
    bool onCheckBox = false;    // list clicks: the click hit the row's check box
};

// What an owner-data list shows in one cell; the page fills it in OnGetCell. The list draws
// every cell itself: a tick box may stand in any column, as a square of the cell's height at
// its left edge (or centred), and "&" shows as itself.
struct ListCell {
    std::string text;
    std::string tip;  // empty: no tooltip
    bool hasCheckBox = false;
    bool checked = false;
    // Text in grey and the tick box drawn inactive (still showing its tick); the page does
    // not let the user change it.
    bool greyed = false;
    bool centreCheckBox = false;
};

// Pixels; for controls in the client coordinates of the dialog.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Where a control goes, for PageWindow::MoveControls.
struct ControlPlacement {
    int id = 0;
    Rect rect;

    bool operator==(const ControlPlacement&) const = default;
};

// LOGFONT terms: height as lfHeight (negative = character height in pixels).
struct FontSpec {
    std::string face;
    int height = 0;
    int weight = 400;
    int charset = 1;

    bool operator==(const FontSpec&) const = default;
};

enum class WindowShow { kNormal, kHide, kMinimize, kRestore };

// What a dialog host offers an open page. Every call addresses a control by its id; id 0
// addresses the dialog window itself where that makes sense (text = window title, enabled,
// visible, rectangle = client area).
class PageWindow {
  public:
    virtual ~PageWindow() = default;

    virtual void SetText(int id, const std::string& text) = 0;
    virtual std::string GetText(int id) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsEnabled(int id) = 0;
    virtual void Show(int id, bool visible) = 0;
    virtual bool IsVisible(int id) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool GetCheck(int id) = 0;
    // An edit control the user cannot type into (EM_SETREADONLY).
    virtual void SetReadOnly(int id, bool readOnly) = 0;
    // The host keeps the font alive as long as the window.
    virtual void SetFont(int id, const FontSpec& font) = 0;
    virtual void SetFocus(int id) = 0;
    virtual int GetFocus() = 0;  // id of the control with the focus, 0 when none

    // Placement. Id 0 gives the client rectangle (left and top 0). False when the control is
    // missing or cannot be moved; a moved control is redrawn at once.
    virtual bool GetControlRect(int id, Rect& rect) = 0;
    virtual bool SetControlRect(int id, const Rect& rect) = 0;
    // Width in pixels of `text` drawn in the control's font.
    virtual int TextWidth(int id, const std::string& text) = 0;

    // List-view in report view. An owner-data list (LVS_OWNERDATA in the template) stores
    // only its row count; it asks the page for every cell through DialogPage::OnGetCell.
    // Adds extended styles (liststyle::*) to those the list has.
    virtual void SetListStyle(int id, std::uint32_t extendedStyle) = 0;
    // A negative width leaves the width to the list.
    virtual void InsertColumn(int id, int column, const std::string& title, int width) = 0;
    // Width in pixels or kColumnAutoSize / kColumnAutoSizeUseHeader.
    virtual void SetColumnWidth(int id, int column, int width) = 0;
    virtual int ColumnWidth(int id, int column) = 0;
    virtual int InsertRow(int id, int row, const std::string& text) = 0;  // -1 on failure
    virtual void SetCell(int id, int row, int column, const std::string& text) = 0;
    virtual std::string GetCell(int id, int row, int column) = 0;
    virtual int RowCount(int id) = 0;
    virtual void DeleteAllRows(int id) = 0;
    virtual void SetRowCount(int id, int count) = 0;  // owner-data lists
    virtual int SelectedRow(int id) = 0;              // -1 when none
    virtual void SelectRow(int id, int row) = 0;      // -1 clears the selection
    virtual void SetRowChecked(int id, int row, bool checked) = 0;
    virtual bool IsRowChecked(int id, int row) = 0;
    virtual void RedrawRows(int id, int first, int last) = 0;

    // Tree-view.
    virtual TreeNode InsertNode(int id, TreeNode parent, const std::string& text) = 0;
    virtual void DeleteAllNodes(int id) = 0;
    virtual void ExpandNode(int id, TreeNode node) = 0;
    virtual void SetNodeBold(int id, TreeNode node, bool bold) = 0;
    virtual std::string NodeText(int id, TreeNode node) = 0;
    virtual std::vector<TreeNode> ChildNodes(int id, TreeNode parent) = 0;

    // Combo box.
    virtual int AddComboItem(int id, const std::string& text) = 0;
    virtual void ClearCombo(int id) = 0;
    virtual int ComboCount(int id) = 0;
    virtual std::string ComboItem(int id, int index) = 0;
    virtual int ComboSelection(int id) = 0;
    virtual void SetComboSelection(int id, int index) = 0;

    // A picture control shows a bitmap file; false when the file cannot be loaded.
    virtual bool SetPictureFile(int id, const std::string& bitmapPath) = 0;
    // Large and small icon of the dialog, from the program's icon resource.
    virtual void SetIcon(int iconResourceId) = 0;
    virtual void ShowWindow(WindowShow how) = 0;

    virtual bool SetTimer(int timerId, std::uint32_t intervalMs) = 0;
    virtual void KillTimer(int timerId) = 0;

    // Modal: the run returns `result` once the current handler is done. Modeless: the window
    // is destroyed once the current handler is done.
    virtual void EndDialog(int result) = 0;

    // --- Layout of resizable pages ---------------------------------------------------------
    // Moves every listed control at once, and each is drawn once, with the others already in
    // place. False, and nothing moves, when a control is missing, is the dialog itself or
    // cannot be moved.
    virtual bool MoveControls(const std::vector<ControlPlacement>& placements) = 0;
    // The smallest client area the user can size the dialog to; 0 leaves that side free.
    // A page that is smaller already keeps its size until the next resize.
    virtual void SetMinimumSize(int width, int height) = 0;
    // --- End of the layout block ------------------------------------------------------------

    // The page object is being destroyed while its window is open: the host closes the
    // window without calling the page again.
    virtual void OnPageDestroyed() = 0;

    // --- Hiding and bringing back whole pages (the elevated twin's hand-over) ---
    // Moves the dialog to the centre point of its window rectangle with zero size, hidden in
    // the same step, and disables it: a page that must exist but is never to be seen, or not
    // while a run goes on. ShowWindow(kRestore) brings it back where and as large as it was.
    virtual void CollapseAndHide() = 0;
    // The tool-window extended style, which keeps a hidden window off the taskbar. The frame
    // is recomputed with size, position and z-order kept; taking the style away also shows
    // the dialog. ShowWindow(kRestore) and Enable(0, ...) complete the return of a page.
    virtual void SetToolWindow(bool toolWindow) = 0;
    // Makes the dialog the foreground window and brings it to the top, also when the window
    // in the foreground belongs to another thread.
    virtual void BringToForeground() = 0;
};

class DialogPage {
  public:
    explicit DialogPage(int templateId) : templateId_(templateId) {}
    virtual ~DialogPage() {
        if (window_ != nullptr)
            window_->OnPageDestroyed();
    }
    DialogPage(const DialogPage&) = delete;
    DialogPage& operator=(const DialogPage&) = delete;

    int TemplateId() const { return templateId_; }
    bool IsOpen() const { return window_ != nullptr; }
    // For services that act on a whole page from outside it; null while the page is closed.
    PageWindow* OpenWindow() const { return window_; }

    // Handlers. Defaults: OK and Cancel end the dialog with their id; nothing else happens.
    virtual void OnInitDialog() {}
    // A command from a control (button click, edit change, combo selection, menu, help).
    virtual void OnCommand(int controlId, int code);
    // A notification from a list or tree (notify::*); other codes arrive too and are
    // ignored by comparing the code. A click into a check box of an owner-data list is a
    // kListClick with onCheckBox: the list stores nothing, the page toggles its own data. No
    // key toggles a box of an owner-data list.
    virtual void OnNotify(const Notification&) {}
    // An owner-data list needs the content of a cell (to draw it, to hit-test a click against
    // its tick box, for the tooltip of the cell under the mouse, or because the page itself
    // asked for the cell). Sent while the list paints: must not redraw it.
    virtual void OnGetCell(int /*controlId*/, int /*row*/, int /*column*/, ListCell& /*cell*/) {}
    // Type-ahead in an owner-data list: the first row from `startRow` on (wrapping) whose
    // text starts with `prefix`, or -1.
    virtual int OnFindRow(int /*controlId*/, int /*startRow*/, const std::string& /*prefix*/) {
        return -1;
    }
    // The mouse is over a control (WM_SETCURSOR); id 0 is the dialog itself. True when the
    // page set the cursor itself.
    virtual bool OnMouseOver(int /*controlId*/) { return false; }
    // Key-down pre-filter; true swallows the key (pages use it to ignore Escape).
    virtual bool PreTranslateKeyDown(int /*virtualKey*/) { return false; }
    virtual void OnShowWindow(bool /*visible*/) {}
    virtual void OnSize(int /*width*/, int /*height*/) {}
    virtual void OnTimer(int /*timerId*/) {}
    // WM_QUERYENDSESSION: false refuses the end of the session.
    virtual bool OnQueryEndSession() { return true; }
    // WM_ENDSESSION: whether the session really ends.
    virtual void OnEndSession(bool /*ending*/) {}
    // The window is being destroyed; controls can still be read.
    virtual void OnDestroy() {}

    // Called by the hosts only.
    void Attach(PageWindow* window) { window_ = window; }
    void Detach() { window_ = nullptr; }

  protected:
    // The open window; pages call it only while open (from a handler or during a run).
    PageWindow& Window();

    void EndDialog(int result) { Window().EndDialog(result); }
    void SetText(int id, const std::string& text) { Window().SetText(id, text); }
    std::string GetText(int id) { return Window().GetText(id); }
    void Enable(int id, bool enabled) { Window().Enable(id, enabled); }
    void Show(int id, bool visible) { Window().Show(id, visible); }

  private:
    int templateId_;
    PageWindow* window_ = nullptr;
};

}  // namespace velnora::platform
