// Enumeration, maintenance page and switch times on a crowded uninstall root: 2,000 entries of
// other programs and 128 environments (registry only, except the two that the switch moves).
// Prints, median and minimum of each:
// - a baseline that opens every uninstall subkey once and reads the three values an
//   enumeration needs with the bare registry calls;
// - the environment enumeration with its sort;
// - the maintenance page, opened modeless on the real Win32 dialog host, from the open until it
//   has filled its list and the active environment's tool tree;
// - VelnoraCmd's `list --format json` run in this process, beside the page it lists the same
//   environments as;
// - a complete switch there and back through the engine;
// - the same switch from the open page (row selected, the in-process procedure), which ends
//   with the page filled again;
// and the ratios enumeration / baseline and page fill / enumeration with their targets (at
// most 3 each; a missed target is reported, not a failure). A failed switch or any message box
// ends the run non-zero; the boxes are printed and answered at once, never shown. Removes
// everything it created, also after an aborted run.
//
//   wine bin/environments_bench.exe [--rounds N]        (scripts/bench-environments.sh)
#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string_view>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/cmd_program.h"
#include "environments/activation_switch.h"
#include "environments/environment_table.h"
#include "flows/change_active.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "pages/maintenance_page.h"
#include "pages/page_prompt.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"

namespace {

using velnora::platform::win32::Utf8;
using velnora::platform::win32::Wide;

constexpr int kForeignEntries = 2000;
constexpr int kEnvironments = 128;
constexpr wchar_t kBenchRoot[] = L"C:\\VelnoraBench";
constexpr wchar_t kForeignPrefix[] = L"VelnoraBenchApp";
// Travels with every entry this program creates, through any number of switches.
constexpr wchar_t kBenchValue[] = L"VelnoraBench";
constexpr wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kProductGuid[] = L"{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}";
constexpr wchar_t kOtherProduct[] = L"{0E7D2C61-77A0-4B5B-9C0F-3A1D22C4B8E1}";
constexpr DWORD kValueBuffer = 1024;
// The vendor's installers are 32-bit programs: on 64-bit Windows their keys are in the 32-bit
// registry view and their files in the 32-bit program files folder, where the programs look.
constexpr REGSAM kVendorView = KEY_WOW64_32KEY;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name;
}

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                buffer)))
        return {};
    return buffer;
}

std::wstring InstallerInfoRoot() {
    return Join(ShellFolder(CSIDL_PROGRAM_FILESX86), L"InstallShield Installation Information");
}

std::wstring EntryPath(const std::wstring& name) {
    return std::wstring(kUninstallRoot) + L"\\" + name;
}

std::wstring GuidText() {
    GUID guid{};
    CoCreateGuid(&guid);
    wchar_t text[40];
    swprintf(text, 40, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
             guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
             guid.Data4[6], guid.Data4[7]);
    return text;
}

// --- registry and files, plain Win32 ---------------------------------------------------------

class Key {
  public:
    Key(HKEY root, const std::wstring& path, bool create) {
        const LONG result =
            create ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE | kVendorView, nullptr, &key_, nullptr)
                   : RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | kVendorView, &key_);
        if (result != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    bool SetText(const std::wstring& name, const std::wstring& text) {
        return RegSetValueExW(
                   key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    bool SetNumber(const std::wstring& name, DWORD number) {
        return RegSetValueExW(key_, name.c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&number),
                              sizeof number) == ERROR_SUCCESS;
    }
    bool Has(const std::wstring& name) const {
        return RegQueryValueExW(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    std::wstring Text(const std::wstring& name) const {
        wchar_t buffer[kValueBuffer / sizeof(wchar_t) + 1] = {};
        DWORD size = kValueBuffer;
        DWORD type = 0;
        if (RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                             &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return {};
        return buffer;
    }

  private:
    HKEY key_ = nullptr;
};

std::vector<std::wstring> Subkeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    Key key(root, path, false);
    if (!key)
        return names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

// Removes the key with everything below it, in the vendor's view (RegDeleteTreeW takes none).
void DeleteKeyTree(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(
            root, path.c_str(), 0,
            DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | kVendorView,
            &key) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExW(root, path.c_str(), kVendorView, 0);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateFolders(const std::wstring& path) {
    if (FileExists(path))
        return true;
    const auto slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2 && !CreateFolders(path.substr(0, slash)))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void RemoveTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW(Join(path, L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..")
                RemoveTree(Join(path, name));
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(file);
    return ok;
}

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text = path;
    return text.substr(0, text.find_last_of(L'\\'));
}

// --- the crowded machine ---------------------------------------------------------------------

// Every entry this program made, under whatever name the switch left it, and the material of
// those names.
void RemoveBenchMaterial() {
    std::vector<std::wstring> names;
    for (const std::wstring& name : Subkeys(HKEY_LOCAL_MACHINE, kUninstallRoot)) {
        Key key(HKEY_LOCAL_MACHINE, EntryPath(name), false);
        if (key && key.Has(kBenchValue))
            names.push_back(name);
    }
    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    const std::wstring windows = ShellFolder(CSIDL_WINDOWS);
    const std::wstring appData = Join(ShellFolder(CSIDL_COMMON_APPDATA), L"Orvessa");
    for (const std::wstring& name : names) {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, EntryPath(name));
        if (name.rfind(L"{", 0) != 0)
            continue;  // another program's entry
        const std::wstring suffix = name == kProductGuid ? L"" : name;
        RemoveTree(Join(InstallerInfoRoot(), name));
        RemoveTree(Join(programs, L"Orvessa" + suffix));
        DeleteFileW(Join(windows, suffix + L"Vtx2Inst.ini").c_str());
        RemoveTree(Join(appData, suffix + L"Tidewatch"));
        DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa\\" + suffix + L"Tidewatch");
        DeleteKeyTree(HKEY_CLASSES_ROOT, L"VTX_Workspace" + suffix);
    }
    // Only when nothing else is left.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa", kVendorView, 0);
    RemoveDirectoryW(appData.c_str());
    RemoveDirectoryW(InstallerInfoRoot().c_str());
    RemoveTree(kBenchRoot);
}

bool AddForeignEntries() {
    for (int i = 0; i < kForeignEntries; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"%ls%04d", kForeignPrefix, i);
        Key key(HKEY_LOCAL_MACHINE, EntryPath(name), true);
        const std::wstring folder = std::wstring(L"C:\\Program Files\\Bench App ") + name;
        bool ok = key && key.SetNumber(kBenchValue, 1) &&
                  key.SetText(L"DisplayName", std::wstring(L"Bench application ") + name) &&
                  key.SetText(L"DisplayVersion", L"1.2.3") &&
                  key.SetText(L"Publisher", L"Bench Publisher") &&
                  key.SetText(L"InstallLocation", folder) &&
                  key.SetText(L"UninstallString", L"\"" + folder + L"\\uninstall.exe\" /remove") &&
                  key.SetNumber(L"EstimatedSize", 4096);
        // Some carry a product GUID: another product's, or ours in the wrong letter case.
        if (ok && i % 10 == 0)
            ok = key.SetText(L"ProductGuid", kOtherProduct);
        if (ok && i % 100 == 1) {
            std::wstring lower = kProductGuid;
            std::transform(lower.begin(), lower.end(), lower.begin(), towlower);
            ok = key.SetText(L"ProductGuid", lower);
        }
        if (!ok)
            return false;
    }
    return true;
}

struct SwitchPair {
    std::wstring liveFolder;
    std::wstring parkedFolder;
    std::wstring parkedName;
};

bool AddEnvironment(const std::wstring& name, const std::wstring& folder, bool active) {
    Key key(HKEY_LOCAL_MACHINE, EntryPath(name), true);
    const std::wstring info = Join(InstallerInfoRoot(), name);
    return key && key.SetNumber(kBenchValue, 1) && key.SetText(L"ProductGuid", kProductGuid) &&
           key.SetText(active ? L"DisplayName" : L"_DisplayName",
                       L"Vantorix bench " + folder.substr(folder.find_last_of(L'\\') + 1)) &&
           key.SetText(L"DisplayVersion", L"4.08.00.012") &&
           key.SetText(L"Publisher", L"Orvessa") && key.SetText(L"InstallLocation", folder) &&
           key.SetText(L"UninstallString",
                       L"\"" + info + L"\\Setup.exe\" -runfromtemp -lang0409 -remove") &&
           key.SetText(L"LogFile", info + L"\\setup.log");
}

// What the switch needs of an environment beyond its entry: its folder with the versioned
// program and the installer information folder.
bool AddEnvironmentFolders(const std::wstring& name, const std::wstring& folder) {
    const std::wstring info = Join(InstallerInfoRoot(), name);
    return CreateFolders(folder) && CreateFolders(info) &&
           CopyFileW(Join(OwnFolder(), L"VTX2\\4.08.00.012\\VTX2.exe").c_str(),
                     Join(folder, L"VTX2.exe").c_str(), FALSE) &&
           WriteFileText(Join(info, L"Setup.exe"), "placeholder") &&
           WriteFileText(Join(info, L"setup.log"), "bench\r\n");
}

bool AddEnvironments(SwitchPair& pair) {
    pair.liveFolder = Join(kBenchRoot, L"Env-Live");
    pair.parkedFolder = Join(kBenchRoot, L"Env-Parked");
    pair.parkedName = GuidText();
    if (!AddEnvironment(kProductGuid, pair.liveFolder, true) ||
        !AddEnvironment(pair.parkedName, pair.parkedFolder, false) ||
        !AddEnvironmentFolders(kProductGuid, pair.liveFolder) ||
        !AddEnvironmentFolders(pair.parkedName, pair.parkedFolder))
        return false;
    // Folders in an order unlike the key names, so the sort has work to do.
    for (int i = 2; i < kEnvironments; ++i) {
        wchar_t folder[64];
        swprintf(folder, 64, L"%ls\\Env%03d", kBenchRoot, (i * 37) % 1000);
        if (!AddEnvironment(GuidText(), folder, false))
            return false;
    }
    return true;
}

// --- the engine ------------------------------------------------------------------------------

class ReportingUserInterface final : public velnora::platform::UserInterface {
  public:
    explicit ReportingUserInterface(velnora::platform::UserInterface& real) : real_(real) {}

    int MessageBox(const velnora::platform::DialogPage*, const std::string& text,
                   const std::string& caption, std::uint32_t) override {
        std::fprintf(stderr, "message box: %s: %s\n", caption.c_str(), text.c_str());
        ++shown;
        return velnora::platform::answer::kOk;
    }
    int RunModal(velnora::platform::DialogPage& page,
                 const velnora::platform::DialogPage* owner) override {
        return real_.RunModal(page, owner);
    }
    bool OpenModeless(velnora::platform::DialogPage& page,
                      const velnora::platform::DialogPage* owner) override {
        return real_.OpenModeless(page, owner);
    }
    bool ChooseFileToOpen(const velnora::platform::DialogPage* owner,
                          const velnora::platform::FileDialogRequest& request,
                          std::string& path) override {
        return real_.ChooseFileToOpen(owner, request, path);
    }
    bool ChooseFileToSave(const velnora::platform::DialogPage* owner,
                          const velnora::platform::FileDialogRequest& request,
                          std::string& path) override {
        return real_.ChooseFileToSave(owner, request, path);
    }
    bool BrowseForFolder(const velnora::platform::DialogPage* owner, const std::string& title,
                         const std::string& startFolder, std::string& folder) override {
        return real_.BrowseForFolder(owner, title, startFolder, folder);
    }
    void SetWaitCursor(bool waiting) override { real_.SetWaitCursor(waiting); }
    bool OpenHelp(const std::string& helpFile, std::uint32_t contextId) override {
        return real_.OpenHelp(helpFile, contextId);
    }
    velnora::platform::PumpStep PumpOne() override { return real_.PumpOne(); }
    void PostQuit(int exitCode) override { real_.PostQuit(exitCode); }
    void WaitForMessageOrProcess(velnora::platform::Handle process,
                                 std::uint32_t timeoutMs) override {
        real_.WaitForMessageOrProcess(process, timeoutMs);
    }

    int shown = 0;

  private:
    velnora::platform::UserInterface& real_;
};

// --- measuring -------------------------------------------------------------------------------

struct Figures {
    std::vector<double> samples;

    double Median() const {
        std::vector<double> sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double Min() const {
        return samples.empty() ? 0 : *std::min_element(samples.begin(), samples.end());
    }
};

struct BaselineWalk {
    int subkeys = 0;
    int environments = 0;
    // How many subkeys an enumeration that stops at a full table looks at.
    int subkeysUntilTableFull = 0;
};

// Opens every uninstall subkey once and reads the three values, with the W calls and nothing
// else: the least any enumeration of the environments can do.
BaselineWalk Baseline() {
    BaselineWalk walk;
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_ENUMERATE_SUB_KEYS | kVendorView,
                      &root) != ERROR_SUCCESS)
        return walk;
    wchar_t name[1024];
    BYTE data[kValueBuffer];
    for (DWORD index = 0;; ++index) {
        DWORD length = 1024;
        if (RegEnumKeyExW(root, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        ++walk.subkeys;
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, name, 0, KEY_READ | kVendorView, &key) != ERROR_SUCCESS)
            continue;
        auto read = [&](const wchar_t* value) {
            DWORD size = sizeof data - sizeof(wchar_t);
            DWORD type = 0;
            const bool ok =
                RegQueryValueExW(key, value, nullptr, &type, data, &size) == ERROR_SUCCESS;
            data[size] = data[size + 1] = 0;
            return ok;
        };
        const bool environment =
            read(L"ProductGuid") &&
            std::wcscmp(reinterpret_cast<const wchar_t*>(data), kProductGuid) == 0;
        read(L"DisplayName");
        read(L"InstallLocation");
        RegCloseKey(key);
        if (environment && ++walk.environments == kEnvironments)
            walk.subkeysUntilTableFull = walk.subkeys;
    }
    RegCloseKey(root);
    if (walk.subkeysUntilTableFull == 0)
        walk.subkeysUntilTableFull = walk.subkeys;
    return walk;
}

// The row of the table as last enumerated; -1 when no row has that folder.
int RowOfFolder(velnora::installer::Context& context, const std::wstring& folder) {
    for (int row = 0; row < context.environments.Count(); ++row) {
        std::string location;
        if (velnora::environments::ReadEnvironmentValue(context, row, "InstallLocation",
                                                        location) &&
            Wide(location) == folder)
            return row;
    }
    return -1;
}

std::string KeyNameOfFolder(velnora::installer::Context& context, const std::wstring& folder) {
    const int row = RowOfFolder(context, folder);
    return row < 0 ? std::string() : context.environments.Row(row).keyName;
}

bool IsActive(const std::wstring& folder) {
    const Key live(HKEY_LOCAL_MACHINE, EntryPath(kProductGuid), false);
    return live && live.Text(L"InstallLocation") == folder;
}

// The console's output goes nowhere: the figure is the command's work, not the terminal's.
class DiscardingConsole final : public velnora::platform::Console {
  public:
    bool Write(velnora::platform::StandardStream, std::string_view) override { return true; }
    std::optional<std::string> ReadLine() override { return std::nullopt; }
};

// Opens the page as the programs do; false unless it came up with the active environment's
// tool tree.
bool OpenMaintenancePage(velnora::installer::Context& context,
                         velnora::pages::MaintenancePage& page) {
    return context.platform.ui.OpenModeless(page, nullptr) && page.IsOpen() && page.ShownRow() >= 0;
}

// Destroys the page's window, then lets what that posted run out before the next figure.
void CloseMaintenancePage(velnora::installer::Context& context,
                          velnora::pages::MaintenancePage& page) {
    if (velnora::platform::PageWindow* window = page.OpenWindow())
        window->EndDialog(0);
    while (context.platform.ui.PumpOne() == velnora::platform::PumpStep::kDispatched) {
    }
}

int Run(int rounds) {
    velnora::platform::win32::Win32Platform win32;
    velnora::platform::Platform& real = win32.Get();
    ReportingUserInterface ui(real.ui);
    velnora::platform::Platform platform{real.profile, real.registry, real.files, real.processes,
                                         real.shell,   real.session,  ui,         real.console};
    velnora::installer::Context context(platform);
    context.startup.programBaseName = "Velnora";
    context.startup.settingsFile = Utf8(Join(kBenchRoot, L"Velnora.ini"));
    real.session.GetVersion(context.startup.osVersion);
    context.startup.startMode = velnora::core::StartMode::kMaintenance;
    velnora::core::Notices notices;
    if (!velnora::environments::LoadProcessApi(context, notices))
        return 1;

    std::printf("Filling the uninstall root: %d entries of other programs, %d environments...\n",
                kForeignEntries, kEnvironments);
    SwitchPair pair;
    const auto fillStart = Clock::now();
    if (!CreateFolders(kBenchRoot) || !AddForeignEntries() || !AddEnvironments(pair)) {
        std::fprintf(stderr, "could not create the bench entries\n");
        return 1;
    }
    std::printf("  done in %.0f ms\n\n", MillisecondsSince(fillStart));

    Figures baseline;
    Figures enumeration;
    Figures pageFill;
    Figures cmdList;
    DiscardingConsole discard;
    velnora::platform::Platform console{real.profile, real.registry, real.files, real.processes,
                                        real.shell,   real.session,  ui,         discard};
    BaselineWalk walk;
    int listed = 0;
    for (int round = -2; round < rounds; ++round) {  // two warm-up rounds
        auto start = Clock::now();
        walk = Baseline();
        const double baselineMs = MillisecondsSince(start);
        start = Clock::now();
        const bool enumerated = velnora::environments::EnumerateEnvironments(context);
        const double enumerationMs = MillisecondsSince(start);
        if (!enumerated) {
            std::fprintf(stderr, "EnumerateEnvironments failed\n");
            return 1;
        }
        listed = context.environments.Count();
        velnora::pages::MaintenancePage page(context);
        start = Clock::now();
        const bool filled = OpenMaintenancePage(context, page);
        const double pageMs = MillisecondsSince(start);
        CloseMaintenancePage(context, page);
        if (!filled) {
            std::fprintf(stderr, "the maintenance page did not open with the active environment\n");
            return 1;
        }
        // VelnoraCmd's listing in this process: its search, the reports' reads, the JSON and
        // the run's log, without the start of a process.
        start = Clock::now();
        const int listExit = velnora::app::RunVelnoraCmd(console, {"list", "--format", "json"});
        const double listMs = MillisecondsSince(start);
        if (listExit != 0) {
            std::fprintf(stderr, "VelnoraCmd list ended with %d\n", listExit);
            return 1;
        }
        if (round >= 0) {
            baseline.samples.push_back(baselineMs);
            enumeration.samples.push_back(enumerationMs);
            pageFill.samples.push_back(pageMs);
            cmdList.samples.push_back(listMs);
        }
    }

    Figures there;
    Figures back;
    Figures both;
    const int switchRounds = std::max(1, rounds / 4);
    for (int round = 0; round < switchRounds; ++round) {
        velnora::environments::EnumerateEnvironments(context);
        const std::string parked = KeyNameOfFolder(context, pair.parkedFolder);
        auto start = Clock::now();
        velnora::pages::PagePrompt prompt(context, nullptr);
        const auto first = velnora::flows::ChangeActiveEnvironment(context, prompt, parked);
        const double thereMs = MillisecondsSince(start);
        const std::string previous = KeyNameOfFolder(context, pair.liveFolder);
        start = Clock::now();
        const auto second = velnora::flows::ChangeActiveEnvironment(context, prompt, previous);
        const double backMs = MillisecondsSince(start);
        if (first != velnora::flows::ChangeOutcome::kChanged ||
            second != velnora::flows::ChangeOutcome::kChanged || previous.empty()) {
            std::fprintf(stderr, "the switch failed (%d, %d)\n", static_cast<int>(first),
                         static_cast<int>(second));
            return 1;
        }
        there.samples.push_back(thereMs);
        back.samples.push_back(backMs);
        both.samples.push_back(thereMs + backMs);
    }

    // The same switches from the open page: the user's row, the procedure and the refill.
    Figures pageThere;
    Figures pageBack;
    Figures pageBoth;
    {
        velnora::pages::MaintenancePage page(context);
        if (!OpenMaintenancePage(context, page)) {
            std::fprintf(stderr, "the maintenance page did not open with the active environment\n");
            return 1;
        }
        // Each switch refills the page, and with it the table the next row is looked up in.
        auto switchTo = [&](const std::wstring& folder, double& ms) {
            const int row = RowOfFolder(context, folder);
            if (row < 0)
                return false;
            page.SelectRow(row);
            const int boxes = ui.shown;
            const auto start = Clock::now();
            page.SwitchActiveHere();
            ms = MillisecondsSince(start);
            return ui.shown == boxes && IsActive(folder) && page.ShownRow() >= 0;
        };
        for (int round = 0; round < switchRounds; ++round) {
            double thereMs = 0;
            double backMs = 0;
            if (!switchTo(pair.parkedFolder, thereMs) || !switchTo(pair.liveFolder, backMs)) {
                CloseMaintenancePage(context, page);
                std::fprintf(stderr, "the switch from the maintenance page failed\n");
                return 1;
            }
            pageThere.samples.push_back(thereMs);
            pageBack.samples.push_back(backMs);
            pageBoth.samples.push_back(thereMs + backMs);
        }
        CloseMaintenancePage(context, page);
    }

    std::printf(
        "Uninstall root: %d subkeys, %d environments (table rows: %d); an enumeration\n"
        "that stops at a full table walks %d of them.\n\n",
        walk.subkeys, walk.environments, listed, walk.subkeysUntilTableFull);
    std::printf("%-44s %10s %10s %8s\n", "", "median ms", "min ms", "samples");
    auto line = [](const char* what, const Figures& figures) {
        std::printf("%-44s %10.2f %10.2f %8zu\n", what, figures.Median(), figures.Min(),
                    figures.samples.size());
    };
    line("baseline: open each subkey, read 3 values", baseline);
    line("EnumerateEnvironments (with its sort)", enumeration);
    line("maintenance page: open until filled", pageFill);
    line("VelnoraCmd list --format json (in process)", cmdList);
    line("switch there (flows::ChangeActiveEnvironment)", there);
    line("switch back", back);
    line("switch there and back", both);
    line("page: switch there (SwitchActiveHere)", pageThere);
    line("page: switch back", pageBack);
    line("page: switch there and back", pageBoth);
    auto ratio = [](const char* what, const Figures& part, const Figures& whole) {
        const double value = whole.Median() > 0 ? part.Median() / whole.Median() : 0;
        std::printf("%-36s %6.2f  (target: at most 3.00, %s)\n", what, value,
                    value <= 3.0 ? "met" : "NOT MET");
    };
    std::printf("\n");
    ratio("enumeration / baseline (medians):", enumeration, baseline);
    ratio("page fill / enumeration (medians):", pageFill, enumeration);
    std::printf("%-36s %6.2f\n", "list / page fill (medians):",
                pageFill.Median() > 0 ? cmdList.Median() / pageFill.Median() : 0);
    if (ui.shown != 0)
        std::printf("%d message box(es) were shown, see above\n", ui.shown);
    return ui.shown == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    {
        const Key live(HKEY_LOCAL_MACHINE, EntryPath(kProductGuid), false);
        if (live && !live.Has(kBenchValue)) {
            std::fprintf(stderr, "this prefix has an active environment; the bench leaves it be\n");
            CoUninitialize();
            return 2;
        }
    }
    RemoveBenchMaterial();  // what an aborted run left
    const int result = Run(rounds);
    RemoveBenchMaterial();
    CoUninitialize();
    return result;
}
