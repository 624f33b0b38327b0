// The contract suite on the Win32 platform, on Windows or under Wine. Holding a file open
// from outside and finding the test program's folder need the Windows API itself.
#include "platform/win32/windows_api.h"

#include <cstdlib>
#include <map>

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

    std::string ChildProgram() override { return ProgramFolder() + "\\contract_child.exe"; }

    std::optional<std::pair<std::string, std::string>> VersionedProgram() override {
        if (const char* path = std::getenv("VELNORA_VERSIONED_EXE")) {
            const char* version = std::getenv("VELNORA_VERSIONED_EXE_VERSION");
            return std::make_pair(std::string(path), std::string(version ? version : "1.0.0.1"));
        }
        return std::make_pair(ChildProgram(), std::string(kChildVersion));
    }

    void Cleanup() override {
        ReleaseAll();
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
};

std::unique_ptr<PlatformUnderTest> MakeWin32() {
    return std::make_unique<Win32PlatformUnderTest>();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Win32, PlatformContract,
                         ::testing::Values(PlatformKind{"win32", &MakeWin32}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace velnora::contract
