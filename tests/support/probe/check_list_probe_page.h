// The check list probe: the installer page's kind of list on a page of its own. Rows keep
// their tick in the page; greyed rows cannot be toggled; column 1 carries a centred tick box
// in the first two rows, so boxes stand in more than one column. Every cell the list asks
// for and every click it reports is counted. The page contract suite runs it on both dialog
// hosts, and a Wine test looks at how the real list draws it.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pages/quick_list.h"
#include "platform/dialog_page.h"
#include "probe/probe_ids.h"

namespace velnora::probe {

struct CheckListRow {
    std::string text;
    std::string tip;
    bool ticked;
    bool greyed;
};

inline const std::vector<CheckListRow> kCheckListRows = {
    {"Ticked", "Tip of the ticked row", true, false},
    {"Unticked", "Tip of the unticked row", false, false},
    {"Greyed & ticked", "Tip of a greyed row", true, true},
    {"Greyed unticked", "", false, true},
    {"Kit & Tools", "Tip with & in it", false, false},
};
inline constexpr int kCheckListExtraRows = 2;  // rows with a box in column 1

class CheckListProbePage : public platform::DialogPage {
  public:
    CheckListProbePage()
        : DialogPage(IDD_CHECKLIST_PROBE),
          list_(IDC_CHECKLIST_LIST, [this](int row, int column, platform::ListCell& cell) {
              Describe(row, column, cell);
          }) {
        for (const CheckListRow& row : kCheckListRows)
            ticks_.push_back(row.ticked);
        extras_.assign(kCheckListRows.size(), false);
    }

    const std::vector<bool>& Ticks() const { return ticks_; }
    const std::vector<bool>& Extras() const { return extras_; }
    const std::vector<pages::QuickListClick>& Clicks() const { return clicks_; }
    int Requests(int row, int column) const {
        auto found = requests_.find({row, column});
        return found == requests_.end() ? 0 : found->second;
    }
    pages::CQuickList& List() { return list_; }

    void OnInitDialog() override {
        list_.Attach(Window(), platform::liststyle::kFullRowSelect |
                                   platform::liststyle::kCheckBoxes |
                                   platform::liststyle::kSubItemImages);
        list_.InsertColumn(0, "Installer", 200);
        list_.InsertColumn(1, "Extra", 60);
        list_.SetRowCount(static_cast<int>(kCheckListRows.size()));
        list_.EnableToolTips();
    }

    void OnGetCell(int controlId, int row, int column, platform::ListCell& cell) override {
        list_.GetCell(controlId, row, column, cell);
    }

    int OnFindRow(int controlId, int startRow, const std::string& prefix) override {
        return list_.FindRow(controlId, startRow, prefix).value_or(-1);
    }

    void OnNotify(const platform::Notification& note) override {
        const auto click = list_.Click(note);
        if (!click || note.code != platform::notify::kListClick)
            return;
        clicks_.push_back(*click);
        if (!click->onCheckBox || click->item < 0)
            return;
        const auto row = static_cast<std::size_t>(click->item);
        if (click->subItem == 0 && !kCheckListRows[row].greyed) {
            ticks_[row] = !ticks_[row];
            list_.RedrawRow(click->item);
        } else if (click->subItem == 1) {
            extras_[row] = !extras_[row];
            list_.RedrawRow(click->item);
        }
    }

    void OnDestroy() override { list_.Detach(); }

  private:
    void Describe(int row, int column, platform::ListCell& cell) {
        ++requests_[{row, column}];
        const CheckListRow& data = kCheckListRows[static_cast<std::size_t>(row)];
        cell.greyed = data.greyed;
        if (column == 0) {
            cell.text = data.text;
            cell.tip = data.tip;
            cell.hasCheckBox = true;
            cell.checked = ticks_[static_cast<std::size_t>(row)];
        } else if (row < kCheckListExtraRows) {
            cell.hasCheckBox = true;
            cell.centreCheckBox = true;
            cell.checked = extras_[static_cast<std::size_t>(row)];
        }
    }

    pages::CQuickList list_;
    std::vector<bool> ticks_;
    std::vector<bool> extras_;
    std::vector<pages::QuickListClick> clicks_;
    std::map<std::pair<int, int>, int> requests_;
};

}  // namespace velnora::probe
