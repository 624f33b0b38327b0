// The Win32 dialog host, driven from outside: starts velnora_probe.exe (the framework probe
// run by the real host) as a separate process and works its dialog through window messages,
// as a user and Windows would.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "probe/framework_probe_page.h"

namespace velnora::probe {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kTimeout{20000};
constexpr std::chrono::milliseconds kPoll{20};
constexpr UINT kSendTimeoutMs = 5000;

// Polls `condition` until it holds or the time limit passes.
bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = Clock::now() + kTimeout;
    while (!condition()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

std::wstring Wide(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length > 0 ? length - 1 : 0));
    return wide;
}

LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

// WM_GETTEXT is marshalled across processes.
std::wstring TextOf(HWND window) {
    wchar_t buffer[512] = {};
    SendWithin(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// The text of a list cell of another process: the item structure and the text buffer must
// live in that process, as LVM_GETITEMTEXTW carries a pointer.
std::wstring RemoteCellText(HWND list, int row, int column) {
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
        return L"<no access>";
    constexpr int kChars = 256;
    const SIZE_T size = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    wchar_t text[kChars] = {};
    if (remote != nullptr) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<LPWSTR>(remote + sizeof(LVITEMW));
        item.cchTextMax = kChars;
        WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
        SendWithin(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof(text) - sizeof(wchar_t),
                          nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

std::wstring Folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

class Probe {
  public:
    Probe() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        resultFile_ = std::wstring(temp) + L"velnora_probe_" +
                      std::to_wstring(GetCurrentProcessId()) + L"_" +
                      std::to_wstring(GetTickCount()) + L".txt";
        std::wstring commandLine =
            L"\"" + Folder() + L"\\velnora_probe.exe\" --result \"" + resultFile_ + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            process_ = process.hProcess;
            id_ = process.dwProcessId;
        }
    }
    ~Probe() {
        if (process_ == nullptr)
            return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_, 99);
        CloseHandle(process_);
        DeleteFileW(resultFile_.c_str());
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    bool Started() const { return process_ != nullptr; }
    bool Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

    // The probe's dialog once it is shown; `except` skips one already known.
    HWND WaitForDialog(HWND except = nullptr) {
        except_ = except;
        dialog_ = nullptr;
        WaitUntil([this] {
            EnumWindows(&Probe::Match, reinterpret_cast<LPARAM>(this));
            return dialog_ != nullptr;
        });
        return dialog_;
    }

    // The exit code, or -1 when the probe still runs at the time limit.
    long WaitForExit() {
        if (WaitForSingleObject(process_, static_cast<DWORD>(kTimeout.count())) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return static_cast<long>(code);
    }

    std::string ResultLine() const {
        std::ifstream in(resultFile_.c_str());
        std::string line;
        std::getline(in, line);
        return line;
    }

  private:
    static BOOL CALLBACK Match(HWND window, LPARAM self) {
        auto* probe = reinterpret_cast<Probe*>(self);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (owner != probe->id_ || !IsWindowVisible(window) || window == probe->except_ ||
            std::wstring(className) != L"#32770")
            return TRUE;
        probe->dialog_ = window;
        return FALSE;
    }

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    HWND dialog_ = nullptr;
    HWND except_ = nullptr;
    std::wstring resultFile_;
};

// Clicks at a point of a control's client area, with the messages Windows posts for a click
// (and for a second click that makes a double click). Posted into the program's queue, they
// take the way of real input through its message loop, without depending on how fast the
// system turns two clicks into a double click.
void ClickAt(HWND control, POINT client, bool twice) {
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
    if (!twice)
        return;
    PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
}

void PressKey(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 0x00000001);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

TEST(Win32DialogHost, TypesAppliesAndConfirmsThroughTheRealDialog) {
    Probe probe;
    ASSERT_TRUE(probe.Started());
    HWND dialog = probe.WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "the probe's dialog did not appear";
    HWND name = GetDlgItem(dialog, IDC_PROBE_NAME);
    HWND echo = GetDlgItem(dialog, IDC_PROBE_ECHO);
    HWND apply = GetDlgItem(dialog, IDC_PROBE_APPLY);
    HWND list = GetDlgItem(dialog, IDC_PROBE_LIST);
    HWND agree = GetDlgItem(dialog, IDC_PROBE_AGREE);
    ASSERT_TRUE(name && echo && apply && list && agree);

    // The timer renames the dialog once.
    EXPECT_TRUE(WaitUntil([&] { return TextOf(dialog) == Wide(kProbeReadyTitle); }))
        << "the timer did not fire";
    EXPECT_FALSE(IsWindowEnabled(apply));

    // WM_SETTEXT makes the edit send EN_CHANGE, which enables Apply.
    const std::wstring first = L"名前 probe";
    SendWithin(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(first.c_str()));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(apply) != FALSE; }));
    SendWithin(apply, BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(echo), first);
    EXPECT_EQ(SendWithin(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(TextOf(name), L"") << "Apply empties the name";
    EXPECT_FALSE(IsWindowEnabled(apply)) << "and the page's own WM_SETTEXT disabled Apply";

    SendWithin(agree, BM_CLICK, 0, 0);
    EXPECT_EQ(SendWithin(agree, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendWithin(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"second"));
    SendWithin(apply, BM_CLICK, 0, 0);
    EXPECT_EQ(SendWithin(list, LVM_GETITEMCOUNT, 0, 0), 2);
    const LRESULT unchecked = INDEXTOSTATEIMAGEMASK(1), checked = INDEXTOSTATEIMAGEMASK(2);
    EXPECT_EQ(SendWithin(list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), unchecked);
    EXPECT_EQ(SendWithin(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), checked);
    EXPECT_EQ(SendWithin(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);

    // The owner-data list asks the page for text and check state (LVN_GETDISPINFO).
    HWND cells = GetDlgItem(dialog, IDC_PROBE_CELLS);
    EXPECT_EQ(SendWithin(cells, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(RemoteCellText(cells, 0, 0), L"#0 " + first);
    EXPECT_EQ(RemoteCellText(cells, 1, 0), L"#1 second");
    EXPECT_EQ(SendWithin(cells, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), unchecked);
    EXPECT_EQ(SendWithin(cells, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), checked);
    // A click into row 0's check box reaches the page, which ticks its data.
    ClickAt(cells, POINT{8, 8}, false);
    EXPECT_TRUE(WaitUntil(
        [&] { return SendWithin(cells, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK) == checked; }));
    // Typing into the list finds a row through the page (LVN_ODFINDITEM).
    PostMessageW(cells, WM_CHAR, L'#', 1);
    PostMessageW(cells, WM_CHAR, L'1', 1);
    EXPECT_TRUE(WaitUntil([&] {
        return SendWithin(cells, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 1;
    }));

    // Unconfirmed rows hold the session: the refusal comes back through DWLP_MSGRESULT.
    EXPECT_EQ(SendWithin(dialog, WM_QUERYENDSESSION, 0, 0), 0);
    // The mouse over Apply, as Windows reports it to the dialog.
    SendWithin(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(apply),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));

    // A size change: the page stretches the list to the new width.
    SetWindowPos(dialog, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitUntil([&] {
        RECT client = {}, rect = {};
        GetClientRect(dialog, &client);
        GetWindowRect(list, &rect);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect.right == client.right - kListMargin;
    }));

    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(probe.WaitForExit(), 3) << "1 + two rows";
    const std::string line = probe.ResultLine();
    EXPECT_NE(line.find("result=3 rows=2 ticks=1 escapes=0 "), std::string::npos) << line;
    EXPECT_EQ(line.find("hovers_apply=0 "), std::string::npos) << "WM_SETCURSOR missed: " << line;
    EXPECT_NE(line.find("selected=1 "), std::string::npos) << line;
    EXPECT_NE(line.find("cells_ticked=2 "), std::string::npos) << line;
    EXPECT_NE(line.find("destroyed=1"), std::string::npos) << line;
}

TEST(Win32DialogHost, EscapeIsSwallowedByThePageUntilAgreeIsTicked) {
    Probe probe;
    ASSERT_TRUE(probe.Started());
    HWND dialog = probe.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    HWND name = GetDlgItem(dialog, IDC_PROBE_NAME);
    HWND echo = GetDlgItem(dialog, IDC_PROBE_ECHO);

    PressKey(name, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(echo) == Wide(kEscapeIgnored); }));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(probe.Running());

    SendWithin(GetDlgItem(dialog, IDC_PROBE_AGREE), BM_CLICK, 0, 0);
    PressKey(name, VK_ESCAPE);
    EXPECT_EQ(probe.WaitForExit(), kProbeCancelled);
    EXPECT_NE(probe.ResultLine().find("escapes=1 "), std::string::npos) << probe.ResultLine();
}

TEST(Win32DialogHost, ADoubleClickedRowRunsASecondPageModallyFromTheHandler) {
    Probe probe;
    ASSERT_TRUE(probe.Started());
    HWND outer = probe.WaitForDialog();
    ASSERT_NE(outer, nullptr);
    HWND list = GetDlgItem(outer, IDC_PROBE_LIST);
    SendWithin(GetDlgItem(outer, IDC_PROBE_NAME), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"row zero"));
    SendWithin(GetDlgItem(outer, IDC_PROBE_APPLY), BM_CLICK, 0, 0);
    ASSERT_EQ(SendWithin(list, LVM_GETITEMCOUNT, 0, 0), 1);

    // Row 0 lies just below the list's header; aim at its text, right of the check box.
    RECT header = {};
    GetWindowRect(reinterpret_cast<HWND>(SendWithin(list, LVM_GETHEADER, 0, 0)), &header);
    POINT row = {header.left + 60, header.bottom + 7};
    ScreenToClient(list, &row);
    ClickAt(list, row, true);

    HWND inner = probe.WaitForDialog(outer);
    ASSERT_NE(inner, nullptr) << "no second probe appeared";
    EXPECT_FALSE(IsWindowEnabled(outer)) << "the owner of a modal page is disabled";
    EXPECT_EQ(GetWindow(inner, GW_OWNER), outer);
    EXPECT_EQ(TextOf(GetDlgItem(inner, IDC_PROBE_NAME)), L"row zero");
    SendWithin(GetDlgItem(inner, IDC_PROBE_APPLY), BM_CLICK, 0, 0);
    PostMessageW(GetDlgItem(inner, IDOK), BM_CLICK, 0, 0);

    EXPECT_TRUE(WaitUntil(
        [&] { return TextOf(GetDlgItem(outer, IDC_PROBE_ECHO)) == L"Inner probe ended with 2"; }));
    EXPECT_TRUE(IsWindowEnabled(outer));
    EXPECT_FALSE(IsWindow(inner));
    PostMessageW(GetDlgItem(outer, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(probe.WaitForExit(), 2);
}

TEST(Win32DialogHost, ReturnPressesTheDefaultButton) {
    Probe probe;
    ASSERT_TRUE(probe.Started());
    HWND dialog = probe.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    PressKey(GetDlgItem(dialog, IDC_PROBE_NAME), VK_RETURN);
    EXPECT_EQ(probe.WaitForExit(), 1) << "OK without rows";
}

}  // namespace
}  // namespace velnora::probe
