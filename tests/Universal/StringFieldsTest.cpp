#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/array.h"
#include "Common/String.h"
#include "Universal/StringFields.h"
#include "Common/StringFunctions.h"

namespace {

rt::String bytes(std::string_view s, uint32_t encoding) { return rt::String::fromBytes(s, encoding); }

rt::String utf16(std::u16string_view text) {
    return rt::String::fromBytes({reinterpret_cast<const char*>(text.data()), 2 * text.size()}, kEncodingUTF16);
}

/// Takes over a String array and gives its elements' bytes and codes.
struct Elements {
    std::vector<std::string> text;
    std::vector<uint32_t> codes;
};

Elements take(RuntimeArray* array) {
    Elements out;
    auto* elements = reinterpret_cast<RTString*>(array->elements);
    for (int32_t i = 0; i <= RuntimeUBound(array); ++i) {
        out.text.emplace_back(StringBytes(elements[i]), StringLength(elements[i]));
        out.codes.push_back(StringEncodingCode(elements[i]));
    }
    RuntimeUnlockArray(array);
    return out;
}

using Texts = std::vector<std::string>;

} // namespace

TEST(StringSplit, KeepsEmptyRunsAndFoldsCasedDelimiters) {
    int64_t arrays = RuntimeLiveArrayCount();
    struct Row { const char* source; const char* delimiter; Texts expected; };
    const Row rows[] = {
        {"a,,b", ",", {"a", "", "b"}},       {",a,", ",", {"", "a", ""}},      {"", ",", {}},
        {"1x2X3", "x", {"1", "2", "3"}},     {"aXYbxyc", "xy", {"a", "b", "c"}}, {"abc", ";", {"abc"}},
        {"a::b:::c", "::", {"a", "b", ":c"}}, {",", ",", {"", ""}},
        {"\xC3\xA9t\xC3\x89", "\xC3\xA9", {"", "t", ""}},
        {"a\xC3\xA9" "b", "", {"a", "\xC3\xA9", "b"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.source) + " on " + row.delimiter);
        Elements got = take(StringSplit(rt::String(row.source).get(), rt::String(row.delimiter).get()));
        EXPECT_EQ(got.text, row.expected);
        for (uint32_t code : got.codes) {
            if (code != kEncodingASCII) {  // the empty element reads as ASCII
                EXPECT_EQ(code, kEncodingUTF8);
            }
        }
        EXPECT_EQ(StringCountFields(rt::String(row.source).get(), rt::String(row.delimiter).get()),
                  int32_t(row.expected.size()));
    }
    EXPECT_EQ(RuntimeLiveArrayCount(), arrays);
}

TEST(StringSplit, ConvertsTheDelimiterToTheSourceEncoding) {
    Elements wide = take(StringSplit(utf16(u"a;b\u00E9;c").get(), bytes(";", kEncodingASCII).get()));
    ASSERT_EQ(wide.text.size(), 3u);
    EXPECT_EQ(wide.text[1], std::string("b\0\xE9\0", 4));
    EXPECT_EQ(wide.codes[1], kEncodingUTF16);
    // Splitting wide text into characters never cuts a unit in half.
    EXPECT_EQ(take(StringSplit(utf16(u"ab").get(), nullptr)).text, (Texts{std::string("a\0", 2), std::string("b\0", 2)}));
    Elements latin = take(StringSplit(bytes("x\xE9y\xE9z", 0x201).get(), rt::String("\xC3\xA9").get()));
    EXPECT_EQ(latin.text, (Texts{"x", "y", "z"}));
    EXPECT_EQ(latin.codes[0], 0x201u);
}

TEST(StringSplitB, SplitsOnExactBytes) {
    EXPECT_EQ(take(StringSplitB(rt::String("1x2X3").get(), rt::String("x").get())).text, (Texts{"1", "2X3"}));
    EXPECT_EQ(take(StringSplitB(rt::String("\xC3\xA9").get(), nullptr)).text, (Texts{"\xC3", "\xA9"}));
    EXPECT_EQ(StringCountFieldsB(rt::String("aXa").get(), rt::String("x").get()), 1);
}

TEST(StringNthField, PicksOneField) {
    rt::String source("one, two,,four"), comma(",");
    const std::pair<int32_t, const char*> rows[] = {{1, "one"}, {2, " two"}, {3, ""}, {4, "four"}, {5, ""}, {0, ""}, {-1, ""}};
    for (const auto& [n, expected] : rows) {
        SCOPED_TRACE(n);
        EXPECT_EQ(rt::String::adopt(StringNthField(source.get(), comma.get(), n)).str(), expected);
    }
    EXPECT_EQ(rt::String::adopt(StringNthFieldB(rt::String("aXbxc").get(), rt::String("x").get(), 2)).str(), "c");
    rt::String whole = rt::String::adopt(StringNthField(source.get(), rt::String(";").get(), 1));
    EXPECT_EQ(whole.get(), source.get());
}

TEST(StringJoin, JoinsAndCombinesEncodings) {
    int64_t arrays = RuntimeLiveArrayCount();
    RuntimeArray* array = StringSplit(rt::String("a,\xC3\xA9,,b").get(), rt::String(",").get());
    rt::String joined = rt::String::adopt(StringJoin(array, bytes("; ", kEncodingASCII).get()));
    EXPECT_EQ(joined.str(), "a; \xC3\xA9; ; b");
    EXPECT_EQ(joined.encoding(), kEncodingUTF8);
    RuntimeUnlockArray(array);

    // A UTF-8 separator between Latin-1 elements needs conversion: concatenation does it.
    RuntimeArray* latin = StringSplit(bytes("x\xE9y", 0x201).get(), bytes("\xE9", 0x201).get());
    rt::String mixed = rt::String::adopt(StringJoin(latin, rt::String("\xE2\x80\xA2").get()));
    EXPECT_EQ(mixed.str(), "x\xE2\x80\xA2y");
    EXPECT_EQ(mixed.encoding(), kEncodingUTF8);
    RuntimeUnlockArray(latin);

    RuntimeArray* empty = CreateArray(1, kArrayString, -1);
    EXPECT_EQ(StringJoin(empty, rt::String(",").get()), nullptr);
    RuntimeUnlockArray(empty);
    EXPECT_EQ(StringJoin(nullptr, rt::String(",").get()), nullptr);
    EXPECT_EQ(RuntimeLiveArrayCount(), arrays);
}

TEST(StringReplace, ReplacesFirstOrEveryOccurrence) {
    rt::String source("a.TXT b.txt"), find(".txt"), with(".log");
    EXPECT_EQ(rt::String::adopt(StringReplace(source.get(), find.get(), with.get())).str(), "a.log b.txt");
    EXPECT_EQ(rt::String::adopt(StringReplaceAll(source.get(), find.get(), with.get())).str(), "a.log b.log");
    EXPECT_EQ(rt::String::adopt(StringReplaceB(source.get(), find.get(), with.get())).str(), "a.TXT b.log");
    EXPECT_EQ(rt::String::adopt(StringReplaceAllB(source.get(), find.get(), nullptr)).str(), "a.TXT b");
    EXPECT_EQ(rt::String::adopt(StringReplaceAll(rt::String("aaa").get(), rt::String("aa").get(), rt::String("b").get())).str(), "ba");
    rt::String unchanged = rt::String::adopt(StringReplaceAll(source.get(), rt::String("zip").get(), with.get()));
    EXPECT_EQ(unchanged.get(), source.get());
    // Non-ASCII replacement text in ASCII source makes UTF-8, never mislabelled bytes.
    rt::String ascii = bytes("a-b", kEncodingASCII);
    rt::String out = rt::String::adopt(StringReplace(ascii.get(), bytes("-", kEncodingASCII).get(), rt::String("\xC3\xA9").get()));
    EXPECT_EQ(out.str(), "a\xC3\xA9" "b");
    EXPECT_EQ(out.encoding(), kEncodingUTF8);
}

TEST(StringFunctionsFacade, OwnsWhatTheEntryPointsReturn) {
    int64_t arrays = RuntimeLiveArrayCount();
    {
        std::vector<rt::String> pieces = rt::split(rt::String("a, b ,c"), rt::String(","));
        ASSERT_EQ(pieces.size(), 3u);
        EXPECT_EQ(rt::trim(pieces[1]).str(), "b");
        EXPECT_EQ(rt::mid(rt::String("\xC3\xA9t\xC3\xA9"), 2, 1).str(), "t");
        EXPECT_EQ(rt::format(1234.5, rt::String("#,##0.00")).str(), "1,234.50");
    }
    EXPECT_EQ(RuntimeLiveArrayCount(), arrays);
}

TEST(StringReplace, ConvertsAroundWideSource) {
    rt::String out = rt::String::adopt(
        StringReplaceAll(utf16(u"a;b").get(), bytes(";", kEncodingASCII).get(), bytes("--", kEncodingASCII).get()));
    EXPECT_EQ(out.encoding(), kEncodingUTF16);
    EXPECT_EQ(out.str(), std::string("a\0-\0-\0b\0", 8));
}
