// Runs, lists, trees and the layout of a resizable page, the same on every dialog host. Exact
// on both: the client size and an unanchored control as the template maps them (with the
// host's base units; under Wine the in-memory host's must equal them), and every anchored edge.
#include "contract_pages.h"

#include "probe/check_list_probe_page.h"

namespace velnora::contract {
namespace {

using pages::Edge;
using platform::Rect;
using probe::LayoutProbePage;

constexpr int kOk = probe::kLayoutOk;
constexpr int kCancel = probe::kLayoutCancel;

constexpr int Rect::*kEdge[] = {&Rect::top, &Rect::left, &Rect::bottom, &Rect::right};

// `edge` of `id` lies `offset` pixels past `referenceEdge` of `reference` (0: client area).
struct Relation {
    int id;
    Edge edge;
    int reference;
    Edge referenceEdge;
    int offset;
};

constexpr Relation kAnchored[] = {
    {kCancel, Edge::kRight, 0, Edge::kRight, -10},
    {kCancel, Edge::kBottom, 0, Edge::kBottom, -10},
    {kOk, Edge::kRight, kCancel, Edge::kLeft, -6},
    {kOk, Edge::kBottom, kCancel, Edge::kBottom, 0},
    {IDC_LAYOUT_NESTED, Edge::kLeft, 0, Edge::kLeft, 10},
    {IDC_LAYOUT_SPARE, Edge::kLeft, IDC_LAYOUT_NESTED, Edge::kRight, 6},
    {IDC_LAYOUT_SPARE, Edge::kBottom, 0, Edge::kBottom, -10},
    {IDC_LAYOUT_LIST, Edge::kTop, IDC_LAYOUT_LABEL, Edge::kBottom, 4},
    {IDC_LAYOUT_TREE, Edge::kTop, IDC_LAYOUT_LIST, Edge::kTop, 0},
    {IDC_LAYOUT_TREE, Edge::kLeft, IDC_LAYOUT_LIST, Edge::kRight, 6},
    {IDC_LAYOUT_TREE, Edge::kBottom, kCancel, Edge::kTop, -8},
    {IDC_LAYOUT_TREE, Edge::kRight, 0, Edge::kRight, -10},
    {IDC_LAYOUT_CELLS, Edge::kTop, IDC_LAYOUT_LIST, Edge::kBottom, 4},
    {IDC_LAYOUT_CELLS, Edge::kBottom, kCancel, Edge::kTop, -8},
    {IDC_LAYOUT_CELLS, Edge::kRight, IDC_LAYOUT_LIST, Edge::kRight, 0},
};

void ExpectLaidOut(PageUser& user) {
    const Rect client = user.Client();
    for (const Relation& r : kAnchored) {
        const Rect reference = r.reference == 0 ? client : user.ControlRect(r.reference);
        EXPECT_EQ(user.ControlRect(r.id).*kEdge[static_cast<int>(r.edge)],
                  reference.*kEdge[static_cast<int>(r.referenceEdge)] + r.offset)
            << "control " << r.id << ", edge " << static_cast<int>(r.edge);
    }
    EXPECT_EQ(user.ControlRect(IDC_LAYOUT_LIST).right, client.Width() * 60 / 100);
    const fake::DialogTemplate& dialog = *fake::DialogTemplates::Project().Find(IDD_LAYOUT_PROBE);
    EXPECT_EQ(user.ControlRect(IDC_LAYOUT_LABEL),
              fake::DialogUnitsToPixels(dialog.Find(IDC_LAYOUT_LABEL)->rect, user.Units()));
}

TEST_P(PageContract, AnchorsHoldFromTheFirstShowThroughResizesDownToTheMinimumSize) {
    const fake::DialogTemplate& dialog = *fake::DialogTemplates::Project().Find(IDD_LAYOUT_PROBE);
    LayoutProbePage page(Runner());
    Host().OnNextRun([&](PageUser& user) {
        if (Host().IsWine()) {
            EXPECT_EQ(user.Units(), dialog.Units()) << "the in-memory host measures fonts as Wine";
        }
        const Rect size = fake::DialogUnitsToPixels(dialog.rect, user.Units());
        EXPECT_EQ(user.Client(), (Rect{0, 0, size.Width(), size.Height()}));
        ExpectLaidOut(user);
        const Rect resizes[][2] = {
            {{0, 0, 520, 400}, {0, 0, 520, 400}},
            {{0, 0, 200, 100}, {0, 0, probe::kLayoutMinWidth, probe::kLayoutMinHeight}},
            {{0, 0, 100, 330}, {0, 0, probe::kLayoutMinWidth, 330}},
        };
        for (const auto& [asked, got] : resizes) {
            user.Resize(asked.right, asked.bottom);
            EXPECT_EQ(user.Client(), got);
            ExpectLaidOut(user);
        }
        user.Click(kOk);
    });
    EXPECT_EQ(Host().RunModal(page, nullptr), platform::cmd::kOk);
}

// An installer page is collapsed while its run goes on; when the run stops it must come back
// usable, not as a window of no size.
TEST_P(PageContract, ACollapsedPageComesBackWhereAndAsLargeAsItWasWhenRestored) {
    LayoutProbePage page(Runner());
    Host().OnNextRun([&](PageUser& user) {
        platform::PageWindow& window = page.OpenWindow();
        user.Resize(520, 400);
        const Rect client = user.Client();
        window.CollapseAndHide();
        EXPECT_EQ(user.Client().Width(), 0);
        window.ShowWindow(platform::WindowShow::kRestore);
        window.Enable(0, true);
        EXPECT_EQ(user.Client(), client);
        ExpectLaidOut(user);
        user.Click(kOk);
    });
    EXPECT_EQ(Host().RunModal(page, nullptr), platform::cmd::kOk);
}

TEST_P(PageContract, ABatchMovesAllItsControlsOrNone) {
    LayoutProbePage page(Runner());
    Host().OnNextRun([&](PageUser& user) {
        platform::PageWindow& window = page.OpenWindow();
        const Rect ok = user.ControlRect(kOk), a{5, 6, 55, 36}, b{60, 6, 110, 36};
        EXPECT_FALSE(window.MoveControls({{kOk, a}, {4242, b}}));
        EXPECT_FALSE(window.MoveControls({{kOk, a}, {0, b}}));
        EXPECT_EQ(user.ControlRect(kOk), ok);
        EXPECT_TRUE(window.MoveControls({{kOk, a}, {IDC_LAYOUT_SPARE, b}}));
        EXPECT_EQ(user.ControlRect(kOk), a);
        EXPECT_EQ(user.ControlRect(IDC_LAYOUT_SPARE), b);
        EXPECT_FALSE(user.IsVisible(IDC_LAYOUT_SPARE)) << "moving shows nothing";
        user.Click(kOk);
    });
    Host().RunModal(page, nullptr);
}

TEST_P(PageContract, AModalRunFromAHandlerDisablesItsOwnerUntilItEnds) {
    LayoutProbePage page(Runner());
    PageUser* outer = nullptr;
    Host().OnNextRun([&](PageUser& user) {
        outer = &user;
        EXPECT_TRUE(user.IsVisible(0));
        user.Click(IDC_LAYOUT_NESTED);
        EXPECT_TRUE(user.IsEnabled(0));
        user.Click(kOk);
    });
    Host().OnNextRun([&](PageUser& inner) {
        EXPECT_FALSE(outer->IsEnabled(0));
        inner.Click(kCancel);
    });
    EXPECT_EQ(Host().RunModal(page, nullptr), platform::cmd::kOk);
    EXPECT_EQ(page.InnerResult(), platform::cmd::kCancel);
    EXPECT_TRUE(page.Destroyed());
    EXPECT_FALSE(page.IsOpen());
}

TEST_P(PageContract, AHiddenModelessPageIsFilledAndLaidOutAndEndsAfterItsHandler) {
    LayoutProbePage page(Runner());
    ASSERT_TRUE(Host().OpenModeless(page, nullptr));
    {
        std::unique_ptr<PageUser> user = Host().UserOf(page);
        EXPECT_FALSE(user->IsVisible(0));
        EXPECT_EQ(user->ColumnTitles(IDC_LAYOUT_LIST),
                  (std::vector<std::string>{"Version", "Folder"}));
        EXPECT_EQ(user->Rows(IDC_LAYOUT_LIST), probe::kLayoutRows);
        EXPECT_EQ(user->RowChecks(IDC_LAYOUT_LIST), (std::vector<bool>{false, true, false}));
        // Owner data: the list asks the page for every cell and check box.
        EXPECT_EQ(user->Rows(IDC_LAYOUT_CELLS),
                  (std::vector<std::vector<std::string>>{
                      {"cell 0"}, {"cell 1"}, {"cell 2"}, {"cell 3"}}));
        EXPECT_EQ(user->RowChecks(IDC_LAYOUT_CELLS), (std::vector<bool>{true, false, true, false}));
        EXPECT_EQ(user->TreeLines(IDC_LAYOUT_TREE),
                  (std::vector<std::string>{"C:\\Vantorix", "  Version=4.08", "  Package",
                                            "    ToolChain"}));
        user->Resize(480, 300);
        EXPECT_EQ(user->Client(), (Rect{0, 0, 480, 300}));
        ExpectLaidOut(*user);
        page.OpenWindow().ShowWindow(platform::WindowShow::kNormal);
        EXPECT_TRUE(user->IsVisible(0));
        user->Click(kCancel);
    }
    EXPECT_FALSE(page.IsOpen());
    EXPECT_TRUE(page.Destroyed());
}

using probe::CheckListProbePage;
using Spot = PageUser::CellSpot;
constexpr int kCheckList = IDC_CHECKLIST_LIST;

struct CellClick {
    int row;
    int column;
    Spot spot;
    pages::QuickListClick reported;  // item -1: nothing reported
    std::vector<bool> ticks;         // the page's ticks afterwards
    std::vector<bool> extras;
};

TEST_P(PageContract, ACheckListShowsThePagesCellsAndReportsEachClickWithItsBox) {
    constexpr pages::QuickListClick kNothing{-1, -1, false};
    const CellClick clicks[] = {
        {1, 0, Spot::kLeftBox, {1, 0, true}, {true, true, true, false, false}, {false, false}},
        {1, 0, Spot::kLeftBox, {1, 0, true}, {true, false, true, false, false}, {false, false}},
        // The text of a row, a greyed row's box, a box in another column, a cell without box.
        {0, 0, Spot::kRightText, {0, 0, false}, {true, false, true, false, false}, {false, false}},
        {2, 0, Spot::kLeftBox, {2, 0, true}, {true, false, true, false, false}, {false, false}},
        {0, 1, Spot::kCentre, {0, 1, true}, {true, false, true, false, false}, {true, false}},
        {3, 1, Spot::kCentre, {3, 1, false}, {true, false, true, false, false}, {true, false}},
        {0, 0, Spot::kBelowRows, kNothing, {true, false, true, false, false}, {true, false}},
    };
    CheckListProbePage page;
    Host().OnNextRun([&](PageUser& user) {
        std::vector<std::vector<std::string>> texts;
        for (const auto& row : probe::kCheckListRows)
            texts.push_back({row.text, ""});
        EXPECT_EQ(user.Rows(kCheckList), texts);
        EXPECT_EQ(user.RowChecks(kCheckList), (std::vector<bool>{true, false, true, false, false}));
        for (const CellClick& click : clicks) {
            const std::size_t before = page.Clicks().size();
            user.ClickCell(kCheckList, click.row, click.column, click.spot);
            SCOPED_TRACE("row " + std::to_string(click.row) + ", column " +
                         std::to_string(click.column) + ", spot " +
                         std::to_string(static_cast<int>(click.spot)));
            if (click.reported.item < 0) {
                EXPECT_EQ(page.Clicks().size(), before) << "a click on no row reports nothing";
            } else {
                ASSERT_EQ(page.Clicks().size(), before + 1);
                const pages::QuickListClick& got = page.Clicks().back();
                EXPECT_EQ(got.item, click.reported.item);
                EXPECT_EQ(got.subItem, click.reported.subItem);
                EXPECT_EQ(got.onCheckBox, click.reported.onCheckBox);
            }
            EXPECT_EQ(page.Ticks(), click.ticks);
            EXPECT_EQ(std::vector<bool>(page.Extras().begin(), page.Extras().begin() + 2),
                      click.extras);
        }
        // The list draws the page's data again: a toggled row shows its new tick.
        EXPECT_EQ(user.RowChecks(kCheckList), page.Ticks());
        // No key toggles a box.
        const std::size_t clicked = page.Clicks().size();
        const std::vector<bool> ticks = page.Ticks();
        user.PressSpaceOn(kCheckList, 1);
        EXPECT_EQ(page.Ticks(), ticks);
        EXPECT_EQ(page.Clicks().size(), clicked);
        user.Click(kOk);
    });
    EXPECT_EQ(Host().RunModal(page, nullptr), platform::cmd::kOk);
}

TEST_P(PageContract, TypingIntoACheckListFindsARowThroughThePage) {
    CheckListProbePage page;
    Host().OnNextRun([&](PageUser& user) {
        EXPECT_EQ(user.TypeInto(kCheckList, "KiT"), 4) << "letter case does not matter";
        user.Click(kOk);
    });
    Host().RunModal(page, nullptr);

    CheckListProbePage off;
    off.List().SetFindColumn(pages::kQuickListNoFind);
    Host().OnNextRun([&](PageUser& user) {
        EXPECT_EQ(user.TypeInto(kCheckList, "kit"), -1) << "type-ahead switched off";
        user.Click(kOk);
    });
    Host().RunModal(off, nullptr);
}

TEST_P(PageContract, ACellsTooltipAsksThePageAndShowsOnlyWhenThereIsATip) {
    CheckListProbePage page;
    Host().OnNextRun([&](PageUser& user) {
        const int tipped = page.Requests(0, 0);
        EXPECT_TRUE(user.HoverCell(kCheckList, 0, 0, [&] { return page.Requests(0, 0) > tipped; }));
        EXPECT_GT(page.Requests(0, 0), tipped);
        const int silent = page.Requests(3, 0);
        EXPECT_FALSE(user.HoverCell(kCheckList, 3, 0, [&] { return page.Requests(3, 0) > silent; }))
            << "an empty tip shows nothing";
        EXPECT_GT(page.Requests(3, 0), silent) << "yet the page was asked for the cell";
        user.Click(kOk);
    });
    Host().RunModal(page, nullptr);
}

}  // namespace
}  // namespace velnora::contract
