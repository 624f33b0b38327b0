// The real Velnora.exe -autorun on a scratch medium of its own, driven from outside:
// - page: the time from the start of the program until its installer page is visible with all
//   80 entries of the catalogue in its list, over several rounds (median and minimum);
// - run: the processor time Velnora.exe uses while three stand-in installers run one after
//   another, from the Install button to the finish page, as a share of one core (target:
//   under 2 %; a missed target is reported, not a failure).
// Exit code 1 only when a measurement could not be taken.
//
//   wine bin/installer_page_bench.exe [--media FOLDER] [--rounds N] [--run-ms N]
//                                                        (scripts/bench-installer-page.sh)
//
//   --media FOLDER  the scratch medium, created and emptied by the program (default: a folder
//                   in the temporary folder)
//   --rounds N      rounds of the page measurement (default 10)
//   --run-ms N      how long each stand-in installer runs (default 4000)
//
// Environment: VELNORA_BENCH_WINESERVER_PID, when set, the Unix process id of the prefix's
// wineserver, whose processor time over the run is printed too; VELNORA_BENCH_CLK_TCK, the
// Unix clock ticks per second (default 100).
//
// GetProcessTimes of another process gives the caller's own times under Wine, so there the
// program reads the Unix process of Velnora.exe from /proc through drive Z: instead.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "resource_ids.h"

namespace {

using namespace velnora::e2e;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kPageEntries = 80;
constexpr int kRunEntries = 3;
constexpr wchar_t kPageTitle[] = L"Choose software";
constexpr wchar_t kFinishTitle[] = L"Vantorix Install Manager";
constexpr wchar_t kStandIn[] = L"vtx_installer_standin.exe";
constexpr wchar_t kMarkerFile[] = L"markers.txt";
constexpr Milliseconds kStartTimeout = 120s;
constexpr Milliseconds kExitTimeout = 60s;
// Fine enough for the page time, light enough not to slow the program it watches.
constexpr DWORD kPagePollMs = 5;
constexpr DWORD kRunPollMs = 50;
constexpr DWORD kIdleMs = 3000;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t value[512] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 512);
    return length > 0 && length < 512 ? std::wstring(value, length) : std::wstring();
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// --- The scratch medium ------------------------------------------------------------------------

struct Medium {
    std::wstring folder;
    std::wstring program;
    std::wstring marker;
};

bool WriteAutorunIni(const Medium& medium, const std::string& text) {
    if (WriteFileBytes(medium.folder + L"\\autorun.ini", text))
        return true;
    std::fprintf(stderr, "cannot write autorun.ini\n");
    return false;
}

std::string EntryName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Tool %02d", index + 1);
    return name;
}

// autorun.ini with `entries` stand-in installers, all ticked at the start. No destination
// folder page before the list, no restart question after the finish page.
std::string AutorunIni(int entries, long runMs, const std::wstring& marker) {
    std::string text =
        "[General]\r\n"
        "bSkipSelectInstaller=0\r\n"
        "bSetInstallDir=0\r\n"
        "Quiet=off\r\n"
        "NoMessage=off\r\n"
        "QuitAfterInstall=off\r\n"
        "Restart_PC=off\r\n"
        "\r\n[Default]\r\nInstallerName=\r\n"
        "\r\n[Installer]\r\nSelText=Tick the software to install and press Install.\r\n"
        "\r\n[Tools]\r\n";
    // Short names: the section's key list, attribute keys included, must fit the catalogue
    // buffer with 80 entries.
    for (int entry = 0; entry < entries; ++entry) {
        const std::string name = EntryName(entry);
        text += name + "=kit\\" + Narrow(kStandIn) + "\r\n";
        text += name + "_Option=--run-ms " + std::to_string(runMs) + " --marker \"" +
                Narrow(marker) + "\"\r\n";
        text += name + "_Tooltip=Stand-in installer " + std::to_string(entry + 1) + ".\r\n";
    }
    return text;
}

bool LayOutMedium(const Medium& medium) {
    const std::wstring kit = medium.folder + L"\\kit";
    CreateDirectoryW(medium.folder.c_str(), nullptr);
    CreateDirectoryW(kit.c_str(), nullptr);
    if (!FolderExists(kit)) {
        std::fprintf(stderr, "cannot create %s\n", Narrow(kit).c_str());
        return false;
    }
    const std::wstring sources[] = {BesideTestProgram(L"Velnora.exe"), BesideTestProgram(kStandIn)};
    const std::wstring targets[] = {medium.program, kit + L"\\" + kStandIn};
    for (int i = 0; i < 2; ++i) {
        if (!CopyFileW(sources[i].c_str(), targets[i].c_str(), FALSE)) {
            std::fprintf(stderr, "cannot copy %s (error %lu)\n", Narrow(sources[i]).c_str(),
                         GetLastError());
            return false;
        }
    }
    return true;
}

void RemoveMedium(const Medium& medium) {
    const std::wstring kit = medium.folder + L"\\kit";
    for (const std::wstring& file :
         {kit + L"\\" + kStandIn, medium.program, medium.marker, medium.folder + L"\\autorun.ini"})
        DeleteFileW(file.c_str());
    RemoveDirectoryW(kit.c_str());
    RemoveDirectoryW(medium.folder.c_str());
}

// English texts, and no read-me on the first start.
bool PrepareSettings() {
    const std::wstring settings = WindowsFolder() + L"\\Velnora.ini";
    return WritePrivateProfileStringW(L"Default", L"Language", L"English", settings.c_str()) &&
           WritePrivateProfileStringW(L"Default", L"FirstBoot", L"1", settings.c_str());
}

// --- Processor time ----------------------------------------------------------------------------

struct ProcessorTime {
    double userMs = 0;
    double kernelMs = 0;
    double Total() const { return userMs + kernelMs; }
};

std::optional<std::string> ReadSmallFile(const std::wstring& path) {
    // Files of /proc report no size; read until the end.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

double ClockTicksPerSecond() {
    const std::wstring text = EnvironmentValue(L"VELNORA_BENCH_CLK_TCK");
    const long ticks = text.empty() ? 0 : std::wcstol(text.c_str(), nullptr, 10);
    return ticks > 0 ? static_cast<double>(ticks) : 100.0;
}

// User and system time of a Unix process (all its threads), from /proc/PID/stat.
std::optional<ProcessorTime> UnixProcessorTime(unsigned long pid) {
    const auto stat = ReadSmallFile(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat");
    if (!stat)
        return std::nullopt;
    // The command name in parentheses may hold blanks; the fields after it do not.
    const std::size_t close = stat->rfind(')');
    if (close == std::string::npos || close + 2 >= stat->size())
        return std::nullopt;
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < stat->size()) {
        const std::size_t end = std::min(stat->find(' ', at), stat->size());
        fields.push_back(stat->substr(at, end - at));
        at = end + 1;
    }
    // Fields 14 and 15 of the line, counted from the state (field 3).
    if (fields.size() < 13)
        return std::nullopt;
    const double tick = 1000.0 / ClockTicksPerSecond();
    return ProcessorTime{std::strtod(fields[11].c_str(), nullptr) * tick,
                         std::strtod(fields[12].c_str(), nullptr) * tick};
}

bool ContainsLine(const std::string& block, const std::string& line) {
    std::size_t at = 0;
    while (at < block.size()) {
        const std::size_t end = std::min(block.find('\0', at), block.size());
        if (block.compare(at, end - at, line) == 0)
            return true;
        at = end + 1;
    }
    return false;
}

std::string ProcessName(const std::string& commandLine) {
    const std::string first =
        commandLine.substr(0, std::min(commandLine.find('\0'), commandLine.size()));
    const std::size_t slash = first.find_last_of("\\/");
    return slash == std::string::npos ? first : first.substr(slash + 1);
}

// The Unix process of the running Velnora.exe of this prefix: its name, and the prefix in its
// environment (other prefixes on the machine may run a Velnora.exe at the same time).
std::optional<unsigned long> FindUnixProcess(const std::wstring& exeName) {
    const auto ownEnvironment = ReadSmallFile(L"Z:\\proc\\self\\environ");
    const std::wstring prefix = EnvironmentValue(L"WINEPREFIX");
    if (!ownEnvironment || prefix.empty())
        return std::nullopt;
    const std::string prefixLine = "WINEPREFIX=" + Narrow(prefix);
    std::vector<unsigned long> found;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    do {
        wchar_t* end = nullptr;
        const unsigned long pid = std::wcstoul(entry.cFileName, &end, 10);
        if (pid == 0 || end == nullptr || *end != L'\0')
            continue;
        const std::wstring folder = L"Z:\\proc\\" + std::wstring(entry.cFileName);
        const auto commandLine = ReadSmallFile(folder + L"\\cmdline");
        if (!commandLine ||
            _stricmp(ProcessName(*commandLine).c_str(), Narrow(exeName).c_str()) != 0)
            continue;
        const auto environment = ReadSmallFile(folder + L"\\environ");
        if (environment && ContainsLine(*environment, prefixLine))
            found.push_back(pid);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    if (found.size() != 1) {
        std::fprintf(stderr, "%zu Unix processes named %s in this prefix\n", found.size(),
                     Narrow(exeName).c_str());
        return std::nullopt;
    }
    return found.front();
}

std::optional<ProcessorTime> WindowsProcessorTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return std::nullopt;
    const auto ms = [](const FILETIME& time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) /
               10000.0;
    };
    return ProcessorTime{ms(user), ms(kernel)};
}

// Reads the processor time of one program the same way at the start and at the end.
class ProcessorClock {
  public:
    ProcessorClock(const Program& program, bool wine) : program_(program) {
        if (wine)
            unixPid_ = FindUnixProcess(L"Velnora.exe");
        valid_ = !wine || unixPid_.has_value();
    }
    bool Valid() const { return valid_; }
    std::optional<ProcessorTime> Read() const {
        return unixPid_ ? UnixProcessorTime(*unixPid_) : WindowsProcessorTime(program_.Handle());
    }

  private:
    const Program& program_;
    std::optional<unsigned long> unixPid_;
    bool valid_ = false;
};

// --- Driving the program -----------------------------------------------------------------------

void ReportMessageBox(const Program& program) {
    if (const auto box = FindMessageBox(program.Id()))
        std::fprintf(stderr, "message box \"%s\": %s\n", Narrow(box->caption).c_str(),
                     Narrow(box->text).c_str());
}

// The visible dialog windows of a process, found without sending it a single message:
// whatever the program answers counts in the processor time measured here, and the driver's
// own window search asks every window for its title.
std::vector<HWND> VisibleDialogs(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search.processId && IsWindowVisible(window) &&
                WindowClass(window) == kDialogClass)
                search.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The title as the window manager keeps it; for another process's window no message is sent.
std::wstring StoredTitle(HWND window) {
    wchar_t title[256] = {};
    const int length = GetWindowTextW(window, title, 256);
    return std::wstring(title, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND FindDialog(DWORD processId, const std::wstring& title) {
    for (HWND window : VisibleDialogs(processId))
        if (StoredTitle(window) == title)
            return window;
    return nullptr;
}

// The installer page of `program` once its list holds `rows` rows; nullptr at the deadline.
HWND WaitForFilledPage(const Program& program, int rows, DWORD pollMs, int& rowsSeen) {
    const Deadline deadline(kStartTimeout);
    rowsSeen = -1;
    while (!deadline.Passed() && program.Running()) {
        if (HWND page = FindDialog(program.Id(), kPageTitle)) {
            rowsSeen = ListViewRowCount(Control(page, IDC_INST_LIST));
            if (rowsSeen == rows)
                return page;
        }
        Sleep(pollMs);
    }
    return nullptr;
}

bool EndProgram(Program& program, HWND page, int button) {
    if (!PressButton(page, button) ||
        program.WaitForExit(kExitTimeout) != std::optional<DWORD>(0)) {
        std::fprintf(stderr, "the program did not end through its button\n");
        program.Terminate();
        program.WaitForExit(kExitTimeout);
        return false;
    }
    return true;
}

bool MeasurePage(const Medium& medium, int rounds) {
    if (!WriteAutorunIni(medium, AutorunIni(kPageEntries, 4000, medium.marker)))
        return false;
    std::printf("installer page: catalogue of %d entries, %d rounds\n", kPageEntries, rounds);
    std::vector<double> times;
    for (int round = 1; round <= rounds; ++round) {
        const Clock::time_point start = Clock::now();
        Program program = Program::Start(medium.program, {L"-autorun"}, medium.folder);
        if (!program.Started()) {
            std::fprintf(stderr, "cannot start Velnora.exe (error %lu)\n", program.StartError());
            return false;
        }
        int rowsSeen = -1;
        HWND page = WaitForFilledPage(program, kPageEntries, kPagePollMs, rowsSeen);
        const double ms = MillisecondsSince(start);
        if (page == nullptr) {
            std::fprintf(stderr, "round %d: no installer page with %d rows (last count %d)\n",
                         round, kPageEntries, rowsSeen);
            ReportMessageBox(program);
            return false;
        }
        times.push_back(ms);
        std::printf("  round %2d: %8.1f ms\n", round, ms);
        std::fflush(stdout);
        if (!EndProgram(program, page, IDC_INST_EXIT))
            return false;
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    std::printf(
        "start to filled installer page (%d rows): median %.1f ms, min %.1f ms, max %.1f ms\n",
        kPageEntries, median, sorted.front(), sorted.back());
    return true;
}

int CountMarkerEvents(const Medium& medium, const std::string& event) {
    const auto bytes = ReadFileBytes(medium.marker);
    if (!bytes)
        return 0;
    int count = 0;
    std::size_t at = 0;
    while (at < bytes->size()) {
        const std::size_t end = std::min(bytes->find('\n', at), bytes->size());
        if (bytes->compare(at, event.size() + 1, event + "\t") == 0)
            ++count;
        at = end + 1;
    }
    return count;
}

bool MeasureRun(const Medium& medium, long runMs) {
    DeleteFileW(medium.marker.c_str());
    if (!WriteAutorunIni(medium, AutorunIni(kRunEntries, runMs, medium.marker)))
        return false;
    std::printf("install run: %d stand-in installers of %ld ms each\n", kRunEntries, runMs);
    Program program = Program::Start(medium.program, {L"-autorun"}, medium.folder);
    if (!program.Started()) {
        std::fprintf(stderr, "cannot start Velnora.exe (error %lu)\n", program.StartError());
        return false;
    }
    int rowsSeen = -1;
    HWND page = WaitForFilledPage(program, kRunEntries, kRunPollMs, rowsSeen);
    if (page == nullptr || !WaitUntil([&] { return IsControlEnabled(page, IDC_INST_INSTALL); })) {
        std::fprintf(stderr, "no installer page with %d rows and Install enabled\n", kRunEntries);
        ReportMessageBox(program);
        return false;
    }
    const bool wine = RunningUnderWine();
    const ProcessorClock cpu(program, wine);
    const std::wstring serverText = EnvironmentValue(L"VELNORA_BENCH_WINESERVER_PID");
    const unsigned long serverPid =
        serverText.empty() ? 0 : std::wcstoul(serverText.c_str(), nullptr, 10);
    if (!cpu.Valid()) {
        std::fprintf(stderr, "cannot find the process of Velnora.exe\n");
        return false;
    }

    // Marks taken as the run goes: the Install press, the first installer's start, the last
    // installer's end and the finish page.
    struct Mark {
        Clock::time_point at;
        ProcessorTime velnora;
        std::optional<ProcessorTime> server;
    };
    const auto mark = [&](std::optional<Mark>& into) {
        const Clock::time_point at = Clock::now();
        const auto velnora = cpu.Read();
        if (velnora)
            into = Mark{at, *velnora, serverPid != 0 ? UnixProcessorTime(serverPid) : std::nullopt};
    };
    std::optional<Mark> idle, pressed, firstStart, lastEnd, finished;
    // What the program costs with its page open and nothing to do, for comparison.
    mark(idle);
    Sleep(kIdleMs);
    mark(pressed);
    if (!idle || !pressed) {
        std::fprintf(stderr, "cannot read the processor time of Velnora.exe\n");
        return false;
    }
    if (!PressButton(page, IDC_INST_INSTALL)) {
        std::fprintf(stderr, "cannot press Install\n");
        return false;
    }
    HWND finish = nullptr;
    const Deadline deadline(std::chrono::milliseconds(kRunEntries * (runMs + 30000) + 60000));
    while (!deadline.Passed() && program.Running()) {
        if (!firstStart && CountMarkerEvents(medium, "start") > 0)
            mark(firstStart);
        if (!lastEnd && CountMarkerEvents(medium, "end") == kRunEntries)
            mark(lastEnd);
        bool other = false;
        for (HWND window : VisibleDialogs(program.Id())) {
            if (StoredTitle(window) == kFinishTitle)
                finish = window;
            else if (window != page)
                other = true;  // a question or error of the run; none is expected
        }
        if (finish != nullptr) {
            mark(finished);
            break;
        }
        if (other)
            break;
        Sleep(kRunPollMs);
    }
    if (finish == nullptr || !finished || !firstStart || !lastEnd) {
        std::fprintf(stderr, "the run did not reach the finish page with %d installers run\n",
                     kRunEntries);
        ReportMessageBox(program);
        return false;
    }

    const auto span = [](const char* what, const Mark& from, const Mark& to) {
        const double wallMs = std::chrono::duration<double, std::milli>(to.at - from.at).count();
        const double userMs = to.velnora.userMs - from.velnora.userMs;
        const double kernelMs = to.velnora.kernelMs - from.velnora.kernelMs;
        const double cpuMs = userMs + kernelMs;
        const double share = wallMs > 0 ? 100.0 * cpuMs / wallMs : 0.0;
        std::printf("  %-38s %8.0f %8.1f %8.1f %8.1f %7.2f %%", what, wallMs, cpuMs, userMs,
                    kernelMs, share);
        if (from.server && to.server) {
            const double serverMs = to.server->Total() - from.server->Total();
            std::printf(" %8.1f %7.2f %%", serverMs, wallMs > 0 ? 100.0 * serverMs / wallMs : 0.0);
        }
        std::printf("\n");
        return share;
    };
    std::printf("  processor time of Velnora.exe (%s)%s:\n",
                wine ? "its Unix process, from /proc" : "GetProcessTimes",
                pressed->server ? ", and of the wineserver" : "");
    std::printf("  %-38s %8s %8s %8s %8s %9s", "span", "wall ms", "cpu ms", "user", "kernel",
                "of a core");
    if (pressed->server)
        std::printf(" %8s %9s", "server", "of a core");
    std::printf("\n");
    span("page open, idle", *idle, *pressed);
    span("Install to first installer start", *pressed, *firstStart);
    const double whileRunning = span("first installer start to last end", *firstStart, *lastEnd);
    span("last installer end to finish page", *lastEnd, *finished);
    const double whole = span("Install to finish page", *pressed, *finished);
    std::printf(
        "  Velnora.exe while installers run: %.2f %% of one core (target: under 2 %%, %s);"
        " whole run %.2f %%\n",
        whileRunning, whileRunning < 2.0 ? "met" : "missed", whole);
    std::fflush(stdout);
    const int started = CountMarkerEvents(medium, "start");
    const int ended = CountMarkerEvents(medium, "end");

    const bool ended_cleanly = EndProgram(program, finish, IDCANCEL);
    if (started != kRunEntries || ended != kRunEntries) {
        std::fprintf(stderr, "expected %d installers to run\n", kRunEntries);
        return false;
    }
    return ended_cleanly;
}

}  // namespace

int main(int argc, char** argv) {
    Medium medium;
    medium.folder = TempFolder() + L"\\installer page bench";
    int rounds = 10;
    long runMs = 4000;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 < argc && option == "--media") {
            medium.folder = Widen(argv[++i]);
        } else if (i + 1 < argc && option == "--rounds") {
            rounds = std::atoi(argv[++i]);
        } else if (i + 1 < argc && option == "--run-ms") {
            runMs = std::atol(argv[++i]);
        } else {
            std::fprintf(
                stderr, "usage: installer_page_bench [--media FOLDER] [--rounds N] [--run-ms N]\n");
            return 2;
        }
    }
    if (rounds < 1 || runMs < 0) {
        std::fprintf(stderr, "--rounds must be positive and --run-ms not negative\n");
        return 2;
    }
    medium.program = medium.folder + L"\\Velnora.exe";
    medium.marker = medium.folder + L"\\" + kMarkerFile;

    if (!PrepareSettings()) {
        std::fprintf(stderr, "cannot write the settings file\n");
        return 1;
    }
    bool ok = LayOutMedium(medium);
    ok = ok && MeasurePage(medium, rounds);
    ok = ok && MeasureRun(medium, runMs);
    RemoveMedium(medium);
    return ok ? 0 : 1;
}
