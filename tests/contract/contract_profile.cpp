// Profile files as the catalogue, the settings file, the run state and the tool record use them.
#include "contract_fixture.h"
#include "fake/fake_text.h"

namespace velnora::contract {
namespace {

namespace error = platform::error;

constexpr char kSample[] =
    "; a comment line\r\n"
    "[General]\r\n"
    "  Title =  Vantorix Setup  \r\n"
    "Quoted=\"in quotes\"\r\n"
    "Single='single'\r\n"
    "Half=\"open\r\n"
    "Command=setup.exe /s /v\"a=b\"\r\n"
    ";Hidden=1\r\n"
    "NoEquals\r\n"
    "Empty=\r\n"
    "\r\n"
    "[Second]\r\n"
    "Long=abcdefghij\r\n"
    "x=1\r\n";

class ProfileText {
  public:
    explicit ProfileText(platform::ProfileFiles& profile) : profile_(profile) {}

    std::string Get(const std::string& file, const std::string& section, const std::string& key,
                    std::size_t bufferSize = 1024, const std::string& fallback = "") {
        std::string out;
        count = profile_.GetString(section, key, fallback, bufferSize, file, out);
        return out;
    }
    std::string Keys(const std::string& file, const std::string& section,
                     std::size_t bufferSize = 1024) {
        std::string out;
        count = profile_.GetString(section, std::nullopt, "", bufferSize, file, out);
        return out;
    }
    std::string Section(const std::string& file, const std::string& section,
                        std::size_t bufferSize = 4096) {
        std::string out;
        count = profile_.GetSection(section, bufferSize, file, out);
        return out;
    }

    std::size_t count = 0;

  private:
    platform::ProfileFiles& profile_;
};

std::string Zeros(const char* text, std::size_t size) {
    return std::string(text, size);
}

TEST_P(PlatformContract, AProfileValueComesBackAsWrittenWithoutSurroundingBlanksOrQuotes) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    const std::string file = Scratch("a.ini");
    struct Case {
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"Title", "Vantorix Setup"},
        {"Quoted", "in quotes"},
        {"Single", "single"},
        {"Half", "\"open"},
        {"Command", "setup.exe /s /v\"a=b\""},
        {"Empty", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.Get(file, "General", c.key), c.value) << c.key;
        EXPECT_EQ(ini.count, std::string(c.value).size()) << c.key;
    }
}

TEST_P(PlatformContract, SectionAndKeyNamesMatchWithoutRegardToCase) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    EXPECT_EQ(ini.Get(Scratch("a.ini"), "GENERAL", "title"), "Vantorix Setup");
    EXPECT_EQ(ini.Get(Scratch("A.INI"), "second", "LONG"), "abcdefghij");
}

TEST_P(PlatformContract, AMissingFileSectionOrKeyGivesTheDefault) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    for (const auto& [file, section, key] : {std::tuple{Scratch("missing.ini"), "General", "Title"},
                                             std::tuple{Scratch("a.ini"), "Missing", "Title"},
                                             std::tuple{Scratch("a.ini"), "General", "Missing"},
                                             std::tuple{Scratch("a.ini"), "General", "NoEquals"}}) {
        EXPECT_EQ(ini.Get(file, section, key), "") << section << "/" << key;
        EXPECT_EQ(ini.count, 0u);
        EXPECT_EQ(ini.Get(file, section, key, 1024, "fallback"), "fallback");
        EXPECT_EQ(ini.count, 8u);
    }
}

TEST_P(PlatformContract, AProfileValueIsCutToTheBuffer) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    EXPECT_EQ(ini.Get(Scratch("a.ini"), "Second", "Long", 5), "abcd");
    EXPECT_EQ(ini.count, 4u);
    EXPECT_EQ(ini.Get(Scratch("a.ini"), "Second", "Long", 11), "abcdefghij");
    EXPECT_EQ(ini.count, 10u);
}

TEST_P(PlatformContract, TheKeyListEndsWithAnEmptyNameAndSkipsCommentsAndBareLines) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    const std::string keys = ini.Keys(Scratch("a.ini"), "general");
    static constexpr char kExpected[] = "Title\0Quoted\0Single\0Half\0Command\0Empty";
    EXPECT_EQ(keys, Zeros(kExpected, sizeof kExpected));  // each name ended by a zero
    EXPECT_EQ(ini.count, keys.size());
    EXPECT_EQ(ini.Keys(Scratch("a.ini"), "Missing"), "");
    EXPECT_EQ(ini.count, 0u);
}

TEST_P(PlatformContract, AKeyListThatDoesNotFitIsCutAndCountsBufferSizeMinusTwo) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    EXPECT_EQ(ini.Keys(Scratch("a.ini"), "Second", 6), "Long");
    EXPECT_EQ(ini.count, 4u);
    EXPECT_EQ(ini.Keys(Scratch("a.ini"), "Second", 4), "Lo");
    EXPECT_EQ(ini.count, 2u);
}

TEST_P(PlatformContract, ASectionReadGivesEveryEntryInFileOrder) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    static constexpr char kGeneral[] =
        "Title=Vantorix Setup\0Quoted=\"in quotes\"\0Single='single'\0Half=\"open\0"
        "Command=setup.exe /s /v\"a=b\"\0NoEquals\0Empty=";
    EXPECT_EQ(ini.Section(Scratch("a.ini"), "GENERAL"), Zeros(kGeneral, sizeof kGeneral));
    EXPECT_EQ(ini.count, sizeof kGeneral);
    EXPECT_EQ(ini.Section(Scratch("a.ini"), "Missing"), "");
    EXPECT_EQ(ini.count, 0u);
}

TEST_P(PlatformContract, ASectionReadThatDoesNotFitCountsBufferSizeMinusTwo) {
    MakeFile(Scratch("a.ini"), kSample);
    ProfileText ini(Profile());
    EXPECT_EQ(ini.Section(Scratch("a.ini"), "Second", 10), "Long=abc");
    EXPECT_EQ(ini.count, 8u);
    static constexpr char kSecond[] = "Long=abcdefghij\0x=1";
    EXPECT_EQ(ini.Section(Scratch("a.ini"), "Second", 64), Zeros(kSecond, sizeof kSecond));
    EXPECT_EQ(ini.count, sizeof kSecond);
}

// Japanese text needs a Unicode file: a file without a byte-order mark is read in the system
// code page, which need not be the Japanese one.
std::string Utf16File(const std::string& text) {
    return "\xFF\xFE" + fake::text::Utf8ToUtf16Le(text);
}

// "日" is one character of three bytes, "𠀋" two (a pair of surrogates) of four bytes.
constexpr char kJapanese[] =
    "[日本語]\r\n"
    "名前=日本語の値テキスト\r\n"
    "Pair=a𠀋b\r\n"
    "[Pairs]\r\n"
    "𠀋𠀋=1\r\n";

TEST_P(PlatformContract, ProfileBuffersCountCharactersAndCutBetweenThem) {
    MakeFile(Scratch("ja.ini"), Utf16File(kJapanese));
    ProfileText ini(Profile());
    const std::string file = Scratch("ja.ini");
    struct Case {
        const char* key;
        std::size_t bufferSize;
        const char* value;
        std::size_t count;
    };
    const Case cases[] = {
        {"名前", 1024, "日本語の値テキスト", 9},
        {"名前", 10, "日本語の値テキスト", 9},
        {"名前", 9, "日本語の値テキス", 8},
        {"名前", 4, "日本語", 3},
        {"Pair", 5, "a𠀋b", 4},
        {"Pair", 4, "a𠀋", 3},
        {"Pair", 3, "a", 1},  // the pair is never halved
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.Get(file, "日本語", c.key, c.bufferSize), c.value)
            << c.key << " " << c.bufferSize;
        EXPECT_EQ(ini.count, c.count) << c.key << " " << c.bufferSize;
    }
}

TEST_P(PlatformContract, AJapaneseKeyListIsCutBetweenCharacters) {
    MakeFile(Scratch("ja.ini"), Utf16File(kJapanese));
    ProfileText ini(Profile());
    const std::string file = Scratch("ja.ini");
    struct Case {
        const char* section;
        std::size_t bufferSize;
        std::string keys;
        std::size_t count;
    };
    const Case cases[] = {
        {"日本語", 1024, Zeros("名前\0Pair", 12), 8},
        {"日本語", 9, Zeros("名前\0Pair", 12), 8},
        {"日本語", 8, Zeros("名前\0Pai", 10), 6},
        {"日本語", 5, Zeros("名前", 7), 3},
        // A cut between the halves of a pair leaves the pair out; the count still signs it.
        {"Pairs", 5, "𠀋", 3},
        {"Pairs", 4, "𠀋", 2},
        {"Pairs", 3, "", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.Keys(file, c.section, c.bufferSize), c.keys)
            << c.section << " " << c.bufferSize;
        EXPECT_EQ(ini.count, c.count) << c.section << " " << c.bufferSize;
    }
}

TEST_P(PlatformContract, AJapaneseSectionIsReadWholeOrCutBetweenCharacters) {
    MakeFile(Scratch("ja.ini"), Utf16File(kJapanese));
    ProfileText ini(Profile());
    const std::string file = Scratch("ja.ini");
    static constexpr char kWhole[] = "名前=日本語の値テキスト\0Pair=a𠀋b";
    EXPECT_EQ(ini.Section(file, "日本語", platform::kWholeSection), Zeros(kWhole, sizeof kWhole));
    EXPECT_EQ(ini.count, 23u);
    static constexpr char kCut[] = "名前=日本語の値テキスト\0Pair=";
    EXPECT_EQ(ini.Section(file, "日本語", 20), Zeros(kCut, sizeof kCut - 1));
    EXPECT_EQ(ini.count, 18u);

    // A write keeps the file Unicode.
    ASSERT_TRUE(Profile().WriteString("日本語", "新しいキー", "新しい値", file));
    EXPECT_EQ(ini.Get(file, "日本語", "新しいキー"), "新しい値");
    EXPECT_EQ(ini.Get(file, "日本語", "名前"), "日本語の値テキスト");
    EXPECT_EQ(ReadText(file).substr(0, 2), "\xFF\xFE");
}

TEST_P(PlatformContract, AWholeSectionReadHasNoSizeLimit) {
    std::string content = "[Record]\r\n";
    std::string expected;
    for (int n = 0; n < 600; ++n) {
        const std::string line = "Step" + std::to_string(n) + "=installed package " +
                                 std::to_string(n) + " of the tool set";
        content += line + "\r\n";
        expected += line + '\0';
    }
    ASSERT_GT(expected.size(), 16u * 1024);
    MakeFile(Scratch("big.ini"), content);
    ProfileText ini(Profile());
    EXPECT_EQ(ini.Section(Scratch("big.ini"), "record", platform::kWholeSection), expected);
    EXPECT_EQ(ini.count, expected.size());
}

TEST_P(PlatformContract, AWriteCreatesTheFileAndTheSection) {
    const std::string file = Scratch("new.ini");
    ASSERT_TRUE(Profile().WriteString("General", "Continue", "3", file));
    ASSERT_TRUE(Files().PathFileExists(file));
    const std::string text = ReadText(file);
    EXPECT_NE(text.find("[General]"), std::string::npos) << text;
    EXPECT_NE(text.find("Continue=3"), std::string::npos) << text;
    EXPECT_EQ(ProfileText(Profile()).Get(file, "General", "Continue"), "3");

    ASSERT_TRUE(Profile().WriteString("Other", "Key", "value", file));
    EXPECT_EQ(ProfileText(Profile()).Get(file, "Other", "Key"), "value");
    EXPECT_EQ(ProfileText(Profile()).Get(file, "General", "Continue"), "3");
}

TEST_P(PlatformContract, AWriteReplacesAnEntryAndAddsNewOnesToTheSection) {
    const std::string file = Scratch("state.ini");
    MakeFile(file, "[General]\r\nContinue=1\r\nPrev=C:\\a.exe\r\n[Next]\r\nx=1\r\n");
    ASSERT_TRUE(Profile().WriteString("general", "CONTINUE", "2", file));
    ASSERT_TRUE(Profile().WriteString("General", "User_Selection_Install_00", "1", file));
    ASSERT_TRUE(Profile().WriteString("General", "Padded", "   value", file));
    ProfileText ini(Profile());
    static constexpr char kExpected[] =
        "Continue=2\0Prev=C:\\a.exe\0User_Selection_Install_00=1\0Padded=value";
    EXPECT_EQ(ini.Section(file, "General"), Zeros(kExpected, sizeof kExpected));
    EXPECT_EQ(ini.Get(file, "Next", "x"), "1");
}

TEST_P(PlatformContract, ANullValueDeletesTheEntryAndANullKeyTheSection) {
    const std::string file = Scratch("state.ini");
    MakeFile(file, "[General]\r\nContinue=1\r\nPrev=p\r\n[Other]\r\nk=v\r\n[Last]\r\nz=9\r\n");
    ASSERT_TRUE(Profile().WriteString("General", "continue", std::nullopt, file));
    ASSERT_TRUE(Profile().WriteString("General", "NotThere", std::nullopt, file));
    ProfileText ini(Profile());
    static constexpr char kGeneral[] = "Prev=p";
    EXPECT_EQ(ini.Section(file, "General"), Zeros(kGeneral, sizeof kGeneral));

    ASSERT_TRUE(Profile().WriteString("OTHER", std::nullopt, std::nullopt, file));
    EXPECT_EQ(ini.Section(file, "Other"), "");
    EXPECT_EQ(ini.Get(file, "Other", "k"), "");
    EXPECT_EQ(ini.Get(file, "Last", "z"), "9");
    EXPECT_EQ(ini.Get(file, "General", "Prev"), "p");
}

TEST_P(PlatformContract, DeletingFromAMissingFileSucceedsAndCreatesNothing) {
    const std::string file = Scratch("never.ini");
    EXPECT_TRUE(Profile().WriteString("General", "Continue", std::nullopt, file));
    EXPECT_TRUE(Profile().WriteString("General", std::nullopt, std::nullopt, file));
    EXPECT_FALSE(Files().PathFileExists(file));
}

TEST_P(PlatformContract, AWriteIntoAMissingFolderFails) {
    EXPECT_FALSE(Profile().WriteString("General", "k", "v", Scratch("missing\\a.ini")));
    EXPECT_FALSE(Files().PathFileExists(Scratch("missing")));
}

TEST_P(PlatformContract, AWriteToAReadOnlyFileFails) {
    SKIP_ON_WINE("Wine, run as root here, writes read-only files");
    const std::string file = Scratch("ro.ini");
    MakeFile(file, "[General]\r\nk=old\r\n");
    ASSERT_EQ(Files().SetAttributes(file, platform::fileattr::kReadOnly), error::kSuccess);
    EXPECT_FALSE(Profile().WriteString("General", "k", "new", file));
    EXPECT_EQ(ProfileText(Profile()).Get(file, "General", "k"), "old");
}

TEST_P(PlatformContract, AFileHeldOpenCanBeNeitherReadNorWritten) {
    const std::string file = Scratch("held.ini");
    MakeFile(file, "[General]\r\nk=v\r\n");
    Put().HoldOpen(file);
    ProfileText ini(Profile());
    EXPECT_EQ(ini.Get(file, "General", "k"), "");
    EXPECT_FALSE(Profile().WriteString("General", "k", "w", file));
    Put().Release(file);
    EXPECT_EQ(ini.Get(file, "General", "k"), "v");
}

TEST_P(PlatformContract, ABareFileNameLiesInTheWindowsFolder) {
    std::string windows;
    ASSERT_TRUE(P().shell.GetSpecialFolderPath(platform::csidl::kWindows, windows));
    const std::string scratch = ScratchKeyPath();
    const std::string name = "VelnoraContract" + scratch.substr(scratch.rfind('\\') + 1) + ".ini";
    ASSERT_TRUE(Profile().WriteString("Default", "Language", "English", name));
    EXPECT_TRUE(Files().PathFileExists(windows + "\\" + name));
    EXPECT_EQ(ProfileText(Profile()).Get(windows + "\\" + name, "Default", "Language"), "English");
    EXPECT_EQ(ProfileText(Profile()).Get(name, "default", "language"), "English");
    EXPECT_EQ(Files().DeleteFile(windows + "\\" + name), error::kSuccess);
}

}  // namespace
}  // namespace velnora::contract
