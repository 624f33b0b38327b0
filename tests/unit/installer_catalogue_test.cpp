#include "installer/catalogue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "installer_fixture.h"

namespace velnora::installer {
namespace {

using testing::InstallerFixture;
using testing::kAutorunIni;
using testing::kStateFile;

class CatalogueRead : public InstallerFixture {
  protected:
    std::size_t Read(const std::string& content, const std::string& section = "Tools") {
        fake.files.AddFile(kAutorunIni, content);
        return ReadInstallerCatalogue(context, section, kAutorunIni);
    }
    const installer::InstallerEntry& Entry(std::size_t i) { return context.catalogue.Entry(i); }
};

TEST_F(CatalogueRead, EntriesInKeyOrderWithEveryAttribute) {
    const std::size_t count = Read(
        "[Tools]\n"
        "Compiler=Setup\\Compiler\\setup.exe\n"
        "Compiler_Tooltip=The compiler\n"
        "Compiler_User_Selection=disable\n"
        "Compiler_Option=/s /v\n"
        "Compiler_bNeedUserInfoButton=1\n"
        "Compiler_User_Selection_Condition_AND=1\n"
        "Compiler_User_Selection_Condition_OR=2\n"
        "Compiler_InstallOption= -quiet\n"
        "Debugger=Setup\\Debugger\\setup.exe\n"
        "Manuals=Setup\\Manuals\\setup.exe\n");

    ASSERT_EQ(count, 3u);
    EXPECT_EQ(context.catalogue.Count(), 3u);
    const installer::InstallerEntry& compiler = Entry(0);
    EXPECT_EQ(compiler.name, "Compiler");
    EXPECT_EQ(compiler.path, "Setup\\Compiler\\setup.exe");
    EXPECT_EQ(compiler.tooltip, "The compiler");
    EXPECT_EQ(compiler.userSelection, "disable");
    EXPECT_EQ(compiler.option, "/s /v");
    EXPECT_EQ(compiler.needUserInfoButton, "1");
    EXPECT_EQ(compiler.conditionAnd, "1");
    EXPECT_EQ(compiler.conditionOr, "2");
    // The profile service drops the blanks around a value.
    EXPECT_EQ(compiler.installOption, "-quiet");

    EXPECT_EQ(Entry(1).name, "Debugger");
    EXPECT_EQ(Entry(1).path, "Setup\\Debugger\\setup.exe");
    EXPECT_TRUE(Entry(1).tooltip.empty());
    EXPECT_TRUE(Entry(1).userSelection.empty());
    EXPECT_EQ(Entry(2).name, "Manuals");
}

TEST_F(CatalogueRead, NothingWithoutFileOrSection) {
    EXPECT_EQ(ReadInstallerCatalogue(context, "Tools", kAutorunIni), 0u);
    EXPECT_EQ(Read("[General]\nQuiet=on\n"), 0u);
    EXPECT_EQ(Read("[Tools]\n"), 0u);
    EXPECT_EQ(context.catalogue.Count(), 0u);
}

TEST_F(CatalogueRead, JapaneseSectionIsItsOwnCatalogue) {
    const char* ini =
        "[Tools]\nEnglish=e.exe\n"
        "[Tools_Jpn]\nJapanese=j.exe\nSecond=s.exe\n";
    EXPECT_EQ(Read(ini, "Tools_Jpn"), 2u);
    EXPECT_EQ(Entry(0).name, "Japanese");
    EXPECT_EQ(Read(ini, "Tools"), 1u);
    EXPECT_EQ(Entry(0).name, "English");
}

TEST_F(CatalogueRead, AttributeKeysOnlyYieldNoEntry) {
    EXPECT_EQ(Read("[Tools]\n"
                   "Foo_Tooltip=tip\n"
                   "Foo_Option=/s\n"
                   "Foo_User_Selection=on\n"),
              0u);
}

// The suffix test is exact in letter case; the lookup of the values is not.
TEST_F(CatalogueRead, LowerCaseSuffixIsAnEntryAndStillTheTooltip) {
    ASSERT_EQ(Read("[Tools]\n"
                   "Foo=foo.exe\n"
                   "Foo_tooltip=Looked up without regard to case\n"),
              2u);
    EXPECT_EQ(Entry(0).name, "Foo");
    EXPECT_EQ(Entry(0).tooltip, "Looked up without regard to case");
    EXPECT_EQ(Entry(1).name, "Foo_tooltip");
    EXPECT_EQ(Entry(1).path, "Looked up without regard to case");
}

TEST_F(CatalogueRead, SuffixInTheMiddleOfANameMakesAnAttributeKey) {
    ASSERT_EQ(Read("[Tools]\n"
                   "Kit=kit.exe\n"
                   "Kit_Options=not an entry\n"
                   "My_User_Selection_Tool=not an entry either\n"
                   "Last=last.exe\n"),
              2u);
    EXPECT_EQ(Entry(0).name, "Kit");
    EXPECT_EQ(Entry(1).name, "Last");
}

TEST_F(CatalogueRead, BackslashNBreaksAttributeLinesButNotThePath) {
    ASSERT_EQ(Read("[Tools]\n"
                   "Tool=Setup\\new\\setup.exe\n"
                   "Tool_Tooltip=First line\\nSecond line\n"
                   "Tool_Option=/a\\n/b\n"),
              1u);
    EXPECT_EQ(Entry(0).path, "Setup\\new\\setup.exe");
    EXPECT_EQ(Entry(0).tooltip, "First line\nSecond line");
    EXPECT_EQ(Entry(0).option, "/a\n/b");
}

TEST_F(CatalogueRead, EmptyValuesStayEmpty) {
    ASSERT_EQ(Read("[Tools]\nTool=\nTool_Tooltip=\n"), 1u);
    EXPECT_TRUE(Entry(0).path.empty());
    EXPECT_TRUE(Entry(0).tooltip.empty());
}

TEST_F(CatalogueRead, LongValueIsCutToTheBufferLessOne) {
    const std::string longTip(5000, 'x');
    ASSERT_EQ(Read("[Tools]\nTool=t.exe\nTool_Tooltip=" + longTip + "\n"), 1u);
    EXPECT_EQ(Entry(0).tooltip, std::string(kCatalogueBufferSize - 1, 'x'));
}

TEST_F(CatalogueRead, RereadingReplacesTheEntries) {
    Read("[Tools]\nA=a.exe\nB=b.exe\nC=c.exe\n");
    ASSERT_EQ(Read("[Tools]\nZ=z.exe\n"), 1u);
    EXPECT_EQ(Entry(0).name, "Z");
    EXPECT_EQ(context.catalogue.Find(1), nullptr);
}

// Names of 25 characters take 26 bytes of the 4096-byte key list, which the profile service
// cuts at 4094 bytes: 157 whole names and the first 12 characters of the 158th.
TEST_F(CatalogueRead, KeyListCutByItsBuffer) {
    std::string ini = "[Tools]\n";
    std::vector<std::string> names;
    for (int i = 0; i < 170; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Installer_number_%08d", i);
        names.push_back(name);
        ini += names.back() + "=x.exe\n";
    }
    ASSERT_EQ(names[0].size(), 25u);
    ASSERT_EQ(Read(ini), 158u);
    EXPECT_EQ(Entry(156).name, names[156]);
    EXPECT_EQ(Entry(157).name, names[157].substr(0, 12));
    // The cut name is looked up as it is and names no key.
    EXPECT_TRUE(Entry(157).path.empty());
}

// The key list counts characters: Japanese names of 25 characters (67 bytes) fit as many as
// ASCII ones, and the cut name ends between two characters.
TEST_F(CatalogueRead, JapaneseKeyListIsCutBetweenCharacters) {
    const std::string words = "コンパイラとデバッガの日本語版インストーラ";  // 21 characters
    std::string ini = "[Tools]\n";
    std::vector<std::string> names;
    for (int i = 0; i < 170; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%04d", i);
        names.push_back(number + words);
        ini += names.back() + "=x.exe\n";
    }
    ASSERT_EQ(Read(ini), 158u);
    EXPECT_EQ(Entry(156).name, names[156]);
    EXPECT_EQ(Entry(156).path, "x.exe");
    EXPECT_EQ(Entry(157).name, "0157コンパイラとデバ");
}

// A section held in memory, for catalogues too large to go through the fake's files at
// test speed. Every read is counted.
class SectionInMemory : public platform::ProfileFiles {
  public:
    std::size_t GetString(const std::string&, const std::optional<std::string>& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string&, std::string& out) override {
        ++reads;
        out.clear();
        if (!key) {
            for (const auto& entry : entries)
                out += entry.first + '\0';
            EXPECT_LT(out.size(), bufferSize - 1) << "the key list must fit";
            return out.size();
        }
        out = defaultValue;
        for (const auto& entry : entries)
            if (entry.first == *key)
                out = entry.second;
        return out.size();
    }
    std::size_t GetSection(const std::string&, std::size_t, const std::string&,
                           std::string&) override {
        return 0;
    }
    bool WriteString(const std::string&, const std::optional<std::string>&,
                     const std::optional<std::string>&, const std::string&) override {
        return false;
    }

    std::vector<std::pair<std::string, std::string>> entries;
    int reads = 0;
};

// One- and two-character names fit 1300 entries into the key list; the table keeps 1280 and
// reads the values of those only.
TEST(CatalogueLarge, MoreEntriesThanTheTableAreCutAtTheTableSize) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    SectionInMemory section;
    for (char c : alphabet)
        section.entries.emplace_back(std::string(1, c), std::string(1, c) + ".exe");
    for (char a : alphabet)
        for (char b : alphabet)
            if (section.entries.size() < 1300)
                section.entries.emplace_back(std::string{a, b}, std::string{a, b} + ".exe");

    installer::InstallerCatalogue catalogue;
    ASSERT_EQ(ReadInstallerCatalogue(section, "Tools", "autorun.ini", catalogue),
              installer::kCatalogueCapacity);
    EXPECT_EQ(catalogue.Count(), installer::kCatalogueCapacity);
    const auto& last = section.entries[installer::kCatalogueCapacity - 1];
    EXPECT_EQ(catalogue.Entry(installer::kCatalogueCapacity - 1).name, last.first);
    EXPECT_EQ(catalogue.Entry(installer::kCatalogueCapacity - 1).path, last.second);
    EXPECT_EQ(catalogue.Find(installer::kCatalogueCapacity), nullptr);
    // The key list, then the path and seven attributes of each entry in the table.
    EXPECT_EQ(section.reads, 1 + 8 * static_cast<int>(installer::kCatalogueCapacity));
    EXPECT_EQ(PageEntryCount(catalogue), kPageEntryLimit);
}

TEST_F(CatalogueRead, PageHandlesAtMostEightyEntries) {
    std::string ini = "[Tools]\n";
    for (int i = 0; i < 100; ++i)
        ini += "Tool" + std::to_string(i) + "=t.exe\n";
    ASSERT_EQ(Read(ini), 100u);
    EXPECT_EQ(PageEntryCount(context.catalogue), 80u);

    Read("[Tools]\nA=a.exe\nB=b.exe\n");
    EXPECT_EQ(PageEntryCount(context.catalogue), 2u);
}

installer::InstallerEntry Named(const std::string& name) {
    installer::InstallerEntry entry;
    entry.name = name;
    return entry;
}

TEST(CatalogueTable, AppendStopsAtCapacity) {
    installer::InstallerCatalogue catalogue;
    for (std::size_t i = 0; i < installer::kCatalogueCapacity; ++i)
        ASSERT_TRUE(catalogue.Append(Named(std::to_string(i))));
    EXPECT_FALSE(catalogue.Append(Named("one too many")));
    EXPECT_EQ(catalogue.Count(), installer::kCatalogueCapacity);
    EXPECT_EQ(catalogue.Entry(installer::kCatalogueCapacity - 1).name,
              std::to_string(installer::kCatalogueCapacity - 1));
}

TEST(CatalogueTableDeathTest, EntryBeyondTheCountStops) {
    installer::InstallerCatalogue catalogue;
    catalogue.Append(Named("only"));
    EXPECT_EQ(catalogue.Find(1), nullptr);
    EXPECT_DEATH(catalogue.Entry(1), "");
}

struct KeyCase {
    const char* name;
    bool attribute;
};

class CatalogueAttributeKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(CatalogueAttributeKey, Classifies) {
    EXPECT_EQ(IsAttributeKey(GetParam().name), GetParam().attribute) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    CatalogueNames, CatalogueAttributeKey,
    ::testing::Values(KeyCase{"Compiler", false}, KeyCase{"Compiler_Tooltip", true},
                      KeyCase{"Compiler_tooltip", false}, KeyCase{"Compiler_TOOLTIP", false},
                      KeyCase{"Compiler_User_Selection", true}, KeyCase{"Compiler_Option", true},
                      KeyCase{"Compiler_option", false}, KeyCase{"Kit_Options", true},
                      KeyCase{"_OptionFirst", true}, KeyCase{"Compiler_bNeedUserInfoButton", true},
                      KeyCase{"Compiler_User_Selection_Condition_OR", true},
                      KeyCase{"Compiler_User_Selection_Condition_AND", true},
                      KeyCase{"Compiler_InstallOption", true}, KeyCase{"Compiler_Install", false},
                      KeyCase{"Tooltip", false}, KeyCase{"Option", false}));

TEST(CatalogueLineBreaks, EveryBackslashNPairBecomesOneLineFeed) {
    EXPECT_EQ(ExpandLineBreaks("a\\nb\\nc"), "a\nb\nc");
    EXPECT_EQ(ExpandLineBreaks("\\n"), "\n");
    EXPECT_EQ(ExpandLineBreaks("a\\\\nb"), "a\\\nb");
    EXPECT_EQ(ExpandLineBreaks("trailing\\"), "trailing\\");
    EXPECT_EQ(ExpandLineBreaks("\\N stays"), "\\N stays");
}

struct WordCase {
    const char* value;
    SelectionWord word;
};

class CatalogueSelectionWord : public ::testing::TestWithParam<WordCase> {};

TEST_P(CatalogueSelectionWord, Classifies) {
    const WordCase& c = GetParam();
    EXPECT_EQ(ClassifySelectionWord(c.value), c.word) << '"' << c.value << '"';
    EXPECT_EQ(IsOnWord(c.value), c.word == SelectionWord::kOn);
    EXPECT_EQ(IsOffWord(c.value), c.word == SelectionWord::kOff);
    EXPECT_EQ(IsOnWordOrEmpty(c.value),
              c.word == SelectionWord::kOn || c.word == SelectionWord::kEmpty);
}

INSTANTIATE_TEST_SUITE_P(
    CatalogueWords, CatalogueSelectionWord,
    ::testing::Values(WordCase{"enable", SelectionWord::kOn},
                      WordCase{"ENABLE", SelectionWord::kOn}, WordCase{"True", SelectionWord::kOn},
                      WordCase{"1", SelectionWord::kOn}, WordCase{"oN", SelectionWord::kOn},
                      WordCase{"disable", SelectionWord::kOff},
                      WordCase{"FALSE", SelectionWord::kOff}, WordCase{"0", SelectionWord::kOff},
                      WordCase{"Off", SelectionWord::kOff}, WordCase{"", SelectionWord::kEmpty},
                      WordCase{"yes", SelectionWord::kOther}, WordCase{"no", SelectionWord::kOther},
                      WordCase{"on ", SelectionWord::kOther},
                      WordCase{"enabled", SelectionWord::kOther},
                      WordCase{"01", SelectionWord::kOther}));

struct TickCase {
    const char* tickValue;
    const char* userSelection;
    bool ticked;
};

class CatalogueStartTick : public ::testing::TestWithParam<TickCase> {};

TEST_P(CatalogueStartTick, FollowsTheRules) {
    EXPECT_EQ(StartTickState(GetParam().tickValue, GetParam().userSelection), GetParam().ticked)
        << "tick \"" << GetParam().tickValue << "\", user selection \"" << GetParam().userSelection
        << '"';
}

INSTANTIATE_TEST_SUITE_P(
    CatalogueTicks, CatalogueStartTick,
    ::testing::Values(TickCase{"", "", true}, TickCase{"on", "", true},
                      TickCase{"TRUE", "disable", true}, TickCase{"maybe", "", true},
                      TickCase{"maybe", "disable", true},
                      // Switched off: only an entry the user cannot change stays ticked.
                      TickCase{"OFF", "disable", true}, TickCase{"OFF", "Off", true},
                      TickCase{"OFF", "yes", false}, TickCase{"OFF", "enable", false},
                      TickCase{"0", "", false}, TickCase{"false", "whatever", false}));

TEST(CatalogueTickKey, FormatsTheIndexWithTwoDigits) {
    EXPECT_EQ(TickStateKey(3, false), "Install_03");
    EXPECT_EQ(TickStateKey(3, true), "User_Selection_Install_03");
    EXPECT_EQ(TickStateKey(79, false), "Install_79");
    EXPECT_EQ(TickStateKey(123, true), "User_Selection_Install_123");
}

// Install_03 = OFF ticks entry 3 only when its _User_Selection says the user cannot change
// it; the key is found in autorun.ini first and in the run-state file second.
TEST_F(CatalogueRead, StartTickStateReadThroughTheRunState) {
    ASSERT_EQ(Read("[General]\n"
                   "Install_03=OFF\n"
                   "Install_02=OFF\n"
                   "[Tools]\n"
                   "T0=0.exe\nT1=1.exe\nT2=2.exe\nT2_User_Selection=yes\n"
                   "T3=3.exe\nT3_User_Selection=disable\n"),
              4u);
    fake.files.AddFile(kStateFile,
                       "[General]\nInstall_01=off\nUser_Selection_Install_00=0\n"
                       "User_Selection_Install_03=0\n");

    EXPECT_TRUE(ReadStartTickState(context, 0, false));
    EXPECT_FALSE(ReadStartTickState(context, 1, false));
    EXPECT_FALSE(ReadStartTickState(context, 2, false));
    EXPECT_TRUE(ReadStartTickState(context, 3, false));

    EXPECT_FALSE(ReadStartTickState(context, 0, true));
    EXPECT_TRUE(ReadStartTickState(context, 1, true));
    EXPECT_TRUE(ReadStartTickState(context, 3, true));
}

class CatalogueConditions : public ::testing::Test {
  protected:
    void Add(const std::string& conditionOr, const std::string& conditionAnd) {
        installer::InstallerEntry entry;
        entry.name = "E" + std::to_string(catalogue.Count());
        entry.conditionOr = conditionOr;
        entry.conditionAnd = conditionAnd;
        catalogue.Append(entry);
    }

    installer::InstallerCatalogue catalogue;
};

TEST_F(CatalogueConditions, OrUnticksTheTargetOnlyWhenTickingTheEntry) {
    Add("1", "");
    Add("", "");
    std::vector<int> ticks = {1, 1};
    EXPECT_EQ(ApplySelectionConditions(catalogue, 0, ticks), std::vector<std::size_t>{1});
    EXPECT_EQ(ticks, (std::vector<int>{1, 0}));

    // Unticking entry 0 does not tick entry 1 again.
    ticks = {0, 0};
    EXPECT_TRUE(ApplySelectionConditions(catalogue, 0, ticks).empty());
    EXPECT_EQ(ticks, (std::vector<int>{0, 0}));
}

TEST_F(CatalogueConditions, AndTiesTheTargetToTheEntryBothWays) {
    Add("", "2");
    Add("", "");
    Add("", "");
    std::vector<int> ticks = {0, 1, 1};
    EXPECT_EQ(ApplySelectionConditions(catalogue, 0, ticks), std::vector<std::size_t>{2});
    EXPECT_EQ(ticks, (std::vector<int>{0, 1, 0}));
    ticks[0] = 1;
    EXPECT_EQ(ApplySelectionConditions(catalogue, 0, ticks), std::vector<std::size_t>{2});
    EXPECT_EQ(ticks, (std::vector<int>{1, 1, 1}));
}

TEST_F(CatalogueConditions, TextWithoutDigitsNamesEntryZero) {
    Add("", "");
    Add("abc", "");
    std::vector<int> ticks = {1, 1};
    EXPECT_EQ(ApplySelectionConditions(catalogue, 1, ticks), std::vector<std::size_t>{0});
    EXPECT_EQ(ticks, (std::vector<int>{0, 1}));
}

TEST_F(CatalogueConditions, ValuesNamingNoRowAreIgnored) {
    Add("-1", "2");  // negative, and beyond the two rows
    Add("", "");
    std::vector<int> ticks = {1, 1};
    EXPECT_TRUE(ApplySelectionConditions(catalogue, 0, ticks).empty());
    EXPECT_EQ(ticks, (std::vector<int>{1, 1}));
}

TEST_F(CatalogueConditions, OrFirstThenAnd) {
    // Both rules name entry 1: OR unticks it, AND ticks it again; nothing changed.
    Add("1", "1");
    Add("", "");
    std::vector<int> ticks = {1, 1};
    EXPECT_TRUE(ApplySelectionConditions(catalogue, 0, ticks).empty());
    EXPECT_EQ(ticks, (std::vector<int>{1, 1}));

    // OR on entry 1 and AND on entry 2 both apply, once each.
    catalogue.Clear();
    Add("1", "2");
    Add("", "0");  // the target's own conditions are not applied in turn
    Add("", "");
    ticks = {1, 1, 0};
    EXPECT_EQ(ApplySelectionConditions(catalogue, 0, ticks), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(ticks, (std::vector<int>{1, 0, 1}));
}

TEST_F(CatalogueConditions, RowCountComesFromTheTicks) {
    Add("", "3");
    Add("", "");
    Add("", "");
    Add("", "");
    std::vector<int> ticks = {1, 0, 0};  // the page shows three rows only
    EXPECT_TRUE(ApplySelectionConditions(catalogue, 0, ticks).empty());
    EXPECT_TRUE(ApplySelectionConditions(catalogue, 5, ticks).empty());
}

}  // namespace
}  // namespace velnora::installer
