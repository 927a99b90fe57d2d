#include <gtest/gtest.h>

#include <utility>

#include "Universal/UnicodeCase.h"

TEST(UnicodeCase, MapsPairsBothWays) {
    const std::pair<uint32_t, uint32_t> rows[] = {
        {0x41, 0x61},     {0x5A, 0x7A},     {0xC9, 0xE9},     {0x178, 0xFF},   {0x391, 0x3B1},
        {0x410, 0x430},   {0x401, 0x451},   {0x531, 0x561},   {0x1E00, 0x1E01}, {0x1F08, 0x1F00},
        {0x2160, 0x2170}, {0x24B6, 0x24D0}, {0xFF21, 0xFF41}, {0xFF3A, 0xFF5A},
    };
    for (const auto& [upper, lower] : rows) {
        SCOPED_TRACE(upper);
        EXPECT_EQ(UnicodeToUpper(lower), upper);
        EXPECT_EQ(UnicodeToLower(upper), lower);
        EXPECT_EQ(UnicodeToUpper(upper), upper);
        EXPECT_EQ(UnicodeToLower(lower), lower);
    }
}

TEST(UnicodeCase, CodePointsWithoutAPairMapToThemselves) {
    for (uint32_t codePoint : {0x30u, 0x40u, 0x5Bu, 0xDFu, 0x4E00u, 0xFF5Bu, 0x10000u}) {
        SCOPED_TRACE(codePoint);
        EXPECT_EQ(UnicodeToUpper(codePoint), codePoint);
        EXPECT_EQ(UnicodeToLower(codePoint), codePoint);
    }
}

TEST(UnicodeCase, CodePointsAboveThePlaneKeepTheirCase) {
    // Looking them up by their low 16 bits would make U+10061 an "A".
    EXPECT_EQ(UnicodeToUpper(0x10061), 0x10061u);
    EXPECT_EQ(UnicodeToLower(0x20041), 0x20041u);
    EXPECT_EQ(UnicodeToUpper(0xFF41), 0xFF21u);
}

TEST(UnicodeCase, EveryPairIsFoundThroughBothMaps) {
    // Walks the whole plane: every mapping must be a pair whose members map back,
    // so colliding buckets never hand out another pair's partner.
    int pairs = 0;
    for (uint32_t c = 0; c < 0x10000; ++c) {
        uint32_t lower = UnicodeToLower(c);
        if (lower == c) continue;
        ++pairs;
        ASSERT_EQ(UnicodeToUpper(lower), c) << std::hex << c;
    }
    EXPECT_EQ(pairs, kCasePairCount);
}
