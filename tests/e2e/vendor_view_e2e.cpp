// The real Velnora.exe under Wine finds an environment where the vendor's installer, a 32-bit
// program, leaves it on 64-bit Windows: its uninstall entry in the 32-bit registry view only,
// written the way `reg add ... /reg:32` writes it. The same entry in the 64-bit view only is
// not counted. The start-up writes the number of environments it found as "VtxInstanceCount"
// in [General] of Velnora.ini in the Windows folder, and -maintenance without an
// environment shows the "not installed" box, with one it shows the maintenance page.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "resource_ids.h"

namespace velnora::e2e {
namespace {

constexpr wchar_t kProgram[] = L"Velnora.exe";
constexpr wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kProductGuid[] = L"{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}";
constexpr wchar_t kDisplayName[] = L"Vantorix V4.08.00.012";
constexpr wchar_t kLocation[] = L"C:\\Program Files (x86)\\Orvessa\\Vantorix";
constexpr wchar_t kConfirm[] = L"Confirm";
constexpr wchar_t kMaintenance[] = L"Maintenance";
constexpr wchar_t kNotInstalled[] = L"Vantorix is not installed in this PC.";

const std::wstring kEntry = std::wstring(kUninstallRoot) + L"\\" + kProductGuid;

bool EnvironmentInstalled(RegistryView view) {
    for (const std::wstring& key : RegistrySubkeys(HKEY_LOCAL_MACHINE, kUninstallRoot, view)) {
        if (ReadRegistryString(HKEY_LOCAL_MACHINE, std::wstring(kUninstallRoot) + L"\\" + key,
                               L"ProductGuid", view) == std::optional<std::wstring>(kProductGuid)) {
            return true;
        }
    }
    return false;
}

// Runs reg.exe (the 64-bit one of the prefix) with the arguments; its exit code.
std::optional<DWORD> RunReg(const std::vector<std::wstring>& arguments) {
    Program reg = Program::Start(SystemFolder() + L"\\reg.exe", arguments);
    if (!reg.Started()) {
        ADD_FAILURE() << "reg.exe did not start, error " << reg.StartError();
        return std::nullopt;
    }
    return reg.WaitForExit();
}

// What -maintenance ended with: the box it showed, if any (answered with OK), the rows of the
// maintenance page, if it showed (closed with Exit), and its exit code.
struct MaintenanceRun {
    std::optional<MessageBoxView> box;
    std::optional<std::vector<std::vector<std::wstring>>> page_rows;
    std::optional<DWORD> exit_code;
};

class VendorView : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(TempFolder().empty());
        ASSERT_FALSE(ReadProfileString(TempFolder() + L"\\_autorun.ini", L"General", L"Continue"))
            << "a saved run state is left in %TEMP%\\_autorun.ini";
        ASSERT_FALSE(FileExists(BesideTestProgram(L"autorun.ini")));
        if (EnvironmentInstalled(RegistryView::k32Bit) ||
            EnvironmentInstalled(RegistryView::k64Bit)) {
            GTEST_SKIP() << "an environment of Vantorix is installed in the prefix";
        }
        saved_settings_ = ReadFileBytes(settings_);
        restore_ = true;
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Default", L"Language", L"English", settings_.c_str()));
    }

    void TearDown() override {
        if (!restore_) {
            return;
        }
        EXPECT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kEntry, RegistryView::k32Bit));
        EXPECT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kEntry, RegistryView::k64Bit));
        if (saved_settings_) {
            WriteFileBytes(settings_, *saved_settings_);
        } else {
            DeleteFileW(settings_.c_str());
        }
    }

    // Writes the environment's uninstall entry with reg.exe into one view (/reg:32 or
    // /reg:64) and checks that it is there and only there.
    void WriteEntryWithReg(RegistryView view) {
        const std::wstring switch_text = view == RegistryView::k32Bit ? L"/reg:32" : L"/reg:64";
        const std::wstring key = L"HKLM\\" + kEntry;
        const std::pair<const wchar_t*, const wchar_t*> values[] = {
            {L"ProductGuid", kProductGuid},
            {L"DisplayName", kDisplayName},
            {L"InstallLocation", kLocation},
        };
        for (const auto& [name, data] : values) {
            ASSERT_EQ(RunReg({L"add", key, L"/v", name, L"/t", L"REG_SZ", L"/d", data, L"/f",
                              switch_text}),
                      std::optional<DWORD>(0))
                << Narrow(name);
        }
        const RegistryView other =
            view == RegistryView::k32Bit ? RegistryView::k64Bit : RegistryView::k32Bit;
        ASSERT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kEntry, L"ProductGuid", view),
                  std::optional<std::wstring>(kProductGuid));
        ASSERT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kEntry, L"InstallLocation", view),
                  std::optional<std::wstring>(kLocation));
        ASSERT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kEntry, other));
    }

    // Starts Velnora.exe -maintenance and waits until it has ended, shows a box or shows the
    // maintenance page with its list filled.
    MaintenanceRun RunMaintenance(const std::wstring& shot) {
        MaintenanceRun run;
        Program program = Program::Start(BesideTestProgram(kProgram), {L"-maintenance"});
        if (!program.Started()) {
            ADD_FAILURE() << "Velnora.exe did not start, error " << program.StartError();
            return run;
        }
        HWND page = nullptr;
        const bool settled = WaitUntil([&] {
            run.box = FindMessageBox(program.Id());
            page = FindTopWindow({kMaintenance, kDialogClass, program.Id(), true});
            return run.box.has_value() || !program.Running() ||
                   (page != nullptr && ListViewRowCount(Control(page, IDC_MAINT_LIST)) > 0);
        });
        EXPECT_TRUE(settled) << "Velnora.exe neither ended nor showed a box or its page";
        if (run.box) {
            EXPECT_FALSE(SaveWindowScreenshot(run.box->window, shot).empty());
            EXPECT_TRUE(AnswerMessageBox(*run.box, IDOK));
        } else if (page != nullptr) {
            run.page_rows = ListViewRows(Control(page, IDC_MAINT_LIST));
            EXPECT_FALSE(SaveWindowScreenshot(page, shot).empty());
            EXPECT_TRUE(PressButton(page, IDC_MAINT_EXIT));
        }
        run.exit_code = program.WaitForExit();
        return run;
    }

    std::optional<std::wstring> InstanceCount() const {
        return ReadProfileString(settings_, L"General", L"VtxInstanceCount");
    }

    void ForgetInstanceCount() {
        ASSERT_TRUE(WritePrivateProfileStringW(L"General", L"VtxInstanceCount", nullptr,
                                               settings_.c_str()));
        ASSERT_FALSE(InstanceCount());
    }

    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    std::optional<std::string> saved_settings_;
    bool restore_ = false;
};

TEST_F(VendorView, AnEntryInThe32BitViewOnlyIsAnEnvironment) {
    ASSERT_NO_FATAL_FAILURE(WriteEntryWithReg(RegistryView::k32Bit));
    ASSERT_NO_FATAL_FAILURE(ForgetInstanceCount());

    const MaintenanceRun run = RunMaintenance(L"vendor-view-32");
    EXPECT_FALSE(run.box) << "shown: " << Narrow(run.box ? run.box->text : L"");
    const std::vector<std::vector<std::wstring>> rows = {
        {L"Active", std::wstring(kDisplayName) + L" (" + kLocation + L")"}};
    EXPECT_EQ(run.page_rows, std::optional(rows));
    EXPECT_EQ(run.exit_code, std::optional<DWORD>(0));
    EXPECT_EQ(InstanceCount(), std::optional<std::wstring>(L"1"));
}

TEST_F(VendorView, AnEntryInThe64BitViewOnlyIsNotCounted) {
    ASSERT_NO_FATAL_FAILURE(WriteEntryWithReg(RegistryView::k64Bit));
    ASSERT_NO_FATAL_FAILURE(ForgetInstanceCount());

    const MaintenanceRun run = RunMaintenance(L"vendor-view-64");
    ASSERT_TRUE(run.box) << "no box; the program ended with "
                         << (run.exit_code ? static_cast<long>(*run.exit_code) : -1L);
    EXPECT_EQ(run.box->caption, kConfirm);
    EXPECT_EQ(run.box->text, kNotInstalled) << "shown: " << Narrow(run.box->text);
    EXPECT_EQ(run.exit_code, std::optional<DWORD>(0));
    EXPECT_EQ(InstanceCount(), std::optional<std::wstring>(L"0"));
}

}  // namespace
}  // namespace velnora::e2e
