// The Autorun mode of the real Velnora.exe on the sample medium under Wine, driven from outside
// as a user would: on a machine without Vantorix the destination folder comes first, then the
// installer page with the catalogue of autorun.ini (ticks, grey rows, a selection rule), the
// run of two stand-in installers with the progress in the title, and the finish page. The
// registry and the files show the environment the installers made. A restart in the middle of
// a run resumes it at the next logon, in Velnora and, for a run from the main menu on
// Windows 10, in VelnoraAdm, the program that ran it.
//
// The test installs into the live names of the prefix, so it runs alone; it removes what it
// installed.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "kit_common.h"
#include "resource_ids.h"

namespace velnora::e2e {
namespace {

using namespace std::chrono_literals;

// Rows of the sample catalogue.
constexpr int kVantorix = 0;
constexpr int kCompiler = 1;
constexpr int kSimulator = 2;
constexpr int kEmulatorE2 = 3;
constexpr int kEmulatorE1 = 4;
constexpr int kManuals = 5;
constexpr int kSamples = 6;
constexpr int kLegacy = 7;

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// The exit code of a program whose run Windows or an installer cut off.
constexpr DWORD kCutOff = 3;

// The tick of each row as the list shows it: x ticked, . not.
std::wstring Ticks(HWND list) {
    std::wstring marks;
    for (int row = 0; row < ListViewRowCount(list); ++row)
        marks += IsListViewRowChecked(list, row) ? L'x' : L'.';
    return marks;
}

// What the pages say in one language.
struct AutorunTexts {
    const char* name;
    const wchar_t* language;  // [Default] "Language" of the settings file
    const wchar_t* destination;
    const wchar_t* installers;
    const wchar_t* finish;
    const wchar_t* completed;
    const wchar_t* installerNotFound;
    const wchar_t* restartQuestion;  // its beginning
    const char* registration;
    const wchar_t* vantorixTip;  // the beginning of the first row's tooltip
};

void PrintTo(const AutorunTexts& texts, std::ostream* out) {
    *out << texts.name;
}

constexpr AutorunTexts kEnglish = {
    "English",
    L"English",
    L"Select destination folder",
    L"Choose software",
    L"Vantorix Install Manager",
    L"Installation has completed.",
    L"An installer program is not found.",
    L"The PC will be restarted",
    "https://www.example.com/vantorix/register/en/",
    L"Vantorix V4.08.00.012: the IDE, the C compiler and the simulator.",
};

// The Japanese catalogue is read in the medium's code page, so this case runs in a Japanese
// locale (see the test's registration).
constexpr AutorunTexts kJapanese = {
    "Japanese",
    L"Japanese",
    L"インストール先の選択",
    L"インストール製品の選択",
    L"Vantorixインストールマネージャ",
    L"インストールが終了しました。",
    L"インストーラプログラムが見つかりません。",
    L"今すぐPCを再起動します。",
    "https://www.example.com/vantorix/register/ja/",
    L"Vantorix V4.08.00.012 (統合開発環境、Cコンパイラ、シミュレータ)",
};

// The row's rectangle in the list's client area, read through memory of the program's own
// process.
std::optional<RECT> RowRect(HWND list, int row) {
    RemoteMemory remote(list, sizeof(RECT));
    RECT cell{};
    cell.left = LVIR_BOUNDS;
    if (!remote.Valid() || !remote.Write(0, &cell, sizeof cell))
        return std::nullopt;
    DWORD_PTR found = 0;
    if (SendMessageTimeoutW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.Address()),
                            SMTO_ABORTIFHUNG, 5000, &found) == 0 ||
        found == 0 || !remote.Read(0, &cell, sizeof cell))
        return std::nullopt;
    return cell;
}

// A click into the tick box of a row, as the mouse would do it.
bool ClickTickBox(HWND list, int row) {
    const std::optional<RECT> cell = RowRect(list, row);
    if (!cell)
        return false;
    const int height = cell->bottom - cell->top;
    const LPARAM at = MAKELPARAM(cell->left + height / 2, cell->top + height / 2);
    return PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at) != 0 &&
           PostMessageW(list, WM_LBUTTONUP, 0, at) != 0;
}

// Moves the mouse as the user's hand does, through the input queue of the window under it.
void MoveMouse(POINT screen) {
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
}

// Rests the mouse on a row's text until the program shows a tooltip; its text.
std::wstring HoverTip(HWND list, int row) {
    const std::optional<RECT> cell = RowRect(list, row);
    if (!cell)
        return L"(no row)";
    POINT at{cell->left + (cell->right - cell->left) / 3, (cell->top + cell->bottom) / 2};
    ClientToScreen(list, &at);
    // From outside the list first, so that the move onto the row is a move; then the mouse
    // rests, since every move starts the tooltip's delay again.
    MoveMouse(POINT{0, 0});
    MoveMouse(at);
    std::wstring tip;
    WaitUntil(
        [&] {
            HWND shown = FindTopWindow({L"", L"tooltips_class32", WindowProcessId(list), true});
            tip = shown ? ReadWindowText(shown) : std::wstring();
            return !tip.empty();
        },
        15s);
    return tip;
}

class AutorunMode : public testing::Test {
  protected:
    void SetUp() override {
        if (const auto reason = kit::ReasonNotToRunTheSample())
            GTEST_SKIP() << *reason;
        media_ = kit::SampleMediumFolder();
        renames_before_ = kit::PendingRenames();
        ASSERT_TRUE(WritePrivateProfileStringW(L"Default", L"Language", texts_->language,
                                               settings_.c_str()));
        // No read-me on the way.
        ASSERT_TRUE(WritePrivateProfileStringW(L"Default", L"FirstBoot", L"1", settings_.c_str()));
        cleanup_ = true;
        DeleteFileW(opened_.c_str());
        // A stand-in takes the browser's place and records the addresses it is given.
        browser_.emplace(QuoteArgument(BesideTestProgram(L"velnora_address_recorder.exe")) + L" " +
                         QuoteArgument(opened_) + L" \"%1\"");
        ASSERT_TRUE(browser_->Ok());
    }
    void TearDown() override {
        if (program_.Running()) {
            program_.Terminate();
        }
        browser_.reset();
        DeleteFileW(opened_.c_str());
        if (!cleanup_) {
            return;
        }
        EXPECT_TRUE(kit::RemoveSampleRunLeftovers(renames_before_));
    }

    HWND WaitForPage(const wchar_t* title, Milliseconds timeout = 60s) {
        return WaitForTopWindow({title, kDialogClass, program_.Id(), true}, timeout);
    }

    // Install, watch the titles until the finish page shows; the finish page.
    HWND RunToFinish(HWND page, std::set<std::wstring>& titles) {
        if (!PressButton(page, IDC_INST_INSTALL))
            return nullptr;
        HWND finish = nullptr;
        WaitUntil(
            [&] {
                titles.insert(WindowTitle(page));
                finish = FindTopWindow({texts_->finish, kDialogClass, program_.Id(), true});
                return finish != nullptr;
            },
            180s);
        return finish;
    }

    // Exit on the finish page; Restart_PC is on in the sample, so the page offers a restart as
    // it closes, which the user declines.
    void CloseAfterTheRun(HWND finish) {
        ASSERT_TRUE(PressButton(finish, IDCANCEL));
        const auto box = WaitForMessageBox(program_.Id(), L"Velnora");
        ASSERT_TRUE(box) << "no restart question";
        EXPECT_EQ(box->text.rfind(texts_->restartQuestion, 0), 0u) << Narrow(box->text);
        ASSERT_TRUE(AnswerMessageBox(*box, IDNO));
        EXPECT_EQ(program_.WaitForExit(60s), std::optional<DWORD>(0));
    }

    const AutorunTexts* texts_ = &kEnglish;
    std::wstring media_;
    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    FileRestorer restore_settings_{settings_};
    std::optional<std::wstring> renames_before_;
    const std::wstring opened_ = TempFolder() + L"\\velnora-e2e-opened.txt";
    std::optional<WebAddressHandler> browser_;
    Program program_;
    bool cleanup_ = false;
};

// The first run on a machine without Vantorix, in each language.
class AutorunFirstRun : public AutorunMode, public testing::WithParamInterface<AutorunTexts> {
  protected:
    void SetUp() override {
        texts_ = &GetParam();
        AutorunMode::SetUp();
    }
    std::wstring Shot(const wchar_t* what) const {
        return std::wstring(L"autorun-") + what + L"-" + Widen(GetParam().name);
    }
};

TEST_P(AutorunFirstRun, InstallsTheTickedSoftwareAndEndsOnTheFinishPage) {
    const AutorunTexts& texts = GetParam();
    // The Japanese medium is read in the system's code page.
    if (std::wstring(texts.language) == L"Japanese") {
        ASSERT_EQ(GetACP(), 932u) << "run this case in a Japanese locale";
    }

    program_ = Program::Start(media_ + L"\\Velnora.exe", {L"-autorun"}, media_);
    ASSERT_TRUE(program_.Started()) << "error " << program_.StartError();

    // --- No environment yet: the destination folder first ---
    HWND destination = WaitForPage(texts.destination);
    ASSERT_NE(destination, nullptr) << "no destination folder page";
    const std::wstring folder = ControlText(destination, IDC_DEST_FOLDER);
    EXPECT_FALSE(folder.empty());
    EXPECT_FALSE(SaveWindowScreenshot(destination, Shot(L"destination")).empty());
    ASSERT_TRUE(PressButton(destination, IDC_DEST_NEXT));

    // --- The catalogue ---
    HWND page = WaitForPage(texts.installers);
    ASSERT_NE(page, nullptr) << "no installer page";
    HWND list = Control(page, IDC_INST_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 8; }));
    EXPECT_EQ(ListViewCell(list, kVantorix, 0), std::optional<std::wstring>(L" Vantorix V4.08"));
    EXPECT_EQ(Ticks(list), L"xxxx.x..");
    EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"list")).empty());
    // Resting the mouse on an entry shows its description.
    const std::wstring tip = HoverTip(list, kVantorix);
    EXPECT_EQ(tip.rfind(texts.vantorixTip, 0), 0u) << Narrow(tip);
    EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"tooltip")).empty());

    // The greyed rows keep their tick; the others follow the user and the rules.
    ASSERT_TRUE(ClickTickBox(list, kVantorix));
    ASSERT_TRUE(ClickTickBox(list, kManuals));
    ASSERT_TRUE(ClickTickBox(list, kEmulatorE1));  // unticks E2 by its rule
    EXPECT_TRUE(WaitUntil([&] { return Ticks(list) == L"xxx.xx.."; })) << Narrow(Ticks(list));
    ASSERT_TRUE(ClickTickBox(list, kEmulatorE1));
    ASSERT_TRUE(ClickTickBox(list, kSimulator));  // takes the samples with it
    ASSERT_TRUE(ClickTickBox(list, kCompiler));
    EXPECT_TRUE(WaitUntil([&] { return Ticks(list) == L"x....x.."; })) << Narrow(Ticks(list));
    EXPECT_FALSE(SaveWindowScreenshot(page, Shot(L"ticked")).empty());

    // A ticked installer that is not on the medium: the run names it and installs nothing.
    ASSERT_TRUE(ClickTickBox(list, kLegacy));
    ASSERT_TRUE(WaitUntil([&] { return Ticks(list) == L"x....x.x"; })) << Narrow(Ticks(list));
    ASSERT_TRUE(PressButton(page, IDC_INST_INSTALL));
    const auto missing = WaitForMessageBox(program_.Id(), L"Velnora");
    ASSERT_TRUE(missing) << "no box for the missing installer";
    EXPECT_EQ(missing->text, std::wstring(texts.installerNotFound) + L"\r\n(" + media_ +
                                 L"\\kit\\legacy_tools_setup.exe)\r\n");
    EXPECT_TRUE(missing->has_icon);
    ASSERT_TRUE(AnswerMessageBox(*missing, IDOK));
    EXPECT_FALSE(kit::LiveInstallLocation());
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(page, IDC_INST_INSTALL); }));
    ASSERT_TRUE(ClickTickBox(list, kLegacy));
    ASSERT_TRUE(WaitUntil([&] { return Ticks(list) == L"x....x.."; })) << Narrow(Ticks(list));

    // --- The run: its progress in the page's title ---
    std::set<std::wstring> titles;
    HWND finish = RunToFinish(page, titles);
    ASSERT_NE(finish, nullptr) << "no finish page";
    EXPECT_TRUE(titles.count(L"1 of 2 Installer")) << "titles seen: " << titles.size();
    EXPECT_TRUE(titles.count(L"2 of 2 Installer"));

    // --- The finish page and what the installers left ---
    EXPECT_EQ(ControlText(finish, IDC_FINISH_MESSAGE).rfind(texts.completed, 0), 0u);
    EXPECT_FALSE(SaveWindowScreenshot(finish, Shot(L"finish")).empty());
    // The registration button hands the sample's address to the browser.
    ASSERT_TRUE(PressButton(finish, IDC_FINISH_REGISTER));
    EXPECT_TRUE(WaitUntil([&] {
        return ReadFileBytes(opened_).value_or("").find(texts.registration) != std::string::npos;
    })) << ReadFileBytes(opened_).value_or("(nothing opened)");
    EXPECT_EQ(kit::LiveInstallLocation(), std::optional<std::wstring>(folder));
    EXPECT_TRUE(kit::PathExists(folder + L"\\VTX2.exe"));
    // The install manager installed its own copy, reachable from the list of programs.
    EXPECT_EQ(
        kit::ReadRegText(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(L"Velnora"), L"UninstallString"),
        kit::Quote(kit::InstallManagerFolder() + L"\\Velnora.exe") + L" -uninstall");
    EXPECT_TRUE(kit::PathExists(kit::InstallManagerShortcut()));
    const std::wstring record = kit::ToolRecordPath();
    EXPECT_EQ(kit::ReadProfile(record, L"Install Version", L"MANUALS"), L"4.08.00.012");
    EXPECT_EQ(kit::ReadProfile(record, L"Install Directory", L"VTX"), folder);
    // Only the two ticked installers ran.
    for (const wchar_t* key : {L"TOOLCHAIN2", L"SDEBUGGER2", L"EDEBUGGER1", L"EDEBUGGER2"})
        EXPECT_EQ(kit::ReadProfile(record, L"Install Software", key), L"") << Narrow(key);
    EXPECT_EQ(kit::ReadProfile(record, L"Install Version", L"SAMPLES"), L"");
    CloseAfterTheRun(finish);
}

INSTANTIATE_TEST_SUITE_P(Velnora, AutorunFirstRun, testing::Values(kEnglish, kJapanese),
                         [](const testing::TestParamInfo<AutorunTexts>& info) {
                             return std::string(info.param.name);
                         });

// With environments there, the Autorun mode updates the active one in place; the parked ones
// stay as they are.
TEST_F(AutorunMode, UpdatesTheActiveEnvironmentAndLeavesTheParkedOnes) {
    ASSERT_EQ(
        kit::RunAndWait(
            kit::Quote(BesideTestProgram(L"velnora_kit_environments.exe")) + L" lay-out", 180000),
        0);
    const std::optional<std::wstring> active = kit::LiveInstallLocation();
    ASSERT_TRUE(active);
    const std::wstring parkedOld = kit::ProgramFilesFolder() + L"\\Orvessa\\Vantorix V2.20";
    const std::wstring record = kit::ToolRecordPath();
    const std::vector<std::wstring> recordsBefore =
        kit::ProfileKeys(record, L"Installation Record");
    ASSERT_FALSE(recordsBefore.empty());
    const std::wstring firstRecord =
        kit::ReadProfile(record, L"Installation Record", recordsBefore.front());

    program_ = Program::Start(media_ + L"\\Velnora.exe", {L"-autorun"}, media_);
    ASSERT_TRUE(program_.Started()) << "error " << program_.StartError();
    HWND page = WaitForPage(L"Choose software");
    ASSERT_NE(page, nullptr) << "no installer page (a destination page came first?)";
    HWND list = Control(page, IDC_INST_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(list) == 8; }));
    for (const int row : {kCompiler, kSimulator, kEmulatorE2})
        ASSERT_TRUE(ClickTickBox(list, row));
    ASSERT_TRUE(WaitUntil([&] { return Ticks(list) == L"x....x.."; })) << Narrow(Ticks(list));

    std::set<std::wstring> titles;
    HWND finish = RunToFinish(page, titles);
    ASSERT_NE(finish, nullptr) << "no finish page";
    EXPECT_EQ(kit::LiveInstallLocation(), active);
    // The update added its lines to the environment's own record, which kept the rest.
    EXPECT_EQ(kit::ReadProfile(record, L"Install Version", L"MANUALS"), L"4.08.00.012");
    EXPECT_GT(kit::ProfileKeys(record, L"Installation Record").size(), recordsBefore.size());
    EXPECT_EQ(kit::ReadProfile(record, L"Installation Record", recordsBefore.front()), firstRecord);
    EXPECT_TRUE(kit::PathExists(parkedOld + L"\\VTX2.exe"));
    CloseAfterTheRun(finish);
}

// How many times the marker file records `event`.
int MarkerEvents(const std::wstring& marker, const std::string& event) {
    const std::string lines = ReadFileBytes(marker).value_or("");
    int count = 0;
    for (std::size_t at = 0; (at = lines.find(event + "\t", at)) != std::string::npos;
         at += event.size()) {
        if (at == 0 || lines[at - 1] == '\n')
            ++count;
    }
    return count;
}

// The process id of the program that recorded `event` last.
DWORD LastPidOf(const std::wstring& marker, const std::string& event) {
    const std::string lines = ReadFileBytes(marker).value_or("");
    const std::size_t at = lines.rfind(event + "\t");
    if (at == std::string::npos)
        return 0;
    const std::size_t program_end = lines.find('\t', at + event.size() + 1);
    if (program_end == std::string::npos)
        return 0;
    return static_cast<DWORD>(std::strtoul(lines.c_str() + program_end + 1, nullptr, 10));
}

// A program of the prefix ended as Windows ends what is left when the logon ends.
void EndProcess(DWORD processId) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId)) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
}

// A catalogue of three stand-in installers, each marking its start in `marker`: the first
// makes an environment, the second runs with `second`, the third adds a version.
std::string ThreeInstallers(const std::wstring& marker, const std::string& second) {
    const std::string mark = " --marker \"" + Narrow(marker) + "\"\r\n";
    return "[General]\r\nbSetInstallDir=0\r\nRestart_PC=off\r\n"
           "Install_00=1\r\nInstall_01=1\r\nInstall_02=1\r\n"
           "[Default]\r\nInstallerName=\r\n[Tools]\r\n"
           "First=kit\\vtx_installer_standin.exe\r\n"
           "First_Option=--install-environment --run-ms 600" +
           mark + "Second=kit\\vtx_installer_standin.exe\r\nSecond_Option=" + second + mark +
           "Third=kit\\vtx_installer_standin.exe\r\n"
           "Third_Option=--add-version \"MANUALS=4.08.00.012\" --run-ms 600" +
           mark;
}

// Windows ends the logon: every window is asked and told, then the programs are gone.
void EndLogon(HWND window) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000,
                        &answer);
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000,
                        &answer);
}

// A restart while the second of three installers runs: the run state and the logon value
// carry the run over the restart. Windows 2000 and later run an installer again that a restart
// interrupted, so the start the logon value makes runs the second installer once more and then
// the third, ends on the finish page and leaves nothing behind.
TEST_F(AutorunMode, ARestartInTheMiddleResumesTheRunAtTheLogon) {
    const std::wstring marker = TempFolder() + L"\\velnora-e2e-restart-marker.txt";
    DeleteFileW(marker.c_str());
    const std::wstring autorun = media_ + L"\\autorun.ini";
    FileRestorer restore_autorun(autorun);
    ASSERT_TRUE(WriteFileBytes(autorun, ThreeInstallers(marker, "--request-reboot --run-ms 6000")));

    program_ = Program::Start(media_ + L"\\Velnora.exe", {L"-autorun"}, media_);
    ASSERT_TRUE(program_.Started()) << "error " << program_.StartError();
    HWND page = WaitForPage(L"Choose software");
    ASSERT_NE(page, nullptr) << "no installer page";
    ASSERT_TRUE(PressButton(page, IDC_INST_INSTALL));
    // The second installer runs, past its first half second, when Windows restarts; the
    // restart ends it too.
    const std::wstring state = TempFolder() + L"\\_autorun.ini";
    ASSERT_TRUE(WaitUntil(
        [&] {
            return MarkerEvents(marker, "start") == 2 &&
                   ReadProfileString(state, L"General", L"Continue") ==
                       std::optional<std::wstring>(L"2");
        },
        120s));
    EndLogon(page);
    EXPECT_EQ(program_.WaitForExit(30s), std::optional<DWORD>(kCutOff));
    EndProcess(LastPidOf(marker, "start"));

    EXPECT_EQ(ReadProfileString(state, L"General", L"Continue"), std::optional<std::wstring>(L"1"));
    const std::optional<std::wstring> logon =
        kit::ReadRegText(HKEY_LOCAL_MACHINE, kRunKey, L"Autorun");
    ASSERT_TRUE(logon) << "no logon value";
    EXPECT_EQ(logon->front(), L'"') << Narrow(*logon);

    // The logon after the restart starts what the value holds.
    program_ = Program::StartCommandLine(*logon, media_);
    ASSERT_TRUE(program_.Started()) << "error " << program_.StartError();
    std::set<std::wstring> titles;
    HWND finish = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (HWND resumed = FindTopWindow({L"", kDialogClass, program_.Id(), false}))
                titles.insert(WindowTitle(resumed));
            finish =
                FindTopWindow({L"Vantorix Install Manager", kDialogClass, program_.Id(), true});
            return finish != nullptr;
        },
        120s))
        << "the resumed run did not reach the finish page";
    EXPECT_EQ(MarkerEvents(marker, "start"), 4);
    EXPECT_TRUE(titles.count(L"2 of 3 Installer"));
    EXPECT_TRUE(titles.count(L"3 of 3 Installer"));
    EXPECT_EQ(kit::ReadProfile(kit::ToolRecordPath(), L"Install Version", L"MANUALS"),
              L"4.08.00.012");
    EXPECT_FALSE(ReadProfileString(state, L"General", L"Continue"));
    EXPECT_FALSE(kit::ReadRegText(HKEY_LOCAL_MACHINE, kRunKey, L"Autorun"));
    EXPECT_FALSE(SaveWindowScreenshot(finish, L"autorun-resumed-finish").empty());

    // The second installer's restart request is offered once more as the page closes.
    ASSERT_TRUE(PressButton(finish, IDCANCEL));
    const auto box = WaitForMessageBox(program_.Id(), L"Velnora");
    ASSERT_TRUE(box) << "no restart question";
    ASSERT_TRUE(AnswerMessageBox(*box, IDNO));
    EXPECT_EQ(program_.WaitForExit(60s), std::optional<DWORD>(0));
    DeleteFileW(marker.c_str());
}

// The exit code of a program of the prefix that this test did not start itself.
std::optional<DWORD> WaitForProcessExit(DWORD processId, Milliseconds timeout) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return std::nullopt;
    DWORD code = 0;
    const bool ended =
        WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ended ? std::optional<DWORD>(code) : std::nullopt;
}

// Where a logon value may stand: the machine's Run key in both registry views, and the user's.
struct LogonPlace {
    HKEY root;
    RegistryView view;
};
const LogonPlace kLogonPlaces[] = {{HKEY_LOCAL_MACHINE, RegistryView::k32Bit},
                                   {HKEY_LOCAL_MACHINE, RegistryView::k64Bit},
                                   {HKEY_CURRENT_USER, RegistryView::k64Bit}};

std::vector<std::wstring> LogonCommands() {
    std::vector<std::wstring> commands;
    for (const LogonPlace& place : kLogonPlaces)
        if (const auto command = ReadRegistryString(place.root, kRunKey, L"Autorun", place.view))
            commands.push_back(*command);
    return commands;
}

// Windows 10: Standard Install from the main menu runs in VelnoraAdm, and a restart while its
// second installer runs ends both programs. The logon starts Velnora.exe, which hands the run
// back to the twin; the twin runs the interrupted installer again and the third, and Velnora
// ends on the finish page with nothing of the run left behind.
//
// The test plays Windows' part. It sends the end of the session to the programs' windows and
// ends what is left, as Windows does; Wine's own end of the session would stop at Velnora, whose
// wait for the twin answers no window message, with a dialog that waits for a user. It then
// starts the logon values as the logon does: Wine's logon (wineboot) runs the machine's Run
// values of the 64-bit view only, while the programs, like the vendor's 32-bit installers,
// record theirs in the 32-bit view, which a 64-bit Windows runs at the logon too.
TEST_F(AutorunMode, ARestartInTheMiddleOfTheTwinsRunResumesThereAtTheLogon) {
    const std::wstring marker = TempFolder() + L"\\velnora-e2e-twin-restart-marker.txt";
    DeleteFileW(marker.c_str());
    const std::wstring autorun = media_ + L"\\autorun.ini";
    FileRestorer restore_autorun(autorun);
    ASSERT_TRUE(WriteFileBytes(autorun, ThreeInstallers(marker, "--run-ms 8000")));
    ASSERT_TRUE(LogonCommands().empty());

    program_ = Program::Start(media_ + L"\\Velnora.exe", {}, media_);
    ASSERT_TRUE(program_.Started()) << "error " << program_.StartError();
    // The menu has the finish page's caption; until the end it is the only page of Velnora.
    HWND menu = WaitForPage(texts_->finish);
    ASSERT_NE(menu, nullptr) << "no main menu";
    ASSERT_TRUE(PressButton(menu, IDC_MENU_STANDARD));
    HWND page = WaitForTopWindow({texts_->installers, kDialogClass, 0, true}, 60s);
    ASSERT_NE(page, nullptr) << "no installer page";
    const DWORD twin = WindowProcessId(page);
    ASSERT_NE(twin, program_.Id()) << "the install did not go to the twin";
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(Control(page, IDC_INST_LIST)) == 3; }));
    ASSERT_TRUE(PressButton(page, IDC_INST_INSTALL));

    // The second installer runs, past its first half second, when Windows restarts.
    const std::wstring state = TempFolder() + L"\\_autorun.ini";
    ASSERT_TRUE(WaitUntil(
        [&] {
            return MarkerEvents(marker, "start") == 2 &&
                   ReadProfileString(state, L"General", L"Continue") ==
                       std::optional<std::wstring>(L"2");
        },
        120s));
    EXPECT_EQ(LogonCommands(), std::vector<std::wstring>{L"\"" + media_ + L"\\Velnora.exe\""});

    // The twin notes the end of the logon, keeps the interrupted installer to run again, and
    // ends as a run cut off: Velnora shows its menu again, not the finish page.
    EndLogon(page);
    EXPECT_EQ(WaitForProcessExit(twin, 30s), std::optional<DWORD>(kCutOff));
    EXPECT_EQ(ReadProfileString(state, L"General", L"Continue"), std::optional<std::wstring>(L"1"));
    // Velnora answers again once its wait is over (until then Wine takes it for hung).
    ASSERT_TRUE(WaitUntil([&] {
        return FindTopWindows({texts_->finish, kDialogClass, program_.Id(), true}) ==
               std::vector<HWND>{menu};
    })) << "the menu did not come back alone: a finish page after a run that was cut off?";
    // Velnora answers the end of the logon and is ended, as is the installer.
    EndLogon(menu);
    program_.Terminate();
    EndProcess(LastPidOf(marker, "start"));

    // --- The logon ---
    const std::vector<std::wstring> logon = LogonCommands();
    ASSERT_EQ(logon.size(), 1u) << "one logon value, and it starts the install manager";
    program_ = Program::StartCommandLine(logon.front(), media_);
    ASSERT_TRUE(program_.Started()) << "error " << program_.StartError();
    HWND finish =
        WaitForValue<HWND>(
            [&]() -> std::optional<HWND> {
                HWND shown = FindTopWindow({texts_->finish, kDialogClass, program_.Id(), true});
                if (shown == nullptr || Control(shown, IDC_FINISH_REGISTER) == nullptr)
                    return std::nullopt;
                return shown;
            },
            180s)
            .value_or(nullptr);
    ASSERT_NE(finish, nullptr) << "the resumed run did not reach the finish page";
    EXPECT_EQ(ControlText(finish, IDC_FINISH_MESSAGE).rfind(texts_->completed, 0), 0u);
    // The interrupted installer ran again, then the third.
    EXPECT_EQ(MarkerEvents(marker, "start"), 4);
    EXPECT_EQ(kit::ReadProfile(kit::ToolRecordPath(), L"Install Version", L"MANUALS"),
              L"4.08.00.012");
    for (const wchar_t* key : {L"Continue", L"Prev", L"Runner"})
        EXPECT_FALSE(ReadProfileString(state, L"General", key)) << Narrow(key);
    EXPECT_TRUE(LogonCommands().empty());
    EXPECT_FALSE(SaveWindowScreenshot(finish, L"twin-restart-resumed-finish").empty());

    ASSERT_TRUE(PressButton(finish, IDCANCEL));
    EXPECT_EQ(program_.WaitForExit(60s), std::optional<DWORD>(0));
    DeleteFileW(marker.c_str());
}

}  // namespace
}  // namespace velnora::e2e
