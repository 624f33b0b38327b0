// The real VelnoraAdm.exe under Wine, started by hand as a user might: the box that sends the
// user to Velnora.exe in both languages, a row outside the environment table and a run state
// waiting for a restart. Every refusal ends the twin with exit code 2.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver/driver.h"

namespace velnora::e2e {
namespace {

constexpr DWORD kRefused = 2;

struct TwinCase {
    const char* name;
    const wchar_t* language;
    std::vector<std::wstring> arguments;
    bool pendingContinue;  // [General] Continue=1 in %TEMP%\_autorun.ini
    const wchar_t* caption;
    const wchar_t* text;  // nullptr: the twin ends without a box
};

constexpr wchar_t kProductGuid[] = L"{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}";

const TwinCase kCases[] = {
    {"StartedByHand",
     L"English",
     {},
     false,
     L"Error",
     L"VelnoraAdm.exe cannot be executed directly. \r\n"
     L"When Velnora.exe is executed, VelnoraAdm.exe is executed if necessary."},
    {"StartedByHandJapanese",
     L"Japanese",
     {},
     false,
     L"エラー",
     L"VelnoraAdm.exeを直接実行することはできません。\r\n"
     L"Velnora.exeを実行したときに、必要に応じてVelnoraAdm.exeが実行されます。"},
    {"RowOutsideTheTable",
     L"English",
     {L"-maintenance_active", L"127", kProductGuid},
     false,
     nullptr,
     nullptr},
    {"PendingContinue",
     L"English",
     {L"-maintenance_active", L"0", kProductGuid},
     true,
     L"Error",
     L"Command parameter is wrong."},
};

// Failure messages name the case, not its bytes.
void PrintTo(const TwinCase& c, std::ostream* out) {
    *out << c.name;
}

class TwinStartedByHand : public testing::TestWithParam<TwinCase> {
  protected:
    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    const std::wstring state_ = TempFolder() + L"\\_autorun.ini";
    FileRestorer restore_settings_{settings_};
    FileRestorer restore_state_{state_};
};

TEST_P(TwinStartedByHand, RefusesAndEndsWithTheRefusalCode) {
    const TwinCase& c = GetParam();
    ASSERT_FALSE(WindowsFolder().empty() || TempFolder().empty());
    // The twin reads the install manager's settings file.
    ASSERT_TRUE(WritePrivateProfileStringW(L"Default", L"Language", c.language, settings_.c_str()));
    if (c.pendingContinue) {
        ASSERT_TRUE(WritePrivateProfileStringW(L"General", L"Continue", L"1", state_.c_str()));
    }

    Program twin = Program::Start(BesideTestProgram(L"VelnoraAdm.exe"), c.arguments);
    ASSERT_TRUE(twin.Started()) << "error " << twin.StartError();
    if (c.text != nullptr) {
        const std::optional<MessageBoxView> box = WaitForMessageBox(twin.Id(), c.caption);
        ASSERT_TRUE(box) << "no box; the twin " << (twin.Running() ? "still runs" : "has ended");
        EXPECT_EQ(box->text, std::wstring(c.text)) << "shown: " << Narrow(box->text);
        EXPECT_TRUE(box->has_icon);
        ASSERT_EQ(box->buttons.size(), 1u);
        EXPECT_EQ(box->buttons[0].id, IDOK);
        EXPECT_FALSE(SaveWindowScreenshot(box->window, L"twin-" + Widen(c.name)).empty());
        ASSERT_TRUE(AnswerMessageBox(*box, IDOK));
    }
    // A box nobody answers would keep the twin alive past the deadline.
    EXPECT_EQ(twin.WaitForExit(), std::optional<DWORD>(kRefused));
}

INSTANTIATE_TEST_SUITE_P(VelnoraAdm, TwinStartedByHand, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TwinCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velnora::e2e
