// The page contract suite on the Win32 dialog host, on Windows or under Wine. The user works
// the real windows with the messages Windows and a user's clicks send; a modal run's script
// runs inside the dialog box's own loop, from a thread timer, once the dialog is shown.
#include "platform/win32/dialog_host.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>

#include "contract_pages.h"
#include "fake/test_dialog_host.h"
#include "platform/win32/text_conversion.h"

namespace velnora::contract {
namespace {

using platform::Rect;
using platform::win32::Utf8;

constexpr UINT kScriptPollMs = 10;

Rect RectOf(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

class Win32PageUser final : public PageUser {
  public:
    explicit Win32PageUser(HWND dialog) : dialog_(dialog) {}

    fake::BaseUnits Units() override {
        RECT units = {0, 0, 4, 8};
        MapDialogRect(dialog_, &units);
        return fake::BaseUnits{units.right, units.bottom};
    }
    Rect Client() override {
        RECT client = {};
        GetClientRect(dialog_, &client);
        return RectOf(client);
    }
    Rect ControlRect(int id) override {
        RECT rect = {};
        if (!GetWindowRect(Item(id), &rect))
            return Rect{};
        MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&rect), 2);
        return RectOf(rect);
    }
    void Resize(int width, int height) override {
        RECT frame = {0, 0, width, height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
        SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    bool IsVisible(int id) override {
        if (id == 0)
            return IsWindowVisible(dialog_) != FALSE;
        return (GetWindowLongPtrW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    bool IsEnabled(int id) override {
        return IsWindowEnabled(id == 0 ? dialog_ : Item(id)) != FALSE;
    }
    void Click(int id) override { SendMessageW(Item(id), BM_CLICK, 0, 0); }

    std::vector<std::string> ColumnTitles(int id) override {
        std::vector<std::string> titles;
        for (int column = 0;; ++column) {
            wchar_t text[256] = {};
            LVCOLUMNW item = {};
            item.mask = LVCF_TEXT;
            item.pszText = text;
            item.cchTextMax = 256;
            if (!SendMessageW(Item(id), LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                              reinterpret_cast<LPARAM>(&item)))
                return titles;
            titles.push_back(Utf8(text, wcslen(text)));
        }
    }
    // An owner-data list asks the page for each cell, as when it paints.
    std::vector<std::vector<std::string>> Rows(int id) override {
        HWND list = Item(id);
        const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        const int columns =
            std::max(static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)), 1);
        std::vector<std::vector<std::string>> rows;
        const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            std::vector<std::string>& cells = rows.emplace_back();
            for (int column = 0; column < columns; ++column) {
                wchar_t text[256] = {};
                LVITEMW item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 256;
                SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(&item));
                cells.push_back(Utf8(text, wcslen(text)));
            }
        }
        return rows;
    }
    std::vector<bool> RowChecks(int id) override {
        HWND list = Item(id);
        std::vector<bool> checks;
        const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row)
            checks.push_back(SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                          LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
        return checks;
    }
    std::vector<std::string> TreeLines(int id) override {
        std::vector<std::string> lines;
        AddNodes(Item(id), SendMessageW(Item(id), TVM_GETNEXTITEM, TVGN_ROOT, 0), 0, lines);
        return lines;
    }

    void ClickCell(int id, int row, int column, CellSpot spot) override {
        HWND list = Item(id);
        RECT cell = {};
        const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        if (!CellRect(list, spot == CellSpot::kBelowRows ? rows - 1 : row, column, cell))
            return;
        const int height = cell.bottom - cell.top;
        POINT at = {cell.left + height / 2, (cell.top + cell.bottom) / 2};
        if (spot == CellSpot::kCentre)
            at.x = (cell.left + cell.right) / 2;
        else if (spot == CellSpot::kRightText)
            at.x = cell.right - 4;
        else if (spot == CellSpot::kBelowRows)
            at.y = cell.bottom + height;
        // Posted, the click takes the way real input takes through the message loop.
        const LPARAM point = MAKELPARAM(at.x, at.y);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageW(list, WM_LBUTTONUP, 0, point);
        Pump();
    }
    bool HoverCell(int id, int row, int column, const std::function<bool()>& asked) override {
        HWND list = Item(id);
        RECT cell = {};
        if (!CellRect(list, row, column, cell))
            return false;
        POINT at = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        ClientToScreen(list, &at);
        // From outside the list first, so that the move onto the cell is a move.
        SetCursorPos(0, 0);
        Pump();
        SetCursorPos(at.x, at.y);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kHoverLimitMs) {
            Pump();
            if (TipShown())
                return true;
            // A tip shows soon after the list asked for it; an empty one never does.
            if (asked() && GetTickCount() - start > kNoTipAfterMs)
                return false;
            Sleep(20);
        }
        return false;
    }
    int TypeInto(int id, const std::string& text) override {
        HWND list = Item(id);
        SetFocus(list);
        for (const char c : text)
            SendMessageW(list, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
        Pump();
        return static_cast<int>(
            SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    void PressSpaceOn(int id, int row) override {
        HWND list = Item(id);
        SetFocus(list);
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
        PostMessageW(list, WM_CHAR, L' ', 0x00390001);
        PostMessageW(list, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001u));
        Pump();
    }

  private:
    static constexpr DWORD kHoverLimitMs = 5000;
    static constexpr DWORD kNoTipAfterMs = 1500;

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    // Where the host draws the cell: its bounds, column 0's cut at the column's width.
    static bool CellRect(HWND list, int row, int column, RECT& cell) {
        cell = RECT{LVIR_BOUNDS, column, 0, 0};
        if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                          reinterpret_cast<LPARAM>(&cell)))
            return false;
        if (column == 0)
            cell.right = cell.left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        return true;
    }

    // Dispatches what is waiting (this runs inside the dialog box's own loop).
    static void Pump() {
        for (int idle = 0; idle < 3; ++idle) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                idle = 0;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(10);
        }
    }

    static BOOL CALLBACK FindTip(HWND window, LPARAM found) {
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (lstrcmpiW(className, TOOLTIPS_CLASSW) == 0 && IsWindowVisible(window)) {
            *reinterpret_cast<bool*>(found) = true;
            return FALSE;
        }
        return TRUE;
    }
    static bool TipShown() {
        bool found = false;
        EnumThreadWindows(GetCurrentThreadId(), &FindTip, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    static void AddNodes(HWND tree, LRESULT node, int level, std::vector<std::string>& lines) {
        for (; node != 0; node = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, node)) {
            wchar_t text[256] = {};
            TVITEMW item = {};
            item.mask = TVIF_TEXT;
            item.hItem = reinterpret_cast<HTREEITEM>(node);
            item.pszText = text;
            item.cchTextMax = 256;
            SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            lines.push_back(std::string(static_cast<std::size_t>(level) * 2, ' ') +
                            Utf8(text, wcslen(text)));
            AddNodes(tree, SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, node), level + 1, lines);
        }
    }

    HWND dialog_;
};

struct PendingScript {
    PageHostUnderTest::Script script;
    const platform::DialogPage* page;
};

// Thread timers are told apart by id only; the suite runs on one thread.
std::map<UINT_PTR, PendingScript>& PendingScripts() {
    static std::map<UINT_PTR, PendingScript> pending;
    return pending;
}

void CALLBACK RunPendingScript(HWND, UINT, UINT_PTR timer, DWORD) {
    auto found = PendingScripts().find(timer);
    if (found == PendingScripts().end()) {
        KillTimer(nullptr, timer);
        return;
    }
    // The dialog box shows its window once its queue first runs empty.
    HWND dialog = platform::win32::WindowOfPage(found->second.page);
    if (dialog == nullptr || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, timer);
    const PendingScript pending = std::move(found->second);
    PendingScripts().erase(found);
    Win32PageUser user(dialog);
    pending.script(user);
    // EndDialog hides the dialog; one still shown was left open.
    if (platform::win32::WindowOfPage(pending.page) == dialog && IsWindowVisible(dialog)) {
        ADD_FAILURE() << "the script ended, but the page is still open";
        EndDialog(dialog, fake::TestDialogHost::kRunNotEnded);
    }
}

class Win32PageHost final : public PageHostUnderTest {
  public:
    bool IsWine() const override {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
    void OnNextRun(Script script) override { scripts_.push_back(std::move(script)); }
    int RunModal(platform::DialogPage& page, const platform::DialogPage* owner) override {
        UINT_PTR timer = 0;
        if (!scripts_.empty()) {
            timer = SetTimer(nullptr, 0, kScriptPollMs, &RunPendingScript);
            PendingScripts()[timer] = PendingScript{std::move(scripts_.front()), &page};
            scripts_.pop_front();
        }
        const int result = platform::win32::RunModalPage(page, owner);
        if (PendingScripts().erase(timer) != 0) {
            KillTimer(nullptr, timer);
            ADD_FAILURE() << "the page ended before its script ran";
        }
        return result;
    }
    bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner) override {
        return platform::win32::OpenModelessPage(page, owner);
    }
    std::unique_ptr<PageUser> UserOf(const platform::DialogPage& page) override {
        return std::make_unique<Win32PageUser>(platform::win32::WindowOfPage(&page));
    }

  private:
    std::deque<Script> scripts_;
};

std::unique_ptr<PageHostUnderTest> MakeWin32() {
    return std::make_unique<Win32PageHost>();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Win32, PageContract, ::testing::Values(PageHostKind{"win32", &MakeWin32}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace velnora::contract
