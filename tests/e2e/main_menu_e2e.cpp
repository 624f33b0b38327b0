// The main menu of the real Velnora.exe on the sample medium under Wine, started with no
// argument as from the medium, on Windows XP on a machine without Vantorix: the menu's texts
// and the offers that need an environment, then Standard Install through the destination
// folder, the installer page and the finish page. The registry shows the environment the
// stand-in installers made.
//
// The test installs into the live names of the prefix, so it runs alone; it removes what it
// installed.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "driver/driver.h"
#include "kit_common.h"
#include "resource_ids.h"

namespace velnora::e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kMenuTitle[] = L"Vantorix Install Manager";

class MainMenu : public testing::Test {
  protected:
    void SetUp() override {
        if (const auto reason = kit::ReasonNotToRunTheSample())
            GTEST_SKIP() << *reason;
        media_ = kit::SampleMediumFolder();
        renames_before_ = kit::PendingRenames();
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Default", L"Language", L"English", settings_.c_str()));
        // No read-me on the way.
        ASSERT_TRUE(WritePrivateProfileStringW(L"Default", L"FirstBoot", L"1", settings_.c_str()));
        cleanup_ = true;
        version_.emplace(L"Velnora.exe", L"winxp64");
        ASSERT_TRUE(version_->Applied());
    }
    void TearDown() override {
        if (program_.Running())
            program_.Terminate();
        if (!cleanup_)
            return;
        EXPECT_TRUE(kit::RemoveSampleRunLeftovers(renames_before_));
    }

    HWND WaitForPage(const wchar_t* title, Milliseconds timeout = 60s) {
        return WaitForTopWindow({title, kDialogClass, program_.Id(), true}, timeout);
    }

    std::wstring media_;
    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    FileRestorer restore_settings_{settings_};
    std::optional<std::wstring> renames_before_;
    std::optional<ScopedWindowsVersion> version_;
    Program program_;
    bool cleanup_ = false;
};

TEST_F(MainMenu, StandardInstallOnAnEmptyMachineGoesThroughTheFolderAndInstallerPages) {
    program_ = Program::Start(media_ + L"\\Velnora.exe", {}, media_);
    ASSERT_TRUE(program_.Started()) << "error " << program_.StartError();

    // --- The menu: no environment, so nothing to add to and nothing to maintain ---
    HWND menu = WaitForPage(kMenuTitle);
    ASSERT_NE(menu, nullptr) << "no main menu";
    const struct {
        int id;
        const wchar_t* text;
        bool enabled;
    } buttons[] = {
        {IDC_MENU_READ_FIRST, L"Read first", true},
        {IDC_MENU_STANDARD, L"Standard Install (Recommended)", true},
        {IDC_MENU_MULTI, L"Multi Install", false},
        {IDC_MENU_MAINTENANCE, L"Maintenance", false},
        {IDCANCEL, L"Exit", true},
    };
    for (const auto& button : buttons) {
        EXPECT_EQ(ControlText(menu, button.id), button.text);
        EXPECT_EQ(IsControlEnabled(menu, button.id), button.enabled) << Narrow(button.text);
    }
    EXPECT_EQ(ControlText(menu, IDC_MENU_DETAIL_FRAME), L"Detail");
    EXPECT_EQ(ControlText(menu, IDC_MENU_EXPLANATION).rfind(L"The Install Manager is the", 0), 0u);
    EXPECT_NE(SendMessageW(Control(menu, IDC_MENU_PICTURE), STM_GETIMAGE, IMAGE_BITMAP, 0), 0)
        << "the medium's picture";
    EXPECT_FALSE(SaveWindowScreenshot(menu, L"main-menu-xp-empty").empty());

    // --- Standard Install: the sample asks for the folder of a first environment ---
    ASSERT_TRUE(PressButton(menu, IDC_MENU_STANDARD));
    HWND destination = WaitForPage(L"Select destination folder");
    ASSERT_NE(destination, nullptr) << "no destination folder page";
    EXPECT_FALSE(IsWindowEnabled(menu)) << "the menu waits under the page";
    EXPECT_FALSE(IsControlEnabled(menu, IDCANCEL));
    const std::wstring folder = ControlText(destination, IDC_DEST_FOLDER);
    EXPECT_FALSE(folder.empty());
    ASSERT_TRUE(PressButton(destination, IDC_DEST_NEXT));

    HWND page = WaitForPage(L"Choose software");
    ASSERT_NE(page, nullptr) << "no installer page";
    HWND list = Control(page, IDC_INST_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 8; }));
    ASSERT_TRUE(PressButton(page, IDC_INST_INSTALL));

    // Restart_PC is on in the sample: the page offers a restart as it closes, before the
    // finish page; the user declines.
    const auto restart = WaitForMessageBox(program_.Id(), L"Velnora", 300s);
    ASSERT_TRUE(restart) << "no restart question";
    EXPECT_EQ(restart->text.rfind(L"The PC will be restarted", 0), 0u);
    ASSERT_TRUE(AnswerMessageBox(*restart, IDNO));

    // --- The finish page has taken the menu's place ---
    HWND finish = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            finish = nullptr;
            for (HWND window : FindTopWindows({kMenuTitle, kDialogClass, program_.Id(), true}))
                if (window != menu)
                    finish = window;
            // The menu has the same title; only the finish page has the registration button.
            return finish != nullptr && Control(finish, IDC_FINISH_REGISTER) != nullptr;
        },
        60s))
        << "no finish page";
    EXPECT_FALSE(IsWindowVisible(menu));
    EXPECT_EQ(ControlText(finish, IDC_FINISH_MESSAGE).rfind(L"Installation has completed.", 0), 0u);
    EXPECT_FALSE(SaveWindowScreenshot(finish, L"main-menu-xp-finish").empty());
    EXPECT_EQ(kit::LiveInstallLocation(), std::optional<std::wstring>(folder));
    EXPECT_TRUE(kit::PathExists(folder + L"\\VTX2.exe"));

    ASSERT_TRUE(PressButton(finish, IDCANCEL));
    EXPECT_EQ(program_.WaitForExit(60s), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace velnora::e2e
