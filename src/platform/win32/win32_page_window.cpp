#include "platform/win32/win32_page_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/check_list.h"
#include "platform/win32/text_conversion.h"

namespace velnora::platform::win32 {

namespace {

std::string WindowText(HWND window) {
    if (window == nullptr)
        return std::string();
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return std::string();
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, buffer.data(), length + 1);
    return Utf8(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    if (window == nullptr)
        return 0;
    return SendMessageW(window, message, wParam, lParam);
}

}  // namespace

Win32PageWindow::~Win32PageWindow() {
    ReleasePictures();
    ReleaseFonts();
}

void Win32PageWindow::Bind(HWND hwnd) {
    hwnd_ = hwnd;
    if (boundFlag != nullptr)
        *boundFlag = true;
    page_.Attach(this);
}

void Win32PageWindow::BeginDestroy() {
    destroying_ = true;
    // The static controls still exist here; they may hold a copy of our bitmap.
    ReleasePictures();
}

void Win32PageWindow::Unbind() {
    ReleaseFonts();
    page_.Detach();
    hwnd_ = nullptr;
}

HWND Win32PageWindow::Control(int id) const {
    if (hwnd_ == nullptr)
        return nullptr;
    if (id == 0)
        return hwnd_;
    return GetDlgItem(hwnd_, id);
}

bool Win32PageWindow::IsOwnerDataList(HWND control) const {
    if (control == nullptr)
        return false;
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    if (lstrcmpiW(className, WC_LISTVIEWW) != 0)
        return false;
    return (GetWindowLongPtrW(control, GWL_STYLE) & LVS_OWNERDATA) != 0;
}

ListCell Win32PageWindow::Cell(int id, int row, int column) {
    ListCell cell;
    page_.OnGetCell(id, row, column, cell);
    return cell;
}

void Win32PageWindow::SetText(int id, const std::string& text) {
    if (HWND control = Control(id))
        SetWindowTextW(control, Wide(text).c_str());
}

std::string Win32PageWindow::GetText(int id) {
    return WindowText(Control(id));
}

void Win32PageWindow::Enable(int id, bool enabled) {
    if (HWND control = Control(id))
        EnableWindow(control, enabled ? TRUE : FALSE);
}

bool Win32PageWindow::IsEnabled(int id) {
    HWND control = Control(id);
    return control != nullptr && IsWindowEnabled(control);
}

void Win32PageWindow::Show(int id, bool visible) {
    if (HWND control = Control(id))
        ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

bool Win32PageWindow::IsVisible(int id) {
    HWND control = Control(id);
    if (control == nullptr)
        return false;
    // A control counts as visible by its own style, whether or not the dialog is shown.
    if (id == 0)
        return IsWindowVisible(control) != FALSE;
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32PageWindow::SetCheck(int id, bool checked) {
    Send(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32PageWindow::GetCheck(int id) {
    return Send(Control(id), BM_GETCHECK) == BST_CHECKED;
}

void Win32PageWindow::SetReadOnly(int id, bool readOnly) {
    Send(Control(id), EM_SETREADONLY, readOnly ? TRUE : FALSE);
}

void Win32PageWindow::SetFont(int id, const FontSpec& font) {
    HWND control = Control(id);
    if (control == nullptr)
        return;
    LOGFONTW logFont = {};
    logFont.lfHeight = font.height;
    logFont.lfWeight = font.weight;
    logFont.lfCharSet = static_cast<BYTE>(font.charset);
    const std::wstring face = Wide(font.face);
    lstrcpynW(logFont.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT created = CreateFontIndirectW(&logFont);
    if (created == nullptr)
        return;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
    auto [slot, inserted] = fonts_.try_emplace(id, created);
    if (!inserted) {
        DeleteObject(slot->second);
        slot->second = created;
    }
}

void Win32PageWindow::SetFocus(int id) {
    HWND control = Control(id);
    if (control == nullptr)
        return;
    if (initializing)
        focusSetDuringInit = true;
    if (id == 0)
        ::SetFocus(control);
    else
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

int Win32PageWindow::GetFocus() {
    HWND focus = ::GetFocus();
    // The focus may sit in a child of a control (the edit of a combo box).
    while (focus != nullptr && focus != hwnd_ && GetParent(focus) != hwnd_)
        focus = GetParent(focus);
    if (focus == nullptr || focus == hwnd_)
        return 0;
    return GetDlgCtrlID(focus);
}

bool Win32PageWindow::GetControlRect(int id, Rect& rect) {
    HWND control = Control(id);
    if (control == nullptr)
        return false;
    RECT r = {};
    if (id == 0) {
        if (!GetClientRect(control, &r))
            return false;
    } else {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        if (!GetWindowPlacement(control, &placement))
            return false;
        r = placement.rcNormalPosition;
    }
    rect = Rect{r.left, r.top, r.right, r.bottom};
    return true;
}

bool Win32PageWindow::SetControlRect(int id, const Rect& rect) {
    HWND control = Control(id);
    if (control == nullptr || id == 0)
        return false;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(control, &placement))
        return false;
    placement.rcNormalPosition = RECT{rect.left, rect.top, rect.right, rect.bottom};
    if (!SetWindowPlacement(control, &placement))
        return false;
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return true;
}

int Win32PageWindow::TextWidth(int id, const std::string& text) {
    HWND control = Control(id);
    if (control == nullptr)
        return 0;
    HDC dc = GetDC(control);
    if (dc == nullptr)
        return 0;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    const std::wstring wide = Wide(text);
    SIZE size = {};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    if (previous != nullptr)
        SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size.cx;
}

void Win32PageWindow::SetListStyle(int id, std::uint32_t extendedStyle) {
    HWND control = Control(id);
    if ((extendedStyle & LVS_EX_INFOTIP) != 0 && IsOwnerDataList(control)) {
        // A tooltip per cell instead of the list's own per-row tips.
        EnableCheckListTips(control);
        extendedStyle &= ~static_cast<std::uint32_t>(LVS_EX_INFOTIP);
    }
    Send(control, LVM_SETEXTENDEDLISTVIEWSTYLE, extendedStyle, extendedStyle);
    // An owner-data list keeps no check state: it asks the page through the callback mask.
    if ((extendedStyle & LVS_EX_CHECKBOXES) != 0 && IsOwnerDataList(control)) {
        const auto mask = static_cast<UINT>(Send(control, LVM_GETCALLBACKMASK));
        Send(control, LVM_SETCALLBACKMASK, mask | LVIS_STATEIMAGEMASK);
    }
}

void Win32PageWindow::InsertColumn(int id, int column, const std::string& title, int width) {
    std::wstring text = Wide(title);
    LVCOLUMNW item = {};
    item.mask = LVCF_TEXT | LVCF_SUBITEM;
    item.pszText = text.data();
    item.iSubItem = column;
    if (width >= 0) {
        item.mask |= LVCF_WIDTH;
        item.cx = width;
    }
    Send(Control(id), LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
         reinterpret_cast<LPARAM>(&item));
}

void Win32PageWindow::SetColumnWidth(int id, int column, int width) {
    Send(Control(id), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

int Win32PageWindow::ColumnWidth(int id, int column) {
    return static_cast<int>(Send(Control(id), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

int Win32PageWindow::InsertRow(int id, int row, const std::string& text) {
    HWND control = Control(id);
    if (control == nullptr)
        return -1;
    std::wstring wide = Wide(text);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = wide.data();
    return static_cast<int>(
        SendMessageW(control, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32PageWindow::SetCell(int id, int row, int column, const std::string& text) {
    std::wstring wide = Wide(text);
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = wide.data();
    Send(Control(id), LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string Win32PageWindow::GetCell(int id, int row, int column) {
    HWND control = Control(id);
    if (control == nullptr)
        return std::string();
    if (IsOwnerDataList(control))
        return Cell(id, row, column).text;
    for (std::size_t size = 256;; size *= 2) {
        std::wstring buffer(size, L'\0');
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const auto length = static_cast<std::size_t>(SendMessageW(
            control, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < size)
            return Utf8(buffer.data(), length);
    }
}

int Win32PageWindow::RowCount(int id) {
    return static_cast<int>(Send(Control(id), LVM_GETITEMCOUNT));
}

void Win32PageWindow::DeleteAllRows(int id) {
    Send(Control(id), LVM_DELETEALLITEMS);
}

void Win32PageWindow::SetRowCount(int id, int count) {
    Send(Control(id), LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
}

int Win32PageWindow::SelectedRow(int id) {
    return static_cast<int>(
        Send(Control(id), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

void Win32PageWindow::SelectRow(int id, int row) {
    HWND control = Control(id);
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (row < 0) {
        item.stateMask = LVIS_SELECTED;
        Send(control, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        return;
    }
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    Send(control, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    Send(control, LVM_SETSELECTIONMARK, 0, row);
    Send(control, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void Win32PageWindow::SetRowChecked(int id, int row, bool checked) {
    HWND control = Control(id);
    if (IsOwnerDataList(control)) {
        // The page's data is the truth; the list only has to show it again.
        RedrawRows(id, row, row);
        return;
    }
    LVITEMW item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    Send(control, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool Win32PageWindow::IsRowChecked(int id, int row) {
    HWND control = Control(id);
    if (IsOwnerDataList(control))
        return Cell(id, row, 0).checked;
    const auto state = static_cast<UINT>(
        Send(control, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void Win32PageWindow::RedrawRows(int id, int first, int last) {
    HWND control = Control(id);
    if (control == nullptr)
        return;
    SendMessageW(control, LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
    UpdateWindow(control);
}

TreeNode Win32PageWindow::InsertNode(int id, TreeNode parent, const std::string& text) {
    std::wstring wide = Wide(text);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent == kTreeRoot ? TVI_ROOT : reinterpret_cast<HTREEITEM>(parent);
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = wide.data();
    return static_cast<TreeNode>(
        Send(Control(id), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void Win32PageWindow::DeleteAllNodes(int id) {
    Send(Control(id), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void Win32PageWindow::ExpandNode(int id, TreeNode node) {
    Send(Control(id), TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(node));
}

void Win32PageWindow::SetNodeBold(int id, TreeNode node, bool bold) {
    TVITEMW item = {};
    item.mask = TVIF_STATE;
    item.hItem = reinterpret_cast<HTREEITEM>(node);
    item.stateMask = TVIS_BOLD;
    item.state = bold ? TVIS_BOLD : 0;
    Send(Control(id), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::string Win32PageWindow::NodeText(int id, TreeNode node) {
    HWND control = Control(id);
    if (control == nullptr || node == kTreeRoot)
        return std::string();
    for (std::size_t size = 260;; size *= 2) {
        std::wstring buffer(size, L'\0');
        TVITEMW item = {};
        item.mask = TVIF_TEXT;
        item.hItem = reinterpret_cast<HTREEITEM>(node);
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        if (!SendMessageW(control, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            return std::string();
        const std::size_t length = static_cast<std::size_t>(lstrlenW(item.pszText));
        if (length + 1 < size)
            return Utf8(item.pszText, length);
    }
}

std::vector<TreeNode> Win32PageWindow::ChildNodes(int id, TreeNode parent) {
    std::vector<TreeNode> children;
    HWND control = Control(id);
    if (control == nullptr)
        return children;
    auto node = parent == kTreeRoot ? SendMessageW(control, TVM_GETNEXTITEM, TVGN_ROOT, 0)
                                    : SendMessageW(control, TVM_GETNEXTITEM, TVGN_CHILD,
                                                   static_cast<LPARAM>(parent));
    while (node != 0) {
        children.push_back(static_cast<TreeNode>(node));
        node = SendMessageW(control, TVM_GETNEXTITEM, TVGN_NEXT, node);
    }
    return children;
}

int Win32PageWindow::AddComboItem(int id, const std::string& text) {
    HWND control = Control(id);
    if (control == nullptr)
        return -1;
    const std::wstring wide = Wide(text);
    return static_cast<int>(
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

void Win32PageWindow::ClearCombo(int id) {
    Send(Control(id), CB_RESETCONTENT);
}

int Win32PageWindow::ComboCount(int id) {
    return static_cast<int>(Send(Control(id), CB_GETCOUNT));
}

std::string Win32PageWindow::ComboItem(int id, int index) {
    HWND control = Control(id);
    if (control == nullptr)
        return std::string();
    const auto length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0)
        return std::string();
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(buffer.data()));
    if (copied <= 0)
        return std::string();
    return Utf8(buffer.data(), static_cast<std::size_t>(copied));
}

int Win32PageWindow::ComboSelection(int id) {
    HWND control = Control(id);
    if (control == nullptr)
        return -1;
    return static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
}

void Win32PageWindow::SetComboSelection(int id, int index) {
    Send(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index));
}

bool Win32PageWindow::SetPictureFile(int id, const std::string& bitmapPath) {
    HWND control = Control(id);
    if (control == nullptr || id == 0)
        return false;
    auto* bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, Wide(bitmapPath).c_str(), IMAGE_BITMAP,
                                                   0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (bitmap == nullptr)
        return false;
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    if ((style & SS_TYPEMASK) != SS_BITMAP)
        SetWindowLongPtrW(control, GWL_STYLE,
                          (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_BITMAP);
    auto* shown = reinterpret_cast<HBITMAP>(
        SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    HBITMAP& slot = pictures_[id];
    // A static control keeps a copy of bitmaps with alpha and hands it back here.
    if (shown != nullptr && shown != slot)
        DeleteObject(shown);
    if (slot != nullptr)
        DeleteObject(slot);
    slot = bitmap;
    return true;
}

void Win32PageWindow::SetIcon(int iconResourceId) {
    if (hwnd_ == nullptr)
        return;
    HINSTANCE module = GetModuleHandleW(nullptr);
    HANDLE large = LoadImageW(module, MAKEINTRESOURCEW(iconResourceId), IMAGE_ICON,
                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED);
    HANDLE small =
        LoadImageW(module, MAKEINTRESOURCEW(iconResourceId), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    if (large != nullptr)
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    if (small != nullptr)
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void Win32PageWindow::ShowWindow(WindowShow how) {
    if (hwnd_ == nullptr)
        return;
    int command = SW_SHOWNORMAL;
    switch (how) {
        case WindowShow::kNormal:
            command = SW_SHOWNORMAL;
            break;
        case WindowShow::kHide:
            command = SW_HIDE;
            break;
        case WindowShow::kMinimize:
            command = SW_MINIMIZE;
            break;
        case WindowShow::kRestore:
            command = SW_RESTORE;
            break;
    }
    // A page that was collapsed for a run comes back where and as large as it was.
    if (how == WindowShow::kRestore && collapsedFrom_) {
        const RECT& frame = *collapsedFrom_;
        SetWindowPos(hwnd_, nullptr, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        collapsedFrom_.reset();
    }
    ::ShowWindow(hwnd_, command);
}

bool Win32PageWindow::SetTimer(int timerId, std::uint32_t intervalMs) {
    if (hwnd_ == nullptr)
        return false;
    return ::SetTimer(hwnd_, static_cast<UINT_PTR>(timerId), intervalMs, nullptr) != 0;
}

void Win32PageWindow::KillTimer(int timerId) {
    if (hwnd_ != nullptr)
        ::KillTimer(hwnd_, static_cast<UINT_PTR>(timerId));
}

void Win32PageWindow::EndDialog(int result) {
    if (hwnd_ == nullptr || destroying_)
        return;
    if (modal_) {
        ::EndDialog(hwnd_, result);
        return;
    }
    if (depth > 0) {
        destroyPending = true;
        ::ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    // Outside any handler: the window (and with it this object) goes at once.
    DestroyWindow(hwnd_);
}

void Win32PageWindow::CollapseAndHide() {
    if (hwnd_ == nullptr)
        return;
    RECT frame{};
    if (GetWindowRect(hwnd_, &frame)) {
        collapsedFrom_ = frame;
        // Each half rounds toward zero.
        const int x = frame.left + (frame.right - frame.left) / 2;
        const int y = frame.top + (frame.bottom - frame.top) / 2;
        // Not asked first: the minimum size of a resizable page would widen it again.
        SetWindowPos(hwnd_, nullptr, x, y, 0, 0,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING | SWP_HIDEWINDOW);
    } else {
        ::ShowWindow(hwnd_, SW_HIDE);
    }
    EnableWindow(hwnd_, FALSE);
}

void Win32PageWindow::SetToolWindow(bool toolWindow) {
    if (hwnd_ == nullptr)
        return;
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
    const LONG_PTR changed = toolWindow ? (style | WS_EX_TOOLWINDOW) : (style & ~WS_EX_TOOLWINDOW);
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, changed);
    // The taskbar reads the style only when the frame changes.
    UINT flags = SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    if (!toolWindow)
        flags |= SWP_SHOWWINDOW;
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, flags);
}

void Win32PageWindow::BringToForeground() {
    if (hwnd_ == nullptr)
        return;
    const DWORD ownThread = GetWindowThreadProcessId(hwnd_, nullptr);
    HWND foreground = GetForegroundWindow();
    const DWORD foregroundThread =
        foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : ownThread;
    SetForegroundWindow(hwnd_);
    if (foregroundThread == ownThread) {
        BringWindowToTop(hwnd_);
        return;
    }
    // Windows lets only the thread that has the input bring a window to the top; sharing
    // that thread's input for a moment makes ours count as it.
    AttachThreadInput(ownThread, foregroundThread, TRUE);
    BringWindowToTop(hwnd_);
    AttachThreadInput(ownThread, foregroundThread, FALSE);
}

bool Win32PageWindow::MoveControls(const std::vector<ControlPlacement>& placements) {
    // Every control is looked up first: a deferred batch cannot be taken back half-way.
    std::vector<HWND> controls;
    controls.reserve(placements.size());
    for (const ControlPlacement& placement : placements) {
        HWND control = placement.id != 0 ? Control(placement.id) : nullptr;
        if (control == nullptr)
            return false;
        controls.push_back(control);
    }
    if (controls.empty())
        return true;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(controls.size()));
    for (std::size_t i = 0; i < controls.size() && batch != nullptr; ++i) {
        const Rect& rect = placements[i].rect;
        batch = DeferWindowPos(batch, controls[i], nullptr, rect.left, rect.top, rect.Width(),
                               rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    // A failed DeferWindowPos has released the batch; nothing has moved.
    if (batch == nullptr || !EndDeferWindowPos(batch))
        return false;
    // The moves only marked what needs painting; a control's content may depend on its size,
    // so all of it is marked. Then one paint, with every control in its new place.
    for (HWND control : controls)
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return true;
}

void Win32PageWindow::SetMinimumSize(int width, int height) {
    minimumClient_ = SIZE{std::max(width, 0), std::max(height, 0)};
}

void Win32PageWindow::ApplyMinimumSize(MINMAXINFO& info) const {
    if (hwnd_ == nullptr || (minimumClient_.cx == 0 && minimumClient_.cy == 0))
        return;
    RECT frame = {0, 0, minimumClient_.cx, minimumClient_.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                       GetMenu(hwnd_) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    if (minimumClient_.cx > 0)
        info.ptMinTrackSize.x = std::max(info.ptMinTrackSize.x, frame.right - frame.left);
    if (minimumClient_.cy > 0)
        info.ptMinTrackSize.y = std::max(info.ptMinTrackSize.y, frame.bottom - frame.top);
}

void Win32PageWindow::ReleasePictures() {
    for (auto& [id, bitmap] : pictures_) {
        if (HWND control = Control(id)) {
            auto* shown =
                reinterpret_cast<HBITMAP>(SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, 0));
            if (shown != nullptr && shown != bitmap)
                DeleteObject(shown);
        }
        DeleteObject(bitmap);
    }
    pictures_.clear();
}

void Win32PageWindow::ReleaseFonts() {
    for (auto& [id, font] : fonts_)
        DeleteObject(font);
    fonts_.clear();
}

}  // namespace velnora::platform::win32
