// Self-test of the Wine harness and the end-to-end driver: drives small programs whose
// behaviour is known and checks that the driver sees and does what a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/driver.h"

#include <shellapi.h>

namespace velnora::e2e {
namespace {

struct MessageBoxCase {
    const char* name;
    const wchar_t* kind;
    std::vector<int> shown_buttons;
    // Answered by id when `answer_caption` is empty, else by caption.
    int answer_id;
    const wchar_t* answer_caption;
    DWORD expected_exit;
};

const MessageBoxCase kMessageBoxCases[] = {
    {"YesNoCancelById", L"yesnocancel", {IDYES, IDNO, IDCANCEL}, IDNO, L"", IDNO},
    {"OkCancelByCaption", L"okcancel", {IDOK, IDCANCEL}, 0, L"Cancel", IDCANCEL},
    {"YesNoByAcceleratedCaption", L"yesno", {IDYES, IDNO}, 0, L"&Yes", IDYES},
    {"OkById", L"ok", {IDOK}, IDOK, L"", IDOK},
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
    Program program =
        Program::Start(BesideTestProgram(L"velnora_msgbox_fixture.exe"), {caption, text, c.kind});
    ASSERT_TRUE(program.Started()) << "error " << program.StartError();

    const std::optional<MessageBoxView> box = WaitForMessageBox(program.Id(), caption);
    ASSERT_TRUE(box.has_value()) << "no message box appeared";
    EXPECT_EQ(box->caption, caption);
    EXPECT_EQ(Narrow(box->text), Narrow(text));
    EXPECT_TRUE(box->has_icon);
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
    const std::wstring substitutes =
        L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes";
    EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, substitutes, L"ＭＳ ゴシック"),
              std::optional<std::wstring>(L"IPAGothic"));
    const std::vector<std::wstring> links = RegistryValueNames(
        HKEY_LOCAL_MACHINE,
        L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink");
    EXPECT_TRUE(std::is_sorted(links.begin(), links.end()));
    EXPECT_NE(std::find(links.begin(), links.end(), L"MS Shell Dlg"), links.end());
    // A multi-string is not a string.
    EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE,
                                    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink"
                                    L"\\SystemLink",
                                    L"Tahoma"));

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

}  // namespace
}  // namespace velnora::e2e
