#include <gtest/gtest.h>

#include <string>

#include "Common/String.h"
#include "Universal/StringSearch.h"
#include "Universal/StringUtils.h"
#include "Universal/TextEncodingUtil.h"

namespace {

rt::String bytes(std::string_view s, uint32_t encoding) { return rt::String::fromBytes(s, encoding); }

rt::String utf16(std::u16string_view text) {
    return rt::String::fromBytes({reinterpret_cast<const char*>(text.data()), 2 * text.size()}, kEncodingUTF16);
}

} // namespace

TEST(StringInStr, FindsIgnoringCase) {
    struct Row { int32_t start; const char* source; const char* find; int32_t expected; };
    const Row rows[] = {
        {1, "FILE.ZIP", ".zip", 5}, {1, "FILE.ZIP", "", 1},     {9, "FILE.ZIP", "z", 0},
        {7, "FILE.ZIP", "", 7},     {1, "", "a", 0},            {0, "abcabc", "C", 3},
        {4, "abcabc", "c", 6},      {-5, "abc", "a", 1},        {1, "abc", "abcd", 0},
        {3, "abc", "c", 3},         {4, "abc", "c", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.source) + "/" + row.find);
        rt::String source(row.source), find(row.find);
        EXPECT_EQ(StringInStr(row.start, source.get(), find.get()), row.expected);
    }
}

TEST(StringInStr, CountsUtf8CharactersAndFoldsCodePoints) {
    rt::String source("\xC3\xA9t\xC3\xA9 \xC3\x89T\xC3\x89");  // "été ÉTÉ"
    EXPECT_EQ(StringInStr(1, source.get(), rt::String("\xC3\xA9t\xC3\xA9").get()), 1);
    EXPECT_EQ(StringInStr(2, source.get(), rt::String("\xC3\xA9t\xC3\xA9").get()), 5);
    EXPECT_EQ(StringInStr(1, source.get(), rt::String(" ").get()), 4);
    EXPECT_EQ(StringInStr(1, source.get(), rt::String("T\xC3\x89").get()), 2);
    // An ASCII find in UTF-8 text combines without conversion.
    EXPECT_EQ(StringInStr(1, source.get(), bytes("t", kEncodingASCII).get()), 2);
    // Fullwidth letters fold too.
    EXPECT_EQ(StringInStr(1, rt::String("x\xEF\xBD\x9A").get(), rt::String("\xEF\xBC\xBA").get()), 2);
}

TEST(StringInStr, SearchesUtf16ByUnitsAndConvertsTheFind) {
    rt::String source = utf16(u"r\u00E9sum\u00E9 FILE");
    EXPECT_EQ(StringInStr(1, source.get(), utf16(u"\u00C9").get()), 2);
    EXPECT_EQ(StringInStr(3, source.get(), utf16(u"\u00C9").get()), 6);
    // The ASCII find goes through the converter, not a relabel of its bytes.
    EXPECT_EQ(StringInStr(1, source.get(), bytes("file", kEncodingASCII).get()), 8);
    // A UTF-8 find brings both to UTF-8: positions count its characters.
    EXPECT_EQ(StringInStr(1, source.get(), rt::String("SUM\xC3\x89").get()), 3);
}

TEST(StringInStr, ComparesOtherTextByByteTable) {
    rt::String latin = bytes("caf\xE9 CAF\xC9", 0x201);
    EXPECT_EQ(StringInStr(1, latin.get(), bytes("CAF", 0x201).get()), 1);
    EXPECT_EQ(StringInStr(2, latin.get(), bytes("caf", 0x201).get()), 6);
    // Bytes above 0x7F have no case partner in single-byte text.
    EXPECT_EQ(StringInStr(1, latin.get(), bytes("\xC9", 0x201).get()), 9);
    rt::String unknown = bytes("README.TXT", kEncodingUnknown);
    EXPECT_EQ(StringInStr(1, unknown.get(), rt::String("readme").get()), 1);
}

TEST(ExactByteSearch, AgreesBetweenShortAndLongSearches) {
    std::string text(200, 'a');
    text += "abcdeXabcdef";
    struct Row { std::string pattern; int64_t start; int64_t expected; };
    const Row rows[] = {
        {"abcdef", 0, 206}, {"abcde", 0, 200},  {"abcde", 201, 206}, {"abcd", 0, 200},
        {"aaaaa", 0, 0},    {"aaaaa", 196, 196}, {"aaaaa", 197, -1}, {"", 5, 5},
        {"x", 0, -1},       {"f", -4, 211},      {"f", 212, -1},     {"abcdefg", 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern + " from " + std::to_string(row.start));
        EXPECT_EQ(ExactByteSearch(text, row.pattern, row.start).begin, row.expected);
    }
}

TEST(StringInStrB, SearchesExactBytes) {
    rt::String source("FILE.ZIP.zip");
    EXPECT_EQ(StringInStrB(1, source.get(), rt::String(".zip").get()), 9);
    EXPECT_EQ(StringExtendsInStrB(source.get(), 1, rt::String(".ZIP").get()), 5);
    EXPECT_EQ(StringExtendsInStr(source.get(), 6, rt::String(".ZIP").get()), 9);
    EXPECT_EQ(StringInStrB(13, source.get(), rt::String("p").get()), 0);
}

TEST(StringInStr, KeepsCharactersBeyondTheBasicPlaneApart) {
    // U+10061 shares its low 16 bits with "a" but is no case partner of "A".
    rt::String source("\xF0\x90\x81\xA1" "a");
    EXPECT_EQ(StringInStr(1, source.get(), rt::String("A").get()), 2);
    EXPECT_EQ(StringInStr(1, source.get(), rt::String("\xF0\x90\x81\xA1").get()), 1);
}

// Broken UTF-8 and ASCII-labelled bytes above 127: the position InStr gives is
// the one Mid and Left take, so the text found is the text cut out there.
TEST(StringInStr, PositionsAreTheCharactersMidAndLeftCount) {
    struct Row {
        const char* name;
        std::string source;
        uint32_t sourceCode;
        std::string find;
        int32_t start, expected;
        std::string atPosition;  // Mid(source, position, Len(find)), bytes
    };
    const Row rows[] = {
        {"stray continuation is no candidate", "a\x80" "b\x80" "b", kEncodingUTF8, "\x80" "b", 1, 0, ""},
        {"broken lead matches only its bytes", "x\xC3(\xC3(", kEncodingUTF8, "\xC3(", 2, 2, "\xC3("},
        {"broken byte is not a Latin-1 letter", "\xC2\xA9\xA9", kEncodingUTF8, "\xA9", 1, 0, ""},
        {"leading continuations are one character", "\x80\x80" "ab", kEncodingUTF8, "b", 1, 3, "b"},
        {"start skips the leading run as one", "\x80\x80" "abab", kEncodingUTF8, "ab", 3, 4, "ab"},
        {"over-long form is not the short one", "a\xC0\xAF" "b/", kEncodingUTF8, "/", 1, 4, "/"},
        {"over-long letter is not the letter", "\xC1\xA6" "f", kEncodingUTF8, "F", 1, 2, "f"},
        {"extra continuation joins its lead", "\xE9\x80\x80\xA0z", kEncodingUTF8, "z", 1, 2, "z"},
        {"letter with a trailing continuation is no candidate", "x\x80" "Xy", kEncodingUTF8, "xy", 1, 2, "Xy"},
        {"ASCII bytes above 127 count one each", "\xC3\xA9x", kEncodingASCII, "x", 1, 3, "x"},
        {"ASCII start counts bytes", "\xC3\xA9x\xC3\xA9x", kEncodingASCII, "X", 4, 6, "x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        rt::String source = bytes(row.source, row.sourceCode), find(row.find);
        const int32_t at = StringInStr(row.start, source.get(), find.get());
        EXPECT_EQ(at, row.expected);
        if (at == 0) continue;
        rt::String there = rt::String::adopt(StringDBCSMid3(source.get(), at, StringDBCSLen(find.get())));
        EXPECT_EQ(there.bytes(), row.atPosition);
        // Left of the characters before the position ends where the found text begins.
        rt::String before = rt::String::adopt(StringDBCSLeft(source.get(), at - 1));
        EXPECT_EQ(source.bytes().substr(before.length(), there.length()), row.atPosition);
    }
}
