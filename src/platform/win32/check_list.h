// Owner-data list-views that draw every cell themselves from what the page says about it: the
// tick box of any cell (inactive when the cell is greyed), grey text, "&" as itself, one
// tooltip per cell. Only the dialog host uses it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "platform/dialog_page.h"

namespace velnora::platform::win32 {

// The cell's rectangle in the list's client coordinates; false when the row is not there.
bool CheckListCellRect(HWND list, int row, int column, RECT& cell);
// The square of the cell's height at its left edge, or centred in the cell.
RECT CheckListBoxRect(const RECT& cell, bool centred);
// Draws one cell (the custom-draw sub-item stage), with nothing of the list's own drawing.
void DrawCheckListCell(HWND list, HDC dc, int row, int column, const ListCell& cell);

// Gives the list a tooltip that asks for the tip of the cell under the mouse whenever it is
// about to show, through LVN_GETINFOTIPW to the list's parent.
void EnableCheckListTips(HWND list);

}  // namespace velnora::platform::win32
