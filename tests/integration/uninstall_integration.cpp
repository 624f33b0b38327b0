// The uninstall of environments that the vendor's installer created, under Wine: the real engine
// on the Win32 platform derives the command from either stored form, runs the kit's uninstaller
// and cleans up behind it. The machine is read with the kit's plain Win32 helpers, where the
// vendor's 32-bit programs have their things. A C:\Program.exe stands where the platform's
// guessing would find it for the unquoted setup path in "Program Files (x86)".
//
// The test uses the live names of the prefix, so it runs alone; it removes what it created.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "environments/environment_table.h"
#include "installer/context.h"
#include "kit_common.h"
#include "maintenance/environment_uninstall.h"
#include "platform/win32/win32_platform.h"

namespace velnora::e2e {
namespace {

using kit::JoinPath;
using kit::Quote;

constexpr wchar_t kWorkRoot[] = L"C:\\VelnoraUninstallIntegration";
constexpr wchar_t kDecoy[] = L"C:\\Program.exe";
constexpr wchar_t kRunOnce[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

const std::wstring kEntry = kit::UninstallKeyPath(kit::kProductGuid);

// A rename the uninstaller schedules outside the environment's folders, as another program
// might while it runs.
constexpr wchar_t kLater[] = L"C:\\VelnoraUninstallIntegration\\later.dll";

struct UninstallCase {
    const char* name;
    const wchar_t* form;
    const wchar_t* uninstallerArguments;
    bool removes;
    bool renamesOutside;  // schedules the rename of kLater
};

class UninstallOfVendorEnvironments : public testing::TestWithParam<UninstallCase> {
  protected:
    void SetUp() override {
        if (kit::KeyExists(HKEY_LOCAL_MACHINE, kEntry) ||
            kit::PathExists(kit::LiveInstallerInfoFolder()))
            GTEST_SKIP() << "this prefix holds an active environment; the test leaves it be";
        // Earlier tests' uninstallers leave renames in the setup folder; the case starts
        // without them, so that what it finds there is this uninstall's own.
        renamesBefore_ = kit::PendingRenames();
        ASSERT_TRUE(kit::SetPendingRenames(std::nullopt));
        kit::RemoveTree(kWorkRoot);
        ASSERT_TRUE(kit::CreateFolders(kWorkRoot));
        hadRecord_ = MoveFileW(kit::ToolRecordPath().c_str(), Saved().c_str());
        cleanUp_ = true;
        ASSERT_TRUE(CopyFileW(JoinPath(kit::OwnFolder(), L"vtx_installer_standin.exe").c_str(),
                              kDecoy, TRUE));
    }

    void TearDown() override {
        if (!cleanUp_)
            return;
        kit::DeleteRegTree(HKEY_LOCAL_MACHINE, kEntry);
        kit::DeleteRegTree(HKEY_CLASSES_ROOT, kit::kAssociationExtension);
        kit::DeleteRegTree(HKEY_CLASSES_ROOT, kit::kAssociationClass);
        kit::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnce, L"InstallShieldSetup1");
        kit::RemoveTree(kit::LiveInstallerInfoFolder());
        RemoveDirectoryW(kit::InstallerInfoRoot().c_str());
        kit::RemoveTree(kit::MakerStartMenuFolder());
        DeleteFileW(kDecoy);
        DeleteFileW(kit::ToolRecordPath().c_str());
        if (hadRecord_)
            MoveFileW(Saved().c_str(), kit::ToolRecordPath().c_str());
        kit::RemoveTree(kWorkRoot);
        kit::SetPendingRenames(renamesBefore_);
    }

    static std::wstring Saved() { return JoinPath(kWorkRoot, L"Vtx2Inst.ini"); }

    std::optional<std::wstring> renamesBefore_;
    bool hadRecord_ = false;
    bool cleanUp_ = false;
};

TEST_P(UninstallOfVendorEnvironments, TheEngineRunsTheUninstallerAndCleansUpOnlyBehindIt) {
    const UninstallCase& c = GetParam();
    const std::wstring folder = JoinPath(kWorkRoot, L"Env");
    const std::wstring installer = JoinPath(kit::OwnFolder(), L"vtx_installer_standin.exe");
    ASSERT_EQ(kit::RunAndWait(Quote(installer) + L" --create-environment --setup-resume" +
                                  L" --uninstall-form " + c.form + L" --uninstall-args \"" +
                                  c.uninstallerArguments + L"\" --folder " + Quote(folder),
                              60000),
              0);
    // The value the install manager adds; the vendor uninstaller leaves it behind.
    ASSERT_TRUE(kit::WriteRegNumber(HKEY_LOCAL_MACHINE, kEntry, L"TidewatchEnable", 1));
    // Someone else's rename at the next restart, scheduled before the uninstall.
    const std::wstring others = JoinPath(kWorkRoot, L"others.dll");
    ASSERT_TRUE(kit::WriteTextFile(others, L"in use"));
    ASSERT_TRUE(
        MoveFileExW(others.c_str(), (others + L".new").c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    const auto renames = kit::PendingRenames();
    ASSERT_TRUE(kit::WriteTextFile(kLater, L"in use"));

    platform::win32::Win32Platform win32;
    installer::Context context(win32.Get());
    ASSERT_EQ(maintenance::UninstallActiveEnvironment(context),
              maintenance::UninstallOutcome::kRan);
    EXPECT_EQ(
        environments::EnvironmentEntryExists(context.platform.registry, core::kVantorixProductGuid),
        !c.removes);
    EXPECT_EQ(kit::PathExists(folder), !c.removes);
    EXPECT_EQ(kit::PathExists(JoinPath(kit::MakerStartMenuFolder(), L"Vantorix")), !c.removes);
    const std::wstring info = kit::LiveInstallerInfoFolder();
    // Of the setup folder only the uninstaller's own running program may stay.
    EXPECT_EQ(kit::PathExists(JoinPath(info, L"setup.ini")), !c.removes);
    // Its renames are taken back; the one scheduled before stays, as every other.
    const auto after = kit::PendingRenames();
    if (c.renamesOutside) {
        ASSERT_TRUE(after && renames);
        EXPECT_EQ(after->find(info), std::wstring::npos);
        EXPECT_NE(after->find(others), std::wstring::npos);
        EXPECT_NE(after->find(kLater), std::wstring::npos);
    } else {
        EXPECT_EQ(after, renames);
    }

    ASSERT_TRUE(maintenance::ClearStaleSetupResumes(context));
    EXPECT_EQ(kit::ReadRegText(HKEY_LOCAL_MACHINE, kRunOnce, L"InstallShieldSetup1"),
              c.removes ? L"" : Quote(JoinPath(info, L"Setup.exe")) + L" -resume");
}

INSTANTIATE_TEST_SUITE_P(
    StoredForms, UninstallOfVendorEnvironments,
    testing::Values(UninstallCase{"RunFromTemp", L"runfromtemp", L"", true, false},
                    UninstallCase{"Launcher", L"launcher", L"", true, false},
                    UninstallCase{"FailingLauncher", L"launcher", L"--fail", false, false},
                    UninstallCase{"RenameOutsideMeanwhile", L"launcher",
                                  L"--schedule-rename C:\\VelnoraUninstallIntegration\\later.dll",
                                  true, true}),
    [](const testing::TestParamInfo<UninstallCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velnora::e2e
