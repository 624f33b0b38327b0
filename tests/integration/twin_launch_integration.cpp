// The hand-over to the elevated twin under Wine: RunElevatedTwin starts the real
// VelnoraAdm.exe (built beside this program) through the shell with "runas" and reads its exit
// code, while a real page of the Win32 dialog host is hidden and comes back; HideOwnerPage
// shrinks a real page to nothing.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "driver/driver.h"
#include "installer/context.h"
#include "maintenance/elevated_twin.h"
#include "platform/win32/dialog_host.h"
#include "platform/win32/win32_platform.h"
#include "probe_ids.h"
#include "resource_ids.h"

namespace velnora {
namespace {

constexpr int kRefused = maintenance::twinexit::kRefused;

class HandOverPage final : public platform::DialogPage {
  public:
    HandOverPage() : DialogPage(IDD_FRAMEWORK_PROBE) {}
};

struct WindowState {
    bool visible;
    bool toolWindow;
    bool enabled;
    bool operator==(const WindowState&) const = default;
};

WindowState StateOf(HWND window) {
    return {IsWindowVisible(window) != FALSE,
            (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0,
            IsWindowEnabled(window) != FALSE};
}

constexpr WindowState kInSight{true, false, true};

class TwinLaunch : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(
            e2e::ReadProfileString(e2e::TempFolder() + L"\\_autorun.ini", L"General", L"Continue"));
        // The twin's boxes in the language this test reads.
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Default", L"Language", L"English", settings_.c_str()));
        ASSERT_TRUE(platform::win32::OpenModelessPage(page_, nullptr));
        window_ = platform::win32::WindowOfPage(&page_);
        page_.OpenWindow()->ShowWindow(platform::WindowShow::kNormal);
    }

    platform::win32::Win32Platform win32_;
    installer::Context context_{win32_.Get()};
    const std::wstring settings_ = e2e::WindowsFolder() + L"\\Velnora.ini";
    e2e::FileRestorer restoreSettings_{settings_};
    HandOverPage page_;
    HWND window_ = nullptr;
};

TEST_F(TwinLaunch, InstallModeHidesThePageUntilTheTwinHasEnded) {
    context_.startup.startMode = core::StartMode::kInstall;
    // Beside this program there is no medium: the twin's install shows the installer page at
    // once. While the user is on it, the page here must be out of sight and off the taskbar;
    // Exit on the twin's installer page is an aborted install.
    std::optional<WindowState> whileRunning;
    std::thread user([&] {
        HWND installers = e2e::WaitForTopWindow({L"Choose software", e2e::kDialogClass, 0, true});
        if (installers == nullptr)
            return;
        whileRunning = StateOf(window_);
        e2e::SaveScreenshot(L"twin-launch-page-hidden");
        e2e::PressButton(installers, IDC_INST_EXIT);
    });
    const maintenance::TwinOutcome outcome =
        maintenance::RunElevatedTwin(context_, "-standard_install", &page_, &page_);
    user.join();

    EXPECT_EQ(outcome.end, maintenance::TwinOutcome::End::kExited);
    EXPECT_EQ(outcome.exitCode, static_cast<std::uint32_t>(maintenance::twinexit::kAborted));
    EXPECT_EQ(whileRunning, (WindowState{false, true, true}));
    EXPECT_EQ(StateOf(window_), kInSight);
    EXPECT_EQ(GetForegroundWindow(), window_);
}

TEST_F(TwinLaunch, SwitchLeavesThePageInSight) {
    context_.startup.startMode = core::StartMode::kMaintenance;
    const std::string rowOutsideTheTable = maintenance::TwinParameters(
        maintenance::twintoken::kMaintenanceActive, 127, core::kVantorixProductGuid);
    EXPECT_EQ(maintenance::RunElevatedTwin(context_, rowOutsideTheTable, &page_, &page_).exitCode,
              static_cast<std::uint32_t>(kRefused));
    EXPECT_EQ(StateOf(window_), kInSight);
    EXPECT_EQ(GetForegroundWindow(), window_);
}

TEST_F(TwinLaunch, HideOwnerPageShrinksThePageToItsCentre) {
    RECT before{};
    ASSERT_TRUE(GetWindowRect(window_, &before));
    maintenance::HideOwnerPage(page_);
    RECT after{};
    ASSERT_TRUE(GetWindowRect(window_, &after));
    const LONG x = before.left + (before.right - before.left) / 2;
    const LONG y = before.top + (before.bottom - before.top) / 2;
    EXPECT_EQ((std::vector<LONG>{after.left, after.top, after.right, after.bottom}),
              (std::vector<LONG>{x, y, x, y}));
    EXPECT_EQ(StateOf(window_), (WindowState{false, false, false}));
}

}  // namespace
}  // namespace velnora
