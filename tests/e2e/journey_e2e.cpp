// The whole way a user goes on the sample medium, with the real programs under Wine, driven from
// outside: Velnora.exe started from the medium opens the read-me on its first start and shows
// the main menu; Standard Install puts Vantorix into a new folder and installs the install
// manager's own copy; Multi Install adds a second environment beside it; the installed copy,
// found through the start menu's shortcut, switches the active environment; the uninstall that
// Windows' list of installed programs starts removes both environments, and with the last one
// the install manager removes itself, leaving its del.bat to the next logon. Each step is
// checked by reading the registry, the files and the shortcuts.
//
// On Windows XP Velnora does the work itself; on Windows 10 it hands each install, switch and
// uninstall to VelnoraAdm. The test installs into the live names of the prefix, so it runs
// alone; it removes what it installed.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "kit_common.h"
#include "resource_ids.h"

namespace velnora::e2e {
namespace {

using namespace std::chrono_literals;

constexpr Milliseconds kWorkTimeout = 180s;
constexpr wchar_t kHelpWindowClass[] = L"HH Parent";
constexpr wchar_t kOwnEntry[] = L"Velnora";
constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

struct JourneyTexts {
    const wchar_t* language;
    const wchar_t* menu;  // the main menu's caption, which the finish page shares
    const wchar_t* standard;
    const wchar_t* destination;
    const wchar_t* installers;
    const wchar_t* completed;
    const wchar_t* restart;  // the beginning of the restart question
    const wchar_t* maintenance;
    const wchar_t* uninstall;  // the maintenance page's caption when Windows starts the uninstall
    const wchar_t* confirmation;
};

const JourneyTexts kEnglish = {L"English",
                               L"Vantorix Install Manager",
                               L"Standard Install (Recommended)",
                               L"Select destination folder",
                               L"Choose software",
                               L"Installation has completed.",
                               L"The PC will be restarted",
                               L"Maintenance",
                               L"Uninstall",
                               L"Confirmation"};
const JourneyTexts kJapanese = {L"Japanese",
                                L"Vantorixインストールマネージャ",
                                L"標準インストール（推奨）",
                                L"インストール先の選択",
                                L"インストール製品の選択",
                                L"インストールが終了しました。",
                                L"今すぐPCを再起動します。",
                                L"メンテナンス",
                                L"アンインストール",
                                L"確認"};

struct JourneyCase {
    const char* name;
    const JourneyTexts* texts;
    const wchar_t* windows_version;
};

// The Japanese cases read the medium's Japanese catalogue, so they run in a Japanese locale
// (see the test's registration).
const JourneyCase kCases[] = {
    {"WindowsXpEnglish", &kEnglish, L"winxp64"},
    {"Windows10English", &kEnglish, L"win10"},
    {"WindowsXpJapanese", &kJapanese, L"winxp64"},
    {"Windows10Japanese", &kJapanese, L"win10"},
};

void PrintTo(const JourneyCase& c, std::ostream* out) {
    *out << c.name;
}

std::optional<std::wstring> OwnEntryValue(const wchar_t* name) {
    return kit::ReadRegText(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(kOwnEntry), name);
}

// The environments' uninstall keys: the live one and the parked ones.
int EnvironmentCount() {
    int count = 0;
    for (const std::wstring& key : RegistrySubkeys(HKEY_LOCAL_MACHINE, kit::kUninstallRoot)) {
        if (kit::ReadRegText(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(key), L"ProductGuid") ==
                std::optional<std::wstring>(kit::kProductGuid) ||
            key == kit::kProductGuid)
            ++count;
    }
    return count;
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

class Journey : public testing::TestWithParam<JourneyCase> {
  protected:
    void SetUp() override {
        media_ = kit::SampleMediumFolder();
        if (media_.empty() || !FileExists(media_ + L"\\autorun.ini"))
            GTEST_SKIP() << "no sample medium (VELNORA_MEDIA)";
        if (kit::LiveInstallLocation() || OwnEntryValue(L"DisplayName"))
            GTEST_SKIP() << "this prefix holds Vantorix or its install manager; the test leaves "
                            "them be";
        if (std::wstring(texts().language) == L"Japanese") {
            ASSERT_EQ(GetACP(), 932u) << "run the Japanese cases in a Japanese locale";
        }
        renames_before_ = kit::PendingRenames();
        // A first start: the read-me opens by itself.
        DeleteFileW(settings_.c_str());
        ASSERT_TRUE(WritePrivateProfileStringW(L"Default", L"Language", texts().language,
                                               settings_.c_str()));
        cleanup_ = true;
        version_.emplace(L"Velnora.exe", GetParam().windows_version);
        twin_version_.emplace(L"VelnoraAdm.exe", GetParam().windows_version);
    }
    void TearDown() override {
        if (program_.Running())
            program_.Terminate();
        if (!cleanup_)
            return;
        for (HWND help : FindTopWindows({L"", kHelpWindowClass, 0, false}))
            PostMessageW(help, WM_CLOSE, 0, 0);
        EXPECT_TRUE(kit::RemoveSampleRunLeftovers(renames_before_));
    }

    const JourneyTexts& texts() const { return *GetParam().texts; }
    bool ThroughTheTwin() const { return std::wstring(GetParam().windows_version) == L"win10"; }
    std::wstring Shot(const std::wstring& what) const {
        return L"journey-" + Widen(GetParam().name) + L"-" + what;
    }

    // A page of any process: the pages of an install run belong to VelnoraAdm on Windows 10.
    HWND WaitForPage(const wchar_t* title, Milliseconds timeout = 60s) {
        return WaitForTopWindow({title, kDialogClass, 0, true}, timeout);
    }

    // The main menu and the finish page share their caption; the menu has the install buttons.
    HWND WaitForCaptioned(bool mainMenu, Milliseconds timeout) {
        return WaitForValue<HWND>(
                   [&]() -> std::optional<HWND> {
                       for (HWND window :
                            FindTopWindows({texts().menu, kDialogClass, program_.Id(), true}))
                           if ((Control(window, IDC_MENU_MULTI) != nullptr) == mainMenu)
                               return window;
                       return std::nullopt;
                   },
                   timeout)
            .value_or(nullptr);
    }
    HWND WaitForMainMenu() { return WaitForCaptioned(true, 60s); }

    HWND StartFromMedium() {
        program_ = Program::Start(media_ + L"\\Velnora.exe", {}, media_);
        if (!program_.Started())
            return nullptr;
        return WaitForMainMenu();
    }

    // Install into the folder the page proposes, with the catalogue's own ticks; past the
    // restart question to the finish page.
    void InstallToTheFinishPage(HWND menu, int button, std::wstring& folder,
                                const std::wstring& name) {
        ASSERT_TRUE(PressButton(menu, button));
        HWND destination = WaitForPage(texts().destination);
        ASSERT_NE(destination, nullptr) << "no destination folder page";
        folder = ControlText(destination, IDC_DEST_FOLDER);
        ASSERT_FALSE(folder.empty());
        EXPECT_FALSE(SaveWindowScreenshot(destination, Shot(name + L"-destination")).empty());
        ASSERT_TRUE(PressButton(destination, IDC_DEST_NEXT));
        HWND page = WaitForPage(texts().installers);
        ASSERT_NE(page, nullptr) << "no installer page";
        ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(Control(page, IDC_INST_LIST)) == 8; }));
        ASSERT_TRUE(PressButton(page, IDC_INST_INSTALL));
        // The sample asks for a restart after the run; the user restarts later.
        const auto restart = WaitForMessageBox(0, L"", kWorkTimeout);
        ASSERT_TRUE(restart) << "no restart question";
        EXPECT_TRUE(StartsWith(restart->text, texts().restart)) << Narrow(restart->text);
        ASSERT_TRUE(AnswerMessageBox(*restart, IDNO));
        HWND finish = WaitForCaptioned(false, kWorkTimeout);
        ASSERT_NE(finish, nullptr) << "no finish page";
        EXPECT_TRUE(StartsWith(ControlText(finish, IDC_FINISH_MESSAGE), texts().completed));
        EXPECT_FALSE(SaveWindowScreenshot(finish, Shot(name + L"-finish")).empty());
        ASSERT_TRUE(PressButton(finish, IDCANCEL));
        EXPECT_TRUE(program_.WaitForExit(60s).has_value());
    }

    void AnswerQuestion() {
        const auto box = WaitForMessageBox(0, texts().confirmation, kWorkTimeout);
        ASSERT_TRUE(box) << "no question";
        ASSERT_TRUE(AnswerMessageBox(*box, IDYES));
    }

    // The installed copy's maintenance page, started as Windows starts the uninstall.
    HWND StartTheUninstall() {
        const std::optional<std::wstring> command = OwnEntryValue(L"UninstallString");
        if (!command)
            return nullptr;
        program_ = Program::StartCommandLine(*command, kit::InstallManagerFolder());
        if (!program_.Started())
            return nullptr;
        return WaitForTopWindow({texts().uninstall, kDialogClass, program_.Id(), true}, 60s);
    }

    // Velnora closes its page after an uninstall it did itself; after the twin's it shows what
    // is left, and the user closes it.
    void EndTheUninstall(HWND page, int left) {
        if (ThroughTheTwin()) {
            ASSERT_TRUE(WaitUntil(
                [&] {
                    return ListViewRowCount(Control(page, IDC_MAINT_LIST)) == left &&
                           IsControlEnabled(page, IDC_MAINT_EXIT);
                },
                kWorkTimeout))
                << "the page does not show what is left";
            if (left == 0) {
                // No tools of the environment that is gone.
                EXPECT_FALSE(IsControlVisible(page, IDC_MAINT_TREE));
                EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"all-uninstalled")).empty());
            }
            ASSERT_TRUE(PressButton(page, IDC_MAINT_EXIT));
        }
        EXPECT_TRUE(program_.WaitForExit(kWorkTimeout).has_value());
    }

    std::wstring media_;
    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    FileRestorer restore_settings_{settings_};
    std::optional<std::wstring> renames_before_;
    std::optional<ScopedWindowsVersion> version_;
    std::optional<ScopedWindowsVersion> twin_version_;
    Program program_;
    bool cleanup_ = false;
};

TEST_P(Journey, FromTheMediumToTheInstallManagersOwnRemoval) {
    std::wstring first, second;
    const std::wstring copy = kit::InstallManagerFolder();
    const std::wstring program = copy + L"\\Velnora.exe";

    // --- The first start: the read-me, then the main menu ---
    HWND menu = StartFromMedium();
    ASSERT_NE(menu, nullptr) << "no main menu";
    HWND readMe = WaitForTopWindow({L"", kHelpWindowClass, program_.Id(), true}, 30s);
    EXPECT_NE(readMe, nullptr) << "the read-me did not open";
    // The user reads it and closes it.
    if (readMe != nullptr) {
        PostMessageW(readMe, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForWindowGone(readMe));
    }
    EXPECT_EQ(ReadProfileString(settings_, L"Default", L"FirstBoot"),
              std::optional<std::wstring>(L"1"));
    EXPECT_EQ(ControlText(menu, IDC_MENU_STANDARD), texts().standard);
    EXPECT_TRUE(IsControlEnabled(menu, IDC_MENU_STANDARD));
    EXPECT_FALSE(IsControlEnabled(menu, IDC_MENU_MULTI));
    EXPECT_FALSE(IsControlEnabled(menu, IDC_MENU_MAINTENANCE));
    EXPECT_TRUE(WaitUntil([&] { return !ControlText(menu, IDC_MENU_EXPLANATION).empty(); }));
    EXPECT_FALSE(SaveWindowScreenshot(menu, Shot(L"menu")).empty());

    // --- Standard Install on an empty machine asks for the folder ---
    InstallToTheFinishPage(menu, IDC_MENU_STANDARD, first, L"standard");
    EXPECT_EQ(kit::LiveInstallLocation(), std::optional<std::wstring>(first));
    EXPECT_EQ(EnvironmentCount(), 1);
    // The install manager's own copy, its entry in the installed programs and its shortcut.
    EXPECT_TRUE(kit::PathExists(program));
    EXPECT_EQ(kit::PathExists(copy + L"\\VelnoraAdm.exe"), ThroughTheTwin());
    EXPECT_TRUE(kit::PathExists(copy + L"\\del.bat"));
    EXPECT_EQ(OwnEntryValue(L"DisplayName"),
              std::optional<std::wstring>(L"Vantorix(Multiple Install)"));
    EXPECT_EQ(OwnEntryValue(L"UninstallString"),
              std::optional<std::wstring>(L"\"" + program + L"\" -uninstall"));
    EXPECT_TRUE(kit::PathExists(kit::InstallManagerShortcut()));

    // --- Multi Install adds a second environment beside the first, in a folder of its own ---
    menu = StartFromMedium();
    ASSERT_NE(menu, nullptr) << "no main menu the second time";
    EXPECT_TRUE(IsControlEnabled(menu, IDC_MENU_MULTI));
    EXPECT_TRUE(IsControlEnabled(menu, IDC_MENU_MAINTENANCE));
    InstallToTheFinishPage(menu, IDC_MENU_MULTI, second, L"multi");
    EXPECT_NE(second, first);
    EXPECT_EQ(kit::LiveInstallLocation(), std::optional<std::wstring>(second));
    EXPECT_EQ(EnvironmentCount(), 2);
    EXPECT_TRUE(kit::PathExists(first + L"\\VTX2.exe"));
    EXPECT_TRUE(kit::PathExists(second + L"\\VTX2.exe"));
    EXPECT_TRUE(kit::PathExists(kit::InstallManagerShortcut()));

    // --- The installed copy switches back to the first ---
    program_ = Program::Start(program, {}, copy);
    ASSERT_TRUE(program_.Started());
    HWND page = WaitForTopWindow({texts().maintenance, kDialogClass, program_.Id(), true}, 60s);
    ASSERT_NE(page, nullptr) << "the installed copy shows no maintenance page";
    HWND list = Control(page, IDC_MAINT_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 2; }));
    int firstRow = -1;
    for (int row = 0; row < 2; ++row)
        if (ListViewCell(list, row, 1).value_or(L"").find(first + L")") != std::wstring::npos)
            firstRow = row;
    ASSERT_GE(firstRow, 0);
    ASSERT_TRUE(SelectListViewRow(list, firstRow));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(page, IDC_MAINT_SWITCH); }));
    ASSERT_TRUE(PressButton(page, IDC_MAINT_SWITCH));
    ASSERT_TRUE(WaitUntil([&] { return kit::LiveInstallLocation() == first; }, kWorkTimeout));
    EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"switched")).empty());
    ASSERT_TRUE(PressButton(page, IDC_MAINT_EXIT));
    EXPECT_TRUE(program_.WaitForExit(60s).has_value());

    // --- The uninstall from the list of installed programs, twice ---
    page = StartTheUninstall();
    ASSERT_NE(page, nullptr) << "the uninstall shows no maintenance page";
    list = Control(page, IDC_MAINT_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 2; }));
    ASSERT_TRUE(SelectListViewRow(list, firstRow));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(page, IDC_MAINT_UNINSTALL); }));
    ASSERT_TRUE(PressButton(page, IDC_MAINT_UNINSTALL));
    AnswerQuestion();
    // The one environment left becomes the active one without a choice.
    EndTheUninstall(page, 1);
    EXPECT_EQ(kit::LiveInstallLocation(), std::optional<std::wstring>(second));
    EXPECT_FALSE(kit::PathExists(first));
    EXPECT_TRUE(OwnEntryValue(L"DisplayName"));

    page = StartTheUninstall();
    ASSERT_NE(page, nullptr) << "the second uninstall shows no maintenance page";
    list = Control(page, IDC_MAINT_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 1; }));
    ASSERT_TRUE(SelectListViewRow(list, 0));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(page, IDC_MAINT_UNINSTALL); }));
    ASSERT_TRUE(PressButton(page, IDC_MAINT_UNINSTALL));
    AnswerQuestion();
    EndTheUninstall(page, 0);
    EXPECT_FALSE(kit::LiveInstallLocation());
    EXPECT_EQ(EnvironmentCount(), 0);

    // --- With the last environment the install manager removed itself ---
    EXPECT_FALSE(OwnEntryValue(L"DisplayName"));
    EXPECT_FALSE(kit::PathExists(kit::InstallManagerShortcut()));
    const std::wstring logonScript = WindowsFolder() + L"\\del.bat";
    const std::optional<std::wstring> logon =
        ReadRegistryString(HKEY_LOCAL_MACHINE, kRunOnceKey, kOwnEntry);
    ASSERT_TRUE(logon) << "no logon value for del.bat";
    EXPECT_EQ(*logon, L"\"" + logonScript + L"\"");
    ASSERT_TRUE(kit::PathExists(logonScript));
    // The next logon runs it.
    EXPECT_EQ(kit::RunAndWait(L"cmd.exe /c " + *logon, 60000), 0);
    EXPECT_FALSE(kit::PathExists(copy));
    EXPECT_FALSE(kit::PathExists(logonScript));
}

INSTANTIATE_TEST_SUITE_P(Velnora, Journey, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<JourneyCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velnora::e2e
