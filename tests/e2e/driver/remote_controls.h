// The list views and tree views of another process. Their messages carry pointers that
// Windows does not marshal, so the structures live in memory allocated inside the process
// that owns the control. Driver and program must have the same bitness.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace velnora::e2e {

// A block of memory inside the process that owns `window`.
class RemoteMemory {
  public:
    RemoteMemory(HWND window, size_t size);
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory();

    bool Valid() const { return address_ != nullptr; }
    // The block's address as the owning process sees it.
    char* Address() const { return static_cast<char*>(address_); }
    bool Write(size_t offset, const void* data, size_t size);
    bool Read(size_t offset, void* data, size_t size) const;

  private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_ = 0;
};

// List view (SysListView32). Rows and columns count from 0; a list without columns in
// its header has one.
int ListViewRowCount(HWND list);
int ListViewColumnCount(HWND list);
std::optional<std::wstring> ListViewCell(HWND list, int row, int column);
std::vector<std::wstring> ListViewRow(HWND list, int row);
std::vector<std::vector<std::wstring>> ListViewRows(HWND list);
// Check box state of a list with LVS_EX_CHECKBOXES.
bool IsListViewRowChecked(HWND list, int row);
bool IsListViewRowSelected(HWND list, int row);
// The first selected row, or -1.
int ListViewSelectedRow(HWND list);
// Selects and focuses `row` alone, as a click on it would; the parent gets LVN_ITEMCHANGED.
bool SelectListViewRow(HWND list, int row);

// Tree view (SysTreeView32), read whole.
struct TreeNode {
    std::wstring text;
    bool selected = false;
    bool expanded = false;
    // Check box state of a tree with TVS_CHECKBOXES.
    bool checked = false;
    std::vector<TreeNode> children;
};
std::vector<TreeNode> TreeViewNodes(HWND tree);

// Combo boxes: their messages are marshalled, no remote memory needed.
std::vector<std::wstring> ComboBoxItems(HWND combo);
int ComboBoxSelection(HWND combo);
// Selects item `index` and tells the dialog with CBN_SELCHANGE, as a user's choice would.
bool SelectComboBoxItem(HWND combo, int index);

}  // namespace velnora::e2e
