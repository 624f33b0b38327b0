// The activation switch on environments that the vendor's installers created, under Wine. The
// real engine on the Win32 platform parks each environment before the next one is installed
// (a new install takes the live names), then switches back and forth between them; after every
// step each component of each environment is looked for at its live or parked name, and
// nothing may be left under a name that no environment owns. The machine is read with plain
// Win32 calls, never through the engine, where the vendor's 32-bit programs have their things:
// the 32-bit registry view and program files folder (kit::kVendorView, the driver's default).
//
// The test uses the live names of the prefix, so it runs alone. It removes what it created,
// also what an aborted earlier run left behind, and can run again in the same prefix.
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <cwctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/prefix_state.h"
#include "driver/wait.h"
#include "environments/activation_switch.h"
#include "environments/environment_table.h"
#include "environments/tidewatch.h"
#include "flows/change_active.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "kit_common.h"
#include "pages/page_prompt.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"

namespace velnora::e2e {
namespace {

using kit::JoinPath;
using kit::Quote;
using platform::win32::Utf8;
using platform::win32::Wide;

constexpr wchar_t kWorkRoot[] = L"C:\\VelnoraSwitchE2E";
constexpr wchar_t kMaker[] = L"Orvessa";
constexpr wchar_t kToolRecord[] = L"Vtx2Inst.ini";
constexpr wchar_t kTidewatchFolder[] = L"Tidewatch";
constexpr wchar_t kTidewatchProgram[] = L"Tidewatch.exe";
constexpr wchar_t kTidewatchLink[] = L"Orvessa Tidewatch.lnk";
constexpr wchar_t kInstallManagerLink[] = L"Multiple Install Manager.lnk";
constexpr wchar_t kWorkspaceClass[] = L"VTX_Workspace";
// Shortcuts of other programs that the old-layout gathering must tell apart from the
// environment's own: one names the old environment's folder only in its arguments, one
// belongs to someone else entirely.
constexpr wchar_t kSampleLink[] = L"Open Beta sample.lnk";
constexpr wchar_t kForeignLink[] = L"Acme Tools\\Acme.lnk";

constexpr const wchar_t* kScriptNames[] = {
    L"ALL_REGISTERSERVER", L"ALL_UNREGISTERSERVER", L"REGISTERSERVER",
    L"PDREGISTERSERVER",   L"UNREGISTERSERVER",     L"PDUNREGISTERSERVER",
};

constexpr Milliseconds kInstallerTimeout{120000};
constexpr Milliseconds kScriptTimeout{30000};
constexpr Milliseconds kProcessTimeout{20000};

// --- the machine, read with plain Win32 calls ------------------------------------------------

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return Lower(text).rfind(Lower(prefix), 0) == 0;
}

struct RegData {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const RegData&) const = default;
};
using ValueMap = std::map<std::wstring, RegData>;

std::optional<ValueMap> ReadValues(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    // In the vendor's view, as everything this test reads (see kit::kVendorView).
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | kit::kVendorView, &key) != ERROR_SUCCESS)
        return std::nullopt;
    ValueMap values;
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(),
                          &dataLength) != ERROR_SUCCESS)
            break;
        values[std::wstring(name.data(), nameLength)] = {
            type, std::vector<BYTE>(data.begin(), data.begin() + dataLength)};
    }
    RegCloseKey(key);
    return values;
}

std::wstring TextOf(const ValueMap& values, const std::wstring& name) {
    const auto it = values.find(name);
    if (it == values.end())
        return L"<missing>";
    if (it->second.type != REG_SZ)
        return L"<not a text>";
    std::wstring text(it->second.bytes.size() / sizeof(wchar_t), L'\0');
    std::copy(it->second.bytes.begin(), it->second.bytes.begin() + text.size() * sizeof(wchar_t),
              reinterpret_cast<BYTE*>(text.data()));
    return text.substr(0, text.find(L'\0'));
}

std::wstring RegText(HKEY root, const std::wstring& key, const std::wstring& name) {
    return kit::ReadRegText(root, key, name).value_or(L"<missing>");
}

DWORD Attributes(const std::wstring& path) {
    return GetFileAttributesW(path.c_str());
}

// Relative paths of every file below the folder, sorted.
std::vector<std::wstring> FilesBelow(const std::wstring& folder, const std::wstring& prefix = L"") {
    std::vector<std::wstring> files;
    for (const std::wstring& name : FolderEntries(folder)) {
        const std::wstring path = JoinPath(folder, name);
        if (kit::IsFolder(path)) {
            const auto inner = FilesBelow(path, prefix + name + L"\\");
            files.insert(files.end(), inner.begin(), inner.end());
        } else {
            files.push_back(prefix + name);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::wstring> FoldersBelow(const std::wstring& folder,
                                       const std::wstring& prefix = L"") {
    std::vector<std::wstring> folders;
    for (const std::wstring& name : FolderEntries(folder)) {
        const std::wstring path = JoinPath(folder, name);
        if (!kit::IsFolder(path))
            continue;
        folders.push_back(prefix + name);
        const auto inner = FoldersBelow(path, prefix + name + L"\\");
        folders.insert(folders.end(), inner.begin(), inner.end());
    }
    return folders;
}

struct ShortcutText {
    std::wstring target;
    std::wstring arguments;
};

std::optional<ShortcutText> ReadShortcutFile(const std::wstring& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return std::nullopt;
    std::optional<ShortcutText> result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            wchar_t target[MAX_PATH] = {};
            wchar_t arguments[INFOTIPSIZE] = {};
            link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(arguments, INFOTIPSIZE);
            result = ShortcutText{target, arguments};
        }
        file->Release();
    }
    link->Release();
    return result;
}

std::vector<DWORD> ProcessIds(const std::wstring& programFile) {
    std::vector<DWORD> ids;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (Lower(entry.szExeFile) == Lower(programFile))
            ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

bool Running(const std::wstring& programFile) {
    return !ProcessIds(programFile).empty();
}

// Wine's menu builder reads every shortcut saved into the start menu, in a process of its own,
// while the test goes on to move the folders it reads from. It is given a moment to finish,
// not more: one that waits for another program's missing target never ends.
void WaitForMenuBuilder() {
    WaitUntil([] { return !Running(L"winemenubuilder.exe"); }, Milliseconds{5000});
}

// Closes Tidewatch the way the session end would, and terminates what does not go.
void EndTidewatch() {
    for (HWND window = FindWindowW(L"TidewatchStandIn", L"Tidewatch"); window != nullptr;
         window = FindWindowExW(nullptr, window, L"TidewatchStandIn", L"Tidewatch"))
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitUntil([] { return !Running(kTidewatchProgram); }, Milliseconds{5000}))
        return;
    for (const DWORD id : ProcessIds(kTidewatchProgram)) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

// The command's exit code, or -1 when it did not start or end in time.
long RunCommand(std::wstring commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(kInstallerTimeout.count())) ==
        WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<long>(code);
}

std::wstring ProgramsFolder() {
    return kit::ProgramsFolder();
}
std::wstring AppDataRoot() {
    return JoinPath(kit::ShellFolder(CSIDL_COMMON_APPDATA), kMaker);
}
std::wstring StartupLink() {
    return JoinPath(kit::ShellFolder(CSIDL_COMMON_STARTUP), kTidewatchLink);
}
std::wstring TidewatchHome() {
    return JoinPath(kit::ProgramFilesFolder(), L"Orvessa\\Tidewatch");
}
// The names of the classes keys, in the vendor's view. HKEY_CLASSES_ROOT itself, opened with
// an empty path, is not redirected (Wine gives the 64-bit classes for it), so the listing
// reads the local machine's classes key, where the classes root keeps what the programs
// write, in that view.
std::vector<std::wstring> ClassesKeys() {
    return RegistrySubkeys(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes");
}
std::wstring TidewatchKeyOf(const std::wstring& suffix) {
    return std::wstring(L"SOFTWARE\\Orvessa\\") + suffix + kTidewatchFolder;
}

// --- the environments ------------------------------------------------------------------------

struct EnvironmentPlan {
    const char* label;
    const wchar_t* folderName;
    const wchar_t* version;
    std::int32_t versionNumber;
    const wchar_t* comScripts;
    const wchar_t* startMenu;
    bool tidewatch;
    std::vector<std::wstring> registerScripts;
    std::vector<std::wstring> unregisterScripts;
    // Its shortcuts, relative to its start-menu folder once it owns one of the maker's (live
    // or parked); the install manager's shortcut may come with them.
    std::vector<std::wstring> startMenuFiles;
};

// Beta is an old release: its shortcuts lie outside the maker's folder until its first parking
// gathers them. Alpha and Gamma keep theirs in the maker's folder; Gamma has no Tidewatch.
const std::array<EnvironmentPlan, 3> kPlans = {{
    {"Alpha",
     L"Alpha408",
     L"4.08.00.012",
     4080,
     L"all",
     L"orvessa",
     true,
     {L"ALL_REGISTERSERVER"},
     {L"ALL_UNREGISTERSERVER"},
     {L"Vantorix\\Read me.lnk", L"Vantorix\\Vantorix.lnk"}},
    {"Beta",
     L"Beta220",
     L"2.20.00.000",
     2200,
     L"split",
     L"legacy",
     true,
     {L"REGISTERSERVER", L"PDREGISTERSERVER"},
     {L"UNREGISTERSERVER", L"PDUNREGISTERSERVER"},
     {kSampleLink, L"Vantorix V2.20.00.000\\Read me.lnk", L"Vantorix V2.20.00.000\\Vantorix.lnk"}},
    {"Gamma",
     L"Gamma305",
     L"3.0.0.5",
     3005,
     L"both",
     L"orvessa",
     false,
     {L"ALL_REGISTERSERVER"},
     {L"ALL_UNREGISTERSERVER"},
     {L"Vantorix\\Read me.lnk", L"Vantorix\\Vantorix.lnk"}},
}};
enum Env { kAlpha = 0, kBeta = 1, kGamma = 2 };

struct EnvironmentState {
    const EnvironmentPlan* plan = nullptr;
    bool installed = false;
    std::wstring keyName;  // the product GUID while active
    ValueMap installedValues;
    std::multiset<std::wstring> comLog;
    std::optional<DWORD> tidewatchEnable;
    bool startMenuGathered = false;
    bool installManagerLink = false;
    bool hasTidewatchFolder = false;
    std::set<std::wstring> formerNames;

    bool Active() const { return keyName == kit::kProductGuid; }
    std::wstring Folder() const { return JoinPath(kWorkRoot, plan->folderName); }
    std::wstring ParkedSuffix() const { return Active() ? L"" : keyName; }
};

// Values the switch rewrites or adds; every other value must travel unchanged.
const std::set<std::wstring> kMovingValues = {L"DisplayName", L"_DisplayName", L"UninstallString",
                                              L"LogFile", L"TidewatchEnable"};

// --- the engine ------------------------------------------------------------------------------

// Message boxes are recorded, not shown: the test must see every one and never block on one.
class RecordingUserInterface final : public platform::UserInterface {
  public:
    explicit RecordingUserInterface(platform::UserInterface& real) : real_(real) {}

    int MessageBox(const platform::DialogPage*, const std::string& text, const std::string& caption,
                   std::uint32_t) override {
        messages.push_back(caption + ": " + text);
        return platform::answer::kOk;
    }
    int RunModal(platform::DialogPage& page, const platform::DialogPage* owner) override {
        return real_.RunModal(page, owner);
    }
    bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner) override {
        return real_.OpenModeless(page, owner);
    }
    bool ChooseFileToOpen(const platform::DialogPage* owner,
                          const platform::FileDialogRequest& request, std::string& path) override {
        return real_.ChooseFileToOpen(owner, request, path);
    }
    bool ChooseFileToSave(const platform::DialogPage* owner,
                          const platform::FileDialogRequest& request, std::string& path) override {
        return real_.ChooseFileToSave(owner, request, path);
    }
    bool BrowseForFolder(const platform::DialogPage* owner, const std::string& title,
                         const std::string& startFolder, std::string& folder) override {
        return real_.BrowseForFolder(owner, title, startFolder, folder);
    }
    void SetWaitCursor(bool waiting) override { real_.SetWaitCursor(waiting); }
    bool OpenHelp(const std::string& helpFile, std::uint32_t contextId) override {
        return real_.OpenHelp(helpFile, contextId);
    }
    platform::PumpStep PumpOne() override { return real_.PumpOne(); }
    void PostQuit(int exitCode) override { real_.PostQuit(exitCode); }
    void WaitForMessageOrProcess(platform::Handle process, std::uint32_t timeoutMs) override {
        real_.WaitForMessageOrProcess(process, timeoutMs);
    }

    std::vector<std::string> messages;

  private:
    platform::UserInterface& real_;
};

struct Deliverable {
    const char* name;
    bool elevatedTwin;
    // The elevated twin moves start-menu folders through the shell, except on version 6.0.
    std::optional<platform::OsVersion> version;
};

// One program run's worth of engine: the Win32 platform and a context set up as start-up
// sets it up.
class Engine {
  public:
    Engine(const Deliverable& deliverable, const std::wstring& settingsFile)
        : ui_(win32_.Get().ui),
          platform_{win32_.Get().profile,
                    win32_.Get().registry,
                    win32_.Get().files,
                    win32_.Get().processes,
                    win32_.Get().shell,
                    win32_.Get().session,
                    ui_,
                    win32_.Get().console},
          context_(platform_) {
        context_.texts = core::TextSet(false);
        context_.startup.programBaseName = deliverable.elevatedTwin ? "VelnoraAdm" : "Velnora";
        context_.startup.settingsFile = Utf8(settingsFile);
        context_.startup.elevatedTwin = deliverable.elevatedTwin;
        platform_.session.GetVersion(context_.startup.osVersion);
        if (deliverable.version)
            context_.startup.osVersion = *deliverable.version;
    }

    installer::Context& context() { return context_; }
    std::vector<std::string>& Messages() { return ui_.messages; }

  private:
    platform::win32::Win32Platform win32_;
    RecordingUserInterface ui_;
    platform::Platform platform_;
    installer::Context context_;
};

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const auto& text : texts)
        joined += "\n  " + text;
    return joined;
}

// --- the test --------------------------------------------------------------------------------

class SwitchOnVendorEnvironments : public testing::TestWithParam<Deliverable> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        comInitialised_ = true;
        const auto live = kit::ReadRegText(
            HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(kit::kProductGuid), L"InstallLocation");
        if (live && !StartsWithNoCase(*live, kWorkRoot)) {
            GTEST_SKIP() << "this prefix holds an active environment of someone else";
        }
        EndTidewatch();
        RemoveLeftovers();

        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        recordBackup_ = JoinPath(temp, L"VelnoraSwitchE2E-Vtx2Inst.ini");
        const std::wstring record = kit::ToolRecordPath();
        DeleteFileW(recordBackup_.c_str());
        hadRecord_ = kit::PathExists(record) && MoveFileW(record.c_str(), recordBackup_.c_str());

        // The old-layout gathering removes every empty folder of the start menu; they are put
        // back at the end.
        programsFolders_ = FoldersBelow(ProgramsFolder());
        installerInfoBefore_ = FolderEntries(kit::InstallerInfoRoot());
        cleanUp_ = true;

        ASSERT_TRUE(kit::CreateFolders(kWorkRoot));
        marker_ = JoinPath(kWorkRoot, L"kit-marker.txt");
        for (std::size_t i = 0; i < kPlans.size(); ++i)
            states_[i].plan = &kPlans[i];
        engine_ = std::make_unique<Engine>(GetParam(), JoinPath(kWorkRoot, L"Velnora.ini"));
        core::Notices notices;
        ASSERT_TRUE(environments::LoadProcessApi(context(), notices));
    }

    void TearDown() override {
        engine_.reset();
        if (cleanUp_) {
            EndTidewatch();
            // The scripts of the last switch may still be ending in the environment folders.
            WaitUntil([] { return !Running(L"cmd.exe"); }, kProcessTimeout);
            RemoveLeftovers();
            const std::wstring record = kit::ToolRecordPath();
            if (hadRecord_)
                MoveFileExW(recordBackup_.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
            for (const std::wstring& folder : programsFolders_)
                kit::CreateFolders(JoinPath(ProgramsFolder(), folder));
        }
        if (comInitialised_)
            CoUninitialize();
    }

    installer::Context& context() { return engine_->context(); }
    EnvironmentState& State(Env env) { return states_[env]; }

    // Everything that a run of this test creates: the environments under the work root with
    // whatever names they were last parked under, the live names, Tidewatch and the shortcuts
    // of other programs.
    static void RemoveLeftovers() {
        const std::wstring uninstallRoot = kit::kUninstallRoot;
        std::vector<std::wstring> names;
        for (const std::wstring& name : RegistrySubkeys(HKEY_LOCAL_MACHINE, uninstallRoot)) {
            const auto location = kit::ReadRegText(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(name),
                                                   L"InstallLocation");
            if (location && StartsWithNoCase(*location, kWorkRoot))
                names.push_back(name);
        }
        const std::wstring programs = ProgramsFolder();
        const std::wstring windows = kit::WindowsFolder();
        for (const std::wstring& name : OrphanedParkedNames())
            names.push_back(name);
        for (const std::wstring& name : names) {
            const std::wstring suffix = name == kit::kProductGuid ? L"" : name;
            kit::DeleteRegTree(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(name));
            kit::RemoveTree(JoinPath(kit::InstallerInfoRoot(), name));
            kit::RemoveTree(JoinPath(programs, kMaker + suffix));
            DeleteFileW(JoinPath(windows, suffix + kToolRecord).c_str());
            kit::RemoveTree(JoinPath(AppDataRoot(), suffix + kTidewatchFolder));
            kit::DeleteRegTree(HKEY_LOCAL_MACHINE, TidewatchKeyOf(suffix));
            kit::DeleteRegTree(HKEY_CLASSES_ROOT, kWorkspaceClass + suffix);
        }
        if (kit::ReadRegText(HKEY_CLASSES_ROOT, kit::kAssociationExtension, L"") ==
                std::optional<std::wstring>(kWorkspaceClass) &&
            !kit::KeyExists(HKEY_CLASSES_ROOT, kWorkspaceClass))
            kit::DeleteRegTree(HKEY_CLASSES_ROOT, kit::kAssociationExtension);
        if (!names.empty()) {
            // The maker's live start-menu folder outlives its environment after an old-layout
            // parking; parked ones belong to the names above.
            kit::RemoveTree(JoinPath(programs, kMaker));
        }
        for (const std::wstring& entry : FolderEntries(programs)) {
            if (StartsWithNoCase(entry, L"Vantorix V"))
                kit::RemoveTree(JoinPath(programs, entry));
        }
        DeleteFileW(JoinPath(programs, kSampleLink).c_str());
        kit::RemoveTree(JoinPath(programs, L"Acme Tools"));

        DeleteFileW(StartupLink().c_str());
        kit::DeleteRegTree(HKEY_LOCAL_MACHINE, TidewatchKeyOf(L""));
        kit::RemoveTree(TidewatchHome());
        kit::DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa");
        RemoveDirectoryW(AppDataRoot().c_str());
        RemoveDirectoryW(JoinPath(kit::ProgramFilesFolder(), kMaker).c_str());
        RemoveDirectoryW(kit::InstallerInfoRoot().c_str());
        kit::RemoveTree(kWorkRoot);
    }

    // Parked names of material whose uninstall entry is gone: an aborted run can leave such
    // material, and it belongs to no environment that could ever be activated.
    static std::set<std::wstring> OrphanedParkedNames() {
        constexpr std::size_t kNameLength = 38;
        std::set<std::wstring> found;
        auto take = [&](const std::wstring& text, std::size_t at, const std::wstring& rest) {
            if (text.size() == at + kNameLength + rest.size() && text[at] == L'{' &&
                text[at + kNameLength - 1] == L'}' &&
                Lower(text.substr(at + kNameLength)) == Lower(rest))
                found.insert(text.substr(at, kNameLength));
        };
        for (const std::wstring& entry : FolderEntries(ProgramsFolder())) {
            if (StartsWithNoCase(entry, kMaker))
                take(entry, std::wcslen(kMaker), L"");
        }
        for (const std::wstring& entry : FolderEntries(kit::WindowsFolder()))
            take(entry, 0, kToolRecord);
        for (const std::wstring& entry : FolderEntries(AppDataRoot()))
            take(entry, 0, kTidewatchFolder);
        for (const std::wstring& key : RegistrySubkeys(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa"))
            take(key, 0, kTidewatchFolder);
        for (const std::wstring& key : ClassesKeys()) {
            if (StartsWithNoCase(key, kWorkspaceClass))
                take(key, std::wcslen(kWorkspaceClass), L"");
        }
        std::set<std::wstring> orphans;
        for (const std::wstring& name : found) {
            if (!kit::KeyExists(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(name)))
                orphans.insert(name);
        }
        return orphans;
    }

    // --- what the vendor installers and the install manager do ---

    void Install(Env which) {
        EnvironmentState& env = State(which);
        const EnvironmentPlan& plan = *env.plan;
        std::wstring command = Quote(JoinPath(kit::OwnFolder(), L"vtx_installer_standin.exe")) +
                               L" --create-environment --version " + plan.version + L" --folder " +
                               Quote(env.Folder()) + L" --com-scripts " + plan.comScripts +
                               L" --start-menu " + plan.startMenu;
        if (plan.tidewatch)
            command += L" --with-tidewatch";
        command += L" --marker " + Quote(marker_);
        ASSERT_EQ(RunCommand(command), 0) << Marker();
        WaitForMenuBuilder();
        ASSERT_NO_FATAL_FAILURE(GiveScriptsLogsOfTheirOwn(env));

        env.installed = true;
        env.keyName = kit::kProductGuid;
        const auto values =
            ReadValues(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(kit::kProductGuid));
        ASSERT_TRUE(values.has_value());
        env.installedValues = *values;
        env.startMenuGathered = std::wstring(plan.startMenu) != L"legacy";
        env.hasTidewatchFolder = plan.tidewatch;
    }

    // The kit's scripts append to one shared log; the two scripts of the split form, which
    // are started together, then lose lines to each other. Each script gets a log of its own.
    static void GiveScriptsLogsOfTheirOwn(const EnvironmentState& env) {
        for (const wchar_t* name : kScriptNames) {
            const std::wstring script = JoinPath(env.Folder(), std::wstring(name) + L".bat");
            if (kit::PathExists(script)) {
                ASSERT_TRUE(
                    kit::WriteTextFile(script, L"@echo off\r\necho %~n0>>\"%~dp0%~n0.ran\"\r\n"));
            }
        }
    }

    // The install manager's own shortcut, where the install run or its self-installation puts
    // it: into the parked environment's start-menu folder when that lacks it, else the live one.
    void PlaceInstallManagerShortcut(const std::wstring& parkedName) {
        const std::wstring target = InstallManagerProgram();
        std::wstring link =
            JoinPath(JoinPath(ProgramsFolder(), kMaker + parkedName), kInstallManagerLink);
        EnvironmentState* owner = nullptr;
        for (auto& env : states_) {
            if (env.installed && env.keyName == parkedName)
                owner = &env;
        }
        if (parkedName.empty() || kit::PathExists(link)) {
            link = JoinPath(JoinPath(ProgramsFolder(), kMaker), kInstallManagerLink);
            owner = nullptr;
            for (auto& env : states_) {
                if (env.installed && env.Active() && env.startMenuGathered)
                    owner = &env;
            }
        }
        if (owner != nullptr)
            owner->installManagerLink = true;
        ASSERT_TRUE(kit::CreateFolders(kit::ParentFolder(link)));
        ASSERT_TRUE(kit::CreateShortcut(link, target, L"", L"", L"Multiple Install Manager"));
        WaitForMenuBuilder();
    }

    // Shortcut targets must exist: Wine's menu builder waits for a missing one to appear.
    static std::wstring PlaceholderProgram(const std::wstring& relativePath) {
        const std::wstring path = JoinPath(kWorkRoot, relativePath);
        kit::CreateFolders(kit::ParentFolder(path));
        kit::WriteTextFile(path, L"placeholder");
        return path;
    }
    static std::wstring InstallManagerProgram() {
        return PlaceholderProgram(L"Velnora\\Velnora.exe");
    }

    void PlaceOtherProgramsShortcuts() {
        const std::wstring programs = ProgramsFolder();
        const std::wstring beta = State(kBeta).Folder();
        ASSERT_TRUE(kit::CreateShortcut(JoinPath(programs, kSampleLink),
                                        JoinPath(kit::WindowsFolder(), L"notepad.exe"),
                                        JoinPath(beta, L"readme.txt"), L"", L"Beta sample"));
        const std::wstring foreign = JoinPath(programs, kForeignLink);
        ASSERT_TRUE(kit::CreateFolders(kit::ParentFolder(foreign)));
        ASSERT_TRUE(
            kit::CreateShortcut(foreign, PlaceholderProgram(L"Acme\\acme.exe"), L"", L"", L"Acme"));
        WaitForMenuBuilder();
    }

    // At logon: Tidewatch starts from its program (before the install manager has written the
    // startup shortcut) or from the shortcut.
    void StartTidewatchAsAtLogon() {
        const std::wstring link = StartupLink();
        if (kit::PathExists(link)) {
            ASSERT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(
                          nullptr, nullptr, link.c_str(), nullptr, nullptr, SW_SHOWMINNOACTIVE)),
                      32);
        } else {
            ASSERT_TRUE(kit::StartDetached(Quote(JoinPath(TidewatchHome(), kTidewatchProgram)) +
                                           L" -autorun"));
        }
        ASSERT_TRUE(WaitUntil([] { return Running(kTidewatchProgram); }, kProcessTimeout));
    }

    // --- what the engine does ---

    // What a Multi Install does before the next installer runs: Tidewatch ended, the active
    // environment parked under a fresh name.
    void ParkBeforeNextInstall(Env which) {
        EnvironmentState& env = State(which);
        const bool wasRunning = Running(kTidewatchProgram);
        ASSERT_TRUE(environments::StopTidewatch(context()));
        env.tidewatchEnable = wasRunning ? 1 : 0;
        std::string parked;
        core::Notices notices;
        ASSERT_TRUE(environments::MakeParkedName(context(), parked, notices));
        ASSERT_TRUE(environments::DeactivateEnvironment(context(), parked, notices))
            << (notices.empty() ? std::string() : notices.front().text);
        Parked(env, Wide(parked));
    }

    // The complete change the maintenance page makes, to the row of the chosen environment.
    void ChangeTo(Env which) {
        EnvironmentState& chosen = State(which);
        EnvironmentState* previous = nullptr;
        for (auto& env : states_) {
            if (env.installed && env.Active())
                previous = &env;
        }
        ASSERT_NE(previous, nullptr);
        const bool wasRunning = Running(kTidewatchProgram);

        ASSERT_TRUE(environments::EnumerateEnvironments(context()));
        const int row = RowOf(chosen);
        ASSERT_GE(row, 0);
        // The page's prompt: the flow's boxes reach the engine's message log as before.
        pages::PagePrompt prompt(context(), nullptr);
        ASSERT_EQ(flows::ChangeActiveEnvironment(context(), prompt,
                                                 context().environments.Row(row).keyName),
                  flows::ChangeOutcome::kChanged)
            << Joined(engine_->Messages());

        previous->tidewatchEnable = wasRunning ? 1 : 0;
        const auto previousName = CurrentKeyName(*previous);
        ASSERT_TRUE(previousName.has_value());
        Parked(*previous, *previousName);
        chosen.formerNames.insert(chosen.keyName);
        chosen.keyName = kit::kProductGuid;
        chosen.comLog.insert(chosen.plan->registerScripts.begin(),
                             chosen.plan->registerScripts.end());
    }

    void Parked(EnvironmentState& env, const std::wstring& name) {
        EXPECT_NE(name, kit::kProductGuid);
        EXPECT_EQ(env.formerNames.count(name), 0u) << "parked under an old name again";
        env.formerNames.insert(env.keyName);
        env.keyName = name;
        env.comLog.insert(env.plan->unregisterScripts.begin(), env.plan->unregisterScripts.end());
        env.startMenuGathered = true;
        env.hasTidewatchFolder = true;
    }

    int RowOf(const EnvironmentState& env) {
        for (int row = 0; row < context().environments.Count(); ++row) {
            std::string location;
            if (environments::ReadEnvironmentValue(context(), row, "InstallLocation", location) &&
                Wide(location) == env.Folder())
                return row;
        }
        return -1;
    }

    // The key name the environment's uninstall entry has now, found by its folder.
    static std::optional<std::wstring> CurrentKeyName(const EnvironmentState& env) {
        std::optional<std::wstring> found;
        for (const std::wstring& name : RegistrySubkeys(HKEY_LOCAL_MACHINE, kit::kUninstallRoot)) {
            const std::wstring key = kit::UninstallKeyPath(name);
            if (kit::ReadRegText(HKEY_LOCAL_MACHINE, key, L"ProductGuid") ==
                    std::optional<std::wstring>(kit::kProductGuid) &&
                kit::ReadRegText(HKEY_LOCAL_MACHINE, key, L"InstallLocation") ==
                    std::optional<std::wstring>(env.Folder())) {
                if (found)
                    return std::nullopt;  // two entries of one environment
                found = name;
            }
        }
        return found;
    }

    // --- checks ---

    // Every installed environment's components, at the names its state says.
    void CheckEnvironments() {
        for (const auto& env : states_) {
            if (env.installed)
                CheckEnvironment(env);
        }
        CheckNothingElse();
        CheckComScripts();
        EXPECT_TRUE(engine_->Messages().empty()) << Joined(engine_->Messages());
        engine_->Messages().clear();
    }

    void CheckEnvironment(const EnvironmentState& env) {
        SCOPED_TRACE(std::string(env.plan->label) + " as " + Utf8(env.keyName));
        const EnvironmentPlan& plan = *env.plan;
        const bool active = env.Active();
        const std::wstring folder = env.Folder();
        const std::wstring suffix = env.ParkedSuffix();

        // Uninstall entry: the display name under the name of the state, the key name followed
        // in the commands, everything else as the installer wrote it.
        const auto values = ReadValues(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(env.keyName));
        ASSERT_TRUE(values.has_value()) << "no uninstall entry";
        EXPECT_EQ(TextOf(*values, active ? L"DisplayName" : L"_DisplayName"),
                  std::wstring(L"Vantorix V") + plan.version);
        EXPECT_EQ(values->count(active ? L"_DisplayName" : L"DisplayName"), 0u);
        const std::wstring info = JoinPath(kit::InstallerInfoRoot(), env.keyName);
        EXPECT_EQ(TextOf(*values, L"UninstallString"),
                  Quote(JoinPath(info, L"Setup.exe")) + L" -runfromtemp -lang0409 -remove");
        EXPECT_EQ(TextOf(*values, L"LogFile"), JoinPath(info, L"setup.log"));
        for (const auto& [name, data] : env.installedValues) {
            if (kMovingValues.count(name) == 0) {
                const auto now = values->find(name);
                EXPECT_TRUE(now != values->end() && now->second == data) << Utf8(name);
            }
        }
        for (const auto& [name, data] : *values) {
            EXPECT_TRUE(env.installedValues.count(name) != 0 || kMovingValues.count(name) != 0)
                << "unexpected value " << Utf8(name);
        }
        if (env.tidewatchEnable) {
            EXPECT_EQ(ReadRegistryDword(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(env.keyName),
                                        L"TidewatchEnable"),
                      env.tidewatchEnable);
        }

        // Installer information folder.
        EXPECT_TRUE(kit::PathExists(JoinPath(info, L"Setup.exe")));
        EXPECT_EQ(kit::ReadProfile(JoinPath(info, L"setup.ini"), L"Kit", L"InstallLocation"),
                  folder);

        CheckStartMenu(env);

        // Tool record.
        EXPECT_EQ(kit::ReadProfile(JoinPath(kit::WindowsFolder(), suffix + kToolRecord),
                                   L"Install Version", L"VTX"),
                  plan.version);

        // Tidewatch data folder and registration.
        const std::wstring data = JoinPath(AppDataRoot(), suffix + kTidewatchFolder);
        const std::wstring clients = JoinPath(data, L"clients.ini");
        const std::wstring key = TidewatchKeyOf(suffix);
        if (plan.tidewatch) {
            EXPECT_EQ(kit::ReadProfile(clients, L"Client", L"Location"), folder);
            EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, key, L"ClientInfo"), L"Vantorix;" + folder);
        } else {
            EXPECT_EQ(kit::IsFolder(data), env.hasTidewatchFolder);
            EXPECT_FALSE(kit::PathExists(clients));
            EXPECT_FALSE(RegistryValueExists(HKEY_LOCAL_MACHINE, key, L"ClientInfo"));
        }
        if (!active) {
            // A parked key holds nothing but the environment's "ClientInfo".
            const auto names = RegistryValueNames(HKEY_LOCAL_MACHINE, key);
            EXPECT_EQ(names, plan.tidewatch ? std::vector<std::wstring>{L"ClientInfo"}
                                            : std::vector<std::wstring>{});
            EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, key));
        }

        // File association.
        const std::wstring program = JoinPath(folder, L"VTX2.exe");
        const std::wstring association = kWorkspaceClass + suffix;
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, association + L"\\shell\\open\\command", L""),
                  Quote(program) + L" \"%1\"");
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, association + L"\\DefaultIcon", L""), program + L",0");
    }

    void CheckStartMenu(const EnvironmentState& env) {
        const std::wstring programs = ProgramsFolder();
        const std::wstring folder = env.Folder();
        std::vector<std::wstring> expected = env.plan->startMenuFiles;
        if (env.installManagerLink)
            expected.push_back(kInstallManagerLink);
        std::sort(expected.begin(), expected.end());
        if (!env.startMenuGathered) {
            // Where the old release put them, beside the maker's folder.
            for (const std::wstring& file : expected) {
                if (file != kInstallManagerLink) {
                    EXPECT_TRUE(kit::PathExists(JoinPath(programs, file))) << Utf8(file);
                }
            }
            return;
        }
        const std::wstring menu = JoinPath(programs, kMaker + env.ParkedSuffix());
        const DWORD attributes = Attributes(menu);
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "no start-menu folder " << Utf8(menu);
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_HIDDEN) != 0, !env.Active())
            << "attributes " << attributes;
        EXPECT_EQ(FilesBelow(menu), expected);
        for (const std::wstring& file : expected) {
            if (file == kInstallManagerLink)
                continue;
            const auto shortcut = ReadShortcutFile(JoinPath(menu, file));
            ASSERT_TRUE(shortcut.has_value()) << Utf8(file);
            EXPECT_TRUE(StartsWithNoCase(shortcut->target, folder) ||
                        shortcut->arguments.find(folder) != std::wstring::npos)
                << Utf8(file) << " -> " << Utf8(shortcut->target) << " "
                << Utf8(shortcut->arguments);
        }
    }

    // No component stands under a name that no environment owns, and what does not belong
    // to an environment stays where it was.
    void CheckNothingElse() {
        std::set<std::wstring> parked;
        const EnvironmentState* active = nullptr;
        for (const auto& env : states_) {
            if (!env.installed)
                continue;
            if (env.Active())
                active = &env;
            else
                parked.insert(env.keyName);
        }
        auto names = [&](const std::wstring& prefix, const std::wstring& ending, bool live) {
            std::set<std::wstring> expected;
            if (live)
                expected.insert(prefix + ending);
            for (const std::wstring& name : parked)
                expected.insert(prefix + name + ending);
            return expected;
        };
        auto matching = [](const std::vector<std::wstring>& entries, const std::wstring& prefix,
                           const std::wstring& ending) {
            std::set<std::wstring> found;
            for (const std::wstring& entry : entries) {
                if (StartsWithNoCase(entry, prefix) && entry.size() >= ending.size() &&
                    Lower(entry.substr(entry.size() - ending.size())) == Lower(ending))
                    found.insert(entry);
            }
            return found;
        };
        auto expectNames = [](const char* what, const std::set<std::wstring>& found,
                              const std::set<std::wstring>& expected) {
            std::string text;
            for (const auto& name : found)
                text += " " + Utf8(name);
            EXPECT_EQ(found, expected) << what << ":" << text;
        };
        std::set<std::wstring> owned = parked;
        if (active)
            owned.insert(kit::kProductGuid);

        expectNames("start menu", matching(FolderEntries(ProgramsFolder()), kMaker, L""),
                    names(kMaker, L"", liveMakerFolder_));
        expectNames("tool records", matching(FolderEntries(kit::WindowsFolder()), L"", kToolRecord),
                    names(L"", kToolRecord, active != nullptr));
        expectNames("Tidewatch data", matching(FolderEntries(AppDataRoot()), L"", L""),
                    names(L"", kTidewatchFolder, active != nullptr && active->hasTidewatchFolder));
        expectNames("Tidewatch keys",
                    matching(RegistrySubkeys(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa"), L"", L""),
                    names(L"", kTidewatchFolder, true));
        std::set<std::wstring> info;
        for (const std::wstring& entry : FolderEntries(kit::InstallerInfoRoot())) {
            if (std::find(installerInfoBefore_.begin(), installerInfoBefore_.end(), entry) ==
                installerInfoBefore_.end())
                info.insert(entry);
        }
        expectNames("installer information", info, owned);
        expectNames("associations", matching(ClassesKeys(), kWorkspaceClass, L""),
                    names(kWorkspaceClass, L"", active != nullptr));

        std::set<std::wstring> entries;
        for (const std::wstring& name : RegistrySubkeys(HKEY_LOCAL_MACHINE, kit::kUninstallRoot)) {
            if (kit::ReadRegText(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(name), L"ProductGuid") ==
                std::optional<std::wstring>(kit::kProductGuid))
                entries.insert(name);
        }
        expectNames("uninstall entries", entries, owned);

        // Shortcuts of other programs stay; the old release's own groups are gone once gathered.
        const std::wstring programs = ProgramsFolder();
        EXPECT_TRUE(kit::PathExists(JoinPath(programs, kForeignLink)));
        if (State(kBeta).startMenuGathered) {
            EXPECT_FALSE(kit::PathExists(JoinPath(programs, kSampleLink)));
            EXPECT_FALSE(kit::PathExists(JoinPath(programs, L"Vantorix V2.20.00.000")));
        }
    }

    // The scripts run on their own after the switch has returned: their log lines are waited
    // for, in any order.
    void CheckComScripts() {
        for (const auto& env : states_) {
            if (!env.installed)
                continue;
            std::multiset<std::wstring> ran;
            auto read = [&] {
                ran.clear();
                for (const wchar_t* name : kScriptNames) {
                    const auto bytes =
                        ReadFileBytes(JoinPath(env.Folder(), std::wstring(name) + L".ran"))
                            .value_or("");
                    for (auto lines = std::count(bytes.begin(), bytes.end(), '\n'); lines > 0;
                         --lines)
                        ran.insert(name);
                }
                return ran == env.comLog;
            };
            auto text = [](const std::multiset<std::wstring>& names) {
                std::string joined;
                for (const auto& name : names)
                    joined += " " + Utf8(name);
                return joined;
            };
            EXPECT_TRUE(WaitUntil(read, kScriptTimeout))
                << env.plan->label << ": expected" << text(env.comLog) << ", ran" << text(ran);
        }
    }

    // The engine's table after a change: every environment in the order of its folder, the
    // active one looked up with its version.
    void CheckTable(const EnvironmentState& active) {
        const auto& table = context().environments;
        std::vector<std::wstring> rows;
        for (int row = 0; row < table.Count(); ++row)
            rows.push_back(Wide(table.Row(row).keyName));
        std::vector<std::wstring> expected;
        for (const auto& env : states_) {  // in the order of their folders
            if (env.installed)
                expected.push_back(env.keyName);
        }
        EXPECT_EQ(rows, expected);
        EXPECT_EQ(Wide(context().active.folderName), active.plan->folderName);
        EXPECT_EQ(context().active.version, active.plan->versionNumber);
        EXPECT_EQ(
            kit::ReadProfile(JoinPath(kWorkRoot, L"Velnora.ini"), L"General", L"VtxInstanceCount"),
            std::to_wstring(expected.size()));
    }

    void CheckTidewatch(bool expectRunning) {
        EXPECT_TRUE(
            WaitUntil([&] { return Running(kTidewatchProgram) == expectRunning; }, kProcessTimeout))
            << (expectRunning ? "Tidewatch was not started" : "Tidewatch was not ended");
        if (expectRunning) {
            const auto link = ReadShortcutFile(StartupLink());
            ASSERT_TRUE(link.has_value()) << "no startup shortcut";
            EXPECT_EQ(Lower(link->target), Lower(JoinPath(TidewatchHome(), kTidewatchProgram)));
            EXPECT_EQ(link->arguments, L"-autorun");
        }
    }

    std::string Marker() const {
        return "kit marker:\n" + ReadFileBytes(marker_).value_or("<none>");
    }

    std::array<EnvironmentState, 3> states_;
    std::unique_ptr<Engine> engine_;
    std::wstring marker_;
    std::wstring recordBackup_;
    bool hadRecord_ = false;
    bool cleanUp_ = false;
    bool comInitialised_ = false;
    bool liveMakerFolder_ = false;
    std::vector<std::wstring> programsFolders_;
    std::vector<std::wstring> installerInfoBefore_;
};

// A change of the active environment, and whether Tidewatch is started at logon before it.
struct SwitchStep {
    Env to;
    bool logonFirst;
};

TEST_P(SwitchOnVendorEnvironments, EveryComponentFollowsItsEnvironment) {
    // An old release, installed before the install manager, with Tidewatch running; the
    // install manager's self-installation left its shortcut in the maker's live folder.
    {
        SCOPED_TRACE("install Beta");
        Install(kBeta);
        ASSERT_NO_FATAL_FAILURE(PlaceOtherProgramsShortcuts());
        ASSERT_NO_FATAL_FAILURE(PlaceInstallManagerShortcut(L""));
        liveMakerFolder_ = true;
        ASSERT_NO_FATAL_FAILURE(StartTidewatchAsAtLogon());
        CheckEnvironments();
    }
    {
        // Version 2200 with only the install manager's shortcut in the maker's folder: its
        // shortcuts are gathered from all over the start menu; the live folder stays.
        SCOPED_TRACE("park Beta, install Alpha");
        ASSERT_NO_FATAL_FAILURE(ParkBeforeNextInstall(kBeta));
        CheckTidewatch(false);
        CheckEnvironments();
        ASSERT_NO_FATAL_FAILURE(Install(kAlpha));
        State(kAlpha).installManagerLink = true;  // already in the live folder it went into
        ASSERT_NO_FATAL_FAILURE(PlaceInstallManagerShortcut(State(kBeta).keyName));
        CheckEnvironments();
    }
    {
        SCOPED_TRACE("park Alpha, install Gamma");
        ASSERT_NO_FATAL_FAILURE(ParkBeforeNextInstall(kAlpha));
        liveMakerFolder_ = false;  // a recent release's folder moves as a whole
        CheckEnvironments();
        ASSERT_NO_FATAL_FAILURE(Install(kGamma));
        ASSERT_NO_FATAL_FAILURE(PlaceInstallManagerShortcut(State(kAlpha).keyName));
        liveMakerFolder_ = true;
        CheckEnvironments();
    }

    const SwitchStep steps[] = {
        {kBeta, false}, {kAlpha, false}, {kBeta, false}, {kGamma, false},
        {kAlpha, true}, {kGamma, false}, {kBeta, false},
    };
    for (const SwitchStep& step : steps) {
        const EnvironmentState& to = State(step.to);
        SCOPED_TRACE(std::string("change to ") + to.plan->label);
        if (step.logonFirst) {
            ASSERT_NO_FATAL_FAILURE(StartTidewatchAsAtLogon());
        }
        ASSERT_NO_FATAL_FAILURE(ChangeTo(step.to));
        CheckTable(to);
        CheckTidewatch(to.tidewatchEnable == std::optional<DWORD>(1));
        CheckEnvironments();
        if (HasFatalFailure())
            return;
    }
}

const Deliverable kDeliverables[] = {
    {"Velnora", false, std::nullopt},
    {"VelnoraAdm", true, std::nullopt},
    {"VelnoraAdmOnVersion6_0", true, platform::OsVersion{6, 0, 6002, 2}},
};

INSTANTIATE_TEST_SUITE_P(Deliverables, SwitchOnVendorEnvironments, testing::ValuesIn(kDeliverables),
                         [](const testing::TestParamInfo<Deliverable>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velnora::e2e
