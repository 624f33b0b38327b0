// The contract suite on the Win32 platform, on Windows or under Wine. Holding a file open
// from outside, making folder links and finding the test program's folder need the Windows
// API itself.
#include "platform/win32/windows_api.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "contract_fixture.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"

namespace velnora::contract {
namespace {

using platform::win32::Utf8;
using platform::win32::Wide;

constexpr char kChildVersion[] = "9.8.7.6";

std::string ProgramFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    return Utf8(path.substr(0, path.find_last_of(L'\\')));
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

FARPROC WineFunction(const char* name) {
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
}

// The host's name of a path under Wine; nothing elsewhere.
std::optional<std::string> UnixPath(const std::string& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    const auto convert =
        reinterpret_cast<Convert>(reinterpret_cast<void*>(WineFunction("wine_get_unix_file_name")));
    char* unixPath = convert != nullptr ? convert(Wide(path).c_str()) : nullptr;
    if (unixPath == nullptr)
        return std::nullopt;
    std::string result(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Starts a host program under Wine, which starts such programs too. Its process handle tells
// neither when it ends nor how, so the caller waits for what the program does.
bool StartHostProgram(const char* unixProgram, const std::vector<std::string>& arguments) {
    using Convert = wchar_t*(CDECL*)(const char*);
    const auto convert =
        reinterpret_cast<Convert>(reinterpret_cast<void*>(WineFunction("wine_get_dos_file_name")));
    wchar_t* program = convert != nullptr ? convert(unixProgram) : nullptr;
    if (program == nullptr)
        return false;
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
    for (const std::string& argument : arguments)
        commandLine += L" \"" + Wide(argument) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    HeapFree(GetProcessHeap(), 0, program);
    if (!started)
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Waits up to a few seconds for `done` to hold.
template <typename Condition>
bool WaitFor(Condition done) {
    constexpr DWORD kLimitMs = 10000;
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > kLimitMs)
            return false;
        Sleep(10);
    }
    return true;
}

bool NameExists(const std::string& path) {
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(Wide(path).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return true;
}

bool IsFolderLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

// Windows makes the link itself (without privileges from version 10 on, in developer mode).
// Wine 8 answers CreateSymbolicLinkW with success but makes nothing; there the host's ln
// makes it, and Wine shows a host link to a folder as a folder reparse point.
bool MakeSymbolicFolderLink(const std::string& link, const std::string& target) {
    for (const DWORD flags :
         {DWORD{SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE},
          DWORD{SYMBOLIC_LINK_FLAG_DIRECTORY}}) {
        if (CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(), flags) &&
            IsFolderLink(link))
            return true;
    }
    if (!RunningUnderWine())
        return false;
    const auto unixLink = UnixPath(link);
    const auto unixTarget = UnixPath(target);
    return unixLink && unixTarget && StartHostProgram("/bin/ln", {"-s", *unixTarget, *unixLink}) &&
           WaitFor([&] { return IsFolderLink(link); });
}

// Wine's RemoveDirectoryW would take an empty target along and leave the link; the host's rm
// takes the link alone.
void RemoveSymbolicFolderLink(const std::string& link) {
    if (!RunningUnderWine()) {
        RemoveDirectoryW(Wide(link).c_str());
        return;
    }
    const auto unixLink = UnixPath(link);
    if (unixLink && StartHostProgram("/bin/rm", {"-f", *unixLink}))
        WaitFor([&] { return !NameExists(link); });
}

class Win32PlatformUnderTest final : public PlatformUnderTest {
  public:
    Win32PlatformUnderTest() {
        static int counter = 0;
        unique_ = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
        const auto temp = Get().session.GetEnvironmentVariable("TEMP");
        scratch_ = (temp ? *temp : std::string("C:")) + "\\VelnoraContract-" + unique_;
        DeleteTreeThrough(Get().files, scratch_);
        Get().files.CreateDirectory(scratch_);
    }
    ~Win32PlatformUnderTest() override { ReleaseAll(); }

    platform::Platform& Get() override { return platform_.Get(); }
    bool IsWine() const override { return RunningUnderWine(); }
    std::string ScratchFolder() override { return scratch_; }
    std::string ScratchKey() override { return "SOFTWARE\\VelnoraContract\\" + unique_; }

    void HoldOpen(const std::string& path) override {
        const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            held_[path] = file;
    }
    void Release(const std::string& path) override {
        const auto it = held_.find(path);
        if (it == held_.end())
            return;
        CloseHandle(it->second);
        held_.erase(it);
    }

    bool MakeFolderLink(const std::string& link, const std::string& target) override {
        if (!MakeSymbolicFolderLink(link, target))
            return false;
        links_.push_back(link);
        return true;
    }

    bool SetModifiedTime(const std::string& path, const platform::LocalFileTime& time) override {
        SYSTEMTIME local{};
        local.wYear = static_cast<WORD>(time.year);
        local.wMonth = static_cast<WORD>(time.month);
        local.wDay = static_cast<WORD>(time.day);
        local.wHour = static_cast<WORD>(time.hour);
        local.wMinute = static_cast<WORD>(time.minute);
        local.wSecond = static_cast<WORD>(time.second);
        SYSTEMTIME utc{};
        FILETIME stamp{};
        if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
            !SystemTimeToFileTime(&utc, &stamp))
            return false;
        const HANDLE file = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool set = SetFileTime(file, nullptr, nullptr, &stamp) != FALSE;
        CloseHandle(file);
        return set;
    }

    std::string ChildProgram() override { return ProgramFolder() + "\\contract_child.exe"; }

    std::optional<std::pair<std::string, std::string>> VersionedProgram() override {
        if (const char* path = std::getenv("VELNORA_VERSIONED_EXE")) {
            const char* version = std::getenv("VELNORA_VERSIONED_EXE_VERSION");
            return std::make_pair(std::string(path), std::string(version ? version : "1.0.0.1"));
        }
        return std::make_pair(ChildProgram(), std::string(kChildVersion));
    }

    // The build puts it there.
    std::string LibraryBesideProgram() override {
        return ProgramFolder() + "\\velnora_planted_library.dll";
    }

    void Cleanup() override {
        ReleaseAll();
        for (const std::string& link : links_)
            RemoveSymbolicFolderLink(link);
        links_.clear();
        DeleteTreeThrough(Get().files, scratch_);
        const platform::Handle hklm = Get().registry.Root(platform::RegRoot::LocalMachine);
        DeleteKeyThrough(Get().registry, hklm, ScratchKey());
        Get().registry.DeleteKey(hklm, "SOFTWARE\\VelnoraContract");  // when nothing else is left
        DeleteKeyThrough(Get().registry, hklm, "SOFTWARE\\Classes\\VelnoraContract" + unique_);
    }

  private:
    void ReleaseAll() {
        for (const auto& [path, file] : held_)
            CloseHandle(file);
        held_.clear();
    }

    platform::win32::Win32Platform platform_;
    std::string unique_;
    std::string scratch_;
    std::map<std::string, HANDLE> held_;
    std::vector<std::string> links_;
};

std::unique_ptr<PlatformUnderTest> MakeWin32() {
    return std::make_unique<Win32PlatformUnderTest>();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Win32, PlatformContract,
                         ::testing::Values(PlatformKind{"win32", &MakeWin32}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace velnora::contract
