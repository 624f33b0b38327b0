// The framework probe: a small page that uses every kind of handler and control call once,
// so that both dialog hosts can be proved with the same page. Apply copies the name into the
// echo and adds a list row; OK ends with 1 + the number of rows, Cancel with kProbeCancelled;
// Escape is swallowed while "agree" is unchecked; a double click on a row runs a second probe
// modally, owned by this one, with that row's name filled in. A second list, with owner data,
// shows the same rows as "#<row> <name>" from the page's own data: its check boxes start as
// "agree" was at Apply, a click into one toggles it, and typing finds rows by prefix.
#pragma once

#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog_page.h"
#include "probe/probe_ids.h"
#include "resources/resource_ids.h"

namespace velnora::probe {

inline constexpr int kProbeTimer = 7;
inline constexpr std::uint32_t kProbeTimerMs = 100;
inline constexpr int kProbeCancelled = 100;
inline constexpr int kListMargin = 10;
inline constexpr char kProbeTitle[] = "Framework probe";
inline constexpr char kProbeReadyTitle[] = "Framework probe (ready)";
inline constexpr char kEscapeIgnored[] = "Escape ignored";

class FrameworkProbePage : public platform::DialogPage {
  public:
    using ModalRunner = std::function<int(platform::DialogPage&, const platform::DialogPage*)>;

    explicit FrameworkProbePage(ModalRunner runModal, std::string initialName = {})
        : DialogPage(IDD_FRAMEWORK_PROBE),
          runModal_(std::move(runModal)),
          initialName_(std::move(initialName)) {}

    int Rows() const { return rows_; }
    int Ticks() const { return ticks_; }
    int EscapesSwallowed() const { return escapes_; }
    int Hovers(int controlId) const {
        auto found = hovers_.find(controlId);
        return found == hovers_.end() ? 0 : found->second;
    }
    int SelectedRow() const { return selectedRow_; }
    int CheckBoxClicks() const { return checkBoxClicks_; }
    int InnerResult() const { return innerResult_; }
    int SizeChanges() const { return sizeChanges_; }
    bool SessionEnding() const { return sessionEnding_; }
    int CellsTicked() const {
        int ticked = 0;
        for (bool tick : cellTicks_)
            ticked += tick ? 1 : 0;
        return ticked;
    }
    std::string CellText(int row) const {
        return "#" + std::to_string(row) + " " + names_[static_cast<std::size_t>(row)];
    }
    bool Destroyed() const { return destroyed_; }

    // One line of counters, written by the probe program for the tests that drive it.
    std::string Summary() const {
        return "rows=" + std::to_string(rows_) + " ticks=" + std::to_string(ticks_) +
               " escapes=" + std::to_string(escapes_) +
               " hovers_apply=" + std::to_string(Hovers(IDC_PROBE_APPLY)) +
               " selected=" + std::to_string(selectedRow_) +
               " sizes=" + std::to_string(sizeChanges_) +
               " cells_ticked=" + std::to_string(CellsTicked()) +
               " destroyed=" + std::to_string(destroyed_ ? 1 : 0);
    }

    void OnInitDialog() override {
        auto& window = Window();
        SetText(0, kProbeTitle);
        window.SetIcon(IDI_PROGRAM);
        window.SetFont(IDC_PROBE_ECHO, platform::FontSpec{"Arial", -16, 700, 0});
        window.SetListStyle(IDC_PROBE_LIST,
                            platform::liststyle::kFullRowSelect | platform::liststyle::kCheckBoxes);
        window.InsertColumn(IDC_PROBE_LIST, 0, "Name", 160);
        window.InsertColumn(IDC_PROBE_LIST, 1, "Length", 80);
        window.SetListStyle(IDC_PROBE_CELLS, platform::liststyle::kFullRowSelect |
                                                 platform::liststyle::kCheckBoxes |
                                                 platform::liststyle::kInfoTip);
        window.InsertColumn(IDC_PROBE_CELLS, 0, "Cell", 300);
        SetText(IDC_PROBE_ECHO, "");
        Enable(IDC_PROBE_APPLY, false);
        // The edit's change notice enables Apply when there is a name.
        SetText(IDC_PROBE_NAME, initialName_);
        window.SetTimer(kProbeTimer, kProbeTimerMs);
        window.SetFocus(IDC_PROBE_NAME);
    }

    void OnCommand(int controlId, int code) override {
        if (controlId == IDC_PROBE_NAME && code == platform::notify::kEditChange) {
            Enable(IDC_PROBE_APPLY, !GetText(IDC_PROBE_NAME).empty());
        } else if (code != platform::notify::kButtonClicked) {
            return;
        } else if (controlId == IDC_PROBE_APPLY) {
            Apply();
        } else if (controlId == platform::cmd::kOk) {
            EndDialog(1 + rows_);
        } else if (controlId == platform::cmd::kCancel) {
            EndDialog(kProbeCancelled);
        }
    }

    void OnNotify(const platform::Notification& note) override {
        if (note.controlId == IDC_PROBE_CELLS && note.code == platform::notify::kListClick &&
            note.onCheckBox && note.item >= 0 && note.item < rows_) {
            const auto row = static_cast<std::size_t>(note.item);
            cellTicks_[row] = !cellTicks_[row];
            Window().RedrawRows(IDC_PROBE_CELLS, note.item, note.item);
        }
        if (note.controlId != IDC_PROBE_LIST)
            return;
        if (note.code == platform::notify::kListItemChanged &&
            (note.newState & platform::rowstate::kSelected) != 0)
            selectedRow_ = note.item;
        if (note.code == platform::notify::kListClick && note.onCheckBox)
            ++checkBoxClicks_;
        if (note.code == platform::notify::kListDoubleClick && note.item >= 0) {
            FrameworkProbePage inner(runModal_, Window().GetCell(IDC_PROBE_LIST, note.item, 0));
            innerResult_ = runModal_(inner, this);
            SetText(IDC_PROBE_ECHO, "Inner probe ended with " + std::to_string(innerResult_));
        }
    }

    void OnGetCell(int controlId, int row, int, platform::ListCell& cell) override {
        if (controlId != IDC_PROBE_CELLS || row < 0 || row >= rows_)
            return;
        cell.text = CellText(row);
        cell.tip = "Row " + std::to_string(row);
        cell.hasCheckBox = true;
        cell.checked = cellTicks_[static_cast<std::size_t>(row)];
    }

    int OnFindRow(int controlId, int startRow, const std::string& prefix) override {
        if (controlId != IDC_PROBE_CELLS || rows_ == 0)
            return -1;
        const int start = startRow >= 0 && startRow < rows_ ? startRow : 0;
        for (int step = 0; step < rows_; ++step) {
            const int row = (start + step) % rows_;
            const std::string text = CellText(row);
            if (text.size() < prefix.size())
                continue;
            bool same = true;
            for (std::size_t i = 0; i < prefix.size() && same; ++i)
                same = std::tolower(static_cast<unsigned char>(text[i])) ==
                       std::tolower(static_cast<unsigned char>(prefix[i]));
            if (same)
                return row;
        }
        return -1;
    }

    bool PreTranslateKeyDown(int virtualKey) override {
        if (virtualKey != platform::kVirtualKeyEscape || Window().GetCheck(IDC_PROBE_AGREE))
            return false;
        ++escapes_;
        SetText(IDC_PROBE_ECHO, kEscapeIgnored);
        return true;
    }

    bool OnMouseOver(int controlId) override {
        ++hovers_[controlId];
        return false;
    }

    void OnTimer(int timerId) override {
        if (timerId != kProbeTimer)
            return;
        ++ticks_;
        Window().KillTimer(kProbeTimer);
        SetText(0, kProbeReadyTitle);
    }

    void OnSize(int width, int) override {
        ++sizeChanges_;
        platform::Rect list;
        if (!Window().GetControlRect(IDC_PROBE_LIST, list))
            return;
        list.right = width - kListMargin;
        Window().SetControlRect(IDC_PROBE_LIST, list);
    }

    // Rows not yet confirmed with OK hold the session.
    bool OnQueryEndSession() override { return rows_ == 0; }
    void OnEndSession(bool ending) override { sessionEnding_ = ending; }
    void OnDestroy() override { destroyed_ = true; }

  private:
    void Apply() {
        const std::string name = GetText(IDC_PROBE_NAME);
        if (name.empty())
            return;
        auto& window = Window();
        SetText(IDC_PROBE_ECHO, name);
        const int row = window.InsertRow(IDC_PROBE_LIST, rows_, name);
        if (row < 0)
            return;
        ++rows_;
        names_.push_back(name);
        cellTicks_.push_back(window.GetCheck(IDC_PROBE_AGREE));
        window.SetRowCount(IDC_PROBE_CELLS, rows_);
        window.RedrawRows(IDC_PROBE_CELLS, 0, rows_ - 1);
        window.SetCell(IDC_PROBE_LIST, row, 1, std::to_string(name.size()));
        window.SetRowChecked(IDC_PROBE_LIST, row, window.GetCheck(IDC_PROBE_AGREE));
        window.SelectRow(IDC_PROBE_LIST, row);
        SetText(IDC_PROBE_NAME, "");
    }

    ModalRunner runModal_;
    std::string initialName_;
    int rows_ = 0;
    std::vector<std::string> names_;
    std::vector<bool> cellTicks_;
    int ticks_ = 0;
    int escapes_ = 0;
    std::map<int, int> hovers_;
    int selectedRow_ = -1;
    int checkBoxClicks_ = 0;
    int innerResult_ = 0;
    int sizeChanges_ = 0;
    bool sessionEnding_ = false;
    bool destroyed_ = false;
};

}  // namespace velnora::probe
