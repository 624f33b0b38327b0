#include "driver/remote_controls.h"

#include <commctrl.h>

namespace velnora::e2e {

namespace {

constexpr UINT kAnswerTimeoutMs = 5000;
constexpr int kTextCapacity = 2048;
// Guards against a tree that changes or loops while it is walked.
constexpr int kMaxTreeNodes = 10000;

LRESULT Ask(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                             &result)) {
        return -1;
    }
    return static_cast<LRESULT>(result);
}

// Text of an item read through a structure that points at a text buffer behind it.
template <typename Item>
std::optional<std::wstring> ReadItemText(HWND window, UINT message, WPARAM wparam, Item item,
                                         bool text_length_result) {
    RemoteMemory memory(window, sizeof(Item) + kTextCapacity * sizeof(wchar_t));
    if (!memory.Valid()) {
        return std::nullopt;
    }
    const wchar_t empty = L'\0';
    item.pszText = reinterpret_cast<wchar_t*>(memory.Address() + sizeof(Item));
    item.cchTextMax = kTextCapacity;
    if (!memory.Write(0, &item, sizeof(item)) ||
        !memory.Write(sizeof(Item), &empty, sizeof(empty))) {
        return std::nullopt;
    }
    const LRESULT result = Ask(window, message, wparam, reinterpret_cast<LPARAM>(memory.Address()));
    if (result < 0 || (!text_length_result && result == 0)) {
        return std::nullopt;
    }
    std::wstring text(kTextCapacity, L'\0');
    if (!memory.Read(sizeof(Item), text.data(), text.size() * sizeof(wchar_t))) {
        return std::nullopt;
    }
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() - 1 : text.find(L'\0'));
    return text;
}

void ReadTreeLevel(HWND tree, HTREEITEM item, std::vector<TreeNode>& nodes, int& budget) {
    while (item != nullptr && budget-- > 0) {
        TVITEMW request{};
        request.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_STATE;
        request.hItem = item;
        request.stateMask = TVIS_SELECTED | TVIS_EXPANDED | TVIS_STATEIMAGEMASK;
        TreeNode node;
        node.text = ReadItemText(tree, TVM_GETITEMW, 0, request, false).value_or(L"");
        const LRESULT state = Ask(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                  TVIS_SELECTED | TVIS_EXPANDED | TVIS_STATEIMAGEMASK);
        if (state >= 0) {
            node.selected = (state & TVIS_SELECTED) != 0;
            node.expanded = (state & TVIS_EXPANDED) != 0;
            node.checked = ((state & TVIS_STATEIMAGEMASK) >> 12) == 2;
        }
        const auto child = reinterpret_cast<HTREEITEM>(
            Ask(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        if (child != nullptr && child != reinterpret_cast<HTREEITEM>(-1)) {
            ReadTreeLevel(tree, child, node.children, budget);
        }
        nodes.push_back(std::move(node));
        item = reinterpret_cast<HTREEITEM>(
            Ask(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
        if (item == reinterpret_cast<HTREEITEM>(-1)) {
            item = nullptr;
        }
    }
}

}  // namespace

RemoteMemory::RemoteMemory(HWND window, size_t size) : size_(size) {
    DWORD process_id = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &process_id) == 0) {
        return;
    }
    process_ = OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
        FALSE, process_id);
    if (process_ != nullptr) {
        address_ =
            VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
}

RemoteMemory::~RemoteMemory() {
    if (address_ != nullptr) {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    if (process_ != nullptr) {
        CloseHandle(process_);
    }
}

bool RemoteMemory::Write(size_t offset, const void* data, size_t size) {
    SIZE_T written = 0;
    return Valid() && offset + size <= size_ &&
           WriteProcessMemory(process_, Address() + offset, data, size, &written) &&
           written == size;
}

bool RemoteMemory::Read(size_t offset, void* data, size_t size) const {
    SIZE_T read = 0;
    return Valid() && offset + size <= size_ &&
           ReadProcessMemory(process_, Address() + offset, data, size, &read) && read == size;
}

int ListViewRowCount(HWND list) {
    return static_cast<int>(Ask(list, LVM_GETITEMCOUNT, 0, 0));
}

int ListViewColumnCount(HWND list) {
    const auto header = reinterpret_cast<HWND>(Ask(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr || header == reinterpret_cast<HWND>(-1)) {
        return 1;
    }
    const LRESULT count = Ask(header, HDM_GETITEMCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 1;
}

std::optional<std::wstring> ListViewCell(HWND list, int row, int column) {
    if (row < 0 || row >= ListViewRowCount(list) || column < 0 ||
        column >= ListViewColumnCount(list)) {
        return std::nullopt;
    }
    LVITEMW item{};
    item.iSubItem = column;
    return ReadItemText(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), item, true);
}

std::vector<std::wstring> ListViewRow(HWND list, int row) {
    std::vector<std::wstring> cells;
    const int columns = ListViewColumnCount(list);
    for (int column = 0; column < columns; ++column) {
        cells.push_back(ListViewCell(list, row, column).value_or(L""));
    }
    return cells;
}

std::vector<std::vector<std::wstring>> ListViewRows(HWND list) {
    std::vector<std::vector<std::wstring>> rows;
    const int count = ListViewRowCount(list);
    for (int row = 0; row < count; ++row) {
        rows.push_back(ListViewRow(list, row));
    }
    return rows;
}

bool IsListViewRowChecked(HWND list, int row) {
    const LRESULT state =
        Ask(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
    return state >= 0 && ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool IsListViewRowSelected(HWND list, int row) {
    const LRESULT state = Ask(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED);
    return state > 0 && (state & LVIS_SELECTED) != 0;
}

int ListViewSelectedRow(HWND list) {
    return static_cast<int>(
        Ask(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

bool SelectListViewRow(HWND list, int row) {
    if (row < 0 || row >= ListViewRowCount(list)) {
        return false;
    }
    RemoteMemory memory(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    // Clear every row first, then mark the one.
    if (!memory.Write(0, &item, sizeof(item)) ||
        Ask(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
            reinterpret_cast<LPARAM>(memory.Address())) != TRUE) {
        return false;
    }
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return memory.Write(0, &item, sizeof(item)) &&
           Ask(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(memory.Address())) == TRUE;
}

std::vector<TreeNode> TreeViewNodes(HWND tree) {
    std::vector<TreeNode> nodes;
    const auto root = reinterpret_cast<HTREEITEM>(Ask(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    if (root == nullptr || root == reinterpret_cast<HTREEITEM>(-1)) {
        return nodes;
    }
    int budget = kMaxTreeNodes;
    ReadTreeLevel(tree, root, nodes, budget);
    return nodes;
}

std::vector<std::wstring> ComboBoxItems(HWND combo) {
    std::vector<std::wstring> items;
    const LRESULT count = Ask(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Ask(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) {
            items.emplace_back();
            continue;
        }
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied =
            Ask(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        items.push_back(std::move(text));
    }
    return items;
}

int ComboBoxSelection(HWND combo) {
    return static_cast<int>(Ask(combo, CB_GETCURSEL, 0, 0));
}

bool SelectComboBoxItem(HWND combo, int index) {
    if (Ask(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) {
        return false;
    }
    const int id = GetDlgCtrlID(combo);
    return PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo)) != 0;
}

}  // namespace velnora::e2e
