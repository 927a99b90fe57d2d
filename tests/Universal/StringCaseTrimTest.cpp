#include <gtest/gtest.h>

#include <string>

#include "Universal/BackslashEscape.h"
#include "Common/String.h"
#include "Universal/StringCase.h"
#include "Universal/StringTrim.h"
#include "Universal/StringUtils.h"

namespace {

rt::String bytes(std::string_view s, uint32_t encoding) { return rt::String::fromBytes(s, encoding); }

rt::String utf16(std::u16string_view text) {
    return rt::String::fromBytes({reinterpret_cast<const char*>(text.data()), 2 * text.size()}, kEncodingUTF16);
}

} // namespace

TEST(RunTrim, CutsTheWhiteSpaceOfEachEncoding) {
    struct Row { rt::String input; std::string expected; uint32_t code; };
    const Row rows[] = {
        {rt::String(" \t\r\n "), "", kEncodingASCII},
        {rt::String("\xC2\xA0 x y\xE3\x80\x80"), "x y", kEncodingUTF8},
        {bytes("\xA0x\xA0", kEncodingASCII), "\xA0x\xA0", kEncodingASCII},
        {bytes(" \xA0x ", kEncodingUnknown), "\xA0x", kEncodingUnknown},
        {bytes("\xA0 x\xA0", 0x201), "x", 0x201},  // Latin-1 no-break space, through UTF-16
        {utf16(u"\u2003a b\u00A0"), std::string("a\0 \0b\0", 6), kEncodingUTF16},
        {rt::String("x\xE2\x80"), "x\xE2\x80", kEncodingUTF8},  // a cut-off tail is kept
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        rt::String trimmed = rt::String::adopt(runTrim(rows[i].input.get()));
        EXPECT_EQ(trimmed.str(), rows[i].expected);
        if (!trimmed.empty()) {
            EXPECT_EQ(trimmed.encoding(), rows[i].code);
        }
    }
}

TEST(RunTrim, TrimsOneSideAndSharesUntrimmedText) {
    rt::String padded("  a  ");
    EXPECT_EQ(rt::String::adopt(runLTrim(padded.get())).str(), "a  ");
    EXPECT_EQ(rt::String::adopt(runRTrim(padded.get())).str(), "  a");
    rt::String tight("a b");
    EXPECT_EQ(rt::String::adopt(runTrim(tight.get())).get(), tight.get());
    rt::String latin = bytes("a b", 0x201);
    EXPECT_EQ(rt::String::adopt(runTrim(latin.get())).get(), latin.get());
}

TEST(StringCase, MapsByEncoding) {
    EXPECT_EQ(rt::String::adopt(StringUCase(rt::String("\xC3\xA9t\xC3\xA9 abc").get())).str(), "\xC3\x89T\xC3\x89 ABC");
    EXPECT_EQ(rt::String::adopt(StringLCase(rt::String("\xC3\x89T\xC3\x89").get())).str(), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(rt::String::adopt(StringUCase(bytes("caf\xE9", 0x201).get())).str(), "CAF\xE9");
    EXPECT_EQ(rt::String::adopt(StringUCase(utf16(u"\u00E9a").get())).str(), std::string("\xC9\0A\0", 4));
    EXPECT_EQ(rt::String::adopt(StringTitleCase(rt::String("hELLO  wORLD \xC3\xA9t\xC3\x89").get())).str(),
              "Hello  World \xC3\x89t\xC3\xA9");
    rt::String upper("ABC");
    EXPECT_EQ(rt::String::adopt(StringUCase(upper.get())).get(), upper.get());
}

TEST(StringStrCompare, ComparesWithCase) {
    struct Row { rt::String a, b; int32_t mode, expected; };
    const Row rows[] = {
        {rt::String("abc"), rt::String("ABC"), 0, 1},  {rt::String("abc"), rt::String("abc"), 1, 0},
        {rt::String("ab"), rt::String("abc"), 0, -1},  {rt::String("\xC3\xA9"), rt::String("z"), 1, 1},
        {rt::String(""), rt::String("a"), 1, -1},      {bytes(std::string("a\0b", 3), 0x201), bytes(std::string("a\0c", 3), 0x201), 1, -1},
        {utf16(u"\u00E9"), rt::String("\xC3\xA9"), 1, 0},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(StringStrCompare(rows[i].a.get(), rows[i].b.get(), rows[i].mode), rows[i].expected);
    }
}

TEST(BackslashEscape, RoundTripsEveryByte) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += char(c);
    rt::String source = bytes(all, kEncodingUnknown);
    rt::String encoded = rt::String::adopt(EncodeBackslashEscapeString(source.get()));
    EXPECT_EQ(encoded.str().find('\n'), std::string::npos);
    rt::String decoded = rt::String::adopt(DecodeBackslashEscapeString(encoded.get()));
    EXPECT_EQ(decoded.str(), all);
    EXPECT_EQ(decoded.encoding(), kEncodingUnknown);
    EXPECT_EQ(rt::String::adopt(EncodeBackslashEscapeString(rt::String("a\"b\\\n").get())).str(), "a\\\"b\\\\\\n");
    EXPECT_EQ(rt::String::adopt(DecodeBackslashEscapeString(rt::String("\\q\\x4g\\x41\\").get())).str(), "qx4gA\\");
}

TEST(StringCase, LeavesCharactersBeyondTheBasicPlaneAsTheyAre) {
    rt::String s("\xF0\x90\x81\xA1z");  // U+10061, z
    EXPECT_EQ(rt::String::adopt(StringUCase(s.get())).str(), "\xF0\x90\x81\xA1Z");
}
