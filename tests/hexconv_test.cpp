#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "hexconv.h"

namespace {

struct Both {
    std::int32_t big;
    std::int32_t little;
};

Both convert(const char *text)
{
    std::string a(text), b(text);
    return {ConvertHexToDecBigEndianLen8(a.data()), ConvertHexToDecLittleEndianLen8(b.data())};
}

TEST(HexConversion, ReadsBothByteOrders)
{
    EXPECT_EQ(convert("00000002").big, 2);
    EXPECT_EQ(convert("00000002").little, 33554432);
    EXPECT_EQ(convert("0A000000").big, 167772160);
    EXPECT_EQ(convert("0A000000").little, 10);
    EXPECT_EQ(convert("FFFFFFFF").big, -1);
    EXPECT_EQ(convert("FFFFFFFF").little, -1);
    EXPECT_EQ(convert("80000000").big, INT_MIN);
    EXPECT_EQ(convert("00000080").little, INT_MIN);
    EXPECT_EQ(convert("12345678").little, 0x78563412);
}

TEST(HexConversion, UpperCasesTheDigitsItReadsInPlace)
{
    char text[] = "7fffffff";
    EXPECT_EQ(ConvertHexToDecBigEndianLen8(text), INT_MAX);
    EXPECT_STREQ(text, "7FFFFFFF");

    char pair[] = "ffxy";
    EXPECT_EQ(ConvertHexToDecLen2(pair), 255);
    EXPECT_STREQ(pair, "FFxy") << "only the two characters read are changed";

    char lower[] = "0a0b0c0d";
    EXPECT_EQ(ConvertHexToDecLittleEndianLen8(lower), 0x0d0c0b0a);
    EXPECT_STREQ(lower, "0A0B0C0D");
}

TEST(HexConversion, GeneralRoutineReadsNDigitsButUpperCasesEight)
{
    char text[] = "abcdefab";
    EXPECT_EQ(ConvertHexToDec(text, 4), 0xABCD);
    EXPECT_STREQ(text, "ABCDEFAB");
    char full[] = "0000001f";
    EXPECT_EQ(ConvertHexToDec(full, 8), 31);
}

TEST(HexConversion, NonDigitRepeatsThePreviousDigitAndStartsAtZero)
{
    // Big endian: character 7 is processed first.
    EXPECT_EQ(convert("0000000G").big, 0);
    EXPECT_EQ(convert("000000G1").big, 0x11);
    // Little endian: character 1 is processed first, then 0.
    char text[] = "2 000000";
    EXPECT_EQ(ConvertHexToDecLittleEndianLen8(text), 0x20);
    char nul[9] = {'1', '2', '\0', '\0', '\0', '\0', '\0', '\0', '\0'};
    EXPECT_EQ(ConvertHexToDecBigEndianLen8(nul), 0x12000000);
}

} // namespace
