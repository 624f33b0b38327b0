// The anchor engine on the in-memory host, with the layout probe's real template: each case
// places some controls, resizes the page once and compares every control of the page.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fake/test_dialog_host.h"
#include "pages/dialog_layout.h"
#include "probe/layout_probe_page.h"

namespace velnora {
namespace {

using namespace pages::anchor;
using pages::AnchorKind;
using pages::ControlAnchors;
using platform::ControlPlacement;
using platform::Rect;

constexpr int kOk = probe::kLayoutOk;
constexpr int kLabel = IDC_LAYOUT_LABEL;
constexpr int kList = IDC_LAYOUT_LIST;
constexpr int kNested = IDC_LAYOUT_NESTED;
constexpr int kSpare = IDC_LAYOUT_SPARE;

// Where every case starts; the spare button is hidden by its template.
const ControlPlacement kStart[] = {{kLabel, {5, 40, 105, 60}},
                                   {kOk, {200, 150, 275, 173}},
                                   {kList, {10, 20, 210, 90}},
                                   {kNested, {10, 200, 85, 223}},
                                   {kSpare, {0, 0, 75, 23}}};

// Lays itself out on every size change.
class AnchoredPage : public platform::DialogPage {
  public:
    explicit AnchoredPage(const std::vector<ControlAnchors>& records)
        : DialogPage(IDD_LAYOUT_PROBE), layout_(records) {}

    void OnInitDialog() override {
        for (const ControlPlacement& placement : kStart)
            Window().SetControlRect(placement.id, placement.rect);
        layout_.Attach(Window());
    }
    void OnSize(int, int) override { layout_.ApplyLayout(); }
    void OnDestroy() override { layout_.Detach(); }
    using DialogPage::Window;

  private:
    pages::DialogLayout layout_;
};

// The page is resized to `width` x 300.
struct LayoutCase {
    const char* name;
    int width;
    std::vector<ControlAnchors> records;
    std::vector<ControlPlacement> moved;  // every other control stays
};

const LayoutCase kCases[] = {
    {"TopFromTheDialogKeepsTheHeight",
     400,
     {Anchors(kLabel).Top(Dialog(13))},
     {{kLabel, {5, 13, 105, 33}}}},
    {"BottomAboveTheTopOfAButton",
     400,
     {Anchors(kList).Bottom(Opposite(kOk, 48))},
     {{kList, {10, 32, 210, 102}}}},
    {"LeftAtHalfAnOddWidth",
     301,
     {Anchors(kNested).Left(Percent(50))},
     {{kNested, {150, 200, 225, 223}}}},
    {"ReferencesAreReadAsThePassLeftThem",
     400,
     {Anchors(kOk).Top(Dialog(100)), Anchors(kList).Bottom(Opposite(kOk, 20))},
     {{kOk, {200, 100, 275, 123}}, {kList, {10, 10, 210, 80}}}},
    {"AMissingReferenceEndsThePass",
     400,
     {Anchors(kLabel).Top(Dialog(13)), Anchors(kList).Top(Opposite(4242, 4)),
      Anchors(kNested).Left(Dialog(3))},
     {{kLabel, {5, 13, 105, 33}}}},
    {"AMissingControlEndsThePass",
     400,
     {Anchors(4242).Top(Dialog(1)), Anchors(kLabel).Top(Dialog(13))},
     {}},
    {"NoRecordMovesNothing", 400, {}, {}},
    {"TheSameControlTwiceAppliesBothInOrder",
     400,
     {Anchors(kLabel).Top(Dialog(13)), Anchors(kLabel).Top(Shift(5)).Right(Shift(-10))},
     {{kLabel, {15, 18, 115, 38}}}},
    {"OtherKindsAndHiddenControls",
     400,
     {Anchors(kSpare).Top(DialogOpposite(-30)).Left(Fixed(40)).Right(Fixed(140, -5)),
      Anchors(kList).Top(Shift(5)).Bottom(Shift(5)), Anchors(kLabel).Right(DialogOpposite(-60)),
      Anchors(kNested).Left({static_cast<AnchorKind>(9), 50, 0, 0})},
     {{kSpare, {40, 270, 145, 293}}, {kList, {10, 25, 210, 85}}, {kLabel, {-40, 40, 60, 60}}}},
};

TEST(DialogLayout, ComputesEveryRecordInOrderAndMovesWhatChangedInOneBatch) {
    for (const LayoutCase& c : kCases) {
        SCOPED_TRACE(c.name);
        fake::TestDialogHost host;
        AnchoredPage page(c.records);
        host.OnNextRun(IDD_LAYOUT_PROBE, [&](fake::PageDriver& d) {
            const std::map<int, fake::TestControl> before = d.Window().controls;
            const int batches = d.Window().moveBatches;
            d.Resize(c.width, 300);
            EXPECT_EQ(d.Window().moveBatches - batches, c.moved.empty() ? 0 : 1);
            for (const auto& [id, control] : d.Window().controls) {
                Rect expected = before.at(id).rect;
                for (const ControlPlacement& moved : c.moved)
                    if (moved.id == id)
                        expected = moved.rect;
                EXPECT_EQ(control.rect, expected) << id;
                EXPECT_EQ(control.moves - before.at(id).moves,
                          expected == before.at(id).rect ? 0 : 1)
                    << id;
                EXPECT_EQ(control.visible, before.at(id).visible) << id;
            }
            d.Click(kOk);
        });
        EXPECT_EQ(host.RunModal(page, nullptr), kOk);
    }
}

// The label (100 px) and the nested button (75 px) after their texts were set; the fake draws
// every character 7 px wide.
TEST(DialogLayout, WidensOnlyTheControlsWhoseTextDoesNotFit) {
    const struct {
        const char* text;
        int labelWidth;
    } cases[] = {
        {"Short", 100},                          // 35 + 16 fits
        {"Twelve chars", 100},                   // 84 + 16 = 100 exactly
        {"Thirteen char", 107},                  // 91 + 16
        {"A label of thirty characters.", 219},  // 203 + 16
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        fake::TestDialogHost host;
        AnchoredPage page({});
        host.OnNextRun(IDD_LAYOUT_PROBE, [&](fake::PageDriver& d) {
            platform::PageWindow& window = page.Window();
            window.SetText(kLabel, c.text);
            window.SetText(kNested, "Nested");
            const int ids[] = {kLabel, kNested, 4242};
            pages::WidenToFitTexts(window, ids, 16);
            EXPECT_EQ(d.Control(kLabel).rect, (Rect{5, 40, 5 + c.labelWidth, 60}));
            EXPECT_EQ(d.Control(kNested).rect, (Rect{10, 200, 85, 223}));
            d.Click(kOk);
        });
        host.RunModal(page, nullptr);
    }
}

}  // namespace
}  // namespace velnora
