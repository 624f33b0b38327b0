#include "platform/text_units.h"

#include <gtest/gtest.h>

#include <string>

namespace velnora::platform {
namespace {

// "日" takes three bytes and one unit, "𠀋" four bytes and two units (a surrogate pair).
struct CutCase {
    const char* name;
    std::string text;
    std::size_t units;
    std::string kept;
};

class TextUnitsCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(TextUnitsCut, KeepsWholeCharactersOnly) {
    const CutCase& c = GetParam();
    EXPECT_EQ(CutToUnits(c.text, c.units), c.kept);
    EXPECT_LE(Utf16Units(c.kept), c.units);
}

INSTANTIATE_TEST_SUITE_P(
    TextUnits, TextUnitsCut,
    ::testing::Values(CutCase{"AsciiShorter", "abc", 5, "abc"},
                      CutCase{"AsciiCut", "abcdef", 4, "abcd"}, CutCase{"Nothing", "abc", 0, ""},
                      CutCase{"JapaneseCountsOneEach", "日本語テキスト", 3, "日本語"},
                      CutCase{"PairWhole", "a𠀋b", 3, "a𠀋"},
                      CutCase{"PairNeverHalved", "a𠀋b", 2, "a"},
                      CutCase{"PairAtTheStart", "𠀋", 1, ""},
                      CutCase{"StrayContinuationStaysWithItsCharacter", "a\x80", 1, "a\x80"},
                      CutCase{"TruncatedSequenceIsOneCharacter", "ab\xE6\x97", 3, "ab\xE6\x97"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextUnits, CountsAsTheWideFunctionsCount) {
    EXPECT_EQ(Utf16Units(""), 0u);
    EXPECT_EQ(Utf16Units("C:\\Temp"), 7u);
    EXPECT_EQ(Utf16Units("日本語"), 3u);
    EXPECT_EQ(Utf16Units("x𠀋y"), 4u);
    EXPECT_EQ(Utf16Units(std::string("a\0b", 3)), 3u);
}

TEST(TextUnits, ABufferHoldsItsSizeLessTheZero) {
    EXPECT_TRUE(FitsBuffer("日本", 3));
    EXPECT_FALSE(FitsBuffer("日本語", 3));
    EXPECT_FALSE(FitsBuffer("", 0));
    EXPECT_EQ(CutToBuffer("日本語", 3), "日本");
    EXPECT_EQ(CutToBuffer("日本語", 0), "");
    EXPECT_EQ(CutToBuffer("日𠀋", 3), "日");
}

TEST(TextUnits, AListThatDoesNotFitIsCutAndCountsBufferSizeMinusTwo) {
    using std::string_literals::operator""s;
    const std::string list = "日本\0語\0"s;  // five units
    struct {
        std::size_t bufferSize;
        std::string out;
        std::size_t count;
    } cases[] = {
        {7, list, 5},      {6, list, 5},  // the list and its closing zero fill the buffer
        {5, "日本\0"s, 3}, {4, "日本"s, 2}, {1, ""s, 0},
    };
    for (const auto& c : cases) {
        std::string out = "stale";
        EXPECT_EQ(CutListToBuffer(list, c.bufferSize, out), c.count) << c.bufferSize;
        EXPECT_EQ(out, c.out) << c.bufferSize;
    }
    // A pair of surrogates at the cut is left out whole; the count still signs the cut.
    std::string out;
    EXPECT_EQ(CutListToBuffer("a𠀋\0"s, 4, out), 2u);
    EXPECT_EQ(out, "a");
}

}  // namespace
}  // namespace velnora::platform
