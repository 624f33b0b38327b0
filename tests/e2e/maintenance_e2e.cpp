// The maintenance page of the real Velnora.exe under Wine, driven from outside as a user would:
// three sample environments laid out by the kit, the list with the active one marked, the tool
// tree, the button states, a resize, the report saved through the save dialog, a switch, the
// uninstall of the active environment with the selection dialog and of an inactive one. On
// Windows XP Velnora does the work itself; on Windows 10 it hands each switch and uninstall to
// VelnoraAdm, started with "runas", which asks its questions and shows the selection dialog.
//
// The test installs into the live names of the prefix, so it runs alone; it removes what it
// laid out.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "kit_common.h"
#include "resource_ids.h"

namespace velnora::e2e {
namespace {

using namespace std::chrono_literals;

constexpr Milliseconds kWorkTimeout = 120s;

struct PageTexts {
    const wchar_t* title;
    const wchar_t* active_mark;
    const wchar_t* confirmation;
    const wchar_t* ask_active;    // start of the question for the active environment
    const wchar_t* ask_inactive;  // start of the question for another one
    const wchar_t* select_title;
};

const PageTexts kEnglish = {L"Maintenance",
                            L"Active",
                            L"Confirmation",
                            L"Do you uninstall active Vantorix which you chose?",
                            L"Do you uninstall inactive Vantorix which you chose?",
                            L"Switch active environment"};
const PageTexts kJapanese = {L"メンテナンス",
                             L"Active",
                             L"確認",
                             L"アクティブなVantorixをアンインストールしますか?",
                             L"アクティブでないVantorixをアンインストールしますか?",
                             L"アクティブ対象の変更"};

struct MaintenanceCase {
    const char* name;
    const wchar_t* language;
    const PageTexts* texts;
    const wchar_t* windows_version;
};

const MaintenanceCase kCases[] = {
    {"WindowsXpEnglish", L"English", &kEnglish, L"winxp64"},
    {"WindowsXpJapanese", L"Japanese", &kJapanese, L"winxp64"},
    {"Windows10ThroughTheTwin", L"English", &kEnglish, L"win10"},
};

void PrintTo(const MaintenanceCase& c, std::ostream* out) {
    *out << c.name;
}

// The sample environments, in the order of their locations, as the page lists them.
struct Sample {
    std::wstring folder;
    std::wstring display_name;
};
std::vector<Sample> Samples() {
    const std::wstring root = kit::ProgramFilesFolder() + L"\\Orvessa\\";
    return {{root + L"Vantorix", L"Vantorix V4.08.00.012"},
            {root + L"Vantorix V2.20", L"Vantorix V2.20.00.000"},
            {root + L"Vantorix V3.0", L"Vantorix V3.0.0.5"}};
}
constexpr int kCurrent = 0;
constexpr int kOld = 1;
constexpr int kMiddle = 2;

std::wstring RowText(const Sample& sample) {
    return sample.display_name + L" (" + sample.folder + L")";
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

long RunKitEnvironments(const std::wstring& arguments) {
    return kit::RunAndWait(
        kit::Quote(BesideTestProgram(L"velnora_kit_environments.exe")) + L" " + arguments, 180000);
}

class MaintenancePage : public testing::TestWithParam<MaintenanceCase> {
  protected:
    void SetUp() override {
        if (kit::LiveInstallLocation())
            GTEST_SKIP() << "this prefix holds an active environment; the test leaves it be";
        renames_before_ = kit::PendingRenames();
        ASSERT_TRUE(WritePrivateProfileStringW(L"Default", L"Language", GetParam().language,
                                               settings_.c_str()));
        laid_out_ = true;
        ASSERT_EQ(RunKitEnvironments(L"lay-out"), 0);
        version_.emplace(L"Velnora.exe", GetParam().windows_version);
    }
    void TearDown() override {
        if (page_program_.Running()) {
            page_program_.Terminate();
        }
        if (laid_out_) {
            EXPECT_EQ(RunKitEnvironments(L"remove-all"), 0);
            // The uninstaller leaves its running program for the restart; there is none here.
            kit::RemoveTree(kit::LiveInstallerInfoFolder());
            RemoveDirectoryW(kit::InstallerInfoRoot().c_str());
            kit::SetPendingRenames(renames_before_);
        }
        DeleteFileW(report_.c_str());
    }

    // The page of the started program; nullptr when it did not show.
    HWND StartPage() {
        page_program_ = Program::Start(BesideTestProgram(L"Velnora.exe"), {L"-maintenance"});
        if (!page_program_.Started())
            return nullptr;
        return WaitForTopWindow({GetParam().texts->title, kDialogClass, page_program_.Id(), true},
                                60s);
    }

    // Answers the question of the uninstall with Yes; the twin asks it in its own process.
    void AnswerUninstallQuestion(const wchar_t* question) {
        const auto box = WaitForMessageBox(0, GetParam().texts->confirmation);
        ASSERT_TRUE(box) << "no question";
        EXPECT_TRUE(StartsWith(box->text, question)) << Narrow(box->text);
        EXPECT_FALSE(box->has_icon);
        ASSERT_TRUE(AnswerMessageBox(*box, IDYES));
    }

    std::wstring Shot(const std::wstring& what) const {
        return L"maintenance-" + Widen(GetParam().name) + L"-" + what;
    }

    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    FileRestorer restore_settings_{settings_};
    const std::wstring report_ = TempFolder() + L"\\velnora-e2e-report.txt";
    std::optional<ScopedWindowsVersion> version_;
    Program page_program_;
    std::optional<std::wstring> renames_before_;
    bool laid_out_ = false;
};

TEST_P(MaintenancePage, ListsSwitchesUninstallsAndSavesTheReport) {
    const PageTexts& texts = *GetParam().texts;
    const std::vector<Sample> samples = Samples();
    HWND page = StartPage();
    ASSERT_NE(page, nullptr) << "no maintenance page";
    HWND list = Control(page, IDC_MAINT_LIST);
    HWND tree = Control(page, IDC_MAINT_TREE);

    // --- The list, the tree of the active environment, the buttons ---
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 3; }));
    const std::vector<std::vector<std::wstring>> rows = ListViewRows(list);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        ASSERT_EQ(rows[row].size(), 2u);
        EXPECT_EQ(rows[row][0], row == kCurrent ? texts.active_mark : L"");
        EXPECT_EQ(rows[row][1], RowText(samples[row]));
    }
    auto tree_root = [&] {
        const std::vector<TreeNode> nodes = TreeViewNodes(tree);
        return nodes.empty() ? std::wstring() : nodes[0].text;
    };
    EXPECT_EQ(tree_root(), samples[kCurrent].folder);
    EXPECT_FALSE(IsControlEnabled(page, IDC_MAINT_SWITCH));
    EXPECT_FALSE(IsControlEnabled(page, IDC_MAINT_UNINSTALL));
    ASSERT_TRUE(SelectListViewRow(list, kCurrent));
    EXPECT_TRUE(WaitUntil([&] { return IsControlEnabled(page, IDC_MAINT_UNINSTALL); }));
    EXPECT_FALSE(IsControlEnabled(page, IDC_MAINT_SWITCH));
    ASSERT_TRUE(SelectListViewRow(list, kMiddle));
    EXPECT_TRUE(WaitUntil([&] { return tree_root() == samples[kMiddle].folder; }));
    EXPECT_TRUE(IsControlEnabled(page, IDC_MAINT_SWITCH));
    EXPECT_TRUE(IsControlEnabled(page, IDC_MAINT_UNINSTALL));
    EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"page")).empty());

    // --- A resize: the list and the tree follow the width, the buttons the bottom ---
    RECT frame{}, list_before{}, exit_before{};
    GetWindowRect(page, &frame);
    GetWindowRect(list, &list_before);
    GetWindowRect(Control(page, IDC_MAINT_EXIT), &exit_before);
    ASSERT_TRUE(SetWindowPos(page, nullptr, 0, 0, frame.right - frame.left + 160,
                             frame.bottom - frame.top + 90, SWP_NOMOVE | SWP_NOZORDER));
    EXPECT_TRUE(WaitUntil([&] {
        RECT list_after{}, exit_after{};
        GetWindowRect(list, &list_after);
        GetWindowRect(Control(page, IDC_MAINT_EXIT), &exit_after);
        return list_after.right - list_after.left == list_before.right - list_before.left + 160 &&
               exit_after.top == exit_before.top + 90;
    })) << "the controls did not follow the new size";
    EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"resized")).empty());

    // --- The report, through the save dialog ---
    DeleteFileW(report_.c_str());
    ASSERT_TRUE(PressButton(page, IDC_MAINT_SAVE));
    HWND save = WaitForValue<HWND>([&]() -> std::optional<HWND> {
                    for (HWND window : FindTopWindows({L"", kDialogClass, page_program_.Id()}))
                        if (window != page)
                            return window;
                    return std::nullopt;
                }).value_or(nullptr);
    ASSERT_NE(save, nullptr) << "no save dialog";
    // The file name box: a combo box (cmb13) in the explorer-style dialog, an edit (edt1) in
    // the old one.
    const int name_box = Control(save, 0x47c) != nullptr ? 0x47c : 0x480;
    ASSERT_TRUE(SetControlText(save, name_box, report_));
    EXPECT_FALSE(SaveWindowScreenshot(save, Shot(L"save")).empty());
    ASSERT_TRUE(PressButton(save, IDOK));
    ASSERT_TRUE(WaitUntil([&] {
        const auto bytes = ReadFileBytes(report_);
        return bytes && bytes->find("[Active]]") != std::string::npos;
    })) << "no report";
    const std::string report = ReadFileBytes(report_).value_or("");
    EXPECT_NE(report.find("[" + Narrow(samples[kCurrent].folder) + " [Active]]"), std::string::npos)
        << report;
    for (const Sample& sample : samples)
        EXPECT_NE(report.find(Narrow(sample.display_name)), std::string::npos) << report;

    // --- A switch to the middle release ---
    ASSERT_TRUE(SelectListViewRow(list, kMiddle));
    ASSERT_TRUE(PressButton(page, IDC_MAINT_SWITCH));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ListViewCell(list, kMiddle, 0) == std::optional<std::wstring>(texts.active_mark);
        },
        kWorkTimeout))
        << "the list does not show the switch";
    EXPECT_EQ(kit::LiveInstallLocation(), samples[kMiddle].folder);
    EXPECT_EQ(ListViewCell(list, kCurrent, 0), std::optional<std::wstring>(L""));

    // --- The active one uninstalled: the selection dialog picks the next ---
    ASSERT_TRUE(SelectListViewRow(list, kMiddle));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(page, IDC_MAINT_UNINSTALL); }));
    ASSERT_TRUE(PressButton(page, IDC_MAINT_UNINSTALL));
    AnswerUninstallQuestion(texts.ask_active);
    HWND select = WaitForTopWindow({texts.select_title, kDialogClass, 0, true}, kWorkTimeout);
    ASSERT_NE(select, nullptr) << "no selection dialog";
    HWND combo = Control(select, IDC_SELECT_LIST);
    EXPECT_EQ(ComboBoxItems(combo),
              (std::vector<std::wstring>{RowText(samples[kCurrent]), RowText(samples[kOld])}));
    EXPECT_EQ(ComboBoxSelection(combo), 0);
    EXPECT_FALSE(SaveWindowScreenshot(select, Shot(L"select")).empty());
    ASSERT_TRUE(PressButton(select, IDC_SELECT_OK));
    EXPECT_TRUE(WaitForWindowGone(select, kWorkTimeout));
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 2; }, kWorkTimeout));
    EXPECT_EQ(kit::LiveInstallLocation(), samples[kCurrent].folder);
    EXPECT_FALSE(kit::PathExists(samples[kMiddle].folder));
    EXPECT_EQ(ListViewCell(list, 0, 0), std::optional<std::wstring>(texts.active_mark));

    // --- An inactive one uninstalled: the active one stays ---
    ASSERT_TRUE(SelectListViewRow(list, 1));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(page, IDC_MAINT_UNINSTALL); }));
    ASSERT_TRUE(PressButton(page, IDC_MAINT_UNINSTALL));
    AnswerUninstallQuestion(texts.ask_inactive);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 1; }, kWorkTimeout));
    EXPECT_EQ(kit::LiveInstallLocation(), samples[kCurrent].folder);
    EXPECT_FALSE(kit::PathExists(samples[kOld].folder));
    // The refreshed page shows the tools of the active environment again.
    EXPECT_TRUE(WaitUntil([&] { return tree_root() == samples[kCurrent].folder; }));
    EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"after")).empty());

    ASSERT_TRUE(PressButton(page, IDC_MAINT_EXIT));
    EXPECT_EQ(page_program_.WaitForExit(), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(Velnora, MaintenancePage, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<MaintenanceCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velnora::e2e
