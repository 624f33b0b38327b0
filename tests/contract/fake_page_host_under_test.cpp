// The page contract suite on the in-memory dialog host.
#include <gtest/gtest.h>

#include <deque>

#include "contract_pages.h"
#include "fake/test_dialog_host.h"

namespace velnora::contract {
namespace {

class FakePageUser final : public PageUser {
  public:
    explicit FakePageUser(fake::PageDriver driver) : driver_(driver) {}

    fake::BaseUnits Units() override {
        const fake::DialogTemplate* dialog = driver_.Window().Template();
        return dialog != nullptr ? dialog->Units() : fake::BaseUnits{};
    }
    platform::Rect Client() override { return driver_.ClientRect(); }
    platform::Rect ControlRect(int id) override { return driver_.Control(id).rect; }
    void Resize(int width, int height) override { driver_.Resize(width, height); }
    bool IsVisible(int id) override {
        return id == 0 ? driver_.IsWindowVisible() : driver_.IsVisible(id);
    }
    bool IsEnabled(int id) override {
        return id == 0 ? driver_.IsWindowEnabled() : driver_.IsEnabled(id);
    }
    void Click(int id) override { driver_.Click(id); }
    std::vector<std::string> ColumnTitles(int id) override { return driver_.ColumnTitles(id); }
    std::vector<std::vector<std::string>> Rows(int id) override { return driver_.Rows(id); }
    std::vector<bool> RowChecks(int id) override {
        std::vector<bool> checks;
        for (int row = 0; row < driver_.RowCount(id); ++row)
            checks.push_back(driver_.IsRowChecked(id, row));
        return checks;
    }
    std::vector<std::string> TreeLines(int id) override { return driver_.TreeLines(id); }

    // The in-memory list has no geometry: a spot on a box is a click into the cell's box.
    void ClickCell(int id, int row, int column, CellSpot spot) override {
        switch (spot) {
            case CellSpot::kLeftBox:
            case CellSpot::kCentre:
                driver_.ToggleRowCheck(id, row, column);
                break;
            case CellSpot::kRightText:
                driver_.ClickRow(id, row, column);
                break;
            case CellSpot::kBelowRows:
                driver_.ClickRow(id, -1);
                break;
        }
    }
    bool HoverCell(int id, int row, int column, const std::function<bool()>& asked) override {
        const auto tip = driver_.HoverCell(id, row, column);
        return asked() && tip.has_value() && !tip->empty();
    }
    int TypeInto(int id, const std::string& text) override {
        driver_.TypeAhead(id, text);
        return driver_.SelectedRow(id);
    }
    void PressSpaceOn(int id, int row) override {
        driver_.SelectRow(id, row);
        driver_.PressKey(' ');
    }

  private:
    fake::PageDriver driver_;
};

class FakePageHost final : public PageHostUnderTest {
  public:
    bool IsWine() const override { return false; }
    void OnNextRun(Script script) override { scripts_.push_back(std::move(script)); }
    int RunModal(platform::DialogPage& page, const platform::DialogPage* owner) override {
        if (!scripts_.empty()) {
            host_.OnNextRun(page.TemplateId(),
                            [script = std::move(scripts_.front())](fake::PageDriver& driver) {
                                FakePageUser user(driver);
                                script(user);
                            });
            scripts_.pop_front();
        }
        return host_.RunModal(page, owner);
    }
    bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner) override {
        return host_.OpenModeless(page, owner);
    }
    std::unique_ptr<PageUser> UserOf(const platform::DialogPage& page) override {
        return std::make_unique<FakePageUser>(host_.Driver(page));
    }

  private:
    fake::TestDialogHost host_;
    std::deque<Script> scripts_;
};

std::unique_ptr<PageHostUnderTest> MakeFake() {
    return std::make_unique<FakePageHost>();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Fake, PageContract, ::testing::Values(PageHostKind{"fake", &MakeFake}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace velnora::contract
