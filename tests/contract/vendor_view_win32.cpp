// The vendor's 32-bit view, as the Win32 platform gives it (ARCHITECTURE.md, "The vendor's
// 32-bit view"). The vendor installers are 32-bit programs: on 64-bit Windows their keys under
// HKLM\SOFTWARE and HKEY_CLASSES_ROOT are in the 32-bit registry view and their files in the
// 32-bit program files folder. The platform must see exactly those, in a 64-bit build as in a
// 32-bit one. The keys are written and checked here with the bare W calls and an explicit view.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"

namespace velnora::contract {
namespace {

using platform::ErrorCode;
using platform::Handle;
using platform::RegValue;
using platform::win32::Utf8;
namespace error = platform::error;
namespace regaccess = platform::regaccess;

constexpr wchar_t kParent[] = L"SOFTWARE\\VelnoraView";
constexpr wchar_t kClassesParent[] = L"CLSID";
constexpr wchar_t kSetupKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// 32-bit Windows has one view only; a 64-bit build runs on 64-bit Windows alone.
bool HasTwoViews() {
    if (sizeof(void*) == 8)
        return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool WriteText(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& name,
               const std::wstring& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | view, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result =
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool ExistsIn(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteTreeIn(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0,
                      DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | view,
                      &key) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExW(root, path.c_str(), view, 0);
}

// Text data as the interface carries it, without its terminating zeros.
std::string TextOf(const RegValue& value) {
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE))
        return L"<none>";
    return buffer;
}

class Win32VendorView : public testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        unique_ =
            L"View-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        if (!HasTwoViews())
            GTEST_SKIP() << "32-bit Windows has one registry view";
    }

    void TearDown() override {
        for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            DeleteTreeIn(HKEY_LOCAL_MACHINE, Key(), view);
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kParent, view, 0);  // when nothing else is left
            DeleteTreeIn(HKEY_CLASSES_ROOT, ClassKey(), view);
        }
    }

    platform::Platform& P() { return platform_.Get(); }
    Handle Hklm() { return P().registry.Root(platform::RegRoot::LocalMachine); }
    Handle Hkcr() { return P().registry.Root(platform::RegRoot::ClassesRoot); }

    std::wstring Key() const { return std::wstring(kParent) + L"\\" + unique_; }
    std::wstring ClassKey() const { return std::wstring(kClassesParent) + L"\\Velnora" + unique_; }

    // What the platform gives for an open of the path with `access`; the key is closed again.
    ErrorCode OpenThroughPlatform(Handle root, const std::wstring& path,
                                  std::uint32_t access = regaccess::kRead) {
        Handle key = platform::kNoHandle;
        const ErrorCode result = P().registry.OpenKey(root, Utf8(path), access, key);
        if (result == error::kSuccess)
            P().registry.CloseKey(key);
        return result;
    }

    std::wstring unique_;
    platform::win32::Win32Platform platform_;
};

TEST_F(Win32VendorView, AKeyWrittenInThe32BitViewOnlyIsSeenWithItsValues) {
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, Key(), KEY_WOW64_32KEY, L"DisplayName", L"View 32"));
    ASSERT_FALSE(ExistsIn(HKEY_LOCAL_MACHINE, Key(), KEY_WOW64_64KEY));

    Handle key = platform::kNoHandle;
    ASSERT_EQ(P().registry.OpenKey(Hklm(), Utf8(Key()), regaccess::kRead, key), error::kSuccess);
    RegValue value;
    EXPECT_EQ(P().registry.QueryValue(key, "DisplayName", 1023, value), error::kSuccess);
    EXPECT_EQ(TextOf(value), "View 32");
    P().registry.CloseKey(key);

    ASSERT_EQ(P().registry.OpenKeyDefault(Hklm(), Utf8(Key()), key), error::kSuccess);
    EXPECT_EQ(P().registry.QueryValue(key, "DisplayName", 1023, value), error::kSuccess);
    P().registry.CloseKey(key);

    // It is listed under its parent, as an uninstall entry under the uninstall root.
    ASSERT_EQ(P().registry.OpenKey(Hklm(), Utf8(kParent), regaccess::kEnumerateSubKeys, key),
              error::kSuccess);
    bool listed = false;
    std::string name;
    for (std::uint32_t i = 0; P().registry.EnumKey(key, i, 1024, name) == error::kSuccess; ++i)
        listed = listed || name == Utf8(unique_);
    EXPECT_TRUE(listed);
    P().registry.CloseKey(key);
}

TEST_F(Win32VendorView, AKeyWrittenInThe64BitViewOnlyIsNotSeen) {
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, Key(), KEY_WOW64_64KEY, L"DisplayName", L"View 64"));
    ASSERT_FALSE(ExistsIn(HKEY_LOCAL_MACHINE, Key(), KEY_WOW64_32KEY));

    EXPECT_EQ(OpenThroughPlatform(Hklm(), Key()), error::kFileNotFound);
    Handle key = platform::kNoHandle;
    EXPECT_EQ(P().registry.OpenKeyDefault(Hklm(), Utf8(Key()), key), error::kFileNotFound);
}

TEST_F(Win32VendorView, KeysAreCreatedAndDeletedInThe32BitView) {
    Handle key = platform::kNoHandle;
    ASSERT_EQ(P().registry.CreateKey(Hklm(), Utf8(Key() + L"\\Sub"), regaccess::kWrite, key),
              error::kSuccess);
    EXPECT_EQ(P().registry.SetValue(key, "ProductGuid", platform::StringValue("{G}")),
              error::kSuccess);
    P().registry.CloseKey(key);
    EXPECT_TRUE(ExistsIn(HKEY_LOCAL_MACHINE, Key() + L"\\Sub", KEY_WOW64_32KEY));
    EXPECT_FALSE(ExistsIn(HKEY_LOCAL_MACHINE, Key(), KEY_WOW64_64KEY));

    // The same name in the 64-bit view is another key, which a delete leaves alone.
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, Key() + L"\\Sub", KEY_WOW64_64KEY, L"x", L"64"));
    EXPECT_EQ(P().registry.DeleteKey(Hklm(), Utf8(Key() + L"\\Sub")), error::kSuccess);
    EXPECT_FALSE(ExistsIn(HKEY_LOCAL_MACHINE, Key() + L"\\Sub", KEY_WOW64_32KEY));
    EXPECT_TRUE(ExistsIn(HKEY_LOCAL_MACHINE, Key() + L"\\Sub", KEY_WOW64_64KEY));
    EXPECT_EQ(P().registry.DeleteKey(Hklm(), Utf8(Key() + L"\\Sub")), error::kFileNotFound);

    // Relative to an open key as well.
    ASSERT_EQ(P().registry.CreateKey(Hklm(), Utf8(Key() + L"\\Leaf"), regaccess::kWrite, key),
              error::kSuccess);
    P().registry.CloseKey(key);
    ASSERT_EQ(P().registry.OpenKey(Hklm(), Utf8(Key()), regaccess::kWrite, key), error::kSuccess);
    EXPECT_EQ(P().registry.DeleteKey(key, "Leaf"), error::kSuccess);
    P().registry.CloseKey(key);
    EXPECT_FALSE(ExistsIn(HKEY_LOCAL_MACHINE, Key() + L"\\Leaf", KEY_WOW64_32KEY));
}

// CLSID is redirected on every 64-bit Windows (from Windows 7 on most other classes keys are
// shared by both views, under Wine 8 none are).
TEST_F(Win32VendorView, TheClassesRootIsSeenInThe32BitView) {
    ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, ClassKey() + L"\\DefaultIcon", KEY_WOW64_32KEY, L"",
                          L"icon32.ico,0"));
    ASSERT_FALSE(ExistsIn(HKEY_CLASSES_ROOT, ClassKey(), KEY_WOW64_64KEY));
    Handle key = platform::kNoHandle;
    ASSERT_EQ(
        P().registry.OpenKey(Hkcr(), Utf8(ClassKey() + L"\\DefaultIcon"), regaccess::kRead, key),
        error::kSuccess);
    RegValue value;
    EXPECT_EQ(P().registry.QueryValue(key, "", 1023, value), error::kSuccess);
    EXPECT_EQ(TextOf(value), "icon32.ico,0");
    P().registry.CloseKey(key);
    EXPECT_EQ(P().registry.DeleteKey(Hkcr(), Utf8(ClassKey() + L"\\DefaultIcon")), error::kSuccess);
    EXPECT_EQ(P().registry.DeleteKey(Hkcr(), Utf8(ClassKey())), error::kSuccess);
    EXPECT_FALSE(ExistsIn(HKEY_CLASSES_ROOT, ClassKey(), KEY_WOW64_32KEY));

    ASSERT_TRUE(WriteText(HKEY_CLASSES_ROOT, ClassKey(), KEY_WOW64_64KEY, L"", L"64"));
    EXPECT_EQ(OpenThroughPlatform(Hkcr(), ClassKey()), error::kFileNotFound);
}

// A key Windows does not redirect is the same key in both views, and opens as before.
TEST_F(Win32VendorView, KeysWindowsDoesNotRedirectReadAsBefore) {
    const std::wstring environment =
        L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    wchar_t expected[MAX_PATH + 1] = {};
    DWORD size = sizeof expected - sizeof(wchar_t);
    HKEY native = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, environment.c_str(), 0,
                            KEY_QUERY_VALUE | KEY_WOW64_64KEY, &native),
              ERROR_SUCCESS);
    const LONG read = RegQueryValueExW(native, L"ComSpec", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(expected), &size);
    RegCloseKey(native);
    ASSERT_EQ(read, ERROR_SUCCESS);
    Handle key = platform::kNoHandle;
    ASSERT_EQ(P().registry.OpenKey(Hklm(), Utf8(environment), regaccess::kRead, key),
              error::kSuccess);
    RegValue value;
    EXPECT_EQ(P().registry.QueryValue(key, "ComSpec", 1023, value), error::kSuccess);
    EXPECT_EQ(TextOf(value), Utf8(expected));
    P().registry.CloseKey(key);
}

TEST_F(Win32VendorView, TheProgramFilesFolderIsThe32BitOne) {
    const std::wstring x86 = ShellFolder(CSIDL_PROGRAM_FILESX86);
    std::string folder;
    ASSERT_TRUE(P().shell.GetSpecialFolderPath(platform::csidl::kProgramFiles, folder));
    EXPECT_EQ(folder, Utf8(x86));
    std::string created;
    ASSERT_TRUE(P().shell.GetSpecialFolderPath(
        platform::csidl::kProgramFiles | platform::csidl::kFlagCreate, created));
    EXPECT_EQ(created, folder);
    if (sizeof(void*) == 8)
        EXPECT_NE(folder, Utf8(ShellFolder(CSIDL_PROGRAM_FILES)));
    else
        EXPECT_EQ(folder, Utf8(ShellFolder(CSIDL_PROGRAM_FILES)));
    // The other folders are not touched.
    std::string windows;
    ASSERT_TRUE(P().shell.GetSpecialFolderPath(platform::csidl::kWindows, windows));
    EXPECT_EQ(windows, Utf8(ShellFolder(CSIDL_WINDOWS)));
}

// The setup value the destination-folder page asks for ("ProgramFilesDir") names
// the same folder in the 32-bit view.
TEST_F(Win32VendorView, TheSetupValueProgramFilesDirNamesThe32BitFolder) {
    Handle key = platform::kNoHandle;
    ASSERT_EQ(P().registry.OpenKey(Hklm(), Utf8(kSetupKey), regaccess::kRead, key),
              error::kSuccess);
    RegValue value;
    const ErrorCode result = P().registry.QueryValue(key, "ProgramFilesDir", 1023, value);
    P().registry.CloseKey(key);
    ASSERT_EQ(result, error::kSuccess);
    EXPECT_EQ(TextOf(value), Utf8(ShellFolder(CSIDL_PROGRAM_FILESX86)));
}

}  // namespace
}  // namespace velnora::contract
