// The start-up of the real Velnora.exe under Wine, driven from outside: the boxes it ends
// with in both languages, the refusal of a second copy, the read-me of the first start, the
// administrator probe of the versions below 6 and the libraries it loads while it starts.
#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "kit_common.h"

namespace velnora::e2e {
namespace {

constexpr wchar_t kProgram[] = L"Velnora.exe";
constexpr wchar_t kSettingsSection[] = L"Default";
constexpr wchar_t kHelpWindowClass[] = L"HH Parent";
constexpr wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kProbeKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CheckUserInfo";
constexpr wchar_t kProductGuid[] = L"{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}";

enum class Language { kLocale, kEnglish, kJapanese, kJapaneseLowerCase };

struct Texts {
    const wchar_t* error;
    const wchar_t* confirm;
    const wchar_t* wrong_parameter;
    const wchar_t* not_installed;
    const wchar_t* already_running;  // after the program's base name
    const wchar_t* not_administrator;
    const wchar_t* unsupported_os;
};

const Texts kEnglish = {
    L"Error",
    L"Confirm",
    L"Command parameter is wrong.",
    L"Vantorix is not installed in this PC.",
    L" is already execute.",
    L"You have not logged on with the administrator account.\nTo run this product correctly,\n"
    L"log on again with the administrator account.",
    L"Unsupported OS.",
};

const Texts kJapanese = {
    L"エラー",
    L"確認",
    L"コマンドパラメータが誤っています。",
    L"このPCには、Vantorixがインストールされていません。",
    L"は既に起動しています。",
    L"管理者権限で実行していません。\nインストールマネージャを動作させるためには、\n"
    L"管理者権限でログオンし直してください。",
    L"サポートOSではありません。",
};

// The prefix's locale is not Japan's, so only an exact "Japanese" switches.
const Texts& ExpectedTexts(Language language) {
    return language == Language::kJapanese ? kJapanese : kEnglish;
}

// A folder under TEMP with copies of the program (under any name) and of other files, removed
// again with everything in it.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::wstring& name)
        : path_(TempFolder() + L"\\velnora-e2e-" + name) {
        Remove();
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() { Remove(); }

    const std::wstring& Path() const { return path_; }
    bool Copy(const std::wstring& source, const std::wstring& file_name) const {
        return CopyFileW(source.c_str(), (path_ + L"\\" + file_name).c_str(), FALSE) != 0;
    }

  private:
    void Remove() const {
        for (const std::wstring& entry : FolderEntries(path_)) {
            DeleteFileW((path_ + L"\\" + entry).c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }

    std::wstring path_;
};

bool EnvironmentInstalled() {
    for (const std::wstring& key : RegistrySubkeys(HKEY_LOCAL_MACHINE, kUninstallRoot)) {
        if (ReadRegistryString(HKEY_LOCAL_MACHINE, std::wstring(kUninstallRoot) + L"\\" + key,
                               L"ProductGuid") == std::optional<std::wstring>(kProductGuid)) {
            return true;
        }
    }
    return false;
}

// Whether the box shows an icon. Wine keeps the icon control of a box without icon visible
// and empty, so only the icon it holds tells.
bool ShowsIcon(HWND box) {
    bool shown = false;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            continue;
        }
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon) != 0) {
            shown = shown || (icon != 0 && IsWindowVisible(child));
        }
    }
    return shown;
}

std::vector<int> ButtonIds(const MessageBoxView& box) {
    std::vector<int> ids;
    for (const MessageBoxButton& button : box.buttons) {
        ids.push_back(button.id);
    }
    return ids;
}

// Every test starts from the settings file as the prefix had it and puts it back; the
// language is the test's own. A saved run state would turn any start into a resumed run.
class VelnoraStartup : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(TempFolder().empty());
        ASSERT_FALSE(ReadProfileString(TempFolder() + L"\\_autorun.ini", L"General", L"Continue"))
            << "a saved run state is left in %TEMP%\\_autorun.ini";
        ASSERT_FALSE(FileExists(BesideTestProgram(L"autorun.ini")));
    }

    std::wstring SettingsFile(const std::wstring& base_name = L"Velnora") const {
        return WindowsFolder() + L"\\" + base_name + L".ini";
    }

    void WriteSetting(const wchar_t* key, const wchar_t* value) {
        ASSERT_TRUE(WritePrivateProfileStringW(kSettingsSection, key, value, settings_.c_str()));
    }

    void SetLanguage(Language language) {
        switch (language) {
            case Language::kLocale:
                WriteSetting(L"Language", nullptr);
                break;
            case Language::kEnglish:
                WriteSetting(L"Language", L"English");
                break;
            case Language::kJapanese:
                WriteSetting(L"Language", L"Japanese");
                break;
            case Language::kJapaneseLowerCase:
                WriteSetting(L"Language", L"japanese");
                break;
        }
    }

    // Starts the program and waits for its box; empty when none appeared.
    std::optional<MessageBoxView> StartAndWaitForBox(Program& program, const std::wstring& path,
                                                     const std::vector<std::wstring>& arguments,
                                                     const std::wstring& caption) {
        program = Program::Start(path, arguments);
        if (!program.Started()) {
            ADD_FAILURE() << Narrow(path) << " did not start, error " << program.StartError();
            return std::nullopt;
        }
        std::optional<MessageBoxView> box = WaitForMessageBox(program.Id(), caption);
        if (!box) {
            ADD_FAILURE() << "no box captioned \"" << Narrow(caption) << "\"; the program "
                          << (program.Running() ? "still runs" : "has ended");
        }
        return box;
    }

    // Presses OK and expects the program to end.
    void AnswerAndExpectExit(const MessageBoxView& box, Program& program) {
        ASSERT_TRUE(AnswerMessageBox(box, IDOK));
        EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    }

    const std::wstring settings_ = SettingsFile();
    FileRestorer restore_settings_{settings_};
};

// --- The boxes start-up ends with ---------------------------------------------------------

struct BoxCase {
    const char* name;
    Language language;
    const wchar_t* argument;
    bool needs_no_environment;
    // Field of the expected texts: caption and message, and whether the error icon shows.
    const wchar_t* Texts::*caption;
    const wchar_t* Texts::*text;
    bool error_icon;
};

const BoxCase kBoxCases[] = {
    {"UnknownModeToken", Language::kLocale, L"-foo", false, &Texts::error, &Texts::wrong_parameter,
     true},
    {"UnknownModeTokenJapanese", Language::kJapanese, L"-foo", false, &Texts::error,
     &Texts::wrong_parameter, true},
    {"LanguageInAnotherLetterCaseIsIgnored", Language::kJapaneseLowerCase, L"-foo", false,
     &Texts::error, &Texts::wrong_parameter, true},
    {"MaintenanceWithoutEnvironment", Language::kEnglish, L"-maintenance", true, &Texts::confirm,
     &Texts::not_installed, false},
    {"MaintenanceWithoutEnvironmentJapanese", Language::kJapanese, L"-maintenance", true,
     &Texts::confirm, &Texts::not_installed, false},
    {"ModeTokenInCapitals", Language::kLocale, L"-MAINTENANCE", true, &Texts::confirm,
     &Texts::not_installed, false},
};

// Failure messages name the case, not its bytes.
void PrintTo(const BoxCase& c, std::ostream* out) {
    *out << c.name;
}

class StartupBoxes : public VelnoraStartup, public testing::WithParamInterface<BoxCase> {};

TEST_P(StartupBoxes, ShowsTheTextOfTheLanguageWithOkOnlyAndEnds) {
    const BoxCase& c = GetParam();
    if (c.needs_no_environment && EnvironmentInstalled()) {
        GTEST_SKIP() << "an environment of Vantorix is installed in the prefix";
    }
    SetLanguage(c.language);
    const Texts& texts = ExpectedTexts(c.language);

    Program program;
    const std::optional<MessageBoxView> box =
        StartAndWaitForBox(program, BesideTestProgram(kProgram), {c.argument}, texts.*c.caption);
    ASSERT_TRUE(box);
    // Compared as UTF-16, as the box holds them.
    EXPECT_EQ(box->caption, std::wstring(texts.*c.caption));
    EXPECT_EQ(box->text, std::wstring(texts.*c.text)) << "shown: " << Narrow(box->text);
    EXPECT_EQ(ShowsIcon(box->window), c.error_icon);
    EXPECT_EQ(ButtonIds(*box), std::vector<int>{IDOK});
    EXPECT_FALSE(SaveWindowScreenshot(box->window, L"startup-box-" + Widen(c.name)).empty());
    if (c.language == Language::kJapanese) {
        EXPECT_FALSE(SaveScreenshot(L"startup-screen-" + Widen(c.name)).empty());
    }
    AnswerAndExpectExit(*box, program);
    EXPECT_TRUE(WaitForWindowGone(box->window));
}

INSTANTIATE_TEST_SUITE_P(Velnora, StartupBoxes, testing::ValuesIn(kBoxCases),
                         [](const testing::TestParamInfo<BoxCase>& info) {
                             return std::string(info.param.name);
                         });

// --- A second copy ---------------------------------------------------------------------------

struct SecondCopyCase {
    const char* name;
    Language language;
    // The second copy's file name, and whether it runs from its own folder.
    const wchar_t* file_name;
    bool own_folder;
    bool refused;
};

const SecondCopyCase kSecondCopyCases[] = {
    {"SameProgram", Language::kEnglish, L"Velnora.exe", false, true},
    {"SameProgramJapanese", Language::kJapanese, L"Velnora.exe", false, true},
    {"SameNameInAnotherFolder", Language::kEnglish, L"Velnora.exe", true, true},
    // Its own base name is its own mutex, as for the elevated twin.
    {"AnotherName", Language::kEnglish, L"VelnoraTwo.exe", true, false},
};

// Failure messages name the case, not its bytes.
void PrintTo(const SecondCopyCase& c, std::ostream* out) {
    *out << c.name;
}

class SecondCopy : public VelnoraStartup, public testing::WithParamInterface<SecondCopyCase> {};

TEST_P(SecondCopy, IsRefusedWhileTheFirstShowsAWindowAndTheFirstGoesOn) {
    const SecondCopyCase& c = GetParam();
    SetLanguage(c.language);
    const Texts& texts = ExpectedTexts(c.language);
    const std::wstring program = BesideTestProgram(kProgram);
    const std::wstring second_base = std::wstring(c.file_name).substr(0, wcslen(c.file_name) - 4);
    // The other name has its own settings file, in the Windows folder as well.
    FileRestorer restore_second_settings(SettingsFile(second_base));
    ScratchFolder folder(L"second-" + Widen(c.name));
    std::wstring second = program;
    if (c.own_folder) {
        ASSERT_TRUE(folder.Copy(program, c.file_name));
        second = folder.Path() + L"\\" + c.file_name;
    }

    Program first;
    const std::optional<MessageBoxView> first_box =
        StartAndWaitForBox(first, program, {L"-foo"}, texts.error);
    ASSERT_TRUE(first_box);
    ASSERT_EQ(first_box->text, std::wstring(texts.wrong_parameter));

    Program copy;
    const std::optional<MessageBoxView> box =
        StartAndWaitForBox(copy, second, {L"-foo"}, texts.error);
    ASSERT_TRUE(box);
    const std::wstring expected =
        c.refused ? second_base + texts.already_running : std::wstring(texts.wrong_parameter);
    EXPECT_EQ(box->text, expected) << "shown: " << Narrow(box->text);
    EXPECT_TRUE(ShowsIcon(box->window));
    EXPECT_EQ(ButtonIds(*box), std::vector<int>{IDOK});
    EXPECT_FALSE(SaveWindowScreenshot(box->window, L"startup-second-" + Widen(c.name)).empty());
    AnswerAndExpectExit(*box, copy);

    // The first copy is not disturbed: its box is still there and answers as before.
    EXPECT_TRUE(first.Running());
    const std::optional<MessageBoxView> still = FindMessageBox(first.Id(), texts.error);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->window, first_box->window);
    AnswerAndExpectExit(*still, first);
}

INSTANTIATE_TEST_SUITE_P(Velnora, SecondCopy, testing::ValuesIn(kSecondCopyCases),
                         [](const testing::TestParamInfo<SecondCopyCase>& info) {
                             return std::string(info.param.name);
                         });

// --- The read-me of the first start -------------------------------------------------------

struct ReadMeCase {
    const char* name;
    Language language;
    // [Default] FirstBoot before the start; nullptr: missing.
    const wchar_t* first_boot;
    // Help files beside the program.
    std::vector<const wchar_t*> help_files;
    bool opened;
};

const ReadMeCase kReadMeCases[] = {
    {"EnglishHelpFile", Language::kLocale, nullptr, {L"VelnoraE.CHM"}, true},
    {"JapaneseHelpFile", Language::kJapanese, nullptr, {L"VelnoraJ.CHM"}, true},
    {"FirstBootOtherThanOne", Language::kLocale, L"yes", {L"VelnoraE.CHM"}, true},
    {"NoHelpFile", Language::kLocale, nullptr, {}, false},
    {"OnlyTheOtherLanguagesHelpFile", Language::kLocale, nullptr, {L"VelnoraJ.CHM"}, false},
};

// Failure messages name the case, not its bytes.
void PrintTo(const ReadMeCase& c, std::ostream* out) {
    *out << c.name;
}

class ReadMe : public VelnoraStartup, public testing::WithParamInterface<ReadMeCase> {
  protected:
    // Runs the copy with -foo to its box; whether the help viewer's window was up by then.
    bool RunOnce(const std::wstring& program, const Texts& texts, const std::wstring& shot) {
        Program run;
        const std::optional<MessageBoxView> box =
            StartAndWaitForBox(run, program, {L"-foo"}, texts.error);
        if (!box) {
            return false;
        }
        EXPECT_EQ(box->text, std::wstring(texts.wrong_parameter));
        // The viewer is opened before the box, in the program's own process.
        WindowQuery help;
        help.class_name = kHelpWindowClass;
        help.process_id = run.Id();
        const bool help_shown = FindTopWindow(help) != nullptr;
        EXPECT_FALSE(SaveScreenshot(shot).empty());
        AnswerAndExpectExit(*box, run);
        return help_shown;
    }

    std::optional<std::wstring> FirstBoot() const {
        return ReadProfileString(settings_, kSettingsSection, L"FirstBoot");
    }
};

TEST_P(ReadMe, OpensOnceAndIsMarkedOnlyWhenTheHelpFileIsThere) {
    const ReadMeCase& c = GetParam();
    const std::wstring media = kit::SampleMediumFolder();
    if (media.empty() || !FileExists(media + L"\\VelnoraE.CHM") ||
        !FileExists(media + L"\\VelnoraJ.CHM")) {
        GTEST_SKIP() << "the sample medium has no help files (VELNORA_MEDIA: " << Narrow(media)
                     << ")";
    }
    SetLanguage(c.language);
    WriteSetting(L"FirstBoot", c.first_boot);
    const Texts& texts = ExpectedTexts(c.language);
    ScratchFolder folder(L"readme-" + Widen(c.name));
    ASSERT_TRUE(folder.Copy(BesideTestProgram(kProgram), kProgram));
    for (const wchar_t* help : c.help_files) {
        ASSERT_TRUE(folder.Copy(media + L"\\" + help, help));
    }
    const std::wstring program = folder.Path() + L"\\" + kProgram;

    const bool help_shown = RunOnce(program, texts, L"startup-readme-" + Widen(c.name));
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(help_shown, c.opened);
    if (!c.opened) {
        EXPECT_EQ(FirstBoot(),
                  c.first_boot ? std::optional<std::wstring>(c.first_boot) : std::nullopt);
        return;
    }
    EXPECT_EQ(FirstBoot(), std::optional<std::wstring>(L"1"));

    // Marked: the next start leaves the read-me closed.
    EXPECT_FALSE(RunOnce(program, texts, L"startup-readme-again-" + Widen(c.name)));
    EXPECT_EQ(FirstBoot(), std::optional<std::wstring>(L"1"));
}

INSTANTIATE_TEST_SUITE_P(Velnora, ReadMe, testing::ValuesIn(kReadMeCases),
                         [](const testing::TestParamInfo<ReadMeCase>& info) {
                             return std::string(info.param.name);
                         });

// --- The administrator probe --------------------------------------------------------------

enum class ProbeKeyBefore { kNone, kEmpty, kWithSubkey };

struct ProbeCase {
    const char* name;
    // Empty: the prefix's own version.
    const wchar_t* windows_version;
    Language language;
    ProbeKeyBefore key_before;
    bool key_remains;
    bool refused;
};

const ProbeCase kProbeCases[] = {
    // From version 6 on nothing is probed: a key left there stays.
    {"Windows10SkipsTheProbe", L"", Language::kLocale, ProbeKeyBefore::kEmpty, true, false},
    {"WindowsXpLeavesNoKey", L"winxp64", Language::kLocale, ProbeKeyBefore::kNone, false, false},
    {"WindowsXpDeletesAKeyLeftThere", L"winxp64", Language::kLocale, ProbeKeyBefore::kEmpty, false,
     false},
    // A key with a subkey cannot be deleted, as for a user without the rights.
    {"WindowsXpRefusesWhenTheKeyStays", L"winxp64", Language::kLocale, ProbeKeyBefore::kWithSubkey,
     true, true},
    {"WindowsXpRefusesWhenTheKeyStaysJapanese", L"winxp64", Language::kJapanese,
     ProbeKeyBefore::kWithSubkey, true, true},
};

// Failure messages name the case, not its bytes.
void PrintTo(const ProbeCase& c, std::ostream* out) {
    *out << c.name;
}

class AdministratorProbe : public VelnoraStartup, public testing::WithParamInterface<ProbeCase> {
  protected:
    void TearDown() override {
        EXPECT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kProbeKey));
        // Only Velnora.exe saw the other version, and only while the case ran.
        EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version"),
                  std::optional<std::wstring>(L"win10"));
        EXPECT_FALSE(
            RegistryKeyExists(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Velnora.exe"));
    }
};

TEST_P(AdministratorProbe, RunsBelowVersion6AndLeavesNoKeyBehind) {
    const ProbeCase& c = GetParam();
    ASSERT_TRUE(DeleteRegistryTree(HKEY_LOCAL_MACHINE, kProbeKey));
    switch (c.key_before) {
        case ProbeKeyBefore::kNone:
            break;
        case ProbeKeyBefore::kEmpty:
            ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kProbeKey, L"Left", L"there"));
            break;
        case ProbeKeyBefore::kWithSubkey:
            ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, std::wstring(kProbeKey) + L"\\Sub",
                                            L"Left", L"there"));
            break;
    }
    SetLanguage(c.language);
    const Texts& texts = ExpectedTexts(c.language);

    std::optional<MessageBoxView> box;
    Program program;
    {
        std::optional<ScopedWindowsVersion> version;
        if (*c.windows_version != L'\0') {
            version.emplace(kProgram, c.windows_version);
            ASSERT_TRUE(version->Applied());
        }
        // The version is read when the process starts.
        box = StartAndWaitForBox(program, BesideTestProgram(kProgram), {L"-foo"}, texts.error);
    }
    ASSERT_TRUE(box);
    // The refusal, or the box of the dispatch that only a program that went on can reach.
    EXPECT_EQ(box->text, std::wstring(c.refused ? texts.not_administrator : texts.wrong_parameter))
        << "shown: " << Narrow(box->text);
    EXPECT_TRUE(ShowsIcon(box->window));
    EXPECT_FALSE(SaveWindowScreenshot(box->window, L"startup-probe-" + Widen(c.name)).empty());
    EXPECT_EQ(RegistryKeyExists(HKEY_LOCAL_MACHINE, kProbeKey), c.key_remains);
    AnswerAndExpectExit(*box, program);
}

INSTANTIATE_TEST_SUITE_P(Velnora, AdministratorProbe, testing::ValuesIn(kProbeCases),
                         [](const testing::TestParamInfo<ProbeCase>& info) {
                             return std::string(info.param.name);
                         });

// --- Libraries beside the program -------------------------------------------------------

// Copies of velnora_planted_library.dll, which leaves "<its own path>.loaded" behind when it is
// loaded, lie beside a copy of the program under the names of the system libraries start-up
// loads: the help viewer of the read-me and, on Windows NT 4, the process enumeration. None may
// be loaded in place of the system's own.
constexpr wchar_t kPlantedLibrary[] = L"velnora_planted_library.dll";
const std::vector<std::wstring> kPlantedNames = {L"hhctrl.ocx", L"psapi.dll"};

struct PlantedCase {
    const char* name;
    // Empty: the prefix's own version.
    const wchar_t* windows_version;
    // The box start-up ends with, reached only when the libraries it loaded were complete.
    const wchar_t* Texts::*text;
    bool help_opens;
};

const PlantedCase kPlantedCases[] = {
    {"Windows10", L"", &Texts::wrong_parameter, true},
    // Stops at the media's check, after the process enumeration and before the read-me.
    {"WindowsNt4", L"nt40", &Texts::unsupported_os, false},
};

// Failure messages name the case, not its bytes.
void PrintTo(const PlantedCase& c, std::ostream* out) {
    *out << c.name;
}

class PlantedLibraries : public VelnoraStartup, public testing::WithParamInterface<PlantedCase> {};

TEST_P(PlantedLibraries, AreNotLoadedInPlaceOfTheSystemOnes) {
    const PlantedCase& c = GetParam();
    const std::wstring media = kit::SampleMediumFolder();
    if (media.empty() || !FileExists(media + L"\\VelnoraE.CHM")) {
        GTEST_SKIP() << "the sample medium has no help file (VELNORA_MEDIA: " << Narrow(media)
                     << ")";
    }
    SetLanguage(Language::kEnglish);
    WriteSetting(L"FirstBoot", nullptr);
    ScratchFolder folder(L"planted-" + Widen(c.name));
    ASSERT_TRUE(folder.Copy(BesideTestProgram(kProgram), kProgram));
    ASSERT_TRUE(folder.Copy(media + L"\\VelnoraE.CHM", L"VelnoraE.CHM"));
    for (const std::wstring& name : kPlantedNames) {
        ASSERT_TRUE(folder.Copy(BesideTestProgram(kPlantedLibrary), name));
    }

    Program program;
    std::optional<MessageBoxView> box;
    bool help_shown = false;
    {
        // By itself Wine would take its built-in libraries wherever a file of the name lies.
        ScopedNativeLibraries search(kProgram, kPlantedNames);
        ASSERT_TRUE(search.Applied());
        std::optional<ScopedWindowsVersion> version;
        if (*c.windows_version != L'\0') {
            version.emplace(kProgram, c.windows_version);
            ASSERT_TRUE(version->Applied());
        }
        program = Program::Start(folder.Path() + L"\\" + kProgram, {L"-foo"});
        ASSERT_TRUE(program.Started()) << "error " << program.StartError();
        // Any box: a library without the functions start-up needs is told in a box of its own.
        box = WaitForMessageBox(program.Id());
        WindowQuery help;
        help.class_name = kHelpWindowClass;
        help.process_id = program.Id();
        help_shown = FindTopWindow(help) != nullptr;
    }
    for (const std::wstring& name : kPlantedNames) {
        EXPECT_FALSE(FileExists(folder.Path() + L"\\" + name + L".loaded")) << Narrow(name);
    }
    ASSERT_TRUE(box) << "no box; the program " << (program.Running() ? "still runs" : "has ended");
    EXPECT_EQ(box->caption, std::wstring(kEnglish.error));
    EXPECT_EQ(box->text, std::wstring(kEnglish.*c.text)) << "shown: " << Narrow(box->text);
    EXPECT_EQ(help_shown, c.help_opens);
    EXPECT_EQ(ReadProfileString(settings_, kSettingsSection, L"FirstBoot"),
              c.help_opens ? std::optional<std::wstring>(L"1") : std::nullopt);
    EXPECT_FALSE(SaveScreenshot(L"startup-planted-" + Widen(c.name)).empty());
    AnswerAndExpectExit(*box, program);
}

INSTANTIATE_TEST_SUITE_P(Velnora, PlantedLibraries, testing::ValuesIn(kPlantedCases),
                         [](const testing::TestParamInfo<PlantedCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velnora::e2e
