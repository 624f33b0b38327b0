// Anchors that keep the controls of a resizable page in place while the user resizes it.
//
// A page declares one record per control that follows the size of the dialog, as a constexpr
// table, in the order the records are to be applied. A rule that refers to another control
// reads it as this pass has placed it, or where it stood before when its record comes later:
//
//     using namespace velnora::pages::anchor;
//     inline constexpr ControlAnchors kAnchors[] = {
//         Anchors(IDC_TITLE).Top(Dialog(13)).Left(Dialog(13)),
//         Anchors(IDC_LIST).Top(Opposite(IDC_TITLE, 7)).Left(Dialog(14))
//             .Bottom(Opposite(IDOK, 48)).Right(Dialog(15)),
//         Anchors(IDOK).Bottom(Dialog(10)).Left(Fixed(200)),
//     };
//
// and keeps a DialogLayout made from it. Once OnInitDialog has filled the page (texts,
// lists, shown and hidden controls), the page sets its minimum size, attaches the layout to
// its window and applies it; it applies it again at the end of every OnSize, and detaches it
// in OnDestroy:
//
//     DialogLayout layout_{kAnchors};
//     void OnInitDialog() override {
//         ...;
//         Window().SetMinimumSize(kMinWidth, kMinHeight);
//         layout_.Attach(Window());
//         layout_.ApplyLayout();
//     }
//     void OnSize(int, int) override { layout_.ApplyLayout(); }
//     void OnDestroy() override { layout_.Detach(); }
//
// A page whose anchors depend on its state (which buttons a mode shows) clears the layout
// and adds the records that apply before it applies it. Controls without a record stay where
// the template or the page put them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/dialog_page.h"

namespace velnora::pages {

// Near edges are top and left, far edges bottom and right; "same side" is the side of the
// edge being computed. Offsets are added to near edges and subtracted from far edges.
enum class AnchorKind : std::int32_t {
    kNone = 0,             // the edge has no rule
    kShift = 1,            // the edge's own coordinate
    kDialogSame = 2,       // the dialog's client edge on the same side
    kDialogOpposite = 3,   // the dialog's client edge on the other side
    kControlSame = 4,      // the reference control's edge on the same side
    kControlOpposite = 5,  // the reference control's edge on the other side
    kFixed = 6,            // `value`
    kPercentage = 7,       // `value` percent of the client height (top, bottom) or width
};

// In the order of the records' fields.
enum class Edge { kTop, kLeft, kBottom, kRight };

// The rule for one edge. A kind outside AnchorKind leaves the edge where it is.
struct EdgeAnchor {
    AnchorKind kind = AnchorKind::kNone;
    std::int32_t offset = 0;     // pixels
    std::int32_t value = 0;      // kFixed: a coordinate; kPercentage: percent
    std::int32_t reference = 0;  // kControlSame, kControlOpposite: the control id
};

// The rules of one control, in the order top, left, bottom, right.
struct ControlAnchors {
    std::int32_t controlId = 0;
    EdgeAnchor top;
    EdgeAnchor left;
    EdgeAnchor bottom;
    EdgeAnchor right;

    // Clears the sixteen rule fields; the control id stays.
    constexpr void Clear() { top = left = bottom = right = EdgeAnchor{}; }
    constexpr EdgeAnchor& operator[](Edge edge);
    constexpr const EdgeAnchor& operator[](Edge edge) const;

    // Copies with one rule set, for tables: Anchors(id).Top(...).Right(...).
    constexpr ControlAnchors With(Edge edge, EdgeAnchor rule) const {
        ControlAnchors copy = *this;
        copy[edge] = rule;
        return copy;
    }
    constexpr ControlAnchors Top(EdgeAnchor rule) const { return With(Edge::kTop, rule); }
    constexpr ControlAnchors Left(EdgeAnchor rule) const { return With(Edge::kLeft, rule); }
    constexpr ControlAnchors Bottom(EdgeAnchor rule) const { return With(Edge::kBottom, rule); }
    constexpr ControlAnchors Right(EdgeAnchor rule) const { return With(Edge::kRight, rule); }
};

inline constexpr EdgeAnchor ControlAnchors::*kAnchorOfEdge[] = {
    &ControlAnchors::top, &ControlAnchors::left, &ControlAnchors::bottom, &ControlAnchors::right};

constexpr EdgeAnchor& ControlAnchors::operator[](Edge edge) {
    return this->*kAnchorOfEdge[static_cast<int>(edge)];
}

constexpr const EdgeAnchor& ControlAnchors::operator[](Edge edge) const {
    return this->*kAnchorOfEdge[static_cast<int>(edge)];
}

constexpr void SetEdge(ControlAnchors& record, Edge edge, AnchorKind kind, int offset,
                       int value = 0, int reference = 0) {
    record[edge] = EdgeAnchor{kind, offset, value, reference};
}

// Records and rules by name, for anchor tables.
namespace anchor {
// The record of a control, without rules yet.
constexpr ControlAnchors Anchors(int controlId) {
    return ControlAnchors{controlId, {}, {}, {}, {}};
}
constexpr EdgeAnchor Shift(int offset) {
    return {AnchorKind::kShift, offset, 0, 0};
}
constexpr EdgeAnchor Dialog(int offset) {
    return {AnchorKind::kDialogSame, offset, 0, 0};
}
constexpr EdgeAnchor DialogOpposite(int offset) {
    return {AnchorKind::kDialogOpposite, offset, 0, 0};
}
constexpr EdgeAnchor Same(int controlId, int offset) {
    return {AnchorKind::kControlSame, offset, 0, controlId};
}
constexpr EdgeAnchor Opposite(int controlId, int offset) {
    return {AnchorKind::kControlOpposite, offset, 0, controlId};
}
constexpr EdgeAnchor Fixed(int coordinate, int offset = 0) {
    return {AnchorKind::kFixed, offset, coordinate, 0};
}
constexpr EdgeAnchor Percent(int percent, int offset = 0) {
    return {AnchorKind::kPercentage, offset, percent, 0};
}
}  // namespace anchor

// Widens each listed control whose text would not fit, keeping its left edge; texts set at run
// time in another language or font can be longer than the template made room for. `padding`
// is the room the control needs beside the text (a button's frame and margins).
void WidenToFitTexts(platform::PageWindow& window, std::span<const int> controlIds, int padding);

class DialogLayout {
  public:
    DialogLayout() = default;
    explicit DialogLayout(std::span<const ControlAnchors> table) { AddControls(table); }

    // The window the layout serves; the page's window while it is open.
    void Attach(platform::PageWindow& window) { window_ = &window; }
    void Detach() { window_ = nullptr; }

    // Stores a copy of `record` for `controlId`; the index of the new entry. A control added
    // twice has both records applied, in order.
    int AddControl(int controlId, const ControlAnchors& record);
    // Every record of a table, in its order, each for the control id it names.
    void AddControls(std::span<const ControlAnchors> table);
    void Clear() { records_.clear(); }
    std::size_t Size() const { return records_.size(); }

    // Computes the records in order from the client area and from the controls as this pass
    // has left them so far (hidden controls too), and moves what changed in one batch. A
    // missing control or reference ends the pass: the records before it still take effect,
    // the rest of the controls stay where they are. Nothing happens without a window.
    void ApplyLayout();

  private:
    platform::PageWindow* window_ = nullptr;
    std::vector<ControlAnchors> records_;
};

}  // namespace velnora::pages
