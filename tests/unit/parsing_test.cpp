// The one reading of numbers in texts: "Continue" of the run state, bSetInstallDir of
// autorun.ini, the selection conditions and the version numbers all go through it.
#include "core/parsing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace velnora::core {
namespace {

TEST(Parsing, DecimalReadsLikeAtoiWithinThirtyTwoBits) {
    const struct {
        std::string text;
        std::int32_t number;
    } cases[] = {
        {"1", 1},
        {"", 0},
        {"abc", 0},
        {" 12x", 12},
        {"  \t42x", 42},
        {"\t7", 7},
        {"-3", -3},
        {"+4", 4},
        {" -0", 0},
        {"-0012", -12},
        {"- 3", 0},
        {"4th", 4},
        {"0x10", 0},
        {"40800012", 40800012},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDecimal(c.text), c.number) << '"' << c.text << '"';
}

TEST(Parsing, AutoBaseReadsLikeStrtoul) {
    const struct {
        std::string text;
        std::uint32_t value;
    } cases[] = {
        {"1", 1u},
        {"0", 0u},
        {"", 0u},
        {"  7", 7u},
        {"\t\n9", 9u},
        {"0x10", 16u},
        {"0X1f", 31u},
        {"010", 8u},
        {"08", 0u},
        {"-1", 0xFFFFFFFFu},
        {"-0x10", 0xFFFFFFF0u},
        {"+5", 5u},
        {"abc", 0u},
        {"12abc", 12u},
        {"0x", 0u},
        {"0xg", 0u},
        {" - 3", 0u},
        {"4294967295", 0xFFFFFFFFu},
        {"4294967296", 0xFFFFFFFFu},
        {"-4294967296", 0xFFFFFFFFu},
        {"0x7fffffff", 0x7FFFFFFFu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseUnsignedAutoBase(c.text), c.value) << '"' << c.text << '"';
}

TEST(Parsing, WhiteSpaceIsTheCLocales) {
    for (const char c : std::string(" \t\n\v\f\r"))
        EXPECT_TRUE(IsCSpace(c)) << static_cast<int>(c);
    for (const char c : std::string("a0_\x01\x0e\xa0\xe3"))
        EXPECT_FALSE(IsCSpace(c)) << static_cast<int>(c);
}

}  // namespace
}  // namespace velnora::core
