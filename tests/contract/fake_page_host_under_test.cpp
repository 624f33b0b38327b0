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
