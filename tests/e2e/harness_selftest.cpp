// Self-test of the Wine harness and the end-to-end driver: drives small programs whose
// behaviour is known and checks that the driver sees and does what a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "probe/probe_ids.h"

#include <shellapi.h>

namespace velnora::e2e {
namespace {

struct MessageBoxCase {
    const char* name;
    const wchar_t* kind;
    bool icon;
    std::vector<int> shown_buttons;
    // Answered by id when `answer_caption` is empty, else by caption.
    int answer_id;
    const wchar_t* answer_caption;
    DWORD expected_exit;
};

const MessageBoxCase kMessageBoxCases[] = {
    {"YesNoCancelById", L"yesnocancel", true, {IDYES, IDNO, IDCANCEL}, IDNO, L"", IDNO},
    {"OkCancelByCaption", L"okcancel", true, {IDOK, IDCANCEL}, 0, L"Cancel", IDCANCEL},
    {"YesNoByAcceleratedCaption", L"yesno", true, {IDYES, IDNO}, 0, L"&Yes", IDYES},
    {"OkById", L"ok", true, {IDOK}, IDOK, L"", IDOK},
    {"OkWithoutIcon", L"ok", false, {IDOK}, IDOK, L"", IDOK},
};

class MessageBoxAnswers : public testing::TestWithParam<MessageBoxCase> {};

std::vector<int> SortedIds(const MessageBoxView& box) {
    std::vector<int> ids;
    for (const MessageBoxButton& button : box.buttons) {
        ids.push_back(button.id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST_P(MessageBoxAnswers, ReadsTheBoxAndExitsWithThePressedButton) {
    const MessageBoxCase& c = GetParam();
    const std::wstring caption = L"Harness " + Widen(c.name);
    // Japanese and a line break: both must survive the trip through the box.
    const std::wstring text = L"ファイルを保存しますか？\nSave the file?";
    Program program = Program::Start(BesideTestProgram(L"velnora_msgbox_fixture.exe"),
                                     {caption, text, c.kind, c.icon ? L"icon" : L"noicon"});
    ASSERT_TRUE(program.Started()) << "error " << program.StartError();

    const std::optional<MessageBoxView> box = WaitForMessageBox(program.Id(), caption);
    ASSERT_TRUE(box.has_value()) << "no message box appeared";
    EXPECT_EQ(box->caption, caption);
    EXPECT_EQ(Narrow(box->text), Narrow(text));
    EXPECT_EQ(box->has_icon, c.icon);
    std::vector<int> expected = c.shown_buttons;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedIds(*box), expected);
    EXPECT_FALSE(SaveWindowScreenshot(box->window, L"selftest-msgbox-" + Widen(c.name)).empty());

    const bool pressed = std::wstring(c.answer_caption).empty()
                             ? AnswerMessageBox(*box, c.answer_id)
                             : AnswerMessageBox(*box, std::wstring(c.answer_caption));
    ASSERT_TRUE(pressed);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(c.expected_exit));
    EXPECT_TRUE(WaitForWindowGone(box->window));
}

INSTANTIATE_TEST_SUITE_P(Fixture, MessageBoxAnswers, testing::ValuesIn(kMessageBoxCases),
                         [](const testing::TestParamInfo<MessageBoxCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(MessageBoxDriver, RefusesButtonsTheBoxDoesNotShowAndFindsNothingForAnotherProcess) {
    const std::wstring caption = L"Harness refusals";
    Program program = Program::Start(BesideTestProgram(L"velnora_msgbox_fixture.exe"),
                                     {caption, L"Only OK", L"ok"});
    ASSERT_TRUE(program.Started());
    const std::optional<MessageBoxView> box = WaitForMessageBox(program.Id(), caption);
    ASSERT_TRUE(box.has_value());

    EXPECT_FALSE(AnswerMessageBox(*box, IDCANCEL));
    EXPECT_FALSE(AnswerMessageBox(*box, std::wstring(L"No")));
    EXPECT_FALSE(FindMessageBox(GetCurrentProcessId(), caption).has_value());
    EXPECT_FALSE(WaitForMessageBox(program.Id(), L"Another caption", Milliseconds(300)));
    EXPECT_TRUE(program.Running());

    ASSERT_TRUE(AnswerMessageBox(*box, IDOK));
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(IDOK));
}

TEST(ProgramDriver, ReportsAFailedStartAndEndsAProgramLeftRunning) {
    Program missing = Program::Start(BesideTestProgram(L"no_such_program.exe"));
    EXPECT_FALSE(missing.Started());
    EXPECT_EQ(missing.StartError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE left_running = nullptr;
    {
        Program program = Program::Start(BesideTestProgram(L"velnora_msgbox_fixture.exe"),
                                         {L"Harness left running", L"Left running", L"ok"});
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(WaitForMessageBox(program.Id(), L"Harness left running").has_value());
        EXPECT_FALSE(program.WaitForExit(Milliseconds(100)).has_value());
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), program.Handle(), GetCurrentProcess(),
                                    &left_running, SYNCHRONIZE, FALSE, 0));
    }
    EXPECT_EQ(WaitForSingleObject(left_running, 0), WAIT_OBJECT_0);
    CloseHandle(left_running);
}

TEST(ArgumentQuoting, SurvivesTheRoundTripThroughTheCommandLine) {
    const std::vector<std::wstring> arguments = {
        L"plain", L"two words", L"", L"say \"hi\"", L"C:\\folder with blank\\", L"a\\\\b\"c",
    };
    std::wstring command_line = L"program.exe";
    for (const std::wstring& argument : arguments) {
        command_line += L" " + QuoteArgument(argument);
    }
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(command_line.c_str(), &count);
    ASSERT_NE(parsed, nullptr);
    ASSERT_EQ(count, static_cast<int>(arguments.size()) + 1);
    for (size_t i = 0; i < arguments.size(); ++i) {
        EXPECT_EQ(Narrow(parsed[i + 1]), Narrow(arguments[i])) << "argument " << i;
    }
    LocalFree(parsed);
}

TEST(PrefixState, SeesTheHarnessSettingsOfThePrefix) {
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version"),
              std::optional<std::wstring>(L"win10"));
    // The harness writes the font settings with the 64-bit regedit, into the 64-bit view.
    const std::wstring substitutes =
        L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes";
    EXPECT_EQ(
        ReadRegistryString(HKEY_LOCAL_MACHINE, substitutes, L"ＭＳ ゴシック", RegistryView::k64Bit),
        std::optional<std::wstring>(L"IPAGothic"));
    const std::vector<std::wstring> links =
        RegistryValueNames(HKEY_LOCAL_MACHINE,
                           L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink",
                           RegistryView::k64Bit);
    EXPECT_TRUE(std::is_sorted(links.begin(), links.end()));
    EXPECT_NE(std::find(links.begin(), links.end(), L"MS Shell Dlg"), links.end());
    // A multi-string is not a string.
    EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE,
                                    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink"
                                    L"\\SystemLink",
                                    L"Tahoma", RegistryView::k64Bit));

    wchar_t windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    EXPECT_TRUE(FolderExists(windows));
    EXPECT_FALSE(FileExists(windows));
    EXPECT_TRUE(FileExists(std::wstring(windows) + L"\\system32\\kernel32.dll"));
}

TEST(PrefixState, WritesReadsAndRemovesKeysValuesAndFiles) {
    const std::wstring key = L"Software\\VelnoraHarness\\Scratch";
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\VelnoraHarness"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, key));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, key, L"Name", L"Wert ü"));
    ASSERT_TRUE(WriteRegistryDword(HKEY_CURRENT_USER, key, L"Count", 42));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, key + L"\\b", L"", L"x"));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, key + L"\\A", L"", L"x"));
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, L"Name"),
              std::optional<std::wstring>(L"Wert ü"));
    EXPECT_EQ(ReadRegistryDword(HKEY_CURRENT_USER, key, L"Count"), std::optional<DWORD>(42));
    EXPECT_FALSE(ReadRegistryDword(HKEY_CURRENT_USER, key, L"Name"));
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, key, L"Count"));
    EXPECT_TRUE(RegistryValueExists(HKEY_CURRENT_USER, key, L"Count"));
    EXPECT_FALSE(RegistryValueExists(HKEY_CURRENT_USER, key, L"Missing"));
    EXPECT_EQ(RegistrySubkeys(HKEY_CURRENT_USER, key), (std::vector<std::wstring>{L"A", L"b"}));
    EXPECT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\VelnoraHarness"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, key));

    const std::wstring folder = ArtefactsFolder();
    const std::wstring file = folder + L"\\selftest-scratch.ini";
    ASSERT_TRUE(WriteFileBytes(file, "[Default]\r\nLanguage=English\r\nEmpty=\r\n"));
    EXPECT_EQ(ReadFileBytes(file),
              std::optional<std::string>("[Default]\r\nLanguage=English\r\nEmpty=\r\n"));
    EXPECT_EQ(ReadProfileString(file, L"Default", L"Language"),
              std::optional<std::wstring>(L"English"));
    EXPECT_EQ(ReadProfileString(file, L"Default", L"Empty"), std::optional<std::wstring>(L""));
    EXPECT_FALSE(ReadProfileString(file, L"Default", L"Missing"));
    const std::vector<std::wstring> entries = FolderEntries(folder);
    EXPECT_NE(std::find(entries.begin(), entries.end(), L"selftest-scratch.ini"), entries.end());
    EXPECT_TRUE(DeleteFileW(file.c_str()));
    EXPECT_FALSE(ReadFileBytes(file));
}

// The vendor's keys under HKLM\SOFTWARE are in the 32-bit view, where the driver looks unless
// told otherwise; the 64-bit view is another tree.
TEST(PrefixState, KeepsTheTwoRegistryViewsOfTheLocalMachineApart) {
    const std::wstring root = L"SOFTWARE\\VelnoraHarness";
    const std::wstring key = root + L"\\Views";
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, root));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, root, RegistryView::k64Bit));
    ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, key, L"View", L"32"));
    EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, key, L"View", RegistryView::k32Bit),
              std::optional<std::wstring>(L"32"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, key, RegistryView::k64Bit));
    EXPECT_EQ(
        ReadRegistryString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\VelnoraHarness\\Views",
                           L"View", RegistryView::k64Bit),
        std::optional<std::wstring>(L"32"));

    ASSERT_TRUE(WriteRegistryDword(HKEY_LOCAL_MACHINE, key, L"View", 64, RegistryView::k64Bit));
    EXPECT_EQ(ReadRegistryDword(HKEY_LOCAL_MACHINE, key, L"View", RegistryView::k64Bit),
              std::optional<DWORD>(64));
    EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, key, L"View"),
              std::optional<std::wstring>(L"32"));

    EXPECT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, root));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, root));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, key, RegistryView::k64Bit));
    EXPECT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, root, RegistryView::k64Bit));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, root, RegistryView::k64Bit));
}

TEST(PrefixState, GivesOneProgramAnotherWindowsVersionForTheScopeOnly) {
    const std::wstring caption = L"Harness version";
    auto shown_version = [&] {
        Program program = Program::Start(BesideTestProgram(L"velnora_msgbox_fixture.exe"),
                                         {caption, L"{version}", L"ok"});
        const std::optional<MessageBoxView> box = WaitForMessageBox(program.Id(), caption);
        if (!box) {
            return std::wstring(L"no box");
        }
        AnswerMessageBox(*box, IDOK);
        program.WaitForExit();
        return box->text;
    };
    struct Case {
        const wchar_t* wine_name;
        const wchar_t* seen;
    };
    for (const Case& c : {Case{L"winxp64", L"5.2"}, Case{L"win7", L"6.1"}}) {
        SCOPED_TRACE(Narrow(c.wine_name));
        ScopedWindowsVersion version(L"velnora_msgbox_fixture.exe", c.wine_name);
        ASSERT_TRUE(version.Applied());
        EXPECT_EQ(shown_version(), c.seen);
    }
    // Back to the prefix's own version; without a manifest Windows 10 reports 6.2.
    EXPECT_EQ(shown_version(), L"6.2");
}

TEST(Screenshots, SavesTheScreenAsA24BitBitmapWithContent) {
    const std::wstring caption = L"Harness screenshot";
    Program program = Program::Start(BesideTestProgram(L"velnora_msgbox_fixture.exe"),
                                     {caption, L"Something to see", L"ok"});
    ASSERT_TRUE(program.Started());
    const std::optional<MessageBoxView> box = WaitForMessageBox(program.Id(), caption);
    ASSERT_TRUE(box.has_value());

    const std::wstring path = SaveScreenshot(L"selftest screen/1");
    ASSERT_FALSE(path.empty());
    EXPECT_NE(path.find(L"selftest_screen_1.bmp"), std::wstring::npos);
    const std::optional<std::string> bytes = ReadFileBytes(path);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_GT(bytes->size(), sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::copy_n(bytes->data(), sizeof(file), reinterpret_cast<char*>(&file));
    std::copy_n(bytes->data() + sizeof(file), sizeof(info), reinterpret_cast<char*>(&info));
    EXPECT_EQ(file.bfType, 0x4d42);
    EXPECT_EQ(file.bfSize, bytes->size());
    EXPECT_EQ(info.biBitCount, 24);
    EXPECT_EQ(info.biWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(info.biHeight, GetSystemMetrics(SM_CYSCREEN));
    // The message box is on the screen, so the picture is not one flat colour.
    const std::string pixels = bytes->substr(file.bfOffBits);
    EXPECT_NE(pixels.find_first_not_of(pixels[0]), std::string::npos);

    ASSERT_TRUE(AnswerMessageBox(*box, IDOK));
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(IDOK));
}

// --- The framework probe (tests/support/probe), a dialog built on the Win32 dialog host ---

constexpr wchar_t kProbeProgram[] = L"velnora_probe.exe";
constexpr wchar_t kProbeReadyTitle[] = L"Framework probe (ready)";
constexpr DWORD kProbeCancelled = 100;

// Starts the probe and waits until its first timer tick retitled it: then it is fully set up.
HWND StartProbe(Program& program) {
    program = Program::Start(BesideTestProgram(kProbeProgram));
    if (!program.Started()) {
        ADD_FAILURE() << "velnora_probe.exe did not start, error " << program.StartError();
        return nullptr;
    }
    WindowQuery query;
    query.title = kProbeReadyTitle;
    query.class_name = kDialogClass;
    query.process_id = program.Id();
    return WaitForTopWindow(query);
}

TEST(ProbeDialog, TypesAppliesReadsTheListAndEndsWithOk) {
    Program program;
    const HWND probe = StartProbe(program);
    ASSERT_NE(probe, nullptr) << "no probe window";
    const HWND list = Control(probe, IDC_PROBE_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListViewColumnCount(list), 2);
    EXPECT_EQ(ListViewRowCount(list), 0);
    EXPECT_FALSE(IsControlEnabled(probe, IDC_PROBE_APPLY));
    EXPECT_FALSE(PressButton(probe, IDC_PROBE_APPLY)) << "a disabled button cannot be pressed";
    EXPECT_FALSE(ReadMessageBox(probe).has_value()) << "a dialog is not a message box";
    EXPECT_FALSE(FindMessageBox(program.Id()).has_value());

    // The name goes in as typed text; the page enables Apply on the edit's change notice.
    const std::wstring name = L"Vantorix 日本";
    ASSERT_TRUE(SetControlText(probe, IDC_PROBE_NAME, name));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(probe, IDC_PROBE_APPLY); }));
    ASSERT_TRUE(PressButton(probe, IDC_PROBE_APPLY));
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 1; }));
    // The second column is the name's length in UTF-8 bytes: 9 ASCII + 2 x 3.
    EXPECT_EQ(ListViewRow(list, 0), (std::vector<std::wstring>{name, L"15"}));
    EXPECT_EQ(ListViewCell(list, 0, 0), std::optional<std::wstring>(name));
    EXPECT_FALSE(ListViewCell(list, 1, 0).has_value());
    EXPECT_FALSE(ListViewCell(list, 0, 2).has_value());
    EXPECT_EQ(ControlText(probe, IDC_PROBE_ECHO), name);
    EXPECT_EQ(ControlText(probe, IDC_PROBE_NAME), L"");
    EXPECT_FALSE(IsListViewRowChecked(list, 0));
    EXPECT_EQ(ListViewSelectedRow(list), 0);

    // With "agree" ticked the next row is checked.
    EXPECT_FALSE(IsControlChecked(probe, IDC_PROBE_AGREE));
    ASSERT_TRUE(PressButton(probe, IDC_PROBE_AGREE));
    ASSERT_TRUE(WaitUntil([&] { return IsControlChecked(probe, IDC_PROBE_AGREE); }));
    ASSERT_TRUE(SetControlText(probe, IDC_PROBE_NAME, L"Second"));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(probe, IDC_PROBE_APPLY); }));
    ASSERT_TRUE(PressButton(probe, IDC_PROBE_APPLY));
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 2; }));
    EXPECT_EQ(ListViewRows(list),
              (std::vector<std::vector<std::wstring>>{{name, L"15"}, {L"Second", L"6"}}));
    EXPECT_TRUE(IsListViewRowChecked(list, 1));
    EXPECT_TRUE(IsListViewRowSelected(list, 1));

    ASSERT_TRUE(SelectListViewRow(list, 0));
    EXPECT_TRUE(IsListViewRowSelected(list, 0));
    EXPECT_FALSE(IsListViewRowSelected(list, 1));
    EXPECT_FALSE(SelectListViewRow(list, 2));
    EXPECT_TRUE(IsControlVisible(probe, IDOK));
    EXPECT_FALSE(SaveWindowScreenshot(probe, L"selftest-probe-two-rows").empty());

    // OK ends the probe with 1 + the number of rows.
    ASSERT_TRUE(PressButton(probe, IDOK));
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(3));
    EXPECT_TRUE(WaitForWindowGone(probe));
}

TEST(ProbeDialog, CancelAndTheCloseBoxEndWithTheCancelCode) {
    for (const bool close_box : {false, true}) {
        SCOPED_TRACE(close_box ? "close box" : "Cancel");
        Program program;
        const HWND probe = StartProbe(program);
        ASSERT_NE(probe, nullptr);
        ASSERT_TRUE(close_box ? RequestClose(probe) : PressButton(probe, IDCANCEL));
        EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(kProbeCancelled));
    }
}

}  // namespace
}  // namespace velnora::e2e
