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

}  // namespace
}  // namespace velnora::platform
