// The install manager's installed copy under Wine: the real engine on the Win32 platform installs
// it from a medium laid out like the sample one, then hands its removal to the medium's real
// del.bat and removes it; the Windows folder's del.bat is then run as the logon would run it.
// Files of another product of the maker stay throughout. The machine is read with the kit's
// plain Win32 helpers.
//
// The test uses the live names of the prefix, so it runs alone; it removes what it created.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <string>

#include "installer/context.h"
#include "kit_common.h"
#include "maintenance/own_installation.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"

namespace velnora::e2e {
namespace {

using kit::JoinPath;
using kit::Quote;
using platform::win32::Utf8;

constexpr wchar_t kMedium[] = L"C:\\VelnoraOwnInstallation\\Medium";
constexpr wchar_t kWorkRoot[] = L"C:\\VelnoraOwnInstallation";
constexpr wchar_t kRunOnce[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::wstring Maker() {
    return JoinPath(kit::CommonFilesFolder(), L"Orvessa");
}
std::wstring Own() {
    return JoinPath(Maker(), L"Velnora");
}
std::wstring Link() {
    return JoinPath(kit::MakerStartMenuFolder(), L"Multiple Install Manager.lnk");
}
std::wstring LogonScript() {
    return JoinPath(kit::WindowsFolder(), L"del.bat");
}
std::wstring OtherProduct() {
    return JoinPath(Maker(), L"OtherProduct\\keep.dll");
}
std::wstring OtherLink() {
    return JoinPath(kit::MakerStartMenuFolder(), L"Other Product.lnk");
}
const std::wstring kOwnEntry = kit::UninstallKeyPath(L"Velnora");

class OwnInstallationUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        if (kit::KeyExists(HKEY_LOCAL_MACHINE, kOwnEntry) || kit::PathExists(Own()) ||
            kit::PathExists(LogonScript()))
            GTEST_SKIP() << "this prefix holds an installed copy; the test leaves it be";
        const std::wstring sample = kit::SampleMediumFolder();
        ASSERT_FALSE(sample.empty()) << "VELNORA_MEDIA names the sample medium";
        kit::RemoveTree(kWorkRoot);
        cleanUp_ = true;
        ASSERT_TRUE(kit::CreateFolders(kMedium));
        for (const wchar_t* name : {L"Velnora.exe", L"del.bat"})
            ASSERT_TRUE(kit::CopyOneFile(JoinPath(sample, name), JoinPath(kMedium, name)))
                << Utf8(name);
        // The help compiler may be missing on this machine; any file stands in for the help.
        ASSERT_TRUE(kit::WriteTextFile(JoinPath(kMedium, L"VelnoraE.CHM"), L"help"));
        ASSERT_TRUE(kit::CreateFolders(kit::ParentFolder(OtherProduct())));
        ASSERT_TRUE(kit::WriteTextFile(OtherProduct(), L"another product of the maker"));
        ASSERT_TRUE(kit::CreateFolders(kit::MakerStartMenuFolder()));
        ASSERT_TRUE(kit::WriteTextFile(OtherLink(), L"another product's shortcut"));
        setupFolderMade_ = !kit::PathExists(kit::LiveInstallerInfoFolder());
        if (setupFolderMade_) {
            ASSERT_TRUE(kit::CreateFolders(kit::LiveInstallerInfoFolder()));
        }
    }

    void TearDown() override {
        if (!cleanUp_)
            return;
        kit::DeleteRegTree(HKEY_LOCAL_MACHINE, kOwnEntry);
        kit::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnce, L"Velnora");
        DeleteFileW(LogonScript().c_str());
        kit::RemoveTree(Own());
        kit::RemoveTree(kit::ParentFolder(OtherProduct()));
        RemoveDirectoryW(Maker().c_str());
        DeleteFileW(Link().c_str());
        DeleteFileW(OtherLink().c_str());
        RemoveDirectoryW(kit::MakerStartMenuFolder().c_str());
        if (setupFolderMade_) {
            RemoveDirectoryW(kit::LiveInstallerInfoFolder().c_str());
            RemoveDirectoryW(kit::InstallerInfoRoot().c_str());
        }
        kit::RemoveTree(kWorkRoot);
    }

    void Prepare(installer::Context& context) {
        context.startup.programBaseName = "Velnora";
        context.startup.managerBaseName = "Velnora";
        context.startup.programFolder = Utf8(kMedium);
        context.startup.osVersion = {6, 1, 7601, 2};
        context.environments.Row(0).keyName = core::kVantorixProductGuid;
        context.environments.CountNextRow();
    }

    bool cleanUp_ = false;
    bool setupFolderMade_ = false;
};

TEST_F(OwnInstallationUnderWine, InstallsThenRemovesOnlyItsOwnThroughDelBatAndTheLogonScript) {
    platform::win32::Win32Platform win32;
    installer::Context context(win32.Get());
    Prepare(context);
    core::Notices notices;

    // --- the installation
    ASSERT_TRUE(maintenance::InstallOwnCopy(context, notices));
    const std::wstring program = JoinPath(Own(), L"Velnora.exe");
    for (const wchar_t* name : {L"Velnora.exe", L"VelnoraE.CHM", L"del.bat"})
        EXPECT_TRUE(kit::PathExists(JoinPath(Own(), name))) << Utf8(name);
    EXPECT_EQ(kit::ReadRegText(HKEY_LOCAL_MACHINE, kOwnEntry, L"DisplayName"),
              L"Vantorix(Multiple Install)");
    EXPECT_EQ(kit::ReadRegText(HKEY_LOCAL_MACHINE, kOwnEntry, L"UninstallString"),
              Quote(program) + L" -uninstall");
    EXPECT_EQ(kit::ReadRegText(HKEY_LOCAL_MACHINE, kOwnEntry, L"DisplayIcon"), Quote(program));
    EXPECT_EQ(kit::ReadRegText(HKEY_LOCAL_MACHINE, kOwnEntry, L"Publisher"), L"Orvessa");
    EXPECT_EQ(kit::ReadRegText(HKEY_LOCAL_MACHINE, kOwnEntry, L"InstallLocation"), Own());
    EXPECT_TRUE(kit::ReadRegText(HKEY_LOCAL_MACHINE, kOwnEntry, L"DisplayVersion").has_value());
    std::string target;
    std::string arguments;
    EXPECT_EQ(context.platform.shell.ReadShortcut(Utf8(Link()), target, arguments),
              platform::kHrOk);
    EXPECT_EQ(target, Utf8(program));

    // A second installation finds everything up to date and copies nothing.
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(GetFileAttributesExW(program.c_str(), GetFileExInfoStandard, &before));
    ASSERT_TRUE(maintenance::InstallOwnCopy(context, notices));
    WIN32_FILE_ATTRIBUTE_DATA after{};
    ASSERT_TRUE(GetFileAttributesExW(program.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);

    // --- the removal, with the program still running from the installed folder
    ASSERT_TRUE(maintenance::ScheduleSelfRemoval(context));
    EXPECT_EQ(kit::ReadRegText(HKEY_LOCAL_MACHINE, kRunOnce, L"Velnora"), Quote(LogonScript()));
    ASSERT_TRUE(kit::PathExists(LogonScript()));
    // The vendor setup folder went because it was empty.
    if (setupFolderMade_) {
        EXPECT_FALSE(kit::PathExists(kit::LiveInstallerInfoFolder()));
    }

    const HANDLE running = CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    // The file in use is left, and said to be; the logon script takes it.
    EXPECT_EQ(maintenance::RemoveOwnInstallation(context),
              maintenance::PartsLeft{maintenance::OwnPart::kFiles});
    CloseHandle(running);
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, kOwnEntry));
    EXPECT_FALSE(kit::PathExists(Link()));
    EXPECT_FALSE(kit::PathExists(JoinPath(Own(), L"VelnoraE.CHM")));
    EXPECT_FALSE(kit::PathExists(JoinPath(Own(), L"del.bat")));
    EXPECT_TRUE(kit::PathExists(program));
    EXPECT_TRUE(kit::PathExists(OtherProduct()));
    EXPECT_TRUE(kit::PathExists(OtherLink()));

    // --- the next logon: Windows runs the value's file without arguments
    ASSERT_EQ(kit::RunAndWait(L"cmd.exe /c " + Quote(LogonScript()), 60000), 0);
    EXPECT_FALSE(kit::PathExists(program));
    EXPECT_FALSE(kit::PathExists(Own()));
    EXPECT_FALSE(kit::PathExists(LogonScript()));
    EXPECT_TRUE(kit::PathExists(OtherProduct()));
    EXPECT_TRUE(kit::PathExists(OtherLink()));

    // A self-installation before that logon would have taken the removal back.
    ASSERT_TRUE(maintenance::InstallOwnCopy(context, notices));
    ASSERT_TRUE(maintenance::ScheduleSelfRemoval(context));
    ASSERT_TRUE(maintenance::InstallOwnCopy(context, notices));
    EXPECT_FALSE(kit::PathExists(LogonScript()));
    EXPECT_FALSE(kit::ReadRegText(HKEY_LOCAL_MACHINE, kRunOnce, L"Velnora").has_value());
    EXPECT_EQ(maintenance::RemoveOwnInstallation(context), maintenance::PartsLeft{});
    EXPECT_FALSE(kit::PathExists(Own()));
}

}  // namespace
}  // namespace velnora::e2e
