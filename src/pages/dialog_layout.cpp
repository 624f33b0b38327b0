#include "pages/dialog_layout.h"

#include <optional>

namespace velnora::pages {

namespace {

using platform::ControlPlacement;
using platform::PageWindow;
using platform::Rect;

bool IsNear(Edge edge) {
    return edge == Edge::kTop || edge == Edge::kLeft;
}

bool IsVertical(Edge edge) {
    return edge == Edge::kTop || edge == Edge::kBottom;
}

Edge OppositeOf(Edge edge) {
    static constexpr Edge kOpposite[] = {Edge::kBottom, Edge::kRight, Edge::kTop, Edge::kLeft};
    return kOpposite[static_cast<int>(edge)];
}

constexpr int Rect::*kCoordinateOfEdge[] = {&Rect::top, &Rect::left, &Rect::bottom, &Rect::right};

int& At(Rect& rect, Edge edge) {
    return rect.*kCoordinateOfEdge[static_cast<int>(edge)];
}

int At(const Rect& rect, Edge edge) {
    return rect.*kCoordinateOfEdge[static_cast<int>(edge)];
}

// One run of ApplyLayout: the client area, and the controls as the pass has left them.
class Pass {
  public:
    Pass(PageWindow& window, const Rect& client) : window_(window), client_(client) {}

    const Rect& Client() const { return client_; }

    // The control's rectangle as this pass has left it; false when there is no such control.
    bool Find(int id, Rect& rect) {
        if (id == 0)
            return false;
        for (const Entry& entry : entries_)
            if (entry.now.id == id) {
                rect = entry.now.rect;
                return true;
            }
        return window_.GetControlRect(id, rect);
    }

    void Place(int id, const Rect& rect, const Rect& before) {
        for (Entry& entry : entries_)
            if (entry.now.id == id) {
                entry.now.rect = rect;
                return;
            }
        entries_.push_back(Entry{ControlPlacement{id, rect}, before});
    }

    // Controls whose place did not change are not drawn again.
    void Commit() {
        std::vector<ControlPlacement> moves;
        for (const Entry& entry : entries_)
            if (entry.now.rect != entry.before)
                moves.push_back(entry.now);
        if (!moves.empty())
            window_.MoveControls(moves);
    }

  private:
    struct Entry {
        ControlPlacement now;
        Rect before;  // where the pass found it
    };

    PageWindow& window_;
    Rect client_;
    std::vector<Entry> entries_;
};

// The coordinate `rule` gives `edge`, whose coordinate is `current` before the rule;
// nothing when the reference control is missing.
std::optional<int> Apply(const EdgeAnchor& rule, Edge edge, int current, Pass& pass) {
    const int offset = IsNear(edge) ? rule.offset : -rule.offset;
    switch (rule.kind) {
        case AnchorKind::kShift:
            return current + offset;
        case AnchorKind::kDialogSame:
            return At(pass.Client(), edge) + offset;
        case AnchorKind::kDialogOpposite:
            return At(pass.Client(), OppositeOf(edge)) + offset;
        case AnchorKind::kControlSame:
        case AnchorKind::kControlOpposite: {
            Rect reference;
            if (!pass.Find(rule.reference, reference))
                return std::nullopt;
            const bool same = rule.kind == AnchorKind::kControlSame;
            return At(reference, same ? edge : OppositeOf(edge)) + offset;
        }
        case AnchorKind::kFixed:
            return rule.value + offset;
        case AnchorKind::kPercentage: {
            const Rect& client = pass.Client();
            const int size = IsVertical(edge) ? client.Height() : client.Width();
            return static_cast<int>(size * (rule.value / 100.0)) + offset;
        }
        case AnchorKind::kNone:
            break;
    }
    return current;
}

// One axis of a control: an edge without a rule keeps the extent the control had.
bool ApplyAxis(const ControlAnchors& record, Edge nearEdge, Rect& rect, Pass& pass) {
    const Edge farEdge = OppositeOf(nearEdge);
    const EdgeAnchor& nearRule = record[nearEdge];
    const EdgeAnchor& farRule = record[farEdge];
    const bool hasNear = nearRule.kind != AnchorKind::kNone;
    const bool hasFar = farRule.kind != AnchorKind::kNone;
    const int extent = At(rect, farEdge) - At(rect, nearEdge);
    std::optional<int> nearAt = At(rect, nearEdge), farAt = At(rect, farEdge);
    if (hasNear)
        nearAt = Apply(nearRule, nearEdge, *nearAt, pass);
    if (hasFar && nearAt)
        farAt = Apply(farRule, farEdge, *farAt, pass);
    if (!nearAt || !farAt)
        return false;
    At(rect, nearEdge) = hasNear || !hasFar ? *nearAt : *farAt - extent;
    At(rect, farEdge) = hasFar || !hasNear ? *farAt : *nearAt + extent;
    return true;
}

}  // namespace

void WidenToFitTexts(PageWindow& window, std::span<const int> controlIds, int padding) {
    for (const int id : controlIds) {
        Rect rect;
        if (!window.GetControlRect(id, rect))
            continue;
        const int needed = window.TextWidth(id, window.GetText(id)) + padding;
        if (needed > rect.Width()) {
            rect.right = rect.left + needed;
            window.SetControlRect(id, rect);
        }
    }
}

int DialogLayout::AddControl(int controlId, const ControlAnchors& record) {
    records_.push_back(record);
    records_.back().controlId = controlId;
    return static_cast<int>(records_.size()) - 1;
}

void DialogLayout::AddControls(std::span<const ControlAnchors> table) {
    records_.insert(records_.end(), table.begin(), table.end());
}

void DialogLayout::ApplyLayout() {
    Rect client;
    if (window_ == nullptr || !window_->GetControlRect(0, client))
        return;
    Pass pass(*window_, Rect{0, 0, client.Width(), client.Height()});
    for (const ControlAnchors& record : records_) {
        Rect rect;
        if (!pass.Find(record.controlId, rect))
            break;
        const Rect before = rect;
        if (!ApplyAxis(record, Edge::kTop, rect, pass) ||
            !ApplyAxis(record, Edge::kLeft, rect, pass))
            break;
        pass.Place(record.controlId, rect, before);
    }
    pass.Commit();
}

}  // namespace velnora::pages
