// The real VelnoraCmd.exe under Wine, on four sample environments that the kit lays out, one of
// them in a folder with a Japanese name: its JSON listing holds what the maintenance page of
// the real Velnora.exe lists, byte-true UTF-8 whether the output goes to a file or a pipe; its
// report is the page's Save to file; its switch and uninstall leave the machine as the page's
// do; it ends with 2 on wrong arguments and with 1618 while the install manager holds its mutex.
//
// The test installs into the live names of the prefix, so it runs alone; it removes what it
// laid out.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "kit_common.h"
#include "resource_ids.h"

namespace velnora::e2e {
namespace {

using namespace std::chrono_literals;

constexpr DWORD kCmdTimeoutMs = 60000;
// A switch or an uninstall moves whole environments and waits for the vendor's uninstaller.
constexpr DWORD kChangeTimeoutMs = 180000;
constexpr wchar_t kJapaneseFolderPart[] = L"Vantorix 日本語版";
constexpr wchar_t kJapaneseDisplayName[] = L"Vantorix 日本語版 V3.00";

struct CmdRun {
    std::optional<DWORD> exitCode;
    std::string output;
    std::string error;
};

// Where the started program's standard output goes.
enum class OutputTo { kFile, kPipe };

HANDLE InheritableFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Reads the pipe until the program closes its end, so that a long output never blocks it.
std::string DrainPipe(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

// A pipe that holds `input` and then ends, for the program's standard input.
HANDLE InputPipe(const std::string& input) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0))
        return nullptr;
    SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    WriteFile(write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(write);
    return read;
}

// `input`: what is typed on the program's standard input; the test's own input without it.
CmdRun RunCmd(const std::vector<std::wstring>& arguments, OutputTo to = OutputTo::kFile,
              DWORD timeoutMs = kCmdTimeoutMs, const std::optional<std::string>& input = {}) {
    std::wstring line = QuoteArgument(BesideTestProgram(L"VelnoraCmd.exe"));
    for (const auto& argument : arguments)
        line += L" " + QuoteArgument(argument);
    // Files of their own for each run: under Wine a program the command started (Tidewatch,
    // restarted by a switch) keeps the command's output handles after it has ended.
    static int runs = 0;
    const std::wstring number =
        std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++runs);
    const std::wstring outPath = TempFolder() + L"\\velnora-cmd-e2e-out-" + number + L".txt";
    const std::wstring errPath = TempFolder() + L"\\velnora-cmd-e2e-err-" + number + L".txt";
    HANDLE out = INVALID_HANDLE_VALUE;
    HANDLE pipeRead = nullptr;
    if (to == OutputTo::kPipe) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        if (!CreatePipe(&pipeRead, &out, &inherit, 0))
            return {};
        SetHandleInformation(pipeRead, HANDLE_FLAG_INHERIT, 0);
    } else {
        out = InheritableFile(outPath);
    }
    HANDLE err = InheritableFile(errPath);
    HANDLE in = input ? InputPipe(*input) : nullptr;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in != nullptr ? in : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    CmdRun run;
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (in != nullptr)
        CloseHandle(in);
    if (!started) {
        if (pipeRead != nullptr)
            CloseHandle(pipeRead);
        return run;
    }
    if (pipeRead != nullptr) {
        run.output = DrainPipe(pipeRead);
        CloseHandle(pipeRead);
    }
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &code))
        run.exitCode = code;
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (to == OutputTo::kFile)
        run.output = ReadFileBytes(outPath).value_or("");
    run.error = ReadFileBytes(errPath).value_or("");
    DeleteFileW(outPath.c_str());
    DeleteFileW(errPath.c_str());
    return run;
}

// Runs VelnoraCmd on a console of this test program and gives what the console's screen shows
// afterwards; nothing when no console can be had.
std::optional<std::wstring> RunCmdOnConsole(const std::vector<std::wstring>& arguments) {
    FreeConsole();
    if (!AllocConsole())
        return std::nullopt;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE screen =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    std::optional<std::wstring> shown;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (screen != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(screen, &info)) {
        std::wstring line = QuoteArgument(BesideTestProgram(L"VelnoraCmd.exe"));
        for (const auto& argument : arguments)
            line += L" " + QuoteArgument(argument);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = screen;
        startup.hStdError = screen;
        PROCESS_INFORMATION process{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &process)) {
            if (WaitForSingleObject(process.hProcess, kCmdTimeoutMs) == WAIT_OBJECT_0) {
                const DWORD cells = static_cast<DWORD>(info.dwSize.X) * info.dwSize.Y;
                std::wstring text(cells, L' ');
                DWORD read = 0;
                if (ReadConsoleOutputCharacterW(screen, text.data(), cells, COORD{0, 0}, &read))
                    shown = text.substr(0, read);
            } else {
                TerminateProcess(process.hProcess, 1);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    if (screen != INVALID_HANDLE_VALUE)
        CloseHandle(screen);
    FreeConsole();
    return shown;
}

// A wide character fills two cells of a console; some consoles give it back for each.
std::wstring WithoutDoubledWideCharacters(const std::wstring& text) {
    std::wstring single;
    for (const wchar_t c : text)
        if (c < 0x1100 || single.empty() || single.back() != c)
            single.push_back(c);
    return single;
}

long RunKitEnvironments(const std::wstring& arguments) {
    return kit::RunAndWait(
        kit::Quote(BesideTestProgram(L"velnora_kit_environments.exe")) + L" " + arguments, 180000);
}

class CmdOnSampleEnvironments : public testing::Test {
  protected:
    void SetUp() override {
        if (kit::LiveInstallLocation())
            GTEST_SKIP() << "this prefix holds an active environment; the test leaves it be";
        renames_before_ = kit::PendingRenames();
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Default", L"Language", L"English", settings_.c_str()));
        laid_out_ = true;
        ASSERT_EQ(RunKitEnvironments(L"lay-out --japanese"), 0);
    }
    void TearDown() override {
        if (page_.Running())
            page_.Terminate();
        if (laid_out_) {
            EXPECT_EQ(RunKitEnvironments(L"remove-all"), 0);
            kit::RemoveTree(kit::LiveInstallerInfoFolder());
            RemoveDirectoryW(kit::InstallerInfoRoot().c_str());
            kit::SetPendingRenames(renames_before_);
        }
        DeleteFileW(pageReport_.c_str());
        DeleteFileW(cmdReport_.c_str());
    }

    // The report through the page's Save to file and its save dialog.
    std::optional<std::string> SaveThroughPage(HWND page) {
        DeleteFileW(pageReport_.c_str());
        if (!PressButton(page, IDC_MAINT_SAVE))
            return std::nullopt;
        HWND save = WaitForValue<HWND>([&]() -> std::optional<HWND> {
                        for (HWND window : FindTopWindows({L"", kDialogClass, page_.Id()}))
                            if (window != page)
                                return window;
                        return std::nullopt;
                    }).value_or(nullptr);
        if (save == nullptr)
            return std::nullopt;
        // The file name box: cmb13 in the explorer-style dialog, edt1 in the old one.
        const int nameBox = Control(save, 0x47c) != nullptr ? 0x47c : 0x480;
        if (!SetControlText(save, nameBox, pageReport_) || !PressButton(save, IDOK))
            return std::nullopt;
        // Complete once the temporary file has replaced it: the last line is blank.
        if (!WaitUntil([&] {
                const auto bytes = ReadFileBytes(pageReport_);
                return bytes && bytes->size() > 4 && bytes->ends_with("\r\n\r\n");
            }))
            return std::nullopt;
        return ReadFileBytes(pageReport_);
    }

    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    FileRestorer restoreSettings_{settings_};
    const std::wstring pageReport_ = TempFolder() + L"\\velnora-cmd-e2e-page-report.txt";
    const std::wstring cmdReport_ = TempFolder() + L"\\velnora-cmd-e2e-report.txt";
    Program page_;
    std::optional<std::wstring> renames_before_;
    bool laid_out_ = false;
};

TEST_F(CmdOnSampleEnvironments, ListsAndReportsWhatTheMaintenancePageShows) {
    // --- The listing, to a file ---
    const CmdRun list = RunCmd({L"list", L"--format", L"json"});
    ASSERT_EQ(list.exitCode, std::optional<DWORD>(0)) << list.error;
    EXPECT_NE(list.error.find("Log: "), std::string::npos) << list.error;
    const auto json = nlohmann::json::parse(list.output, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << list.output;
    EXPECT_EQ(json.value("schemaVersion", 0), 1);
    const auto& environments = json.at("environments");
    ASSERT_EQ(environments.size(), 4u) << list.output;

    // --- The report, written by the console ---
    const CmdRun report = RunCmd({L"report", L"--out", cmdReport_});
    ASSERT_EQ(report.exitCode, std::optional<DWORD>(0)) << report.error;

    // --- The page of the real install manager ---
    page_ = Program::Start(BesideTestProgram(L"Velnora.exe"), {L"-maintenance"});
    ASSERT_TRUE(page_.Started());
    HWND page = WaitForTopWindow({L"Maintenance", kDialogClass, page_.Id(), true}, 60s);
    ASSERT_NE(page, nullptr) << "no maintenance page";
    HWND listView = Control(page, IDC_MAINT_LIST);
    ASSERT_TRUE(WaitUntil([&] { return ListViewRowCount(listView) == 4; }));
    const auto rows = ListViewRows(listView);
    bool japaneseSeen = false;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        SCOPED_TRACE(row);
        const auto& e = environments.at(row);
        const std::wstring name = Widen(e.at("displayName").get<std::string>());
        const std::wstring location = Widen(e.at("location").get<std::string>());
        ASSERT_EQ(rows[row].size(), 2u);
        EXPECT_EQ(rows[row][1], name + L" (" + location + L")");
        EXPECT_EQ(rows[row][0], e.at("active").get<bool>() ? L"Active" : L"");
        if (name == kJapaneseDisplayName) {
            japaneseSeen = true;
            EXPECT_NE(location.find(kJapaneseFolderPart), std::wstring::npos);
        }
    }
    EXPECT_TRUE(japaneseSeen) << list.output;
    EXPECT_FALSE(SaveWindowScreenshot(page, L"cmd-maintenance-page").empty());

    // --- While the page holds the install manager's mutex, the console does not run ---
    const CmdRun blocked = RunCmd({L"list"});
    EXPECT_EQ(blocked.exitCode, std::optional<DWORD>(1618)) << blocked.error;
    EXPECT_EQ(blocked.output, "");

    // --- The page's Save to file: the console's report byte for byte ---
    const auto saved = SaveThroughPage(page);
    ASSERT_TRUE(saved) << "the page saved no report";
    EXPECT_EQ(ReadFileBytes(cmdReport_).value_or(""), *saved);
    ASSERT_TRUE(PressButton(page, IDC_MAINT_EXIT));
    ASSERT_EQ(page_.WaitForExit(), std::optional<DWORD>(0));

    // --- The table through a pipe: UTF-8 as it stands ---
    const CmdRun table = RunCmd({L"list"}, OutputTo::kPipe);
    ASSERT_EQ(table.exitCode, std::optional<DWORD>(0)) << table.error;
    EXPECT_NE(table.output.find(Narrow(kJapaneseDisplayName)), std::string::npos) << table.output;
    EXPECT_NE(table.output.find(Narrow(kJapaneseFolderPart)), std::string::npos) << table.output;
    // The same report on standard output.
    const CmdRun reportOut = RunCmd({L"report"}, OutputTo::kPipe);
    EXPECT_EQ(reportOut.output, *saved);
}

// The locations the JSON listing gives, and the one that is active.
struct Listing {
    std::vector<std::wstring> locations;
    std::optional<std::wstring> active;
};

std::optional<Listing> ListLocations() {
    const CmdRun run = RunCmd({L"list", L"--format", L"json"});
    const auto json = nlohmann::json::parse(run.output, nullptr, false);
    if (run.exitCode != std::optional<DWORD>(0) || json.is_discarded()) {
        ADD_FAILURE() << "list ended with " << run.exitCode.value_or(0xFFFFFFFF) << ": "
                      << run.error << run.output;
        return std::nullopt;
    }
    Listing listing;
    for (const auto& e : json.at("environments")) {
        listing.locations.push_back(Widen(e.at("location").get<std::string>()));
        if (e.at("active").get<bool>())
            listing.active = listing.locations.back();
    }
    return listing;
}

// The switch and the uninstall by location change the machine as the maintenance page's
// buttons do: the live entry names the chosen one, and the uninstalled one's folder is gone.
TEST_F(CmdOnSampleEnvironments, SwitchesAndUninstallsByLocation) {
    const auto before = ListLocations();
    ASSERT_TRUE(before);
    ASSERT_EQ(before->locations.size(), 4u);
    ASSERT_TRUE(before->active);
    const std::wstring previous = *before->active;
    const std::wstring chosen = before->locations[before->locations.front() == previous ? 1 : 0];

    const CmdRun change = RunCmd({L"switch", chosen}, OutputTo::kFile, kChangeTimeoutMs);
    ASSERT_EQ(change.exitCode, std::optional<DWORD>(0)) << change.error;
    const auto switched = ListLocations();
    ASSERT_TRUE(switched);
    EXPECT_EQ(switched->active, std::optional<std::wstring>(chosen));
    EXPECT_EQ(kit::LiveInstallLocation(), std::optional<std::wstring>(chosen));

    // The one that was active is now an inactive one. Answered no, its uninstall is cancelled.
    const CmdRun declined =
        RunCmd({L"uninstall", previous}, OutputTo::kFile, kChangeTimeoutMs, "n\r\n");
    EXPECT_EQ(declined.exitCode, std::optional<DWORD>(1602)) << declined.error;
    const auto kept = ListLocations();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->locations, switched->locations);

    const CmdRun gone =
        RunCmd({L"uninstall", previous, L"--quiet"}, OutputTo::kFile, kChangeTimeoutMs);
    ASSERT_EQ(gone.exitCode, std::optional<DWORD>(0)) << gone.error;
    const auto after = ListLocations();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->locations.size(), 3u);
    EXPECT_EQ(std::find(after->locations.begin(), after->locations.end(), previous),
              after->locations.end());
    EXPECT_EQ(after->active, std::optional<std::wstring>(chosen));
    EXPECT_EQ(kit::LiveInstallLocation(), std::optional<std::wstring>(chosen));
    EXPECT_FALSE(kit::PathExists(previous));
}

// Written as wide characters, the Japanese name does not depend on the console's code page.
TEST_F(CmdOnSampleEnvironments, JapaneseNamesReachAConsoleIntact) {
    const auto shown = RunCmdOnConsole({L"list", L"--format", L"json", L"--active"});
    if (!shown)
        GTEST_SKIP() << "no console in this prefix";
    EXPECT_NE(WithoutDoubledWideCharacters(*shown).find(kJapaneseDisplayName), std::wstring::npos)
        << Narrow(*shown);
}

TEST_F(CmdOnSampleEnvironments, WrongArgumentsAndNoMatchEndWithTheirCodesAndNoOutput) {
    const struct {
        std::vector<std::wstring> arguments;
        DWORD exitCode;
    } cases[] = {
        {{}, 2},
        {{L"--bogus"}, 2},
        {{L"list", L"--format", L"xml"}, 2},
        {{L"switch", L"C:\\No such environment"}, 3},
    };
    for (const auto& c : cases) {
        const CmdRun run = RunCmd(c.arguments);
        EXPECT_EQ(run.exitCode, std::optional<DWORD>(c.exitCode)) << run.error;
        EXPECT_EQ(run.output, "");
        EXPECT_FALSE(run.error.empty());
    }
}

// --- The install on the sample medium --------------------------------------------------------

constexpr DWORD kInstallTimeoutMs = 300000;

class CmdOnTheSampleMedium : public testing::Test {
  protected:
    void SetUp() override {
        if (const auto reason = kit::ReasonNotToRunTheSample())
            GTEST_SKIP() << *reason;
        media_ = kit::SampleMediumFolder();
        renames_before_ = kit::PendingRenames();
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Default", L"Language", L"English", settings_.c_str()));
        cleanup_ = true;
    }
    void TearDown() override {
        if (cleanup_) {
            EXPECT_TRUE(kit::RemoveSampleRunLeftovers(renames_before_));
        }
    }

    std::wstring media_;
    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    FileRestorer restoreSettings_{settings_};
    std::optional<std::wstring> renames_before_;
    bool cleanup_ = false;
};

// Unattended, the medium's own choice runs into a first environment; the restart that the
// medium and its E2 installer ask for is left to the caller, and nothing waits to resume.
TEST_F(CmdOnTheSampleMedium, InstallsUnattendedAndLeavesTheRestartToTheCaller) {
    const CmdRun run = RunCmd({L"install", L"--media", media_, L"--quiet", L"--norestart"},
                              OutputTo::kFile, kInstallTimeoutMs);
    ASSERT_EQ(run.exitCode, std::optional<DWORD>(3010)) << run.error;
    for (const char* line :
         {"Installers: Vantorix V4.08, C++ Compiler V1.04, Simulator Debugger X, "
          "Emulator Debugger E2, Manuals",
          "5 of 5 Installer", "Windows must restart to finish"})
        EXPECT_NE(run.error.find(line), std::string::npos) << run.error;

    const auto listing = ListLocations();
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->locations.size(), 1u);
    EXPECT_EQ(listing->active, kit::LiveInstallLocation());
    const CmdRun status = RunCmd({L"status"});
    EXPECT_NE(status.output.find("Pending install run: none"), std::string::npos) << status.output;
}

}  // namespace
}  // namespace velnora::e2e
