#include "pages/quick_list.h"

#include <utility>

namespace velnora::pages {

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (FoldAscii(text[i]) != FoldAscii(prefix[i]))
            return false;
    return true;
}

}  // namespace

CQuickList::CQuickList(int controlId, CellSource cells)
    : id_(controlId), cells_(std::move(cells)) {}

void CQuickList::Attach(platform::PageWindow& window, std::uint32_t extendedStyles) {
    window_ = &window;
    rows_ = 0;
    if (extendedStyles != 0)
        window.SetListStyle(id_, extendedStyles);
}

void CQuickList::InsertColumn(int column, const std::string& title, int width) {
    if (window_ != nullptr)
        window_->InsertColumn(id_, column, title, width);
}

void CQuickList::EnableToolTips() {
    if (window_ != nullptr)
        window_->SetListStyle(id_, platform::liststyle::kInfoTip);
}

void CQuickList::SetRowCount(int count) {
    rows_ = count < 0 ? 0 : count;
    if (window_ == nullptr)
        return;
    window_->SetRowCount(id_, rows_);
    if (rows_ > 0)
        window_->RedrawRows(id_, 0, rows_ - 1);
}

void CQuickList::RedrawRow(int row) {
    RedrawRows(row, row);
}

void CQuickList::RedrawRows(int first, int last) {
    if (window_ == nullptr || rows_ == 0)
        return;
    // Rows that are not there need no drawing.
    first = first < 0 ? 0 : first;
    last = last >= rows_ ? rows_ - 1 : last;
    if (first <= last)
        window_->RedrawRows(id_, first, last);
}

void CQuickList::GetCell(int controlId, int row, int column, platform::ListCell& cell) const {
    if (controlId != id_ || row < 0 || row >= rows_ || column < 0 || !cells_)
        return;
    cells_(row, column, cell);
}

std::optional<int> CQuickList::FindRow(int controlId, int startRow,
                                       const std::string& prefix) const {
    if (controlId != id_)
        return std::nullopt;
    if (findColumn_ == kQuickListNoFind || findColumn_ < 0 || rows_ == 0)
        return -1;
    const int start = startRow >= 0 && startRow < rows_ ? startRow : 0;
    for (int step = 0; step < rows_; ++step) {
        const int row = (start + step) % rows_;
        platform::ListCell cell;
        cells_(row, findColumn_, cell);
        if (StartsWithIgnoringCase(cell.text, prefix))
            return row;
    }
    return -1;
}

std::optional<QuickListClick> CQuickList::Click(const platform::Notification& note) const {
    if (note.controlId != id_ || (note.code != platform::notify::kListClick &&
                                  note.code != platform::notify::kListDoubleClick))
        return std::nullopt;
    // A click below the last row concerns no cell.
    if (note.item < 0 || note.item >= rows_)
        return std::nullopt;
    return QuickListClick{note.item, note.subItem, note.onCheckBox};
}

}  // namespace velnora::pages
