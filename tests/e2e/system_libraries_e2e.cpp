// The real Velnora.exe under Wine, copied into a folder that also holds libraries named like
// the system libraries it loads while it runs (the help viewer, the process enumeration of
// Windows NT 4). They must not be loaded: the program takes its libraries from the system
// folder only. Wine would prefer its built-in libraries by itself, so the case makes it search
// as Windows does.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "kit_common.h"

namespace velnora::e2e {
namespace {

constexpr wchar_t kProgram[] = L"Velnora.exe";
constexpr wchar_t kHelpFile[] = L"VelnoraE.CHM";
constexpr wchar_t kHelpWindowClass[] = L"HH Parent";
constexpr wchar_t kPlantedLibrary[] = L"velnora_planted_library.dll";
// What its DllMain leaves beside a copy that was loaded.
constexpr wchar_t kLoadedSuffix[] = L".loaded";

// The names under which the program loads libraries while it starts.
const std::vector<std::wstring> kPlantedNames = {L"hhctrl.ocx", L"psapi.dll"};

struct LibraryCase {
    const char* name;
    // Empty: the prefix's own version.
    const wchar_t* windows_version;
    // The box the start-up ends with; reaching it means the libraries it needed were there.
    const wchar_t* box_text;
    bool help_opens;
};

const LibraryCase kCases[] = {
    // The read-me of the first start opens the help viewer.
    {"Windows10", L"", L"Command parameter is wrong.", true},
    // Below Windows 2000 the process enumeration comes from PSAPI; such a system stops at the
    // media's check, after the enumeration was loaded and before the read-me.
    {"WindowsNt4", L"nt40", L"Unsupported OS.", false},
};

// Failure messages name the case, not its bytes.
void PrintTo(const LibraryCase& c, std::ostream* out) {
    *out << c.name;
}

class PlantedLibraries : public testing::TestWithParam<LibraryCase> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.empty());
        ASSERT_FALSE(ReadProfileString(TempFolder() + L"\\_autorun.ini", L"General", L"Continue"))
            << "a saved run state is left in %TEMP%\\_autorun.ini";
        const std::wstring media = kit::SampleMediumFolder();
        if (media.empty() || !FileExists(media + L"\\" + kHelpFile)) {
            GTEST_SKIP() << "the sample medium has no help file (VELNORA_MEDIA: " << Narrow(media)
                         << ")";
        }
        RemoveFolder();
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        ASSERT_TRUE(Copy(BesideTestProgram(kProgram), kProgram));
        ASSERT_TRUE(Copy(media + L"\\" + kHelpFile, kHelpFile));
        for (const std::wstring& name : kPlantedNames) {
            ASSERT_TRUE(Copy(BesideTestProgram(kPlantedLibrary), name));
        }
        // The read-me opens at the first start only.
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Default", L"Language", L"English", settings_.c_str()));
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Default", L"FirstBoot", nullptr, settings_.c_str()));
    }

    void TearDown() override { RemoveFolder(); }

    bool Copy(const std::wstring& source, const std::wstring& name) const {
        return CopyFileW(source.c_str(), (folder_ + L"\\" + name).c_str(), FALSE) != 0;
    }

    void RemoveFolder() const {
        for (const std::wstring& entry : FolderEntries(folder_)) {
            DeleteFileW((folder_ + L"\\" + entry).c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }

    std::vector<std::wstring> LoadedLibraries() const {
        std::vector<std::wstring> loaded;
        for (const std::wstring& name : kPlantedNames) {
            if (FileExists(folder_ + L"\\" + name + kLoadedSuffix)) {
                loaded.push_back(name);
            }
        }
        return loaded;
    }

    const std::wstring folder_ = TempFolder() + L"\\velnora-e2e-planted";
    const std::wstring settings_ = WindowsFolder() + L"\\Velnora.ini";
    FileRestorer restore_settings_{settings_};
};

TEST_P(PlantedLibraries, AreNotLoadedInPlaceOfTheSystemOnes) {
    const LibraryCase& c = GetParam();
    std::optional<MessageBoxView> box;
    bool help_shown = false;
    Program program;
    {
        ScopedNativeLibraries search(kProgram, kPlantedNames);
        ASSERT_TRUE(search.Applied());
        std::optional<ScopedWindowsVersion> version;
        if (*c.windows_version != L'\0') {
            version.emplace(kProgram, c.windows_version);
            ASSERT_TRUE(version->Applied());
        }
        program = Program::Start(folder_ + L"\\" + kProgram, {L"-foo"});
        ASSERT_TRUE(program.Started()) << "error " << program.StartError();
        // Any box: a library that is missing a function is reported in a box of its own.
        box = WaitForMessageBox(program.Id());
        // The viewer is opened before the box, in the program's own process.
        help_shown = FindTopWindow({L"", kHelpWindowClass, program.Id(), true}) != nullptr;
    }
    EXPECT_EQ(LoadedLibraries(), std::vector<std::wstring>{});
    ASSERT_TRUE(box) << "no box; the program " << (program.Running() ? "still runs" : "has ended");
    EXPECT_EQ(box->caption, L"Error");
    EXPECT_EQ(box->text, std::wstring(c.box_text)) << "shown: " << Narrow(box->text);
    EXPECT_EQ(help_shown, c.help_opens);
    EXPECT_EQ(ReadProfileString(settings_, L"Default", L"FirstBoot"),
              c.help_opens ? std::optional<std::wstring>(L"1") : std::nullopt);
    EXPECT_FALSE(SaveScreenshot(L"system-libraries-" + Widen(c.name)).empty());
    ASSERT_TRUE(AnswerMessageBox(*box, IDOK));
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

INSTANTIATE_TEST_SUITE_P(Velnora, PlantedLibraries, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LibraryCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velnora::e2e
