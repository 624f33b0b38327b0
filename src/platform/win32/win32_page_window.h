// The PageWindow of an open dialog: control calls over the dialog's HWND. Only the dialog host
// creates and drives it.
#pragma once

#include <windows.h>

#include <map>
#include <optional>

#include "platform/dialog_page.h"

namespace velnora::platform::win32 {

class Win32PageWindow final : public PageWindow {
  public:
    Win32PageWindow(DialogPage& page, bool modal) : page_(page), modal_(modal) {}
    ~Win32PageWindow() override;
    Win32PageWindow(const Win32PageWindow&) = delete;
    Win32PageWindow& operator=(const Win32PageWindow&) = delete;

    DialogPage& Page() { return page_; }
    HWND Handle() const { return hwnd_; }
    bool IsModal() const { return modal_; }

    // WM_INITDIALOG binds the window, WM_DESTROY starts the end, WM_NCDESTROY unbinds.
    void Bind(HWND hwnd);
    void BeginDestroy();
    void Unbind();

    // Handler calls are counted so that a modeless page that ends itself inside a handler
    // keeps its window (and this object) until that handler has returned.
    int depth = 0;
    bool destroyPending = false;  // modeless EndDialog inside a handler
    bool deletePending = false;   // the window went away while a handler ran
    bool initializing = false;
    bool focusSetDuringInit = false;
    bool* boundFlag = nullptr;  // set by Bind, for the creator of a modeless page

    // The cell of an owner-data list, as the page describes it.
    ListCell Cell(int id, int row, int column);
    bool IsOwnerDataList(HWND control) const;

    void SetText(int id, const std::string& text) override;
    std::string GetText(int id) override;
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) override;
    void Show(int id, bool visible) override;
    bool IsVisible(int id) override;
    void SetCheck(int id, bool checked) override;
    bool GetCheck(int id) override;
    void SetReadOnly(int id, bool readOnly) override;
    void SetFont(int id, const FontSpec& font) override;
    void SetFocus(int id) override;
    int GetFocus() override;

    bool GetControlRect(int id, Rect& rect) override;
    bool SetControlRect(int id, const Rect& rect) override;
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

    TreeNode InsertNode(int id, TreeNode parent, const std::string& text) override;
    void DeleteAllNodes(int id) override;
    void ExpandNode(int id, TreeNode node) override;
    void SetNodeBold(int id, TreeNode node, bool bold) override;
    std::string NodeText(int id, TreeNode node) override;
    std::vector<TreeNode> ChildNodes(int id, TreeNode parent) override;

    int AddComboItem(int id, const std::string& text) override;
    void ClearCombo(int id) override;
    int ComboCount(int id) override;
    std::string ComboItem(int id, int index) override;
    int ComboSelection(int id) override;
    void SetComboSelection(int id, int index) override;

    bool SetPictureFile(int id, const std::string& bitmapPath) override;
    void SetIcon(int iconResourceId) override;
    void ShowWindow(WindowShow how) override;

    bool SetTimer(int timerId, std::uint32_t intervalMs) override;
    void KillTimer(int timerId) override;

    void EndDialog(int result) override;
    void OnPageDestroyed() override;  // in dialog_host.cpp, beside the page registry

    void CollapseAndHide() override;
    void SetToolWindow(bool toolWindow) override;
    void BringToForeground() override;
    bool PageGone() const { return pageGone_; }

    // --- Layout of resizable pages ---
    bool MoveControls(const std::vector<ControlPlacement>& placements) override;
    void SetMinimumSize(int width, int height) override;
    // WM_GETMINMAXINFO: raises the minimum tracking size to the page's minimum client area.
    void ApplyMinimumSize(MINMAXINFO& info) const;
    // --- End of the layout block ---

  private:
    HWND Control(int id) const;  // id 0: the dialog; nullptr when missing
    void ReleasePictures();
    void ReleaseFonts();

    DialogPage& page_;
    bool modal_;
    bool destroying_ = false;
    bool pageGone_ = false;
    HWND hwnd_ = nullptr;
    std::map<int, HFONT> fonts_;
    std::map<int, HBITMAP> pictures_;
    SIZE minimumClient_ = {0, 0};
    // Where a collapsed page stood, for its return; empty while it is not collapsed.
    std::optional<RECT> collapsedFrom_;
};

}  // namespace velnora::platform::win32
