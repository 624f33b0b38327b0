// The check list of the installer page: an owner-data list-view (LVS_OWNERDATA in the
// template) that keeps no rows. The page owns the rows and describes each cell when the list
// asks: text, tooltip, a tick box in any column, grey. The dialog host draws the cells (a
// greyed tick box inactive), shows the tooltip of the cell under the mouse and reports every
// click with whether it hit the cell's tick box; no key toggles a box.
//
// A page holds one CQuickList per list and forwards three of its handlers to it:
//
//     void OnGetCell(int id, int row, int column, platform::ListCell& cell) override {
//         list_.GetCell(id, row, column, cell);
//     }
//     int OnFindRow(int id, int start, const std::string& prefix) override {
//         return list_.FindRow(id, start, prefix).value_or(-1);
//     }
//     void OnNotify(const platform::Notification& note) override {
//         if (auto click = list_.Click(note)) ...  // click->item, ->onCheckBox
//     }
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/dialog_page.h"

namespace velnora::pages {

// The find column that switches type-ahead off.
inline constexpr int kQuickListNoFind = -2;

struct QuickListClick {
    int item = -1;
    int subItem = -1;
    bool onCheckBox = false;
};

class CQuickList {
  public:
    // Completes the cell of a row and column; it starts empty, without box, not greyed. Called
    // while the list paints: it must not redraw the list.
    using CellSource = std::function<void(int row, int column, platform::ListCell& cell)>;

    CQuickList(int controlId, CellSource cells);

    int Id() const { return id_; }
    int RowCount() const { return rows_; }

    // From OnInitDialog: the extended styles the page wants (platform::liststyle), added to
    // those of the template. Detach when the window goes (OnDestroy).
    void Attach(platform::PageWindow& window, std::uint32_t extendedStyles);
    void Detach() { window_ = nullptr; }

    void InsertColumn(int column, const std::string& title, int width);
    // A tooltip per cell, its text the cell's tip (at most 80 characters show).
    void EnableToolTips();
    // Sets the number of rows and draws the rows in view again.
    void SetRowCount(int count);
    // After the page changed what a row shows (a toggled tick).
    void RedrawRow(int row);
    void RedrawRows(int first, int last);
    // The column type-ahead searches, 0 at start; kQuickListNoFind switches it off.
    void SetFindColumn(int column) { findColumn_ = column; }

    // The page's handlers, forwarded; each does nothing for another control.
    void GetCell(int controlId, int row, int column, platform::ListCell& cell) const;
    // The first row from startRow on (0 when past the end), wrapping, whose text in the find
    // column begins with `prefix`, letter case of ASCII letters ignored; -1 when none. Nothing
    // for another control.
    std::optional<int> FindRow(int controlId, int startRow, const std::string& prefix) const;
    // A click or double click on a row of this list; nothing for a click below the last row
    // and for any other notification.
    std::optional<QuickListClick> Click(const platform::Notification& note) const;

  private:
    int id_;
    CellSource cells_;
    platform::PageWindow* window_ = nullptr;
    int rows_ = 0;
    int findColumn_ = 0;
};

}  // namespace velnora::pages
