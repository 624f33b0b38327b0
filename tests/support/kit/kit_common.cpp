#include "kit_common.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>
#include <cwctype>

namespace kit {

namespace {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

bool WriteBytes(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Closes a registry key when it goes out of scope.
class Key {
  public:
    ~Key() {
        if (handle_ != nullptr) {
            RegCloseKey(handle_);
        }
    }
    HKEY* Out() { return &handle_; }
    HKEY Get() const { return handle_; }

  private:
    HKEY handle_ = nullptr;
};

bool OpenForWrite(HKEY root, const std::wstring& key, Key& out) {
    return RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_WRITE | KEY_READ | kVendorView, nullptr, out.Out(),
                           nullptr) == ERROR_SUCCESS;
}

}  // namespace

// --- folders -------------------------------------------------------------------------------

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                buffer))) {
        return {};
    }
    return buffer;
}

std::wstring WindowsFolder() {
    return ShellFolder(CSIDL_WINDOWS);
}

std::wstring ToolRecordPath() {
    return JoinPath(WindowsFolder(), kToolRecordName);
}

std::wstring ProgramsFolder() {
    return ShellFolder(CSIDL_COMMON_PROGRAMS);
}

std::wstring MakerStartMenuFolder() {
    return JoinPath(ProgramsFolder(), kMakerName);
}

// A 32-bit program gets these for CSIDL_PROGRAM_FILES and CSIDL_PROGRAM_FILES_COMMON; the x86
// ids give the same folders to the x86-64 build of the stand-ins.
std::wstring ProgramFilesFolder() {
    return ShellFolder(CSIDL_PROGRAM_FILESX86);
}

std::wstring CommonFilesFolder() {
    return ShellFolder(CSIDL_PROGRAM_FILES_COMMONX86);
}

std::wstring InstallManagerFolder() {
    return CommonFilesFolder() + L"\\Orvessa\\Velnora";
}

std::wstring InstallManagerShortcut() {
    return MakerStartMenuFolder() + L"\\Multiple Install Manager.lnk";
}

std::wstring InstallerInfoRoot() {
    return JoinPath(ProgramFilesFolder(), L"InstallShield Installation Information");
}

std::wstring LiveInstallerInfoFolder() {
    return JoinPath(InstallerInfoRoot(), kProductGuid);
}

std::wstring SampleMediumFolder() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"VELNORA_MEDIA", folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::optional<std::string> ReasonNotToRunTheSample() {
    const std::wstring media = SampleMediumFolder();
    if (media.empty() ||
        GetFileAttributesW((media + L"\\autorun.ini").c_str()) == INVALID_FILE_ATTRIBUTES)
        return "no sample medium (VELNORA_MEDIA)";
    if (LiveInstallLocation())
        return "this prefix holds an active environment; the test leaves it be";
    return std::nullopt;
}

std::wstring OwnProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

std::wstring OwnFolder() {
    return ParentFolder(OwnProgramPath());
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) {
        return name;
    }
    if (folder.back() == L'\\' || folder.back() == L'/') {
        return folder + name;
    }
    return folder + L"\\" + name;
}

std::wstring ParentFolder(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash);
}

std::wstring LastComponent(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// --- files ---------------------------------------------------------------------------------

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolders(const std::wstring& path) {
    if (path.empty() || IsFolder(path)) {
        return !path.empty();
    }
    const std::wstring parent = ParentFolder(path);
    // A drive root ("C:") has no parent worth creating.
    if (!parent.empty() && parent.back() != L':' && !CreateFolders(parent)) {
        return false;
    }
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

namespace {

// Retries until the path is really gone. Besides a sharing violation there is a quieter way to
// fail: under Wine a file that another process has open with delete sharing (the menu builder
// maps a new shortcut's program to take its icon, and keeps doing so after the installer has
// ended) reports success, stays in its folder while held, and once released is kept after
// all. Until then a new attempt is refused as access denied.
template <typename Remove>
bool Patiently(const std::wstring& path, Remove remove) {
    for (int attempt = 0; attempt < 250; ++attempt) {
        const bool removed = remove();
        if (!PathExists(path)) {
            return true;
        }
        const DWORD error = removed ? ERROR_SHARING_VIOLATION : GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) {
            return false;
        }
        Sleep(20);
    }
    return false;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

bool DeleteFilePatiently(const std::wstring& path) {
    return Patiently(path, [&] {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(path.c_str()) != FALSE;
    });
}

bool RemoveFolderPatiently(const std::wstring& path) {
    return Patiently(path, [&] {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return RemoveDirectoryW(path.c_str()) != FALSE;
    });
}

bool RemoveTree(const std::wstring& path, std::vector<std::wstring>* left) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(JoinPath(path, L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return !PathExists(path);
    }
    const std::wstring ownProgram = OwnProgramPath();
    bool complete = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring child = JoinPath(path, name);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            complete = RemoveTree(child, left) && complete;
        } else if (SamePath(child, ownProgram) || !DeleteFilePatiently(child)) {
            // A running program cannot remove its own file; waiting for that would be in vain.
            complete = false;
            if (left != nullptr) {
                left->push_back(child);
            }
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    if (!complete || !RemoveFolderPatiently(path)) {
        if (left != nullptr) {
            left->push_back(path);
        }
        return false;
    }
    return true;
}

bool CopyOneFile(const std::wstring& from, const std::wstring& to) {
    if (!CreateFolders(ParentFolder(to))) {
        return false;
    }
    // An update replaces a program the menu builder may still be reading (see Patiently).
    for (int attempt = 0; attempt < 250; ++attempt) {
        SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (CopyFileW(from.c_str(), to.c_str(), FALSE)) {
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
            error != ERROR_USER_MAPPED_FILE) {
            return false;
        }
        Sleep(20);
    }
    return false;
}

bool WriteTextFile(const std::wstring& path, const std::wstring& text) {
    if (!CreateFolders(ParentFolder(path))) {
        return false;
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool ok = WriteBytes(file, ToUtf8(text));
    CloseHandle(file);
    return ok;
}

bool AppendLine(const std::wstring& path, const std::wstring& line) {
    const std::string bytes = ToUtf8(line + L"\r\n");
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const bool ok = WriteBytes(file, bytes);
            CloseHandle(file);
            return ok;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) {
            return false;
        }
        Sleep(20);
    }
    return false;
}

// --- profile files -------------------------------------------------------------------------

std::wstring ReadProfile(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key) {
    std::wstring buffer(4096, L'\0');
    const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), file.c_str());
    buffer.resize(length);
    return buffer;
}

bool WriteProfile(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value) {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           FALSE;
}

std::vector<std::wstring> ProfileKeys(const std::wstring& file, const std::wstring& section) {
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), file.c_str());
    std::vector<std::wstring> keys;
    for (std::size_t at = 0; at < length;) {
        const std::wstring key = buffer.c_str() + at;
        if (key.empty()) {
            break;
        }
        keys.push_back(key);
        at += key.size() + 1;
    }
    return keys;
}

bool AppendProfileValue(const std::wstring& file, const std::wstring& section,
                        const std::wstring& prefix, const std::wstring& value) {
    const std::vector<std::wstring> keys = ProfileKeys(file, section);
    for (int n = 1;; ++n) {
        const std::wstring key = prefix + std::to_wstring(n);
        bool taken = false;
        for (const std::wstring& existing : keys) {
            taken = taken || _wcsicmp(existing.c_str(), key.c_str()) == 0;
        }
        if (!taken) {
            return WriteProfile(file, section, key, value);
        }
    }
}

// --- registry ------------------------------------------------------------------------------

bool WriteRegText(HKEY root, const std::wstring& key, const std::wstring& name,
                  const std::wstring& value) {
    Key handle;
    if (!OpenForWrite(root, key, handle)) {
        return false;
    }
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(handle.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

bool WriteRegNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value) {
    Key handle;
    if (!OpenForWrite(root, key, handle)) {
        return false;
    }
    return RegSetValueExW(handle.Get(), name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadRegText(HKEY root, const std::wstring& key,
                                        const std::wstring& name) {
    Key handle;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | kVendorView, handle.Out()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    if (RegQueryValueExW(handle.Get(), valueName, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(handle.Get(), valueName, nullptr, &type,
                         reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    Key handle;
    return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | kVendorView, handle.Out()) ==
           ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name) {
    Key handle;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE | kVendorView, handle.Out()) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG result = RegDeleteValueW(handle.Get(), name.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegTree(HKEY root, const std::wstring& key) {
    // RegDeleteTreeW takes no view: it empties the key opened in the view, and the key itself
    // goes with RegDeleteKeyExW, which takes one.
    {
        Key handle;
        const LONG opened = RegOpenKeyExW(
            root, key.c_str(), 0,
            DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | kVendorView,
            handle.Out());
        if (opened == ERROR_FILE_NOT_FOUND) {
            return true;
        }
        if (opened != ERROR_SUCCESS || RegDeleteTreeW(handle.Get(), nullptr) != ERROR_SUCCESS) {
            return false;
        }
    }
    const LONG last = RegDeleteKeyExW(root, key.c_str(), kVendorView, 0);
    return last == ERROR_SUCCESS || last == ERROR_FILE_NOT_FOUND;
}

bool DeleteKeyIfEmpty(HKEY root, const std::wstring& key) {
    DWORD subkeys = 0;
    DWORD values = 0;
    {
        Key handle;
        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | kVendorView, handle.Out()) !=
            ERROR_SUCCESS) {
            return false;
        }
        if (RegQueryInfoKeyW(handle.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return false;
        }
    }
    return subkeys == 0 && values == 0 &&
           RegDeleteKeyExW(root, key.c_str(), kVendorView, 0) == ERROR_SUCCESS;
}

std::wstring UninstallKeyPath(const std::wstring& keyName) {
    return std::wstring(kUninstallRoot) + L"\\" + keyName;
}

std::optional<std::wstring> LiveInstallLocation() {
    return ReadRegText(HKEY_LOCAL_MACHINE, UninstallKeyPath(kProductGuid), L"InstallLocation");
}

namespace {
constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";
}  // namespace

std::optional<std::wstring> PendingRenames() {
    Key handle;
    DWORD bytes = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, handle.Out()) !=
            ERROR_SUCCESS ||
        RegQueryValueExW(handle.Get(), kPendingRenamesValue, nullptr, nullptr, nullptr, &bytes) !=
            ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring list(bytes / sizeof(wchar_t), L'\0');
    if (RegQueryValueExW(handle.Get(), kPendingRenamesValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(list.data()), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    list.resize(bytes / sizeof(wchar_t));
    return list;
}

bool SetPendingRenames(const std::optional<std::wstring>& list) {
    Key handle;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, handle.Out()) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (!list) {
        const LONG result = RegDeleteValueW(handle.Get(), kPendingRenamesValue);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return RegSetValueExW(handle.Get(), kPendingRenamesValue, 0, REG_MULTI_SZ,
                          reinterpret_cast<const BYTE*>(list->data()),
                          static_cast<DWORD>(list->size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void RemoveInstallManager() {
    RemoveTree(InstallManagerFolder());
    RemoveDirectoryW(ParentFolder(InstallManagerFolder()).c_str());
    DeleteRegTree(HKEY_LOCAL_MACHINE, UninstallKeyPath(L"Velnora"));
    DeleteFileW(InstallManagerShortcut().c_str());
    RemoveDirectoryW(MakerStartMenuFolder().c_str());
    DeleteRegValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                   L"Velnora");
    DeleteFileW(JoinPath(WindowsFolder(), L"del.bat").c_str());
}

bool RemoveSampleRunLeftovers(const std::optional<std::wstring>& renamesBefore) {
    const bool environmentsRemoved =
        RunAndWait(Quote(JoinPath(OwnFolder(), L"velnora_kit_environments.exe")) + L" remove-all",
                   180000) == 0;
    RemoveTree(LiveInstallerInfoFolder());
    RemoveDirectoryW(InstallerInfoRoot().c_str());
    SetPendingRenames(renamesBefore);
    DeleteFileW(ToolRecordPath().c_str());
    // The sample's Vantorix brings Tidewatch, which its uninstaller leaves.
    DeleteRegTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa\\Tidewatch");
    DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvessa");
    RemoveTree(JoinPath(ProgramFilesFolder(), L"Orvessa\\Tidewatch"));
    RemoveTree(JoinPath(ShellFolder(CSIDL_COMMON_APPDATA), L"Orvessa\\Tidewatch"));
    // The run state of an aborted run must not resume the next test's start.
    wchar_t temp[MAX_PATH] = {};
    const DWORD tempLength = GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    if (tempLength > 0 && tempLength < MAX_PATH) {
        DeleteFileW(JoinPath(std::wstring(temp, tempLength), L"_autorun.ini").c_str());
    }
    // The logon value, for the machine or, written without administrator rights, for the user.
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        DeleteRegValue(root, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"Autorun");
    RemoveInstallManager();
    return environmentsRemoved;
}

// --- shortcuts -----------------------------------------------------------------------------

bool CreateShortcut(const std::wstring& link, const std::wstring& target,
                    const std::wstring& arguments, const std::wstring& workingFolder,
                    const std::wstring& description) {
    if (!CreateFolders(ParentFolder(link))) {
        return false;
    }
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init)) {
        return false;
    }
    bool saved = false;
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        shellLink->SetPath(target.c_str());
        shellLink->SetArguments(arguments.c_str());
        shellLink->SetWorkingDirectory(workingFolder.c_str());
        shellLink->SetDescription(description.c_str());
        shellLink->SetShowCmd(SW_SHOWNORMAL);
        IPersistFile* file = nullptr;
        if (SUCCEEDED(
                shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(link.c_str(), TRUE));
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    return saved;
}

// --- command line --------------------------------------------------------------------------

std::vector<std::wstring> Arguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; words != nullptr && i < count; ++i) {
        arguments.emplace_back(words[i]);
    }
    LocalFree(words);
    return arguments;
}

std::optional<long> ParseNumber(const std::wstring& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 0);
    if (end == nullptr || *end != L'\0') {
        return std::nullopt;
    }
    return value;
}

std::wstring Quote(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// --- processes -----------------------------------------------------------------------------

bool StartDetached(const std::wstring& commandLine, const std::wstring& workingFolder) {
    std::wstring mutableLine = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

long RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
    std::wstring mutableLine = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hProcess);
    return static_cast<long>(code);
}

// --- diagnostics ---------------------------------------------------------------------------

void Marker::Write(const std::wstring& event, const std::wstring& detail) const {
    if (path_.empty()) {
        return;
    }
    AppendLine(path_, event + L"\t" + LastComponent(OwnProgramPath()) + L"\t" +
                          std::to_wstring(GetCurrentProcessId()) + L"\t" + detail);
}

void Complain(const Marker& marker, const std::wstring& text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        WriteBytes(error, ToUtf8(LastComponent(OwnProgramPath()) + L": " + text + L"\n"));
    }
    marker.Write(L"error", text);
}

long VersionNumber(const std::wstring& version) {
    std::wstring joined;
    std::size_t at = 0;
    while (at < version.size()) {
        const std::size_t end = version.find_first_of(L".,", at);
        std::wstring token =
            version.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
        std::size_t first = 0;
        while (first < token.size() && std::iswspace(token[first])) {
            ++first;
        }
        joined += token.substr(first);
        if (end == std::wstring::npos) {
            break;
        }
        at = end + 1;
    }
    joined = joined.substr(0, 4);
    return std::wcstol(joined.c_str(), nullptr, 10);
}

}  // namespace kit
