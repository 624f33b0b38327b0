// Runs, lists, trees and the layout of a resizable page, the same on every dialog host. Exact
// on both: the client size and an unanchored control as the template maps them (with the
// host's base units; under Wine the in-memory host's must equal them), and every anchored edge.
#include "contract_pages.h"

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

}  // namespace
}  // namespace velnora::contract
