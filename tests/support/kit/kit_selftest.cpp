// Checks that the kit's stand-ins leave the machine the way the install manager's tests
// expect a vendor installer and uninstaller to leave it. Runs under Wine in the shared test
// prefix, alone, and removes what it created.
#include "kit_common.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using kit::JoinPath;

constexpr DWORD kTimeoutMs = 30000;

std::wstring Bin(const std::wstring& name) {
    return JoinPath(kit::OwnFolder(), name);
}

// Runs a command line and returns its exit code, -1 when it did not start or end in time.
long RunCommand(const std::wstring& commandLine) {
    return kit::RunAndWait(commandLine, kTimeoutMs);
}

long RunInstaller(const std::wstring& arguments) {
    return RunCommand(kit::Quote(Bin(L"vtx_installer_standin.exe")) + L" " + arguments);
}

std::string ReadFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct VersionResource {
    std::wstring productVersion;
    std::wstring translation;
};

VersionResource ReadVersionResource(const std::wstring& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        return {};
    }
    WORD* pair = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair),
                        &length) ||
        length < 4) {
        return {};
    }
    wchar_t block[9];
    swprintf(block, 9, L"%04X%04X", pair[0], pair[1]);
    wchar_t* text = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\") + block + L"\\ProductVersion";
    if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) {
        return {L"", block};
    }
    return {text, block};
}

const std::wstring kEntry = kit::UninstallKeyPath(kit::kProductGuid);
constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// Whether the key can be seen in the 64-bit registry view, where a 32-bit installer's keys
// under HKLM\SOFTWARE are not.
bool KeyIn64BitView(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &opened) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

bool ValueIn64BitView(const std::wstring& key, const std::wstring& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &opened) !=
        ERROR_SUCCESS) {
        return false;
    }
    const bool found =
        RegQueryValueExW(opened, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(opened);
    return found;
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.size() >= start.size() && _wcsnicmp(text.c_str(), start.c_str(), start.size()) == 0;
}

std::wstring EntryValue(const std::wstring& name) {
    return kit::ReadRegText(HKEY_LOCAL_MACHINE, kEntry, name).value_or(L"<missing>");
}

// The command the install manager derives from a stored uninstall command.
std::wstring DeriveUninstallCommand(std::wstring stored) {
    const std::wstring word = L"-runfromtemp";
    if (const auto at = stored.find(word); at != std::wstring::npos) {
        return stored.erase(at, word.size());
    }
    // Launcher form: drop launcher and argument, keep the quoted setup path.
    const std::wstring afterLauncher = stored.substr(stored.find(L' ') + 1);
    const std::wstring quoted = afterLauncher.substr(afterLauncher.find(L'"') + 1);
    const auto close = quoted.find(L'"');
    return kit::Quote(quoted.substr(0, close)) + quoted.substr(close + 1);
}

class KitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (kit::KeyExists(HKEY_LOCAL_MACHINE, kEntry) ||
            kit::PathExists(kit::LiveInstallerInfoFolder())) {
            GTEST_SKIP() << "this prefix holds an active environment; the kit test leaves it be";
        }
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        work_ = JoinPath(temp, L"kit_selftest");
        kit::RemoveTree(work_);
        ASSERT_TRUE(kit::CreateFolders(work_));
        marker_ = JoinPath(work_, L"marker.txt");
        record_ = kit::ToolRecordPath();
        recordBackup_ = JoinPath(work_, L"Vtx2Inst.ini.saved");
        hadRecord_ = kit::PathExists(record_) && MoveFileW(record_.c_str(), recordBackup_.c_str());
        cleanUp_ = true;
    }

    void TearDown() override {
        if (!cleanUp_) {
            return;
        }
        kit::DeleteRegTree(HKEY_LOCAL_MACHINE, kEntry);
        kit::DeleteRegTree(HKEY_CLASSES_ROOT, kit::kAssociationExtension);
        kit::DeleteRegTree(HKEY_CLASSES_ROOT, kit::kAssociationClass);
        kit::DeleteRegTree(HKEY_LOCAL_MACHINE, kit::kTidewatchKey);
        kit::DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa");
        kit::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnceKey, L"InstallShieldSetup1");
        kit::RemoveTree(kit::LiveInstallerInfoFolder());
        RemoveDirectoryW(kit::InstallerInfoRoot().c_str());  // only when nothing else is in it
        kit::RemoveTree(kit::MakerStartMenuFolder());
        RemoveLegacyGroups();
        kit::RemoveTree(JoinPath(kit::ProgramFilesFolder(), L"Orvessa"));
        kit::RemoveTree(JoinPath(kit::ShellFolder(CSIDL_COMMON_APPDATA), L"Orvessa"));
        DeleteFileW(record_.c_str());
        if (hadRecord_) {
            MoveFileW(recordBackup_.c_str(), record_.c_str());
        }
        kit::RemoveTree(work_);
    }

    // Old releases' start-menu groups, "Vantorix V<version>".
    static void RemoveLegacyGroups() {
        const std::wstring programs = kit::ProgramsFolder();
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(JoinPath(programs, L"Vantorix V*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) {
            return;
        }
        do {
            kit::RemoveTree(JoinPath(programs, entry.cFileName));
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }

    std::wstring Folder(const wchar_t* name) const { return JoinPath(work_, name); }
    std::string Marker() const { return ReadFile(marker_); }

    std::wstring work_;
    std::wstring marker_;
    std::wstring record_;
    std::wstring recordBackup_;
    bool hadRecord_ = false;
    bool cleanUp_ = false;
};

TEST_F(KitTest, NewEnvironmentCarriesTheLiveNames) {
    const std::wstring folder = Folder(L"Env4");
    ASSERT_EQ(
        RunInstaller(L"--create-environment --version 4.08.00.012 --folder " + kit::Quote(folder)),
        0);

    const std::wstring info = kit::LiveInstallerInfoFolder();
    const struct {
        const wchar_t* value;
        std::wstring expected;
    } values[] = {
        {L"ProductGuid", kit::kProductGuid},
        {L"DisplayName", L"Vantorix V4.08.00.012"},
        {L"InstallLocation", folder},
        {L"LogFile", JoinPath(info, L"setup.log")},
        {L"UninstallString",
         kit::Quote(JoinPath(info, L"Setup.exe")) + L" -runfromtemp -lang0409 -remove"},
    };
    for (const auto& [value, expected] : values) {
        EXPECT_EQ(EntryValue(value), expected) << value;
    }
    for (const wchar_t* file :
         {L"VTX2.exe", L"ALL_REGISTERSERVER.bat", L"ALL_UNREGISTERSERVER.bat"}) {
        EXPECT_TRUE(kit::PathExists(JoinPath(folder, file))) << file;
    }
    for (const wchar_t* file : {L"Setup.exe", L"_setup.dll", L"setup.ini", L"setup.log"}) {
        EXPECT_TRUE(kit::PathExists(JoinPath(info, file))) << file;
    }
    EXPECT_TRUE(kit::PathExists(JoinPath(kit::MakerStartMenuFolder(), L"Vantorix\\Vantorix.lnk")));
    EXPECT_EQ(ReadVersionResource(JoinPath(folder, L"VTX2.exe")).productVersion, L"4.08.00.012");
    EXPECT_EQ(kit::ReadProfile(record_, L"Install Version", L"VTX"), L"4.08.00.012");
    EXPECT_EQ(kit::ReadProfile(record_, L"Ini Version", L"Version"), L"2.00");
    EXPECT_EQ(kit::ReadRegText(HKEY_CLASSES_ROOT, L"VTX_Workspace\\shell\\open\\command", L""),
              kit::Quote(JoinPath(folder, L"VTX2.exe")) + L" \"%1\"");
}

// On 64-bit Windows a 32-bit installer's keys under HKLM\SOFTWARE land in the 32-bit view and
// its files in the 32-bit program files folder; the stand-ins leave them there too.
TEST_F(KitTest, StandInsWriteWhereA32BitInstallerWrites) {
    ASSERT_EQ(RunInstaller(L"--create-environment --with-tidewatch --setup-resume"), 0);

    const std::wstring programFiles = kit::ProgramFilesFolder();
    wchar_t x86[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, x86)));
    EXPECT_EQ(programFiles, x86);
    if (sizeof(void*) == 8) {
        EXPECT_NE(programFiles, kit::ShellFolder(CSIDL_PROGRAM_FILES));
    }
    const std::wstring folder = JoinPath(programFiles, L"Orvessa\\Vantorix");
    EXPECT_EQ(EntryValue(L"InstallLocation"), folder);
    EXPECT_TRUE(kit::PathExists(JoinPath(folder, L"VTX2.exe")));
    EXPECT_TRUE(StartsWith(EntryValue(L"LogFile"), programFiles))
        << testing::PrintToString(EntryValue(L"LogFile"));
    EXPECT_TRUE(kit::PathExists(JoinPath(kit::LiveInstallerInfoFolder(), L"Setup.exe")));
    EXPECT_TRUE(StartsWith(kit::LiveInstallerInfoFolder(), programFiles));
    const std::wstring tidewatch =
        kit::ReadRegText(HKEY_LOCAL_MACHINE, kit::kTidewatchKey, L"Location").value_or(L"");
    EXPECT_EQ(tidewatch, JoinPath(programFiles, L"Orvessa\\Tidewatch\\Tidewatch.exe"));
    EXPECT_TRUE(kit::PathExists(tidewatch));
    EXPECT_TRUE(kit::ReadRegText(HKEY_LOCAL_MACHINE, kRunOnceKey, L"InstallShieldSetup1"));
    EXPECT_TRUE(kit::KeyExists(HKEY_CLASSES_ROOT, kit::kAssociationClass));

    // Nothing of it in the 64-bit view (HKEY_CLASSES_ROOT is shared between the views from
    // Windows 7 on, so only the local-machine keys tell).
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(KeyIn64BitView(kEntry));
        EXPECT_FALSE(KeyIn64BitView(kit::kTidewatchKey));
        EXPECT_FALSE(ValueIn64BitView(kRunOnceKey, L"InstallShieldSetup1"));
    }
}

TEST_F(KitTest, NewEnvironmentGoesWhereTheInstallManagerSays) {
    const std::wstring folder = Folder(L"Chosen");
    kit::WriteProfile(record_, L"Install Directory", L"VTX", folder);
    kit::WriteProfile(record_, L"UserInformation_Common", L"User name", L"Aiko Tanaka");
    ASSERT_EQ(RunInstaller(L"--create-environment"), 0);
    EXPECT_EQ(EntryValue(L"InstallLocation"), folder);
    EXPECT_EQ(EntryValue(L"RegOwner"), L"Aiko Tanaka");
    EXPECT_TRUE(kit::PathExists(JoinPath(folder, L"VTX2.exe")));
}

TEST_F(KitTest, OldReleaseUsesTheLegacyLayout) {
    const std::wstring folder = Folder(L"Env21");
    ASSERT_EQ(
        RunInstaller(L"--create-environment --version 2.1.00.000 --folder " + kit::Quote(folder)),
        0);
    EXPECT_TRUE(
        kit::PathExists(JoinPath(kit::ProgramsFolder(), L"Vantorix V2.1.00.000\\Vantorix.lnk")));
    EXPECT_FALSE(kit::PathExists(kit::MakerStartMenuFolder()));
    EXPECT_EQ(kit::ReadProfile(record_, L"Ini Version", L"Version"), L"");
    EXPECT_EQ(kit::ReadProfile(record_, L"Install Version", L"COMPILER"), L"V.2.1.00.000");
}

TEST_F(KitTest, VersionResourcesCarryTheProductVersion) {
    const struct {
        const wchar_t* folder;
        const wchar_t* text;
        const wchar_t* translation;
        long number;
    } versions[] = {
        {L"4.08.00.012", L"4.08.00.012", L"040904B0", 4080},
        {L"3.0.0.5", L"3, 0, 0, 5", L"040904B0", 3005},
        {L"3.00.00.000", L"3.00.00.000", L"040904B0", 3000},
        {L"2.20.00.000", L"2.20.00.000", L"041103A4", 2200},
        {L"2.1.00.000", L"2.1.00.000", L"041103A4", 2100},
    };
    for (const auto& version : versions) {
        const VersionResource resource =
            ReadVersionResource(Bin(std::wstring(L"VTX2\\") + version.folder + L"\\VTX2.exe"));
        EXPECT_EQ(resource.productVersion, version.text) << version.folder;
        EXPECT_EQ(resource.translation, version.translation) << version.folder;
        EXPECT_EQ(kit::VersionNumber(resource.productVersion), version.number) << version.folder;
    }
}

TEST_F(KitTest, UpdateReplacesTheProgramOfTheActiveEnvironment) {
    const std::wstring folder = Folder(L"Env");
    ASSERT_EQ(
        RunInstaller(L"--install-environment --version 2.20.00.000 --folder " + kit::Quote(folder)),
        0);
    ASSERT_EQ(RunInstaller(L"--install-environment --version 4.08.00.012 --record \"Tool X\""), 0);
    EXPECT_EQ(ReadVersionResource(JoinPath(folder, L"VTX2.exe")).productVersion, L"4.08.00.012");
    EXPECT_EQ(EntryValue(L"DisplayName"), L"Vantorix V4.08.00.012");
    EXPECT_EQ(kit::ReadProfile(record_, L"Installation Record", L"Record2"),
              L"Vantorix V4.08.00.012 updated");
    EXPECT_EQ(kit::ReadProfile(record_, L"Installation Record", L"Record3"), L"Tool X");
}

TEST_F(KitTest, UninstallerRemovesWhatTheInstallerCreated) {
    const struct {
        const wchar_t* form;
        bool installManagerValue;
    } cases[] = {{L"runfromtemp", false}, {L"launcher", false}, {L"runfromtemp", true}};
    for (const auto& [form, installManagerValue] : cases) {
        SCOPED_TRACE(testing::Message()
                     << (form == std::wstring(L"launcher") ? "launcher" : "runfromtemp")
                     << (installManagerValue ? " with TidewatchEnable" : ""));
        const std::wstring folder = Folder(L"Gone");
        ASSERT_EQ(RunInstaller(L"--create-environment --uninstall-form " + std::wstring(form) +
                               L" --folder " + kit::Quote(folder)),
                  0);
        if (installManagerValue) {
            kit::WriteRegNumber(HKEY_LOCAL_MACHINE, kEntry, L"TidewatchEnable", 1);
        }
        EXPECT_EQ(RunCommand(DeriveUninstallCommand(EntryValue(L"UninstallString"))), 0);

        EXPECT_FALSE(kit::PathExists(folder));
        EXPECT_FALSE(kit::PathExists(record_));
        EXPECT_FALSE(kit::PathExists(JoinPath(kit::MakerStartMenuFolder(), L"Vantorix")));
        EXPECT_FALSE(kit::KeyExists(HKEY_CLASSES_ROOT, kit::kAssociationClass));
        EXPECT_FALSE(kit::PathExists(JoinPath(kit::LiveInstallerInfoFolder(), L"setup.ini")));
        EXPECT_EQ(EntryValue(L"ProductGuid"), L"<missing>");
        EXPECT_EQ(kit::KeyExists(HKEY_LOCAL_MACHINE, kEntry), installManagerValue);
        kit::DeleteRegTree(HKEY_LOCAL_MACHINE, kEntry);
    }
}

TEST_F(KitTest, CancelledUninstallLeavesTheEnvironment) {
    ASSERT_EQ(RunInstaller(L"--create-environment --uninstall-args --cancel --folder " +
                           kit::Quote(Folder(L"Kept"))),
              0);
    EXPECT_EQ(RunCommand(DeriveUninstallCommand(EntryValue(L"UninstallString"))),
              kit::kExitUserCancel);
    EXPECT_EQ(EntryValue(L"ProductGuid"), kit::kProductGuid);
    EXPECT_TRUE(kit::PathExists(Folder(L"Kept")));
}

TEST_F(KitTest, UninstallerModesLeaveWhatTheySay) {
    const auto renamesBefore = kit::PendingRenames();
    const std::wstring held = Folder(L"held.dll");
    ASSERT_TRUE(kit::WriteTextFile(held, L"in use"));
    const struct {
        std::wstring arguments;
        long exitCode;
        bool entryKept;
        bool folderKept;
    } cases[] = {
        {L"--fail", kit::kExitInstallFailure, true, true},
        {L"--fail --exit-code 5", 5, true, true},
        {L"--keep-entry", 0, true, false},
        {L"--request-reboot --schedule-rename " + kit::Quote(held), 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const std::wstring folder = Folder(L"Modes");
        std::wstring escaped;  // quotes inside one argument
        for (const wchar_t ch : c.arguments) {
            escaped += ch == L'"' ? std::wstring(L"\\\"") : std::wstring(1, ch);
        }
        ASSERT_EQ(RunInstaller(L"--create-environment --uninstall-args " + kit::Quote(escaped) +
                               L" --folder " + kit::Quote(folder)),
                  0);
        EXPECT_EQ(RunCommand(DeriveUninstallCommand(EntryValue(L"UninstallString"))), c.exitCode);
        EXPECT_EQ(EntryValue(L"ProductGuid") == kit::kProductGuid, c.entryKept);
        EXPECT_EQ(kit::PathExists(folder), c.folderKept);
        kit::DeleteRegTree(HKEY_LOCAL_MACHINE, kEntry);
        kit::RemoveTree(folder);
        kit::RemoveTree(kit::LiveInstallerInfoFolder());
    }
    EXPECT_EQ(kit::ReadProfile(record_, L"Install Manager", L"bWindowsReboot"), L"1");
    const std::wstring renames = kit::PendingRenames().value_or(L"");
    const auto from = renames.find(held + std::wstring(1, L'\0'));
    const auto to = renames.find(held + L".renamed" + std::wstring(1, L'\0'));
    EXPECT_TRUE(from != std::wstring::npos && to != std::wstring::npos && from < to)
        << testing::PrintToString(renames);
    kit::SetPendingRenames(renamesBefore);
}

TEST_F(KitTest, ArgumentsChooseTheExitCode) {
    const struct {
        const wchar_t* arguments;
        long exitCode;
    } cases[] = {
        {L"", 0},
        {L"--exit-code 7", 7},
        {L"--exit-code=3 /s -lang0409", 3},
        {L"--bogus", kit::kExitBadArguments},
        {L"--run-ms soon", kit::kExitBadArguments},
        {L"--create-environment --update-environment", kit::kExitBadArguments},
        {L"--update-environment", kit::kExitUnknownProduct},
    };
    for (const auto& [arguments, exitCode] : cases) {
        EXPECT_EQ(RunInstaller(arguments), exitCode)
            << testing::PrintToString(std::wstring(arguments));
    }
}

TEST_F(KitTest, RestartRequestAndResumeCommandAreWritten) {
    ASSERT_EQ(RunInstaller(L"--request-reboot --setup-resume"), 0);
    EXPECT_EQ(kit::ReadProfile(record_, L"Install Manager", L"bWindowsReboot"), L"1");
    const std::wstring resume =
        kit::ReadRegText(HKEY_LOCAL_MACHINE, kRunOnceKey, L"InstallShieldSetup1").value_or(L"");
    EXPECT_NE(resume.find(L"\\{3B9F"), std::wstring::npos) << testing::PrintToString(resume);
    EXPECT_NE(resume.find(L"Setup.exe"), std::wstring::npos);
}

TEST_F(KitTest, ChildOutlivesTheInstaller) {
    ASSERT_EQ(RunInstaller(L"--spawn-child-ms 1500 --exit-code 4 --marker " + kit::Quote(marker_)),
              4);
    std::string log = Marker();
    for (int i = 0; i < 100 && std::count(log.begin(), log.end(), '\n') < 4; ++i) {
        Sleep(100);
        log = Marker();
    }
    // start (installer), start (child), end of the installer with 4, end of the child with 0.
    ASSERT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;
    EXPECT_NE(log.find("--run-ms 1500"), std::string::npos) << log;
    const auto installerEnd = log.find("\t4\r\n");
    ASSERT_NE(installerEnd, std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 4), "\t0\r\n") << log;
    EXPECT_EQ(log.rfind("end\t"), log.find("end\t", installerEnd)) << "the child ends last:\n"
                                                                   << log;
}

TEST_F(KitTest, ComScriptsLeaveTheirMark) {
    const std::wstring folder = Folder(L"Com");
    ASSERT_EQ(
        RunInstaller(L"--create-environment --com-scripts both --folder " + kit::Quote(folder)), 0);
    for (const wchar_t* script : {L"ALL_REGISTERSERVER.bat", L"PDUNREGISTERSERVER.bat"}) {
        SHELLEXECUTEINFOW execute = {};
        execute.cbSize = sizeof execute;
        execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        execute.lpVerb = L"open";
        execute.lpFile = script;
        execute.lpDirectory = folder.c_str();
        execute.nShow = SW_HIDE;
        ASSERT_TRUE(ShellExecuteExW(&execute)) << script;
        ASSERT_NE(execute.hProcess, nullptr);
        WaitForSingleObject(execute.hProcess, kTimeoutMs);
        CloseHandle(execute.hProcess);
    }
    EXPECT_EQ(ReadFile(JoinPath(folder, L"com_scripts.log")),
              "ALL_REGISTERSERVER\r\nPDUNREGISTERSERVER\r\n");
}

TEST_F(KitTest, TidewatchRunsUntilItIsClosed) {
    ASSERT_EQ(RunInstaller(L"--create-environment --with-tidewatch --folder " +
                           kit::Quote(Folder(L"Tw"))),
              0);
    const std::wstring program =
        kit::ReadRegText(HKEY_LOCAL_MACHINE, kit::kTidewatchKey, L"Location").value_or(L"");
    ASSERT_TRUE(kit::PathExists(program)) << testing::PrintToString(program);

    std::wstring line = kit::Quote(program) + L" -autorun --marker " + kit::Quote(marker_);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    HWND window = nullptr;
    for (int i = 0; i < 100 && window == nullptr; ++i) {
        Sleep(100);
        window = FindWindowW(L"TidewatchStandIn", L"Tidewatch");
    }
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(RunCommand(kit::Quote(program) + L" --marker " + kit::Quote(marker_)), 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, kTimeoutMs), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    EXPECT_NE(Marker().find("already running"), std::string::npos) << Marker();
}

}  // namespace
