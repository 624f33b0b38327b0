#include "platform/win32/check_list.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/win32/text_conversion.h"

namespace velnora::platform::win32 {

namespace {

constexpr COLORREF kGreyText = RGB(127, 127, 127);
// Tips longer than this are cut.
constexpr int kTipCharacters = 80;
constexpr UINT_PTR kTipSubclassId = 0x51CE;
// Marks a list that has its tooltip already.
constexpr wchar_t kTipProperty[] = L"Velnora.CellTips";

struct TipState {
    HWND tooltip = nullptr;
    int row = -1;
    int column = -1;
    std::wstring text;
    std::string ansiText;
};

UINT TextAlignment(HWND list, int column) {
    LVCOLUMNW format = {};
    format.mask = LVCF_FMT;
    if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                      reinterpret_cast<LPARAM>(&format)))
        return DT_LEFT;
    switch (format.fmt & LVCFMT_JUSTIFYMASK) {
        case LVCFMT_CENTER:
            return DT_CENTER;
        case LVCFMT_RIGHT:
            return DT_RIGHT;
        default:
            return DT_LEFT;
    }
}

// The cell under a point of the list's client area; false when there is none.
bool CellAt(HWND list, POINT point, int& row, int& column) {
    LVHITTESTINFO hit = {};
    hit.pt = point;
    SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem < 0)
        return false;
    row = hit.iItem;
    column = hit.iSubItem;
    return true;
}

// The tip of the cell under the mouse, as the page gives it through the list's parent.
std::wstring TipUnderCursor(HWND list) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(list, &cursor);
    int row = -1, column = -1;
    if (!CellAt(list, cursor, row, column))
        return std::wstring();
    wchar_t tip[kTipCharacters + 1] = {};
    NMLVGETINFOTIPW ask = {};
    ask.hdr.hwndFrom = list;
    ask.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    ask.hdr.code = LVN_GETINFOTIPW;
    ask.pszText = tip;
    ask.cchTextMax = kTipCharacters + 1;
    ask.iItem = row;
    ask.iSubItem = column;
    SendMessageW(GetParent(list), WM_NOTIFY, ask.hdr.idFrom, reinterpret_cast<LPARAM>(&ask));
    return tip;
}

LRESULT CALLBACK TipSubclass(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR data) {
    auto* state = reinterpret_cast<TipState*>(data);
    switch (message) {
        case WM_MOUSEMOVE: {
            // Each cell is a tool of its own: leaving one takes its tip away, and the next
            // one asks again.
            int row = -1, column = -1;
            if (!CellAt(list, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, row, column))
                row = column = -1;
            if (row != state->row || column != state->column) {
                state->row = row;
                state->column = column;
                SendMessageW(state->tooltip, TTM_POP, 0, 0);
            }
            break;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom != state->tooltip ||
                (header->code != TTN_GETDISPINFOW && header->code != TTN_GETDISPINFOA))
                break;
            state->text = TipUnderCursor(list);
            // An empty text shows no tip. The tooltip asks in the form the list answered
            // its query of the notification format with.
            if (header->code == TTN_GETDISPINFOW) {
                auto* request = reinterpret_cast<NMTTDISPINFOW*>(lParam);
                request->szText[0] = L'\0';
                request->lpszText = state->text.data();
            } else {
                auto* request = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                const int length = WideCharToMultiByte(CP_ACP, 0, state->text.c_str(), -1, nullptr,
                                                       0, nullptr, nullptr);
                state->ansiText.assign(static_cast<std::size_t>(std::max(length, 1)), '\0');
                WideCharToMultiByte(CP_ACP, 0, state->text.c_str(), -1, state->ansiText.data(),
                                    length, nullptr, nullptr);
                request->szText[0] = '\0';
                request->lpszText = state->ansiText.data();
            }
            return 0;
        }
        case WM_NCDESTROY:
            RemovePropW(list, kTipProperty);
            RemoveWindowSubclass(list, &TipSubclass, kTipSubclassId);
            if (IsWindow(state->tooltip))
                DestroyWindow(state->tooltip);
            delete state;
            break;
        default:
            break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace

bool CheckListCellRect(HWND list, int row, int column, RECT& cell) {
    cell = RECT{};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                      reinterpret_cast<LPARAM>(&cell)))
        return false;
    // Column 0's bounds are the whole row.
    if (column == 0) {
        const auto width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        cell.right = cell.left + width;
    }
    return true;
}

RECT CheckListBoxRect(const RECT& cell, bool centred) {
    const int side = cell.bottom - cell.top;
    const int left = centred ? cell.left + ((cell.right - cell.left) - side) / 2 : cell.left;
    return RECT{left, cell.top, left + side, cell.bottom};
}

void DrawCheckListCell(HWND list, HDC dc, int row, int column, const ListCell& cell) {
    RECT area = {};
    if (!CheckListCellRect(list, row, column, area))
        return;
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    if (cell.hasCheckBox) {
        const RECT box = CheckListBoxRect(area, cell.centreCheckBox);
        RECT frame = box;
        InflateRect(&frame, -1, -1);
        const UINT state = DFCS_BUTTONCHECK | (cell.checked ? DFCS_CHECKED : 0u);
        DrawFrameControl(dc, &frame, DFC_BUTTON, state);
        if (cell.greyed)
            DrawFrameControl(dc, &frame, DFC_BUTTON, state | DFCS_INACTIVE);
        // The text stands right of a box at the left edge.
        if (!cell.centreCheckBox)
            area.left = box.right;
    }
    if (cell.text.empty())
        return;
    area.left += 2;
    const bool hot = static_cast<int>(SendMessageW(list, LVM_GETHOTITEM, 0, 0)) == row;
    COLORREF colour = GetSysColor(hot ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT);
    if (cell.greyed)
        colour = kGreyText;
    const COLORREF oldColour = SetTextColor(dc, colour);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    std::wstring text = Wide(cell.text);
    DrawTextW(
        dc, text.data(), static_cast<int>(text.size()), &area,
        TextAlignment(list, column) | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
}

void EnableCheckListTips(HWND list) {
    if (list == nullptr)
        return;
    if (GetPropW(list, kTipProperty) != nullptr)
        return;
    HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, list, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (tooltip == nullptr)
        return;
    // One tool over the whole client area; the text is asked for each time it shows.
    TTTOOLINFOW tool = {};
    // The size every comctl32 since 4.70 takes.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = list;
    tool.uId = 1;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    GetClientRect(list, &tool.rect);
    tool.rect.right = tool.rect.left + 0x7FFF;
    tool.rect.bottom = tool.rect.top + 0x7FFF;
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
    auto* state = new TipState;
    state->tooltip = tooltip;
    if (!SetWindowSubclass(list, &TipSubclass, kTipSubclassId,
                           reinterpret_cast<DWORD_PTR>(state))) {
        DestroyWindow(tooltip);
        delete state;
        return;
    }
    SetPropW(list, kTipProperty, state);
}

}  // namespace velnora::platform::win32
