#include "settings/settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void expectDefaults() {
    EXPECT_EQ(modeSetting, 0);
    EXPECT_EQ(gammaSetting, 1.0);
    EXPECT_EQ(startPosition, 0);
    EXPECT_EQ(fullScreen, 0);
    EXPECT_EQ(vemoFlag, 0);
}

void expectIdentityGamma() {
    for (int i = 0; i < kGammaEntries; ++i) ASSERT_EQ(gammaTable[i], i) << "entry " << i;
}

TEST(CommandLine, EmptyLineKeepsDefaultsAndIdentityGamma) {
    parseCommandLine("mode 3 gamma 2");
    parseCommandLine("");
    expectDefaults();
    expectIdentityGamma();
    parseCommandLine(nullptr);
    expectDefaults();
}

TEST(CommandLine, AllFiveKeywords) {
    parseCommandLine("mode 7 gamma 2.2 pos 12 full 1 vemo 1");
    EXPECT_EQ(modeSetting, 7);
    EXPECT_DOUBLE_EQ(gammaSetting, 2.2);
    EXPECT_EQ(startPosition, 12);
    EXPECT_EQ(fullScreen, 1);
    EXPECT_EQ(vemoFlag, 1);
}

TEST(CommandLine, LeadingSpaceShiftsEveryKeywordIntoAValuePosition) {
    parseCommandLine(" mode 3 pos 4");
    expectDefaults();
}

TEST(CommandLine, SpacesBetweenAndAfterTokens) {
    parseCommandLine("mode    3     pos 4   ");
    EXPECT_EQ(modeSetting, 3);
    EXPECT_EQ(startPosition, 4);
    // A trailing space must not create a value-position token that eats nothing.
    parseCommandLine("mode 3 pos ");
    EXPECT_EQ(modeSetting, 3);
    EXPECT_EQ(startPosition, 0);
}

TEST(CommandLine, OnlySpaceSeparates) {
    parseCommandLine("mode\t3");
    EXPECT_EQ(modeSetting, 0); // "mode\t3" is one unknown keyword
    parseCommandLine("pos \t9");
    EXPECT_EQ(startPosition, 9); // the tab is leading white space of the value
}

TEST(CommandLine, KeywordWithoutValueChangesNothing) {
    parseCommandLine("mode");
    EXPECT_EQ(modeSetting, 0);
    parseCommandLine("pos 5 mode");
    EXPECT_EQ(startPosition, 5);
    EXPECT_EQ(modeSetting, 0);
}

TEST(CommandLine, LaterKeywordsOverride) {
    parseCommandLine("mode 3 mode 4 pos 1 pos -2");
    EXPECT_EQ(modeSetting, 4);
    EXPECT_EQ(startPosition, -2);
}

TEST(CommandLine, MatchingIsExactAndCaseSensitive) {
    parseCommandLine("modes 3 Mode 4 mod 5 gamma 2");
    EXPECT_EQ(modeSetting, 0);
    EXPECT_EQ(gammaSetting, 2.0);
}

TEST(CommandLine, UnknownKeywordSkipsItsValue) {
    parseCommandLine("speed mode mode 6");
    EXPECT_EQ(modeSetting, 6);
}

TEST(CommandLine, GammaFollowedByModeReadsModeAsTheValue) {
    parseCommandLine("gamma mode 3");
    EXPECT_EQ(gammaSetting, 0.0);
    EXPECT_EQ(modeSetting, 0); // 3 is an unrecognised keyword
    for (int i = 0; i < kGammaEntries; ++i) ASSERT_EQ(gammaTable[i] & 0xFF, 0);
}

TEST(CommandLine, FullAndVemoKeepOnlyBitZero) {
    parseCommandLine("full 2 vemo 2");
    EXPECT_EQ(fullScreen, 0);
    EXPECT_EQ(vemoFlag, 0);
    parseCommandLine("full 3 vemo 3");
    EXPECT_EQ(fullScreen, 1);
    EXPECT_EQ(vemoFlag, 1);
    parseCommandLine("full -1");
    EXPECT_EQ(fullScreen, 1);
}

TEST(CommandLine, NumbersFollowedByLettersAndNonNumbers) {
    parseCommandLine("mode 3abc pos x12 gamma 1.5e1x");
    EXPECT_EQ(modeSetting, 3);
    EXPECT_EQ(startPosition, 0);
    EXPECT_DOUBLE_EQ(gammaSetting, 15.0);
}

TEST(CommandLine, LongTokensAreTruncatedSafely) {
    std::string line = "pos " + std::string(200, '7');
    parseCommandLine(line.c_str());
    EXPECT_EQ(startPosition, INT32_MAX); // 63 sevens, saturated
    std::string keyword = "mode" + std::string(196, 'x') + " 3 pos 4";
    parseCommandLine(keyword.c_str());
    EXPECT_EQ(modeSetting, 0);
    EXPECT_EQ(startPosition, 4);
    // A truncated keyword is still one token, so the pairs after it stay in step.
    std::string padded = std::string(200, 'a') + " 1 vemo 1";
    parseCommandLine(padded.c_str());
    EXPECT_EQ(vemoFlag, 1);
}

TEST(Conversions, DecimalInteger) {
    EXPECT_EQ(convertDecimalInteger("  -42x"), -42);
    EXPECT_EQ(convertDecimalInteger("+7"), 7);
    EXPECT_EQ(convertDecimalInteger("-"), 0);
    EXPECT_EQ(convertDecimalInteger(""), 0);
    EXPECT_EQ(convertDecimalInteger("0x10"), 0);
    EXPECT_EQ(convertDecimalInteger("99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(convertDecimalInteger("-99999999999999999999999"), INT32_MIN);
    EXPECT_EQ(convertDecimalInteger("2147483647"), INT32_MAX);
    EXPECT_EQ(convertDecimalInteger("-2147483648"), INT32_MIN);
}

TEST(Conversions, DecimalRealReadsOnlyDecimalNotation) {
    EXPECT_EQ(convertDecimalReal("2.5"), 2.5);
    EXPECT_EQ(convertDecimalReal(" .5"), 0.5);
    EXPECT_EQ(convertDecimalReal("5."), 5.0);
    EXPECT_EQ(convertDecimalReal("-1e2"), -100.0);
    EXPECT_EQ(convertDecimalReal("3e"), 3.0);
    EXPECT_EQ(convertDecimalReal("3e+"), 3.0);
    EXPECT_EQ(convertDecimalReal("."), 0.0);
    EXPECT_EQ(convertDecimalReal("inf"), 0.0);
    EXPECT_EQ(convertDecimalReal("nan"), 0.0);
    EXPECT_EQ(convertDecimalReal("0x1p3"), 0.0);
    EXPECT_EQ(convertDecimalReal("abc"), 0.0);
}

TEST(GammaTable, CommonGammas) {
    parseCommandLine("gamma 1.0");
    expectIdentityGamma();
    parseCommandLine("gamma 0");
    for (int i = 0; i < kGammaEntries; ++i) ASSERT_EQ(gammaTable[i], 256) << i; // pow(0, 0) is 1 too
    parseCommandLine("gamma 2.2");
    EXPECT_EQ(gammaTable[0], 0);
    EXPECT_EQ(gammaTable[128], 55); // 0.5^2.2 * 256 = 55.7
    EXPECT_EQ(gammaTable[255], 253);
    for (int i = 1; i < kGammaEntries; ++i) ASSERT_LE(gammaTable[i - 1], gammaTable[i]);
}

TEST(GammaTable, NegativeGammaLeavesTheRangeAndKeepsItsLowBits) {
    parseCommandLine("gamma -1");
    EXPECT_EQ(gammaTable[0], 0);     // infinity converts to the indefinite integer, low bits 0
    EXPECT_EQ(gammaTable[1], 65536); // 256 / (1/256)
    EXPECT_EQ(gammaTable[2], 32768);
    EXPECT_EQ(gammaTable[128], 512);
    EXPECT_EQ(gammaTable[255] & 0xFF, 1); // 257.0 -> 0x101
    parseCommandLine("gamma -40");
    EXPECT_EQ(gammaTable[1], 0); // far beyond 64 bits: indefinite, low bits 0
}

TEST(GammaTable, ExtremeExponentsStayDefined) {
    parseCommandLine("gamma 1e999");
    for (int i = 0; i < kGammaEntries; ++i) ASSERT_EQ(gammaTable[i], 0);
    parseCommandLine("gamma -1e999");
    EXPECT_EQ(gammaTable[0], 0);
    EXPECT_EQ(gammaTable[200], 0);
}

} // namespace
