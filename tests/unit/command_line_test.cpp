#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velnora::app {
namespace {

struct TokenCase {
    const char* name;
    std::string rawCommandLine;
    std::string token;
};

std::string Blanks(std::size_t count) {
    return std::string(count, ' ');
}

std::string Repeat(const std::string& text, std::size_t count) {
    std::string result;
    for (std::size_t i = 0; i < count; ++i)
        result += text;
    return result;
}

const std::vector<TokenCase>& TokenCases() {
    static const std::vector<TokenCase> cases = {
        {"QuotedPathWithBlanks", "\"C:\\Program Files\\Orvessa Kit\\Velnora.exe\" -uninstall",
         "-uninstall"},
        {"UnquotedPathWithBlanks", "C:\\Program Files\\Orvessa Kit\\Velnora.exe -uninstall",
         "-uninstall"},
        {"DashInFolderNameAlone", "C:\\my-tools\\Velnora.exe", ""},
        {"DashInQuotedFolderNameAlone", "\"C:\\my-tools\\Velnora.exe\"", ""},
        {"DashInFolderNameWithSwitch", "C:\\my-tools\\Velnora.exe -maintenance", "-maintenance"},
        {"PathAlone", "C:\\Media\\Velnora.exe", ""},
        {"FileNameWithExtensionAfterSwitch", "C:\\Media\\Velnora.exe -install setup.txt", ""},
        {"SlashArgumentAfterSwitch", "C:\\Media\\Velnora.exe -autorun /QUIET", ""},
        {"SlashArgumentBeforeSwitch", "C:\\Media\\Velnora.exe /QUIET -autorun", "-autorun"},
        {"SlashArgumentBeforeSwitchQuoted", "\"C:\\A B\\Velnora.exe\" /restart_pc -autorun",
         "-autorun"},
        {"RunOfBlanksBetweenSwitches", "C:\\Media\\Velnora.exe -install     -autorun", "-install"},
        {"LetterCaseKept", "C:\\Media\\Velnora.exe -INSTALL", "-INSTALL"},
        {"NoFolderNoExtension", "Velnora -maintenance", "-maintenance"},
        {"ForwardSlashes", "C:/Media/Velnora.exe -upgrade", "-upgrade"},
        {"LoneDash", "C:\\Media\\Velnora.exe -", "-"},
        {"TabBeforeSwitch", "C:\\Media\\Velnora.exe\t-install", "-install"},
        {"TabInsideToken", "C:\\Media\\Velnora.exe -install\t-autorun", "-install\t-autorun"},
        {"FirstDashBehindLastDot", "C:\\Media\\Velnora.ex-e -install", "-e"},
        {"VersionArgumentAfterSwitch", "C:\\Media\\Velnora.exe -maintenance v1.2", ""},
        {"JapaneseFolder", "C:\\インストール-テスト\\Velnora.exe -install", "-install"},
        {"JapaneseArgumentAfterSwitch", "C:\\Media\\Velnora.exe -install 日本語", "-install"},
        {"JapaneseToken", "C:\\Media\\Velnora.exe -インストール", "-インストール"},
        {"EmptyLine", "", ""},
        // The text behind the last dot counts up to 255 characters.
        {"DashWithinCut", "C:\\Media\\Velnora.exe" + Blanks(240) + "-install", "-install"},
        {"DashLastCharacterOfCut", "C:\\Media\\Velnora.exe" + Blanks(250) + "-install", "-"},
        {"DashBeyondCut", "C:\\Media\\Velnora.exe" + Blanks(251) + "-install", ""},
        // Characters, not bytes: three Japanese ones take nine bytes but count three.
        {"JapaneseCountsCharacters", "C:\\Media\\Velnora.exe" + Blanks(244) + "-日本語", "-日本語"},
        {"CutNeverSplitsCharacter", "C:\\Media\\Velnora.exe" + Blanks(249) + "-𠀋", "-"},
    };
    return cases;
}

class CommandLineModeToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(CommandLineModeToken, Extracts) {
    EXPECT_EQ(ExtractModeToken(GetParam().rawCommandLine), GetParam().token);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, CommandLineModeToken, ::testing::ValuesIn(TokenCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct ArgumentCase {
    const char* name;
    std::string rawCommandLine;
    std::string arguments;
};

class CommandLineArgumentText : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(CommandLineArgumentText, SkipsProgramPath) {
    EXPECT_EQ(ArgumentText(GetParam().rawCommandLine), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineArgumentText,
    ::testing::Values(
        ArgumentCase{"QuotedPath", "\"C:\\Program Files\\Velnora.exe\" -autorun /quiet",
                     "-autorun /quiet"},
        ArgumentCase{"UnquotedPath", "C:\\Media\\Velnora.exe   /quiet", "/quiet"},
        ArgumentCase{"TabAfterPath", "C:\\Media\\Velnora.exe\t /force", "/force"},
        ArgumentCase{"TrailingBlanksKept", "C:\\Media\\Velnora.exe /force  ", "/force  "},
        ArgumentCase{"PathAlone", "C:\\Media\\Velnora.exe", ""},
        ArgumentCase{"QuotedPathAlone", "\"C:\\Program Files\\Velnora.exe\"", ""},
        ArgumentCase{"BlanksOnlyAfterPath", "C:\\Media\\Velnora.exe    ", ""},
        ArgumentCase{"TextGluedToClosingQuote", "\"C:\\A B\\Velnora.exe\"/quiet x", "x"},
        ArgumentCase{"JapaneseArguments", "C:\\メディア\\Velnora.exe 日本語 /quiet",
                     "日本語 /quiet"},
        ArgumentCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct SwitchCase {
    const char* name;
    std::string argumentText;
    int optionsFromCommandLine;
    int interactive;
    int restartPc;
};

class CommandLineInstallerSwitches : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(CommandLineInstallerSwitches, SetFlags) {
    const auto options = ReadInstallerSwitches(GetParam().argumentText);
    EXPECT_EQ(options.optionsFromCommandLine, GetParam().optionsFromCommandLine);
    EXPECT_EQ(options.interactive, GetParam().interactive);
    EXPECT_EQ(options.restartPc, GetParam().restartPc);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineInstallerSwitches,
    ::testing::Values(
        SwitchCase{"Empty", "", 0, 1, 0}, SwitchCase{"ModeSwitchOnly", "-autorun", 0, 1, 0},
        SwitchCase{"Quiet", "/quiet", 1, 0, 0}, SwitchCase{"QuietBackslash", "\\quiet", 1, 0, 0},
        SwitchCase{"QuietUpperCase", "-autorun /QUIET", 1, 0, 0},
        SwitchCase{"QuietLonger", "/quietly", 1, 0, 0},
        SwitchCase{"QuietMisspelt", "/quite", 0, 1, 0},
        SwitchCase{"QuietWithoutSlash", "quiet", 0, 1, 0}, SwitchCase{"Force", "/force", 1, 1, 0},
        SwitchCase{"Forced", "/forced", 1, 1, 0},
        SwitchCase{"ForceBackslashMixedCase", "\\FoRcE", 1, 1, 0},
        SwitchCase{"RestartPc", "/restart_pc", 1, 1, 1},
        SwitchCase{"RestartPcAndQuiet", "\\RESTART_PC /quiet", 1, 0, 1},
        SwitchCase{"QuitAfterInstall", "/quitafterinstall", 1, 1, 0},
        SwitchCase{"AllFour", "/quiet /force /restart_pc /quitafterinstall", 1, 0, 1},
        SwitchCase{"GluedToOtherText", "x/quiety", 1, 0, 0},
        SwitchCase{"AfterJapaneseText", "日本語/quiet", 1, 0, 0},
        SwitchCase{"FullWidthLetter", "/Ｑuiet", 0, 1, 0},
        // Only the first 511 characters are searched.
        SwitchCase{"EndsAtCut", std::string(505, 'x') + "/quiet", 1, 0, 0},
        SwitchCase{"CrossesCut", std::string(506, 'x') + "/quiet", 0, 1, 0},
        SwitchCase{"JapaneseEndsAtCut", Repeat("日", 505) + "/quiet", 1, 0, 0},
        SwitchCase{"JapaneseCrossesCut", Repeat("日", 506) + "/quiet", 0, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineLowerAscii, LowersOnlyAsciiLetters) {
    EXPECT_EQ(LowerAscii("-INSTALL"), "-install");
    EXPECT_EQ(LowerAscii("-AutoRun_09"), "-autorun_09");
    EXPECT_EQ(LowerAscii("-ＩＮＳＴ日本Ä"), "-ＩＮＳＴ日本Ä");
    EXPECT_EQ(LowerAscii("@[`{"), "@[`{");
}

TEST(CommandLineSplitAtBlanks, SplitsAtRunsOfBlanksOnly) {
    EXPECT_EQ(SplitAtBlanks("  a   b ", 10), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitAtBlanks("a\tb c", 10), (std::vector<std::string>{"a\tb", "c"}));
    EXPECT_TRUE(SplitAtBlanks("", 10).empty());
    EXPECT_TRUE(SplitAtBlanks("    ", 10).empty());
}

TEST(CommandLineSplitAtBlanks, StopsAfterLimit) {
    const auto pieces = SplitAtBlanks("a b c d e f g h i j k l", 10);
    ASSERT_EQ(pieces.size(), 10u);
    EXPECT_EQ(pieces.back(), "j");
}

}  // namespace
}  // namespace velnora::app
