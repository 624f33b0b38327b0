// The layout probe: a resizable page whose lists, tree and buttons follow the size of the
// dialog through an anchor table, as the product's resizable pages do. It fills a list with
// stored rows, an owner-data list and a tree; "Nested" runs a second layout probe modally,
// owned by this one; OK and Cancel end it with their ids. The page contract suite runs it on
// both dialog hosts.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "pages/dialog_layout.h"
#include "platform/dialog_page.h"
#include "probe/probe_ids.h"

namespace velnora::probe {

inline constexpr int kLayoutOk = platform::cmd::kOk;
inline constexpr int kLayoutCancel = platform::cmd::kCancel;
// Smallest client area, pixels.
inline constexpr int kLayoutMinWidth = 320;
inline constexpr int kLayoutMinHeight = 240;
inline constexpr int kLayoutCellRows = 4;

inline const std::vector<std::vector<std::string>> kLayoutRows = {
    {"4.08", "C:\\Vantorix"}, {"3.00", "C:\\Vantorix_3"}, {"2.20", "D:\\Tools\\Vantorix"}};

// Records apply in order: each refers only to controls placed before it or not anchored.
namespace layout_anchors {
using namespace pages::anchor;
inline constexpr pages::ControlAnchors kLayoutAnchors[] = {
    Anchors(kLayoutCancel).Bottom(Dialog(10)).Right(Dialog(10)),
    Anchors(kLayoutOk).Bottom(Same(kLayoutCancel, 0)).Right(Opposite(kLayoutCancel, 6)),
    Anchors(IDC_LAYOUT_NESTED).Left(Dialog(10)).Bottom(Dialog(10)),
    Anchors(IDC_LAYOUT_SPARE).Left(Opposite(IDC_LAYOUT_NESTED, 6)).Bottom(Dialog(10)),
    Anchors(IDC_LAYOUT_LIST).Top(Opposite(IDC_LAYOUT_LABEL, 4)).Left(Dialog(10)).Right(Percent(60)),
    Anchors(IDC_LAYOUT_TREE)
        .Top(Same(IDC_LAYOUT_LIST, 0))
        .Left(Opposite(IDC_LAYOUT_LIST, 6))
        .Bottom(Opposite(kLayoutCancel, 8))
        .Right(Dialog(10)),
    Anchors(IDC_LAYOUT_CELLS)
        .Top(Opposite(IDC_LAYOUT_LIST, 4))
        .Left(Dialog(10))
        .Bottom(Opposite(kLayoutCancel, 8))
        .Right(Same(IDC_LAYOUT_LIST, 0)),
};
}  // namespace layout_anchors
using layout_anchors::kLayoutAnchors;

class LayoutProbePage : public platform::DialogPage {
  public:
    using ModalRunner = std::function<int(platform::DialogPage&, const platform::DialogPage*)>;

    explicit LayoutProbePage(ModalRunner runModal)
        : DialogPage(IDD_LAYOUT_PROBE), runModal_(std::move(runModal)) {}

    int InnerResult() const { return innerResult_; }
    bool Destroyed() const { return destroyed_; }
    // For the cases that call the window directly while the page is open.
    platform::PageWindow& OpenWindow() { return Window(); }

    void OnInitDialog() override {
        auto& window = Window();
        window.InsertColumn(IDC_LAYOUT_LIST, 0, "Version", 60);
        window.InsertColumn(IDC_LAYOUT_LIST, 1, "Folder", 120);
        window.SetListStyle(IDC_LAYOUT_LIST, platform::liststyle::kCheckBoxes);
        for (std::size_t row = 0; row < kLayoutRows.size(); ++row) {
            const int at =
                window.InsertRow(IDC_LAYOUT_LIST, static_cast<int>(row), kLayoutRows[row][0]);
            window.SetCell(IDC_LAYOUT_LIST, at, 1, kLayoutRows[row][1]);
        }
        window.SetRowChecked(IDC_LAYOUT_LIST, 1, true);
        window.InsertColumn(IDC_LAYOUT_CELLS, 0, "Cell", 120);
        window.SetListStyle(IDC_LAYOUT_CELLS, platform::liststyle::kCheckBoxes);
        window.SetRowCount(IDC_LAYOUT_CELLS, kLayoutCellRows);
        const platform::TreeNode root =
            window.InsertNode(IDC_LAYOUT_TREE, platform::kTreeRoot, "C:\\Vantorix");
        window.InsertNode(IDC_LAYOUT_TREE, root, "Version=4.08");
        const platform::TreeNode package = window.InsertNode(IDC_LAYOUT_TREE, root, "Package");
        window.InsertNode(IDC_LAYOUT_TREE, package, "ToolChain");
        window.ExpandNode(IDC_LAYOUT_TREE, root);
        window.SetMinimumSize(kLayoutMinWidth, kLayoutMinHeight);
        layout_.Attach(window);
        layout_.ApplyLayout();
    }

    void OnGetCell(int controlId, int row, int, platform::ListCell& cell) override {
        if (controlId != IDC_LAYOUT_CELLS || row < 0 || row >= kLayoutCellRows)
            return;
        cell.text = "cell " + std::to_string(row);
        cell.hasCheckBox = true;
        cell.checked = row % 2 == 0;
    }

    void OnCommand(int controlId, int code) override {
        if (controlId != IDC_LAYOUT_NESTED) {
            DialogPage::OnCommand(controlId, code);
            return;
        }
        LayoutProbePage inner(runModal_);
        innerResult_ = runModal_(inner, this);
    }

    void OnSize(int, int) override { layout_.ApplyLayout(); }

    void OnDestroy() override {
        layout_.Detach();
        destroyed_ = true;
    }

  private:
    ModalRunner runModal_;
    pages::DialogLayout layout_{kLayoutAnchors};
    int innerResult_ = 0;
    bool destroyed_ = false;
};

}  // namespace velnora::probe
