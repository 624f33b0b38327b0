// The check list's page side: type-ahead over the page's cells, clicks filtered to rows, and
// redraws kept to the rows that are there. The host side is the page contract suite's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/test_dialog_host.h"
#include "probe/check_list_probe_page.h"

namespace velnora::pages {
namespace {

using fake::PageDriver;
using fake::TestDialogHost;
using probe::CheckListProbePage;

constexpr int kList = IDC_CHECKLIST_LIST;

TEST(QuickListFind, SearchesFromTheStartRowWrapsAndIgnoresLetterCase) {
    CheckListProbePage page;
    TestDialogHost host;
    host.OnNextRun(IDD_CHECKLIST_PROBE, [&](PageDriver& d) {
        CQuickList& list = page.List();
        struct Case {
            int start;
            const char* prefix;
            int found;
        };
        const Case cases[] = {
            {0, "greyed", 2},   {3, "greyed", 3}, {4, "greyed", 2},
            {5, "GREYED U", 3}, {99, "t", 0},     {-1, "kit & t", 4},
            {1, "Kit &  ", -1}, {0, "", 0},       {2, "Tickedx", -1},
        };
        for (const Case& c : cases)
            EXPECT_EQ(list.FindRow(kList, c.start, c.prefix), c.found)
                << c.start << " " << c.prefix;
        EXPECT_EQ(list.FindRow(kList + 1, 0, "t"), std::nullopt) << "another control";
        list.SetFindColumn(1);
        EXPECT_EQ(list.FindRow(kList, 0, "t"), -1) << "column 1 has no text";
        list.SetFindColumn(kQuickListNoFind);
        EXPECT_EQ(list.FindRow(kList, 0, "t"), -1);
        // The list selects what the page found.
        list.SetFindColumn(0);
        EXPECT_TRUE(d.TypeAhead(kList, "greyed"));
        EXPECT_EQ(d.SelectedRow(kList), 2);
        EXPECT_TRUE(d.TypeAhead(kList, "greyed")) << "on from the row after the selection";
        EXPECT_EQ(d.SelectedRow(kList), 3);
        EXPECT_FALSE(d.TypeAhead(kList, "nothing"));
        EXPECT_EQ(d.SelectedRow(kList), 3);
        d.Click(platform::cmd::kOk);
    });
    host.RunModal(page, nullptr);
}

TEST(QuickListCells, OnlyRowsThatAreThereAreAskedForAndRedrawn) {
    CheckListProbePage page;
    TestDialogHost host;
    host.OnNextRun(IDD_CHECKLIST_PROBE, [&](PageDriver& d) {
        CQuickList& list = page.List();
        platform::ListCell cell;
        list.GetCell(kList, 5, 0, cell);
        list.GetCell(kList, -1, 0, cell);
        list.GetCell(kList, 0, -1, cell);
        list.GetCell(kList + 1, 0, 0, cell);
        EXPECT_EQ(cell.text, "");
        EXPECT_EQ(page.Requests(5, 0) + page.Requests(-1, 0) + page.Requests(0, -1), 0);
        list.GetCell(kList, 2, 0, cell);
        EXPECT_EQ(cell.text, "Greyed & ticked");
        EXPECT_TRUE(cell.greyed && cell.checked && cell.hasCheckBox && !cell.centreCheckBox);

        const int redraws = d.Control(kList).redrawCount;
        list.RedrawRows(7, 9);
        list.RedrawRow(-3);
        EXPECT_EQ(d.Control(kList).redrawCount, redraws);
        list.RedrawRows(-2, 12);
        EXPECT_EQ(d.Control(kList).redrawCount, redraws + 1);
        d.Click(platform::cmd::kOk);
    });
    host.RunModal(page, nullptr);
}

}  // namespace
}  // namespace velnora::pages
