// The destination folder page on the programs' own template under Wine, in both languages,
// worked from another thread through its windows: the proposal under the 32-bit program files
// folder, the browser's path field, a refusal, a typed folder that does not exist; then what
// RecordUserInformation wrote into the live Vtx2Inst.ini, read with the plain profile calls.
// It changes that file and the settings file (put back afterwards), so it runs alone.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver.h"
#include "environments/user_information.h"
#include "installer/context.h"
#include "pages/dest_folder_page.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"
#include "resource_ids.h"

namespace velnora {
namespace {

using namespace e2e;

// The path field the platform's folder browser adds.
constexpr int kPathField = 0x37F0;

struct Language {
    const char* name;
    const wchar_t* setting;
    const wchar_t* title;
    const wchar_t* errorCaption;
    const wchar_t* refusalStart;
    const wchar_t* company;
    const wchar_t* userName;
    const wchar_t* typedLeaf;  // the new folder the user types
};

const Language kLanguages[] = {
    {"English", L"English", L"Select destination folder", L"Error",
     L"There has been already Vantorix in the directory", L"Orvessa Ltd.", L"Aki Sato", L"New Vtx"},
    {"Japanese", L"Japanese", L"インストール先の選択", L"エラー",
     L"指定したディレクトリには既にVantorixが存在しています。", L"オルヴェッサ株式会社", L"佐藤 明",
     L"新しい Vtx"},
};

void PrintTo(const Language& language, std::ostream* out) {
    *out << language.name;
}

std::wstring ProgramFilesX86() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, 0, path);
    return path;
}

// Japanese texts in a profile file need a Unicode file whatever the system code page.
std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

// The page's thread paints what changed before the picture is taken.
void Shoot(HWND window, const std::wstring& name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SaveWindowScreenshot(window, name);
}

std::wstring Profile(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"<none>", value, 1024, file.c_str());
    return value;
}

class DestFolderPage : public ::testing::TestWithParam<Language> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(programFiles_.empty());
        // The base folder exists, so the page proposes the first numbered one.
        for (const std::wstring* folder : {&vendor_, &base_})
            if (CreateDirectoryW(folder->c_str(), nullptr))
                created_.insert(created_.begin(), *folder);
        ASSERT_TRUE(FolderExists(base_));
        ASSERT_FALSE(FolderExists(base_ + L"_001"));
        for (const wchar_t* folder : {L"", L"\\Old Vtx", L"\\Old Vtx\\bin"})
            CreateDirectoryW((scratch_ + folder).c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(scratch_ + L"\\Old Vtx\\bin\\vtx2.exe", "MZ"));

        const Language& language = GetParam();
        ASSERT_TRUE(WriteFileBytes(
            settings_,
            Utf16File(std::wstring(L"[Default]\r\nLanguage=") + language.setting +
                      L"\r\n[UserInfo]\r\nCompany=" + language.company + L"\r\nUser name=" +
                      language.userName + L"\r\nEmail=aki@example.jp\r\n")));
        ASSERT_TRUE(WriteFileBytes(record_, Utf16File(L"[Install Version]\r\nVTX=4.08\r\n"
                                                      L"[UserInformation_Common]\r\n"
                                                      L"Postcode=100-0001\r\n")));

        context_.startup.settingsFile = "Velnora.ini";
        ASSERT_TRUE(win32_.Get().session.GetVersion(context_.startup.osVersion));
        context_.texts =
            core::TextSet(core::ChooseJapanese(win32_.Get(), context_.startup.settingsFile));
        environments::LoadUserInformation(context_);
    }

    void TearDown() override {
        DeleteFileW((scratch_ + L"\\Old Vtx\\bin\\vtx2.exe").c_str());
        for (const wchar_t* folder : {L"\\Old Vtx\\bin", L"\\Old Vtx", L""})
            RemoveDirectoryW((scratch_ + folder).c_str());
        for (const std::wstring& folder : created_)
            RemoveDirectoryW(folder.c_str());
    }

    HWND FindBrowser(HWND page) {
        return WaitForValue<HWND>([&]() -> std::optional<HWND> {
                   for (HWND window : FindTopWindows({L"", kDialogClass, GetCurrentProcessId()}))
                       if (window != page && Control(window, kPathField) != nullptr)
                           return window;
                   return std::nullopt;
               })
            .value_or(nullptr);
    }

    // Types `folder` into the browser's path field, which starts at the folder shown, and
    // presses OK; true once the page shows it.
    bool TypeIntoBrowser(HWND page, const std::wstring& folder, const std::wstring& screenshot) {
        HWND browser = PressButton(page, IDC_DEST_CHANGE) ? FindBrowser(page) : nullptr;
        if (browser == nullptr)
            return false;
        EXPECT_EQ(ControlText(browser, kPathField), ControlText(page, IDC_DEST_FOLDER));
        Shoot(browser, screenshot);
        SetControlText(browser, kPathField, folder);
        PressButton(browser, IDOK);
        return WaitUntil([&] { return ControlText(page, IDC_DEST_FOLDER) == folder; });
    }

    platform::win32::Win32Platform win32_;
    installer::Context context_{win32_.Get()};
    const std::wstring programFiles_ = ProgramFilesX86();
    const std::wstring vendor_ = programFiles_ + L"\\Orvessa";
    const std::wstring base_ = vendor_ + L"\\Vtx";
    const std::wstring scratch_ = L"C:\\dest-page-test";
    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    const std::wstring record_ = WindowsFolder() + L"\\Vtx2Inst.ini";
    FileRestorer restoreSettings_{settings_};
    FileRestorer restoreRecord_{record_};
    std::vector<std::wstring> created_;  // innermost first
};

TEST_P(DestFolderPage, ProposesRefusesTakesATypedFolderAndRecordsIt) {
    const Language& language = GetParam();
    const std::wstring prefix = std::wstring(L"dest-folder-") + (language.setting);
    const std::wstring refused = scratch_ + L"\\Old Vtx";
    const std::wstring typed = scratch_ + L"\\" + language.typedLeaf;

    std::wstring proposal;
    std::wstring refusal;
    bool typedShown = false;
    std::thread user([&] {
        HWND page = WaitForTopWindow({language.title, kDialogClass, GetCurrentProcessId()});
        if (page == nullptr)
            return;
        proposal = ControlText(page, IDC_DEST_FOLDER);
        Shoot(page, prefix + L"-proposal");
        if (!TypeIntoBrowser(page, refused, prefix + L"-browser"))
            return;
        PressButton(page, IDC_DEST_NEXT);
        if (const auto box = WaitForMessageBox(GetCurrentProcessId(), language.errorCaption)) {
            refusal = box->text;
            SaveScreenshot(prefix + L"-refusal");
            AnswerMessageBox(*box, IDOK);
        }
        typedShown = TypeIntoBrowser(page, typed, prefix + L"-browser-typed");
        Shoot(page, prefix + L"-typed");
        PressButton(page, IDC_DEST_NEXT);
        if (!WaitForWindowGone(page))
            RequestClose(page);
    });
    const pages::DestResult result = pages::RunDestinationFolderPage(context_);
    user.join();

    EXPECT_EQ(proposal, base_ + L"_001");
    EXPECT_EQ(refusal.rfind(language.refusalStart, 0), 0u) << refusal.c_str();
    EXPECT_TRUE(typedShown);
    ASSERT_EQ(result, pages::DestResult::kNext);
    EXPECT_EQ(context_.startup.chosenInstallDir, platform::win32::Utf8(typed));
    EXPECT_FALSE(FolderExists(typed));

    core::Notices notices;
    ASSERT_TRUE(environments::RecordUserInformation(context_, notices));
    EXPECT_EQ(context_.startup.chosenInstallDir, "");
    EXPECT_EQ(Profile(record_, L"Install Directory", L"VTX"), typed);
    EXPECT_EQ(Profile(record_, L"Install Directory", L"Target"), typed);
    EXPECT_EQ(Profile(record_, L"Install Type", L"Type"), L"Orvessa");
    EXPECT_EQ(Profile(record_, L"UserInformation_Common", L"Company name"), language.company);
    EXPECT_EQ(Profile(record_, L"UserInformation_Common", L"User name"), language.userName);
    EXPECT_EQ(Profile(record_, L"UserInformation_Common", L"Email"), L"aki@example.jp");
    EXPECT_EQ(Profile(record_, L"UserInformation_Common", L"Tel"), L"");
    // What the vendor installer wrote stays.
    EXPECT_EQ(Profile(record_, L"UserInformation_Common", L"Postcode"), L"100-0001");
    EXPECT_EQ(Profile(record_, L"Install Version", L"VTX"), L"4.08");
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, DestFolderPage, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velnora
