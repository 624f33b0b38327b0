#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "environments_fixture.h"

namespace velnora::testing {
namespace {

using environments::EnumerateEnvironments;
using platform::RegRoot;

constexpr char kSearchFailedEnglish[] = "Failed in a search of registry.";

// --- Enumeration --------------------------------------------------------------------------

using EnvironmentEnumeration = EnvironmentFixture;

TEST_F(EnvironmentEnumeration, NoEnvironmentGivesCountZeroAndRecordsIt) {
    fake.registry.SetText(RegRoot::LocalMachine, EntryKey("OtherProduct"), "DisplayName", "X");

    ASSERT_TRUE(EnumerateEnvironments(context));

    EXPECT_EQ(context.environments.Count(), 0);
    EXPECT_EQ(InstanceCountRecord(), "0");
    std::int32_t version = 77;
    EXPECT_FALSE(environments::FindActiveEnvironment(context, version));
    EXPECT_EQ(version, 77);
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

TEST_F(EnvironmentEnumeration, TwoParkedEnvironmentsAreListedWithoutActiveOne) {
    AddEnvironment(ParkedName(1), "C:\\Env1");
    AddEnvironment(ParkedName(2), "C:\\Env2");

    ASSERT_TRUE(EnumerateEnvironments(context));

    EXPECT_EQ(KeyNames(), (std::vector<std::string>{ParkedName(1), ParkedName(2)}));
    EXPECT_EQ(context.environments.Row(1).keyPath, EntryKey(ParkedName(2)));
    EXPECT_EQ(InstanceCountRecord(), "2");
    EXPECT_FALSE(environments::EnvironmentEntryExists(fake.registry, kProductGuid));
    EXPECT_TRUE(environments::EnvironmentEntryExists(fake.registry, ParkedName(1)));
}

// Which uninstall entries count as environments.
struct EntryCase {
    const char* name;
    const char* productGuid;  // nullptr: value missing
    const char* displayName;
    const char* parkedDisplayName;
    bool counted;
};

class EnvironmentEntryRules : public EnvironmentFixture,
                              public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EnvironmentEntryRules, CountsOnlyEntriesOfTheProductWithADisplayName) {
    const EntryCase& c = GetParam();
    const std::string key = EntryKey(ParkedName(1));
    auto& registry = fake.registry;
    registry.AddKey(RegRoot::LocalMachine, key);
    if (c.productGuid)
        registry.SetText(RegRoot::LocalMachine, key, "ProductGuid", c.productGuid);
    if (c.displayName)
        registry.SetText(RegRoot::LocalMachine, key, "DisplayName", c.displayName);
    if (c.parkedDisplayName)
        registry.SetText(RegRoot::LocalMachine, key, "_DisplayName", c.parkedDisplayName);

    ASSERT_TRUE(EnumerateEnvironments(context));
    EXPECT_EQ(context.environments.Count(), c.counted ? 1 : 0);
    EXPECT_EQ(InstanceCountRecord(), c.counted ? "1" : "0");
}

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

const std::string kTooLong(1023, 'x');  // 1024 characters with its zero: beyond the buffer
const std::string kLongest(1022, 'x');  // 1023 characters with its zero: fits exactly
// The buffer counts characters, not UTF-8 bytes: 400 of them take 1200 bytes.
const std::string kJapanese400 = Repeat("日", 400);
const std::string kJapaneseTooLong = Repeat("日", 1023);
// A character beyond the basic plane counts twice, as a pair of surrogates.
const std::string kPairsLongest = Repeat("𠀋", 511);
const std::string kPairsTooLong = Repeat("𠀋", 511) + "x";
const std::string kLowerGuid = "{3b9f02d6-4c71-4e8a-b5d3-1f60a2c7e948}";

INSTANTIATE_TEST_SUITE_P(
    Environment, EnvironmentEntryRules,
    ::testing::Values(
        EntryCase{"Active", core::kVantorixProductGuid, "Vantorix", nullptr, true},
        EntryCase{"Parked", core::kVantorixProductGuid, nullptr, "Vantorix", true},
        EntryCase{"LowerCaseGuid", kLowerGuid.c_str(), "Vantorix", nullptr, false},
        EntryCase{"OtherGuid", "{00000000-0000-0000-0000-000000000000}", "X", nullptr, false},
        EntryCase{"NoGuid", nullptr, "Vantorix", nullptr, false},
        EntryCase{"EmptyGuid", "", "Vantorix", nullptr, false},
        EntryCase{"EmptyDisplayNameHidesParkedOne", core::kVantorixProductGuid, "", "Vantorix",
                  false},
        EntryCase{"NoDisplayNames", core::kVantorixProductGuid, nullptr, nullptr, false},
        EntryCase{"EmptyParkedDisplayName", core::kVantorixProductGuid, nullptr, "", false},
        EntryCase{"DisplayNameTooLongFallsBackToParkedOne", core::kVantorixProductGuid,
                  kTooLong.c_str(), "Vantorix", true},
        EntryCase{"LongestDisplayNameFits", core::kVantorixProductGuid, kLongest.c_str(), nullptr,
                  true},
        EntryCase{"ParkedDisplayNameTooLong", core::kVantorixProductGuid, nullptr, kTooLong.c_str(),
                  false},
        EntryCase{"JapaneseDisplayNameOf400Characters", core::kVantorixProductGuid,
                  kJapanese400.c_str(), nullptr, true},
        EntryCase{"JapaneseDisplayNameTooLong", core::kVantorixProductGuid,
                  kJapaneseTooLong.c_str(), nullptr, false},
        EntryCase{"ParkedDisplayNameOfSurrogatePairsFits", core::kVantorixProductGuid, nullptr,
                  kPairsLongest.c_str(), true},
        EntryCase{"ParkedDisplayNameOfSurrogatePairsTooLong", core::kVantorixProductGuid, nullptr,
                  kPairsTooLong.c_str(), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EnvironmentEnumeration, UncountedCandidateRowIsTakenByTheNextOne) {
    // Subkeys come in name order: the first candidate has an empty display name.
    AddEnvironment(ParkedName(1), "C:\\Empty", "");
    AddEnvironment(ParkedName(2), "C:\\Real");

    ASSERT_TRUE(EnumerateEnvironments(context));
    EXPECT_EQ(KeyNames(), std::vector<std::string>{ParkedName(2)});
}

TEST_F(EnvironmentEnumeration, RowsAreInByteOrderOfLocation) {
    AddEnvironment(ParkedName(1), "C:\\a");
    AddEnvironment(ParkedName(2), "C:\\B");
    AddEnvironment(kProductGuid, "C:\\A");

    ASSERT_TRUE(EnumerateEnvironments(context));
    EXPECT_EQ(KeyNames(), (std::vector<std::string>{kProductGuid, ParkedName(2), ParkedName(1)}));
}

TEST_F(EnvironmentEnumeration, RootThatCannotBeOpenedShowsTheSearchMessage) {
    fake.registry.RemoveKey(RegRoot::LocalMachine, core::kUninstallRoot);

    EXPECT_FALSE(EnumerateEnvironments(context));

    // The caller tells the failure; the table itself shows nothing.
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    const core::Notice notice = environments::SearchFailedNotice(context.texts);
    EXPECT_FALSE(notice.overPage);
    EXPECT_EQ(notice.text, kSearchFailedEnglish);
    EXPECT_EQ(core::CaptionText(context, notice.caption), "Error");
    EXPECT_EQ(notice.style, platform::mb::kOk | platform::mb::kIconError);
    EXPECT_EQ(InstanceCountRecord(), "<none>");
}

TEST_F(EnvironmentEnumeration, SubkeyThatCannotBeOpenedStopsTheWalkUnsorted) {
    fake.profile.WriteString("General", std::string("VtxInstanceCount"), std::string("7"),
                             "Velnora.ini");
    AddEnvironment(ParkedName(1), "C:\\Z");
    AddEnvironment(ParkedName(2), "C:\\A");
    AddEnvironment(ParkedName(3), "C:\\M");
    AddEnvironment(ParkedName(4), "C:\\B");
    // Opens: the root, then one per subkey; the third subkey cannot be opened.
    fake.faults.FailAt(fake::op::kOpenKey, 4, platform::error::kAccessDenied);

    EXPECT_FALSE(EnumerateEnvironments(context));

    EXPECT_EQ(KeyNames(), (std::vector<std::string>{ParkedName(1), ParkedName(2)}));
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    EXPECT_EQ(InstanceCountRecord(), "7");
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

// An uninstaller that has just ended deletes its entry between the listing and the open: the
// entry is gone, not the search failed, and the listing that closed up behind it goes on.
TEST_F(EnvironmentEnumeration, SubkeyDeletedDuringTheWalkIsSkipped) {
    AddEnvironment(ParkedName(1), "C:\\Z");
    AddEnvironment(ParkedName(2), "C:\\A");
    AddEnvironment(ParkedName(3), "C:\\M");
    // Opens: the root, then one per subkey; the second subkey goes as it is opened.
    fake.faults.ActAt(fake::op::kOpenKey, 3, [this] {
        fake.registry.RemoveKey(RegRoot::LocalMachine, EntryKey(ParkedName(2)));
    });

    EXPECT_TRUE(EnumerateEnvironments(context));

    EXPECT_EQ(KeyNames(), (std::vector<std::string>{ParkedName(3), ParkedName(1)}));
    EXPECT_TRUE(context.environments.Complete());
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    EXPECT_EQ(InstanceCountRecord(), "2");
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

TEST_F(EnvironmentEnumeration, FailingSubkeyListingIsASearchFailure) {
    AddEnvironment(ParkedName(1), "C:\\A");
    fake.faults.FailAt(fake::op::kEnumKey, 2, platform::error::kKeyDeleted);

    EXPECT_FALSE(EnumerateEnvironments(context));
    EXPECT_EQ(context.environments.Count(), 1);
    EXPECT_FALSE(context.environments.Complete());
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

// Only a walk to the end makes the count a fact; the next failed walk takes that back.
TEST_F(EnvironmentEnumeration, TableIsCompleteOnlyAfterAWholeWalk) {
    ASSERT_TRUE(EnumerateEnvironments(context));
    EXPECT_TRUE(context.environments.Complete());
    EXPECT_EQ(context.environments.Count(), 0);

    fake.faults.FailAlways(fake::op::kOpenKey, platform::error::kAccessDenied);
    EXPECT_FALSE(EnumerateEnvironments(context));
    EXPECT_FALSE(context.environments.Complete());
    EXPECT_EQ(context.environments.Count(), 0);
}

TEST_F(EnvironmentEnumeration, SearchMessageInJapanese) {
    context.texts = core::TextSet(true);
    fake.registry.RemoveKey(RegRoot::LocalMachine, core::kUninstallRoot);

    EXPECT_FALSE(EnumerateEnvironments(context));
    const core::Notice notice = environments::SearchFailedNotice(context.texts);
    EXPECT_EQ(notice.text, "レジストリの検索に失敗しました。");
    EXPECT_EQ(core::CaptionText(context, notice.caption), "エラー");
}

TEST_F(EnvironmentEnumeration, EveryEnumerationStartsFromAnEmptyTable) {
    AddEnvironment(ParkedName(1), "C:\\A");
    AddEnvironment(ParkedName(2), "C:\\B");
    ASSERT_TRUE(EnumerateEnvironments(context));
    fake.registry.RemoveKey(RegRoot::LocalMachine, EntryKey(ParkedName(1)));

    ASSERT_TRUE(EnumerateEnvironments(context));
    EXPECT_EQ(KeyNames(), std::vector<std::string>{ParkedName(2)});
    EXPECT_TRUE(context.environments.Row(1).keyName.empty());
    EXPECT_EQ(InstanceCountRecord(), "1");
}

// Beyond 128 matching entries the table is full: the walk ends there and the rest are not
// listed; nothing is written past the last row.
TEST_F(EnvironmentEnumeration, EntriesBeyondTheHundredTwentyEighthAreIgnored) {
    for (int n = 1; n <= 130; ++n)
        AddEnvironment(ParkedName(n), "C:\\Env" + std::to_string(1000 - n));

    ASSERT_TRUE(EnumerateEnvironments(context));

    EXPECT_EQ(context.environments.Count(), environments::kMaxEnvironments);
    EXPECT_EQ(InstanceCountRecord(), "128");
    EXPECT_EQ(environments::FindEnvironmentIndex(context.environments, ParkedName(129)), -1);
    EXPECT_EQ(environments::FindEnvironmentIndex(context.environments, ParkedName(130)), -1);
    // Sorted by location, which falls as n rises.
    EXPECT_EQ(context.environments.Row(0).keyName, ParkedName(128));
    EXPECT_EQ(context.environments.Row(127).keyName, ParkedName(1));
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
}

using EnvironmentTableDeathTest = EnvironmentFixture;

TEST_F(EnvironmentTableDeathTest, RowOutsideTheTableStopsTheProgram) {
    EXPECT_DEATH(context.environments.Row(environments::kMaxEnvironments), "");
    EXPECT_DEATH(context.environments.Row(-1), "");
}

// --- Reading values and finding rows ------------------------------------------------------

using EnvironmentValues = EnvironmentFixture;

TEST_F(EnvironmentValues, ReadsValuesAndTellsAMissingEntryFromAMissingValue) {
    AddEnvironment(ParkedName(1), "C:\\Env1");
    SetEntryText(ParkedName(1), "Longest", kLongest);
    SetEntryText(ParkedName(1), "TooLong", kTooLong);
    fake.registry.SetDword(RegRoot::LocalMachine, EntryKey(ParkedName(1)), "TidewatchEnable", 1);
    ASSERT_TRUE(EnumerateEnvironments(context));

    struct {
        const char* value;
        std::string expected;
    } cases[] = {
        {"InstallLocation", "C:\\Env1"}, {"Missing", ""}, {"Longest", kLongest}, {"TooLong", ""},
        {"TidewatchEnable", "\x01"},  // the bytes up to the first zero
    };
    for (const auto& c : cases) {
        std::string text = "stale";
        EXPECT_TRUE(environments::ReadEnvironmentValue(context, 0, c.value, text)) << c.value;
        EXPECT_EQ(text, c.expected) << c.value;
    }

    fake.registry.RemoveKey(RegRoot::LocalMachine, EntryKey(ParkedName(1)));
    std::string text = "stale";
    EXPECT_FALSE(environments::ReadEnvironmentValue(context, 0, "InstallLocation", text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

TEST_F(EnvironmentValues, FindEnvironmentIndexSearchesValidRowsOnly) {
    AddEnvironment(ParkedName(1), "C:\\A");
    AddEnvironment(ParkedName(2), "C:\\B");
    AddEnvironment(ParkedName(3), "C:\\C", "");  // candidate left in row 2, not counted
    ASSERT_TRUE(EnumerateEnvironments(context));

    EXPECT_EQ(environments::FindEnvironmentIndex(context.environments, ParkedName(2)), 1);
    EXPECT_EQ(context.environments.Row(2).keyName, ParkedName(3));
    EXPECT_EQ(environments::FindEnvironmentIndex(context.environments, ParkedName(3)), -1);
    EXPECT_EQ(environments::FindEnvironmentIndex(context.environments, kProductGuid), -1);
}

// --- The active environment ---------------------------------------------------------------

struct ActiveCase {
    const char* name;
    const char* location;
    const char* productVersion;  // nullptr: no program file
    bool found;
    std::int32_t version;
    const char* folderName;
};

class EnvironmentActive : public EnvironmentFixture,
                          public ::testing::WithParamInterface<ActiveCase> {};

TEST_P(EnvironmentActive, FindsFolderNameAndVersion) {
    const ActiveCase& c = GetParam();
    AddEnvironment(ParkedName(1), "C:\\Aaa");
    AddEnvironment(kProductGuid, c.location);
    if (c.productVersion)
        fake.shell.AddVersionedProgram(std::string(c.location) + "\\VTX2.exe", c.productVersion);
    ASSERT_TRUE(EnumerateEnvironments(context));

    std::int32_t version = 99;
    EXPECT_EQ(environments::FindActiveEnvironment(context, version), c.found);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(context.active.folderName, c.folderName);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, EnvironmentActive,
    ::testing::Values(ActiveCase{"Dotted", "C:\\Tools\\Env4", "4.08.00.012", true, 4080, "Env4"},
                      ActiveCase{"NoBackslash", "Env4", nullptr, false, 0, "Env4"},
                      ActiveCase{"TrailingBackslash", "C:\\Env\\", "5.00.01", true, 5000, ""},
                      ActiveCase{"EmptyProductVersion", "C:\\Env5", "", false, 0, "Env5"},
                      ActiveCase{"NoProgramFile", "C:\\Env6", nullptr, false, 0, "Env6"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EnvironmentFixture, ActiveLookupWithoutActiveRowChangesNothing) {
    AddEnvironment(ParkedName(1), "C:\\Env1");
    ASSERT_TRUE(EnumerateEnvironments(context));
    context.active.folderName = "Before";

    std::int32_t version = 99;
    EXPECT_FALSE(environments::FindActiveEnvironment(context, version));
    EXPECT_EQ(version, 99);
    EXPECT_EQ(context.active.folderName, "Before");
}

TEST_F(EnvironmentFixture, ActiveEntryThatVanishedEmptiesFolderNameKeepsVersion) {
    AddEnvironment(kProductGuid, "C:\\Tools\\Env4");
    fake.shell.AddVersionedProgram("C:\\Tools\\Env4\\VTX2.exe", "4.08.00");
    ASSERT_TRUE(EnumerateEnvironments(context));
    ASSERT_TRUE(environments::FindActiveEnvironment(context, context.active.version));
    EXPECT_EQ(context.active.version, 4080);

    fake.registry.RemoveKey(RegRoot::LocalMachine, EntryKey(kProductGuid));
    EXPECT_FALSE(environments::FindActiveEnvironment(context, context.active.version));
    EXPECT_EQ(context.active.version, 4080);
    EXPECT_EQ(context.active.folderName, "");
}

struct VersionCase {
    const char* text;
    std::int32_t number;
};

class EnvironmentProductVersion : public EnvironmentFixture,
                                  public ::testing::WithParamInterface<VersionCase> {};

TEST_P(EnvironmentProductVersion, TakesFirstFourCharactersWithoutSeparators) {
    fake.shell.AddVersionedProgram("C:\\P\\VTX2.exe", GetParam().text);
    std::int32_t number = -5;
    EXPECT_TRUE(environments::ReadProductVersionNumber(fake.shell, "C:\\P\\VTX2.exe", number));
    EXPECT_EQ(number, GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Environment, EnvironmentProductVersion,
                         ::testing::Values(VersionCase{"4.08.00.012", 4080},
                                           VersionCase{"3, 0, 0, 5", 3005},
                                           VersionCase{"5.00.01", 5000}, VersionCase{"1..,,2", 12},
                                           VersionCase{"22", 22}, VersionCase{"1.2.3.4.5", 1234},
                                           VersionCase{"2 .5", 2},  // "2 5": digits stop
                                           VersionCase{"-1.2", -12}, VersionCase{"V4.08", 0},
                                           VersionCase{"...", 0}));

TEST_F(EnvironmentFixture, ProductVersionFailsWithoutText) {
    fake.shell.AddVersionedProgram("C:\\P\\Empty.exe", "");
    fake.files.AddFile("C:\\P\\Plain.exe", "MZ");
    std::int32_t number = -5;
    EXPECT_FALSE(environments::ReadProductVersionNumber(fake.shell, "C:\\P\\Empty.exe", number));
    EXPECT_FALSE(environments::ReadProductVersionNumber(fake.shell, "C:\\P\\Plain.exe", number));
    EXPECT_FALSE(environments::ReadProductVersionNumber(fake.shell, "C:\\P\\None.exe", number));
    EXPECT_EQ(number, -5);
}

// --- Sorting ------------------------------------------------------------------------------

// The exchange sort as first written: the registry is read at every comparison.
void ReferenceExchangeSort(installer::Context& context) {
    auto& table = context.environments;
    for (int i = 0; i < table.Count(); ++i) {
        std::string first;
        environments::ReadEnvironmentValue(context, i, "InstallLocation", first);
        for (int j = i; j < table.Count(); ++j) {
            std::string second;
            environments::ReadEnvironmentValue(context, j, "InstallLocation", second);
            if (std::strcmp(first.c_str(), second.c_str()) > 0) {
                std::swap(table.Row(i), table.Row(j));
                environments::ReadEnvironmentValue(context, i, "InstallLocation", first);
            }
        }
    }
}

using EnvironmentSort = EnvironmentFixture;

TEST_F(EnvironmentSort, EqualLocationsFollowTheExchangeLoop) {
    // B1, B2, A: row 0 is exchanged with row 2, which puts B2 ahead of B1.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {ParkedName(1), "C:\\B"}, {ParkedName(2), "C:\\B"}, {ParkedName(3), "C:\\A"}};
    for (const auto& [name, location] : rows) {
        AddEnvironment(name, location);
        auto& table = context.environments;
        table.Row(table.Count()) = {name, EntryKey(name)};
        table.CountNextRow();
    }

    environments::SortEnvironmentsByLocation(context);
    EXPECT_EQ(KeyNames(), (std::vector<std::string>{ParkedName(3), ParkedName(2), ParkedName(1)}));
}

// Uninstall entries and their locations in a plain map: the equivalence below runs the
// quadratic reference loop many thousand times, which the full fake registry makes slow.
class LocationRegistry final : public platform::Registry {
  public:
    std::map<std::string, std::optional<std::string>> entries;  // key path -> location
    int opens = 0;

    platform::Handle Root(platform::RegRoot) override { return 1; }
    platform::ErrorCode OpenKey(platform::Handle, const std::string& path, std::uint32_t,
                                platform::Handle& key) override {
        ++opens;
        const auto found = entries.find(path);
        if (found == entries.end())
            return platform::error::kFileNotFound;
        open_[next_] = path;
        key = next_++;
        return platform::error::kSuccess;
    }
    platform::ErrorCode CloseKey(platform::Handle key) override {
        return open_.erase(key) == 1 ? platform::error::kSuccess : platform::error::kInvalidHandle;
    }
    platform::ErrorCode QueryValue(platform::Handle key, const std::string& name, std::size_t,
                                   platform::RegValue& value) override {
        const auto& location = entries.at(open_.at(key));
        if (name != "InstallLocation" || !location)
            return platform::error::kFileNotFound;
        value = platform::StringValue(*location);
        return platform::error::kSuccess;
    }
    std::size_t OpenCount() const { return open_.size(); }

    // Not used by the sort.
    platform::ErrorCode OpenKeyDefault(platform::Handle, const std::string&,
                                       platform::Handle&) override {
        return platform::error::kAccessDenied;
    }
    platform::ErrorCode CreateKey(platform::Handle, const std::string&, std::uint32_t,
                                  platform::Handle&) override {
        return platform::error::kAccessDenied;
    }
    platform::ErrorCode EnumKey(platform::Handle, std::uint32_t, std::size_t,
                                std::string&) override {
        return platform::error::kAccessDenied;
    }
    platform::ErrorCode EnumValue(platform::Handle, std::uint32_t, std::size_t, std::size_t,
                                  std::string&, platform::RegValue&) override {
        return platform::error::kAccessDenied;
    }
    platform::ErrorCode QueryInfoKey(platform::Handle, platform::RegKeyInfo&) override {
        return platform::error::kAccessDenied;
    }
    platform::ErrorCode SetValue(platform::Handle, const std::string&,
                                 const platform::RegValue&) override {
        return platform::error::kAccessDenied;
    }
    platform::ErrorCode DeleteKey(platform::Handle, const std::string&) override {
        return platform::error::kAccessDenied;
    }
    platform::ErrorCode DeleteValue(platform::Handle, const std::string&) override {
        return platform::error::kAccessDenied;
    }

  private:
    std::map<platform::Handle, std::string> open_;
    platform::Handle next_ = 2;
};

TEST_F(EnvironmentSort, MatchesTheReferenceLoopAndReadsEachLocationOnce) {
    LocationRegistry registry;
    platform::Platform& base = fake.Get();
    platform::Platform withMap{base.profile, registry,     base.files, base.processes,
                               base.shell,   base.session, base.ui,    base.console};
    installer::Context sorted(withMap);
    installer::Context reference(withMap);

    // Few distinct texts, so that equal locations are common; some entries have no location
    // and some rows no entry at all (both read as empty).
    const std::vector<std::string> locations = {"C:\\A", "C:\\a",    "C:\\B", "C:\\A\\x",
                                                "",      "D:\\日本", "C:\\",  "c:\\A"};
    std::mt19937 random(20240611);
    for (int trial = 0; trial < 600; ++trial) {
        registry.entries.clear();
        sorted.environments.Clear();
        // Mostly small tables, now and then a full one.
        const int count = trial % 60 == 0 ? environments::kMaxEnvironments
                                          : std::uniform_int_distribution<int>(0, 40)(random);
        for (int row = 0; row < count; ++row) {
            const std::string name = ParkedName(row);
            const int pick = std::uniform_int_distribution<int>(0, 9)(random);
            if (pick < static_cast<int>(locations.size()))
                registry.entries[EntryKey(name)] = locations[static_cast<std::size_t>(pick)];
            else if (pick == 8)
                registry.entries[EntryKey(name)] = std::nullopt;
            sorted.environments.Row(row) = {name, EntryKey(name)};
            sorted.environments.CountNextRow();
        }
        reference.environments = sorted.environments;
        ReferenceExchangeSort(reference);

        registry.opens = 0;
        environments::SortEnvironmentsByLocation(sorted);
        ASSERT_EQ(registry.opens, count);
        ASSERT_EQ(registry.OpenCount(), 0u);

        for (int row = 0; row < count; ++row) {
            ASSERT_EQ(sorted.environments.Row(row).keyName, reference.environments.Row(row).keyName)
                << "trial " << trial << ", row " << row;
            ASSERT_EQ(sorted.environments.Row(row).keyPath,
                      reference.environments.Row(row).keyPath);
        }
    }
}

}  // namespace
}  // namespace velnora::testing
