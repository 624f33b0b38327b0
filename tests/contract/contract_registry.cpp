// The registry as the environment table, the component moves and the run state use it.
#include <algorithm>
#include <iterator>

#include "contract_fixture.h"

namespace velnora::contract {
namespace {

using platform::ErrorCode;
using platform::Handle;
using platform::RegValue;
namespace error = platform::error;
namespace regaccess = platform::regaccess;
namespace regtype = platform::regtype;

RegValue Bytes(std::uint32_t type, std::vector<std::uint8_t> data) {
    RegValue value;
    value.type = type;
    value.data = std::move(data);
    return value;
}

RegValue Text(std::uint32_t type, const std::string& text) {
    RegValue value;
    value.type = type;
    value.data.assign(text.begin(), text.end());
    return value;
}

std::vector<std::string> SubkeysOf(platform::Registry& registry, Handle key) {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; registry.EnumKey(key, i, 256, name) == error::kSuccess; ++i)
        names.push_back(name);
    return names;
}

std::vector<std::string> ValueNamesOf(platform::Registry& registry, Handle key) {
    std::vector<std::string> names;
    std::string name;
    RegValue value;
    for (std::uint32_t i = 0; registry.EnumValue(key, i, 260, 1024, name, value) == error::kSuccess;
         ++i)
        names.push_back(name);
    return names;
}

TEST_P(PlatformContract, CreateKeyCreatesEveryMissingKeyOnItsPath) {
    Handle key = CreateScratchKey("a\\b\\c");
    ASSERT_NE(key, platform::kNoHandle);
    EXPECT_EQ(Reg().CloseKey(key), error::kSuccess);
    for (const char* path : {"a", "a\\b", "a\\b\\c"}) {
        Handle opened = platform::kNoHandle;
        EXPECT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath(path), regaccess::kRead, opened),
                  error::kSuccess)
            << path;
        Reg().CloseKey(opened);
    }
    // Creating an existing key opens it.
    Handle again = CreateScratchKey("a\\b");
    EXPECT_NE(again, platform::kNoHandle);
    Reg().CloseKey(again);
}

TEST_P(PlatformContract, OpeningAMissingKeyFailsAndCreatesNothing) {
    Handle key = platform::kNoHandle;
    EXPECT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath("missing"), regaccess::kRead, key),
              error::kFileNotFound);
    EXPECT_EQ(Reg().OpenKeyDefault(Hklm(), ScratchKeyPath("missing"), key), error::kFileNotFound);
    EXPECT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath(), regaccess::kRead, key), error::kFileNotFound);
}

TEST_P(PlatformContract, AnExistingKeyOpensWithEveryAccessTheProgramsAskFor) {
    Reg().CloseKey(CreateScratchKey());
    for (std::uint32_t access : {regaccess::kRead, regaccess::kWrite, regaccess::kReadAndSet,
                                 regaccess::kEnumerateSubKeys}) {
        Handle key = platform::kNoHandle;
        EXPECT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath(), access, key), error::kSuccess) << access;
        EXPECT_NE(key, platform::kNoHandle);
        EXPECT_EQ(Reg().CloseKey(key), error::kSuccess);
    }
}

TEST_P(PlatformContract, OpenKeyDefaultGivesAKeyThatCanBeWritten) {
    Reg().CloseKey(CreateScratchKey());
    Handle key = platform::kNoHandle;
    ASSERT_EQ(Reg().OpenKeyDefault(Hklm(), ScratchKeyPath(), key), error::kSuccess);
    EXPECT_EQ(Reg().SetValue(key, "Autorun", platform::StringValue("C:\\x.exe")), error::kSuccess);
    EXPECT_EQ(Reg().DeleteValue(key, "Autorun"), error::kSuccess);
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, KeyNamesMatchWithoutRegardToCaseAndComeBackAsCreated) {
    Reg().CloseKey(CreateScratchKey("MixedCase"));
    Handle key = platform::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath("MIXEDCASE"), regaccess::kRead, key),
              error::kSuccess);
    Reg().CloseKey(key);
    Handle parent = platform::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath(), regaccess::kRead, parent), error::kSuccess);
    EXPECT_EQ(SubkeysOf(Reg(), parent), (std::vector<std::string>{"MixedCase"}));
    Reg().CloseKey(parent);
}

TEST_P(PlatformContract, ValueNamesMatchWithoutRegardToCase) {
    Handle key = CreateScratchKey();
    ASSERT_EQ(Reg().SetValue(key, "DisplayName", platform::StringValue("one")), error::kSuccess);
    RegValue value;
    ASSERT_EQ(Reg().QueryValue(key, "DISPLAYNAME", 1024, value), error::kSuccess);
    EXPECT_EQ(platform::ValueText(value), "one");
    // Writing another spelling replaces the value, which keeps its first name.
    ASSERT_EQ(Reg().SetValue(key, "displayname", platform::StringValue("two")), error::kSuccess);
    EXPECT_EQ(ValueNamesOf(Reg(), key), (std::vector<std::string>{"DisplayName"}));
    ASSERT_EQ(Reg().QueryValue(key, "DisplayName", 1024, value), error::kSuccess);
    EXPECT_EQ(platform::ValueText(value), "two");
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, ValuesKeepTheirTypeAndBytes) {
    struct Case {
        const char* name;
        RegValue value;
    };
    const Case cases[] = {
        {"Text", Text(regtype::kString, std::string("C:\\Program Files\\Vantorix") + '\0')},
        {"Expand", Text(regtype::kExpandString, std::string("%SystemRoot%\\x.exe") + '\0')},
        {"Multi", Text(regtype::kMultiString, std::string("first\0second\0\0", 14))},
        {"Number", platform::DwordValue(2200)},
        {"Binary", Bytes(regtype::kBinary, {0x00, 0xFF, 0x10, 0x00, 0x7F})},
        {"EmptyBinary", Bytes(regtype::kBinary, {})},
        {"EmptyText", Text(regtype::kString, std::string(1, '\0'))},
    };
    Handle key = CreateScratchKey();
    for (const Case& c : cases)
        ASSERT_EQ(Reg().SetValue(key, c.name, c.value), error::kSuccess) << c.name;
    for (const Case& c : cases) {
        RegValue read;
        ASSERT_EQ(Reg().QueryValue(key, c.name, 1024, read), error::kSuccess) << c.name;
        EXPECT_EQ(read.type, c.value.type) << c.name;
        EXPECT_EQ(read.data, c.value.data) << c.name;
    }
    std::string name;
    RegValue enumerated;
    for (std::uint32_t i = 0; Reg().EnumValue(key, i, 260, 1024, name, enumerated) == 0; ++i) {
        const auto c = std::find_if(std::begin(cases), std::end(cases),
                                    [&](const Case& x) { return name == x.name; });
        ASSERT_NE(c, std::end(cases)) << name;
        EXPECT_EQ(enumerated.type, c->value.type) << name;
        EXPECT_EQ(enumerated.data, c->value.data) << name;
    }
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, TheDefaultValueHasTheEmptyName) {
    Handle key = CreateScratchKey("shell\\open\\command");
    RegValue value;
    EXPECT_EQ(Reg().QueryValue(key, "", 1024, value), error::kFileNotFound);
    ASSERT_EQ(Reg().SetValue(key, "", platform::StringValue("\"C:\\v.exe\" \"%1\"")),
              error::kSuccess);
    ASSERT_EQ(Reg().QueryValue(key, "", 1024, value), error::kSuccess);
    EXPECT_EQ(platform::ValueText(value), "\"C:\\v.exe\" \"%1\"");
    EXPECT_EQ(ValueNamesOf(Reg(), key), (std::vector<std::string>{""}));
    EXPECT_EQ(Reg().DeleteValue(key, ""), error::kSuccess);
    EXPECT_EQ(Reg().QueryValue(key, "", 1024, value), error::kFileNotFound);
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, EnumerationEndsWithNoMoreItems) {
    Handle key = CreateScratchKey();
    std::string name;
    RegValue value;
    EXPECT_EQ(Reg().EnumKey(key, 0, 256, name), error::kNoMoreItems);
    EXPECT_EQ(Reg().EnumValue(key, 0, 260, 1024, name, value), error::kNoMoreItems);

    Reg().CloseKey(CreateScratchKey("One"));
    Reg().CloseKey(CreateScratchKey("Two"));
    ASSERT_EQ(Reg().SetValue(key, "v", platform::DwordValue(1)), error::kSuccess);
    EXPECT_EQ(Reg().EnumKey(key, 1, 256, name), error::kSuccess);
    EXPECT_EQ(Reg().EnumKey(key, 2, 256, name), error::kNoMoreItems);
    EXPECT_EQ(Reg().EnumValue(key, 0, 260, 1024, name, value), error::kSuccess);
    EXPECT_EQ(Reg().EnumValue(key, 1, 260, 1024, name, value), error::kNoMoreItems);
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, SubkeysAreEnumeratedInNameOrderWithoutRegardToCase) {
    Handle key = CreateScratchKey();
    for (const char* name : {"delta", "Bravo", "alpha", "Charlie"})
        Reg().CloseKey(CreateScratchKey(name));
    EXPECT_EQ(SubkeysOf(Reg(), key),
              (std::vector<std::string>{"alpha", "Bravo", "Charlie", "delta"}));
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, ValuesAreEnumeratedInTheOrderTheyWereCreated) {
    SKIP_ON_WINE("Wine keeps values sorted by name; Windows gives them in creation order");
    Handle key = CreateScratchKey();
    for (const char* name : {"Zulu", "alpha", "Mike", "_DisplayName"})
        ASSERT_EQ(Reg().SetValue(key, name, platform::DwordValue(1)), error::kSuccess);
    // A replaced value keeps its place; a deleted and recreated one goes last.
    ASSERT_EQ(Reg().SetValue(key, "alpha", platform::DwordValue(2)), error::kSuccess);
    ASSERT_EQ(Reg().DeleteValue(key, "Zulu"), error::kSuccess);
    ASSERT_EQ(Reg().SetValue(key, "Zulu", platform::DwordValue(3)), error::kSuccess);
    EXPECT_EQ(ValueNamesOf(Reg(), key),
              (std::vector<std::string>{"alpha", "Mike", "_DisplayName", "Zulu"}));
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, NamesLongerThanTheNameBufferGiveMoreData) {
    Handle key = CreateScratchKey();
    Reg().CloseKey(CreateScratchKey("Twelve_Chars"));
    ASSERT_EQ(Reg().SetValue(key, "Eleven_Char", platform::DwordValue(1)), error::kSuccess);
    std::string name;
    RegValue value;
    EXPECT_EQ(Reg().EnumKey(key, 0, 12, name), error::kMoreData);
    EXPECT_EQ(Reg().EnumKey(key, 0, 13, name), error::kSuccess);
    EXPECT_EQ(name, "Twelve_Chars");
    EXPECT_EQ(Reg().EnumValue(key, 0, 11, 1024, name, value), error::kMoreData);
    EXPECT_EQ(Reg().EnumValue(key, 0, 12, 1024, name, value), error::kSuccess);
    EXPECT_EQ(name, "Eleven_Char");
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, DataLongerThanTheBufferIsAFailure) {
    Handle key = CreateScratchKey();
    const RegValue data = Bytes(regtype::kBinary, std::vector<std::uint8_t>(1025, 0x41));
    ASSERT_EQ(Reg().SetValue(key, "Long", data), error::kSuccess);
    RegValue value;
    EXPECT_EQ(Reg().QueryValue(key, "Long", 1024, value), error::kMoreData);
    EXPECT_TRUE(value.data.empty());
    EXPECT_EQ(Reg().QueryValue(key, "Long", 1025, value), error::kSuccess);
    EXPECT_EQ(value.data, data.data);
    std::string name;
    EXPECT_EQ(Reg().EnumValue(key, 0, 260, 1024, name, value), error::kMoreData);
    EXPECT_EQ(Reg().EnumValue(key, 0, 260, 1025, name, value), error::kSuccess);
    Reg().CloseKey(key);
}

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

// "日" is one character of three bytes, "𠀋" two (a pair of surrogates) of four bytes. Each
// case gives the smallest buffer that holds the name with its zero.
struct NameLimit {
    std::string name;
    std::size_t buffer;
};

const NameLimit kNameLimits[] = {
    {"Kit", 4},
    {"日本語キー", 6},
    {"a𠀋", 4},
};

TEST_P(PlatformContract, NameBuffersCountCharacters) {
    for (std::size_t i = 0; i < std::size(kNameLimits); ++i) {
        const NameLimit& c = kNameLimits[i];
        const std::string parent = "names" + std::to_string(i);
        Reg().CloseKey(CreateScratchKey(parent + "\\" + c.name));
        Handle key = CreateScratchKey(parent);
        ASSERT_EQ(Reg().SetValue(key, c.name, platform::DwordValue(1)), error::kSuccess);
        std::string name;
        RegValue value;
        EXPECT_EQ(Reg().EnumKey(key, 0, c.buffer - 1, name), error::kMoreData) << c.name;
        EXPECT_EQ(Reg().EnumKey(key, 0, c.buffer, name), error::kSuccess) << c.name;
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(Reg().EnumValue(key, 0, c.buffer - 1, 1024, name, value), error::kMoreData)
            << c.name;
        EXPECT_EQ(Reg().EnumValue(key, 0, c.buffer, 1024, name, value), error::kSuccess) << c.name;
        EXPECT_EQ(name, c.name);
        Reg().CloseKey(key);
    }
}

// Text data counts characters with its zeros, any other data bytes. Each case gives the
// smallest buffer that holds the data.
TEST_P(PlatformContract, DataBuffersCountTextInCharactersAndTheRestInBytes) {
    struct Case {
        const char* name;
        RegValue value;
        std::size_t buffer;
    };
    const Case cases[] = {
        {"Ascii", platform::StringValue("Vantorix"), 9},
        {"Japanese", platform::StringValue("日本語"), 4},
        {"DisplayName400", platform::StringValue(Repeat("日", 400)), 401},
        {"Pair", platform::StringValue("𠀋x"), 4},
        {"Expand", platform::StringValue("%TEMP%\\日本", regtype::kExpandString), 10},
        {"Multi", Text(regtype::kMultiString, std::string("日\0本語\0\0", 12)), 6},
        {"Binary", Bytes(regtype::kBinary, {0xE6, 0x97, 0xA5, 0x00, 0x01}), 5},
        {"Number", platform::DwordValue(7), 4},
    };
    Handle key = CreateScratchKey();
    for (const Case& c : cases)
        ASSERT_EQ(Reg().SetValue(key, c.name, c.value), error::kSuccess) << c.name;
    for (std::uint32_t index = 0; index < std::size(cases); ++index) {
        std::string name;
        RegValue value;
        ASSERT_EQ(Reg().EnumValue(key, index, 260, 1 << 16, name, value), error::kSuccess);
        const auto c = std::find_if(std::begin(cases), std::end(cases),
                                    [&](const Case& x) { return name == x.name; });
        ASSERT_NE(c, std::end(cases)) << name;
        EXPECT_EQ(Reg().EnumValue(key, index, 260, c->buffer - 1, name, value), error::kMoreData)
            << c->name;
        EXPECT_EQ(Reg().EnumValue(key, index, 260, c->buffer, name, value), error::kSuccess)
            << c->name;
        EXPECT_EQ(value.data, c->value.data) << c->name;

        EXPECT_EQ(Reg().QueryValue(key, c->name, c->buffer - 1, value), error::kMoreData)
            << c->name;
        EXPECT_TRUE(value.data.empty()) << c->name;
        EXPECT_EQ(Reg().QueryValue(key, c->name, c->buffer, value), error::kSuccess) << c->name;
        EXPECT_EQ(value.type, c->value.type) << c->name;
        EXPECT_EQ(value.data, c->value.data) << c->name;
    }
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, QueryInfoKeyCountsTheLongestJapaneseNameAndTextInCharacters) {
    Handle key = CreateScratchKey();
    ASSERT_EQ(Reg().SetValue(key, "日本語", platform::StringValue("日本語テキスト")),
              error::kSuccess);
    ASSERT_EQ(Reg().SetValue(key, "ab", Bytes(regtype::kBinary, std::vector<std::uint8_t>(6))),
              error::kSuccess);
    platform::RegKeyInfo info;
    ASSERT_EQ(Reg().QueryInfoKey(key, info), error::kSuccess);
    EXPECT_EQ(info.maxValueNameLength, 3u);
    EXPECT_EQ(info.maxValueDataLength, 8u);  // seven characters and the zero
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, AKeyWithSubkeysCannotBeDeletedLeavesFirstCan) {
    Reg().CloseKey(CreateScratchKey("entry\\leaf"));
    EXPECT_EQ(Reg().DeleteKey(Hklm(), ScratchKeyPath("entry")), error::kAccessDenied);
    Handle key = platform::kNoHandle;
    EXPECT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath("entry\\leaf"), regaccess::kRead, key),
              error::kSuccess);
    Reg().CloseKey(key);

    EXPECT_EQ(Reg().DeleteKey(Hklm(), ScratchKeyPath("entry\\leaf")), error::kSuccess);
    EXPECT_EQ(Reg().DeleteKey(Hklm(), ScratchKeyPath("entry")), error::kSuccess);
    EXPECT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath("entry"), regaccess::kRead, key),
              error::kFileNotFound);
    EXPECT_EQ(Reg().DeleteKey(Hklm(), ScratchKeyPath("entry")), error::kFileNotFound);
}

TEST_P(PlatformContract, DeleteKeyWorksRelativeToAnOpenKey) {
    Handle key = CreateScratchKey();
    Reg().CloseKey(CreateScratchKey("DefaultIcon"));
    EXPECT_EQ(Reg().DeleteKey(key, "DefaultIcon"), error::kSuccess);
    EXPECT_EQ(SubkeysOf(Reg(), key), std::vector<std::string>{});
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, DeletingAMissingValueGivesFileNotFound) {
    Handle key = CreateScratchKey();
    ASSERT_EQ(Reg().SetValue(key, "ClientInfo", platform::StringValue("x")), error::kSuccess);
    EXPECT_EQ(Reg().DeleteValue(key, "ClientInfo"), error::kSuccess);
    EXPECT_EQ(Reg().DeleteValue(key, "ClientInfo"), error::kFileNotFound);
    RegValue value;
    EXPECT_EQ(Reg().QueryValue(key, "ClientInfo", 1024, value), error::kFileNotFound);
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, AccessRightsOfAnOpenKeyAreEnforced) {
    Reg().CloseKey(CreateScratchKey());
    Handle read = platform::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath(), regaccess::kRead, read), error::kSuccess);
    EXPECT_EQ(Reg().SetValue(read, "x", platform::DwordValue(1)), error::kAccessDenied);
    EXPECT_EQ(Reg().DeleteValue(read, "x"), error::kAccessDenied);
    Reg().CloseKey(read);

    Handle enumerate = platform::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(Hklm(), ScratchKeyPath(), regaccess::kEnumerateSubKeys, enumerate),
              error::kSuccess);
    std::string name;
    RegValue value;
    EXPECT_EQ(Reg().EnumKey(enumerate, 0, 256, name), error::kNoMoreItems);
    EXPECT_EQ(Reg().QueryValue(enumerate, "x", 1024, value), error::kAccessDenied);
    Reg().CloseKey(enumerate);
}

TEST_P(PlatformContract, AKeyDeletedUnderAnOpenHandleReportsKeyDeleted) {
    Handle key = CreateScratchKey("doomed");
    ASSERT_EQ(Reg().SetValue(key, "v", platform::DwordValue(1)), error::kSuccess);
    ASSERT_EQ(Reg().DeleteKey(Hklm(), ScratchKeyPath("doomed")), error::kSuccess);
    RegValue value;
    std::string name;
    platform::RegKeyInfo info;
    Handle sub = platform::kNoHandle;
    EXPECT_EQ(Reg().QueryValue(key, "v", 1024, value), error::kKeyDeleted);
    EXPECT_EQ(Reg().SetValue(key, "v", platform::DwordValue(2)), error::kKeyDeleted);
    EXPECT_EQ(Reg().EnumKey(key, 0, 256, name), error::kKeyDeleted);
    EXPECT_EQ(Reg().EnumValue(key, 0, 260, 1024, name, value), error::kKeyDeleted);
    EXPECT_EQ(Reg().QueryInfoKey(key, info), error::kKeyDeleted);
    EXPECT_EQ(Reg().CreateKey(key, "sub", regaccess::kWrite, sub), error::kKeyDeleted);
    EXPECT_EQ(Reg().CloseKey(key), error::kSuccess);
}

TEST_P(PlatformContract, QueryInfoKeyCountsValuesAndGivesTheLongestNameAndData) {
    Handle key = CreateScratchKey();
    Reg().CloseKey(CreateScratchKey("sub"));
    ASSERT_EQ(Reg().SetValue(key, "InstallShieldSetup1", platform::StringValue("abc")),
              error::kSuccess);
    ASSERT_EQ(Reg().SetValue(key, "x", Bytes(regtype::kBinary, std::vector<std::uint8_t>(40))),
              error::kSuccess);
    ASSERT_EQ(Reg().SetValue(key, "", platform::DwordValue(7)), error::kSuccess);
    platform::RegKeyInfo info;
    ASSERT_EQ(Reg().QueryInfoKey(key, info), error::kSuccess);
    EXPECT_EQ(info.subKeys, 1u);
    EXPECT_EQ(info.values, 3u);
    EXPECT_EQ(info.maxValueNameLength, 19u);
    // Room for the longest data at least (text may be counted in wide characters).
    EXPECT_GE(info.maxValueDataLength, 40u);
    Reg().CloseKey(key);
}

TEST_P(PlatformContract, APathWithALeadingBackslashIsRefused) {
    Reg().CloseKey(CreateScratchKey());
    Handle key = platform::kNoHandle;
    EXPECT_NE(Reg().OpenKey(Hklm(), "\\" + ScratchKeyPath(), regaccess::kRead, key),
              error::kSuccess);
}

TEST_P(PlatformContract, TheClassesRootShowsTheClassesOfTheLocalMachine) {
    const std::string scratch = ScratchKeyPath();
    const std::string name = "VelnoraContract" + scratch.substr(scratch.rfind('\\') + 1);
    const Handle classes = Reg().Root(platform::RegRoot::ClassesRoot);
    Handle key = platform::kNoHandle;
    ASSERT_EQ(Reg().CreateKey(classes, name + "\\DefaultIcon", regaccess::kWrite, key),
              error::kSuccess);
    ASSERT_EQ(Reg().SetValue(key, "", platform::StringValue("icon.ico,0")), error::kSuccess);
    Reg().CloseKey(key);

    Handle seen = platform::kNoHandle;
    EXPECT_EQ(Reg().OpenKey(Hklm(), "SOFTWARE\\Classes\\" + name + "\\DefaultIcon",
                            regaccess::kRead, seen),
              error::kSuccess);
    Reg().CloseKey(seen);
    EXPECT_EQ(Reg().DeleteKey(classes, name + "\\DefaultIcon"), error::kSuccess);
    EXPECT_EQ(Reg().DeleteKey(classes, name), error::kSuccess);
}

}  // namespace
}  // namespace velnora::contract
