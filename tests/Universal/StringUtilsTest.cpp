#include <gtest/gtest.h>

#include <string>

#include "Common/String.h"
#include "Universal/StringUtils.h"

namespace {

rt::String bytes(std::string_view s, uint32_t encoding) { return rt::String::fromBytes(s, encoding); }
std::string take(RTString s) { return rt::String::adopt(s).str(); }

} // namespace

TEST(BytePart, TakesLeftRightAndMiddleBytes) {
    rt::String s = bytes("abcdef", kEncodingASCII);
    struct Row { RTString result; const char* expected; };
    const Row rows[] = {
        {StringLeft(s.get(), 2), "ab"},      {StringLeft(s.get(), 0), ""},      {StringLeft(s.get(), -3), ""},
        {StringRight(s.get(), 2), "ef"},     {StringRight(s.get(), 99), "abcdef"},
        {StringMid2(s.get(), 3), "cdef"},    {StringMid2(s.get(), -5), "abcdef"}, {StringMid2(s.get(), 7), ""},
        {StringMid3(s.get(), 5, 10), "ef"},  {StringMid3(s.get(), 0, 3), "ab"},  {StringMid3(s.get(), -1, 3), "a"},
        {StringMid3(s.get(), 2, 0), ""},     {StringMid3(s.get(), 7, 1), ""},
        {StringMid3(s.get(), 2, 2147483647), "bcdef"}, {StringMid3(s.get(), -2147483647 - 1, 5), ""},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(take(rows[i].result), rows[i].expected);
    }
    EXPECT_EQ(StringLen(s.get()), 6);
    EXPECT_EQ(StringLen(nullptr), 0);
    EXPECT_EQ(StringLeft(nullptr, 3), nullptr);
}

TEST(BytePart, SharesAWholeResultAndKeepsTheEncoding) {
    rt::String s = bytes("abc", kEncodingUnknown);
    rt::String whole = rt::String::adopt(StringMid3(s.get(), 1, 3));
    EXPECT_EQ(whole.get(), s.get());
    rt::String left = rt::String::adopt(StringLeft(s.get(), 100));
    EXPECT_EQ(left.get(), s.get());
    rt::String part = rt::String::adopt(StringRight(s.get(), 1));
    EXPECT_EQ(part.encoding(), kEncodingUnknown);
}

TEST(CharacterPart, CountsUtf8Characters) {
    // a, e-acute (2 bytes), euro sign (3 bytes), G clef (4 bytes), z
    rt::String s("a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9Ez");
    EXPECT_EQ(StringDBCSLen(s.get()), 5);
    EXPECT_EQ(StringLen(s.get()), 11);
    struct Row { RTString result; const char* expected; };
    const Row rows[] = {
        {StringDBCSLeft(s.get(), 2), "a\xC3\xA9"},
        {StringDBCSLeft(s.get(), 9), "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9Ez"},
        {StringDBCSRight(s.get(), 2), "\xF0\x9D\x84\x9Ez"},
        {StringDBCSRight(s.get(), 9), "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9Ez"},
        {StringDBCSMid2(s.get(), 3), "\xE2\x82\xAC\xF0\x9D\x84\x9Ez"},
        {StringDBCSMid2(s.get(), 0), "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9Ez"},
        {StringDBCSMid2(s.get(), 6), ""},
        {StringDBCSMid3(s.get(), 0, 3), "a\xC3\xA9"},
        {StringDBCSMid3(s.get(), 2, 2), "\xC3\xA9\xE2\x82\xAC"},
        {StringDBCSMid3(s.get(), 5, 4), "z"},
        {StringDBCSMid3(s.get(), 6, 1), ""},
        {StringDBCSLeft(s.get(), 0), ""},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        rt::String r = rt::String::adopt(rows[i].result);
        EXPECT_EQ(r.str(), rows[i].expected);
        if (!r.empty()) {
            EXPECT_EQ(r.encoding(), kEncodingUTF8);
        }
    }
    EXPECT_EQ(StringDBCSLen(rt::String("\xC3\xA9").get()), 1);
}

TEST(CharacterPart, CountsUtf16UnitsAndOtherBytes) {
    rt::String wide = bytes(std::string("a\0b\0c\0", 6), kEncodingUTF16);
    EXPECT_EQ(StringDBCSLen(wide.get()), 3);
    EXPECT_EQ(take(StringDBCSMid3(wide.get(), 2, 1)), std::string("b\0", 2));
    EXPECT_EQ(take(StringDBCSRight(wide.get(), 1)), std::string("c\0", 2));
    EXPECT_EQ(take(StringDBCSMid2(wide.get(), 3)), std::string("c\0", 2));
    EXPECT_EQ(take(StringDBCSLeft(wide.get(), 2147483647)), std::string("a\0b\0c\0", 6));
    EXPECT_EQ(StringDBCSAsc(wide.get()), 'a');
    rt::String latin = bytes("\xE9t\xE9", 0x201);
    EXPECT_EQ(StringDBCSLen(latin.get()), 3);
    EXPECT_EQ(take(StringDBCSMid3(latin.get(), 2, 1)), "t");
}

TEST(CharacterCode, ReadsAndMakesCharacters) {
    EXPECT_EQ(StringAsc(nullptr), 0);
    EXPECT_EQ(StringAsc(rt::String("\xC3\xA9").get()), 0xC3);
    EXPECT_EQ(StringDBCSAsc(rt::String("\xE2\x82\xAC!").get()), 0x20AC);
    EXPECT_EQ(StringDBCSAsc(rt::String("\xE2\x82").get()), 0xE2);  // cut-off sequence
    struct Row { RTString s; std::string bytes; uint32_t encoding; };
    const Row rows[] = {
        {StringDBCSChr(1), "\x01", kEncodingASCII},       {StringDBCSChr(127), "\x7F", kEncodingASCII},
        {StringDBCSChr(200), "\xC8", kEncodingUnknown},   {StringDBCSChr(0x4142), "AB", kEncodingUnknown},
        {StringDBCSChr(-1), "\xFF\xFF", kEncodingUnknown}, {StringChr(65), "A", kEncodingASCII},
        {StringChr(233), "\xE9", kEncodingUnknown},       {StringChr(0), std::string(1, '\0'), kEncodingASCII},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        rt::String s = rt::String::adopt(rows[i].s);
        EXPECT_EQ(s.str(), rows[i].bytes);
        EXPECT_EQ(s.encoding(), rows[i].encoding);
    }
}
