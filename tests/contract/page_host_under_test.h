// What the page contract suite needs from a dialog host: runs of pages, and a user who sees
// and works an open page through the host's own view of it (the Win32 windows, the
// in-memory controls), never through the page. One implementation drives the in-memory host,
// one the Win32 host (on Windows and Wine).
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fake/dialog_templates.h"
#include "platform/dialog_page.h"

namespace velnora::contract {

class PageUser {
  public:
    virtual ~PageUser() = default;

    // The base units the dialog's template was laid out with.
    virtual fake::BaseUnits Units() = 0;
    virtual platform::Rect Client() = 0;
    // Where the control is shown, in client coordinates; empty when there is none.
    virtual platform::Rect ControlRect(int id) = 0;
    // Drags the border until the client area has this size, as far as the page lets it.
    virtual void Resize(int width, int height) = 0;
    // Id 0: the dialog.
    virtual bool IsVisible(int id) = 0;
    virtual bool IsEnabled(int id) = 0;
    virtual void Click(int id) = 0;
    virtual std::vector<std::string> ColumnTitles(int id) = 0;
    virtual std::vector<std::vector<std::string>> Rows(int id) = 0;
    virtual std::vector<bool> RowChecks(int id) = 0;
    // Two blanks of indentation per level.
    virtual std::vector<std::string> TreeLines(int id) = 0;

    // Owner-data lists, worked with the mouse and keys where the host draws their cells.
    enum class CellSpot {
        kLeftBox,    // the middle of a box at the cell's left edge
        kCentre,     // the middle of the cell (a centred box)
        kRightText,  // near the right end of the cell, on its text
        kBelowRows,  // empty space below the last row
    };
    virtual void ClickCell(int id, int row, int column, CellSpot spot) = 0;
    // Rests the mouse on the cell until `asked` holds (the page was asked for the cell) or a
    // time limit passes; whether a tooltip shows then.
    virtual bool HoverCell(int id, int row, int column, const std::function<bool()>& asked) = 0;
    // Types the text into the list; the selected row afterwards (-1: none).
    virtual int TypeInto(int id, const std::string& text) = 0;
    // Presses the space bar in the list, with the row selected first.
    virtual void PressSpaceOn(int id, int row) = 0;
};

class PageHostUnderTest {
  public:
    using Script = std::function<void(PageUser&)>;

    virtual ~PageHostUnderTest() = default;

    // The real host running under Wine, whose fonts the in-memory host copies.
    virtual bool IsWine() const = 0;
    // What the user does once the next modal run (from the test or from a page's handler)
    // shows its page; a run whose script leaves the page open fails.
    virtual void OnNextRun(Script script) = 0;
    virtual int RunModal(platform::DialogPage& page, const platform::DialogPage* owner) = 0;
    virtual bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner) = 0;
    // The user of an open page.
    virtual std::unique_ptr<PageUser> UserOf(const platform::DialogPage& page) = 0;
};

using PageHostFactory = std::unique_ptr<PageHostUnderTest> (*)();

struct PageHostKind {
    const char* name;
    PageHostFactory make;
};

inline std::ostream& operator<<(std::ostream& out, const PageHostKind& kind) {
    return out << kind.name;
}

}  // namespace velnora::contract
