#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Common/Ref.h"
#include "Common/exceptions.h"
#include "Common/String.h"
#include "Universal/TextEncodingUtil.h"

namespace {

constexpr uint32_t kLatin1 = 0x201;
constexpr uint32_t kShiftJIS = 0xA01;

using Encoding = rt::Ref<RuntimeObject>;

Encoding property(const char* name) {
    int32_t number = EncodingsPropertyNumber(name);
    EXPECT_NE(number, 0) << name;
    return Encoding::adopt(EncodingsGetter(nullptr, number));
}

rt::String convert(std::string_view text, uint32_t from, uint32_t to) {
    rt::String source = rt::String::fromBytes(text, from);
    return rt::String::adopt(TextEncodingConvert(source.get(), from, to));
}

// Every encoding is made before the first test (tests/support/TestMain.cpp),
// so the ones these tests ask for count as no leak.
using TextEncodingTest = testing::Test;

} // namespace

TEST_F(TextEncodingTest, PropertiesNameTheirEncodingsInOrder) {
    const struct {
        const char* name;
        int32_t number, base, format;
        uint32_t code;
    } rows[] = {
        {"UTF8", 1, 0x100, 2, kEncodingUTF8},   {"UTF16", 2, 0x100, 0, kEncodingUTF16},
        {"UCS4", 3, 0x100, 3, kEncodingUTF32},  {"MacRoman", 4, 0, 0, 0},
        {"MacGaelic", 42, 40, 0, 40},           {"ISOLatin1", 43, 0x201, 0, 0x201},
        {"ISOLatin9", 55, 0x20F, 0, 0x20F},     {"DOSLatinUS", 56, 0x400, 0, 0x400},
        {"DOSChineseTrad", 76, 0x423, 0, 0x423}, {"WindowsLatin1", 77, 0x500, 0, 0x500},
        {"WindowsANSI", 78, 0x500, 0, 0x500},   {"WindowsKoreanJohab", 87, 0x510, 0, 0x510},
        {"ASCII", 88, 0x600, 0, 0x600},         {"KOI8_R", 90, 0xA02, 0, 0xA02},
        {"MacRomanLatin1", 91, 0xA04, 0, 0xA04}, {"SystemDefault", 92, 0x100, 2, kEncodingUTF8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EncodingsPropertyNumber(row.name), row.number);
        Encoding encoding = Encoding::adopt(EncodingsGetter(nullptr, row.number));
        ASSERT_TRUE(encoding);
        EXPECT_EQ(textEncodingBaseGetter(encoding.get()), row.base);
        EXPECT_EQ(textEncodingVariantGetter(encoding.get()), 0);
        EXPECT_EQ(textEncodingFormatGetter(encoding.get()), row.format);
        EXPECT_EQ(TextEncodingCode(encoding.get()), row.code);
    }
    for (int32_t number : {0, -1, 93}) EXPECT_EQ(EncodingsGetter(nullptr, number), nullptr) << number;
}

TEST_F(TextEncodingTest, OneObjectPerCode) {
    Encoding first = Encoding::adopt(EncodingsGetFromCode(nullptr, 0x201));
    Encoding second = Encoding::adopt(EncodingsGetFromCode(nullptr, 0x201));
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(property("WindowsLatin1").get(), property("WindowsANSI").get());
    EXPECT_EQ(property("UTF8").get(), property("SystemDefault").get());
    EXPECT_EQ(EncodingsGetFromCode(nullptr, kEncodingUnknown), nullptr);
    Encoding utf8 = Encoding::adopt(EncodingsGetFromCode(nullptr, kEncodingUTF8));
    EXPECT_EQ(textEncodingFormatGetter(utf8.get()), 2);
}

TEST_F(TextEncodingTest, InternetNames) {
    const std::pair<const char*, const char*> rows[] = {
        {"ISOLatin1", ""},        {"UTF8", "UTF-8"},       {"UTF16", "UTF-16"},         {"UCS4", "UCS-4"},
        {"MacRoman", "macintosh"}, {"MacJapanese", "X-MAC-JAPANESE"}, {"WindowsLatin1", "windows-1252"},
        {"ASCII", "US-ASCII"},    {"ShiftJIS", "Shift_JIS"}, {"KOI8_R", ""},
    };
    for (const auto& [name, internetName] : rows) {
        SCOPED_TRACE(name);
        rt::String text = rt::String::adopt(textEncodingInternetName(property(name).get()));
        EXPECT_EQ(text.str(), internetName);
        if (!text.empty()) {
            EXPECT_EQ(text.encoding(), kEncodingASCII);
        }
    }
}

TEST_F(TextEncodingTest, NilEncodingRaisesOnItsFields) {
    EXPECT_THROW(textEncodingBaseGetter(nullptr), rt::RaisedException);
    EXPECT_THROW(rt::String::adopt(textEncodingInternetName(nullptr)), rt::RaisedException);
    EXPECT_THROW(rt::String::adopt(TextEncodingChr(nullptr, 65)), rt::RaisedException);
}

TEST_F(TextEncodingTest, EqualityByObjectOrCode) {
    Encoding ascii = property("ASCII"), utf8 = property("UTF8");
    EXPECT_TRUE(TextEncodingEquals(ascii.get(), ascii.get()));
    EXPECT_TRUE(TextEncodingEquals(nullptr, nullptr));
    EXPECT_FALSE(TextEncodingEquals(ascii.get(), nullptr));
    EXPECT_FALSE(TextEncodingEquals(nullptr, utf8.get()));
    EXPECT_FALSE(TextEncodingEquals(ascii.get(), utf8.get()));
}

TEST_F(TextEncodingTest, CharacterOfAnEncoding) {
    uint32_t four = 0x1F600;
    const struct {
        const char* encoding;
        uint32_t codePoint;
        std::string expected;
    } rows[] = {
        {"MacRoman", 0x41, "A"},
        {"ShiftJIS", 0x82A0, "\x82\xA0"},
        {"ASCII", 0, std::string(1, '\0')},
        {"ASCII", 0x01020304, "\x01\x02\x03\x04"},
        {"UTF8", 0xE9, "\xC3\xA9"},
        {"UTF8", 0x1F600, "\xF0\x9F\x98\x80"},
        {"UTF16", 0x41, std::string("A\0", 2)},
        {"UCS4", four, std::string(reinterpret_cast<const char*>(&four), 4)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.encoding << " " << std::hex << row.codePoint);
        Encoding encoding = property(row.encoding);
        rt::String text = rt::String::adopt(TextEncodingChr(encoding.get(), row.codePoint));
        EXPECT_EQ(text.str(), row.expected);
        EXPECT_EQ(text.encoding(), TextEncodingCode(encoding.get()));
    }
}

TEST_F(TextEncodingTest, ConvertsThroughIconvSubstitutingInvalidInput) {
    const struct {
        const char* name;
        std::string text;
        uint32_t from, to;
        std::string expected;
    } rows[] = {
        {"Latin-1 to UTF-8", "\xE9", kLatin1, kEncodingUTF8, "\xC3\xA9"},
        {"invalid UTF-8 byte", "a\xFF" "b", kEncodingUTF8, kLatin1, "a?b"},
        {"incomplete sequence at the last byte", "ab\xC3", kEncodingUTF8, kLatin1, "ab?"},
        {"invalid last byte", "ab\xFF", kEncodingUTF8, kLatin1, "ab?"},
        {"only an invalid byte", "\xFF", kEncodingUTF8, kLatin1, "?"},
        {"wide target gets a wide ?", "a\xFF", kEncodingUTF8, kEncodingUTF16, std::string("a\0?\0", 4)},
        {"unrepresentable, byte by byte", "\xC3\xA9", kEncodingUTF8, kEncodingASCII, "??"},
        {"stateful target returns to ASCII", "\xE3\x81\x82", kEncodingUTF8, 0x820, "\x1B$B$\"\x1B(B"},
        {"UTF-16 to Shift JIS", std::string("\x42\x30", 2), kEncodingUTF16, kShiftJIS, "\x82\xA0"},
        {"long text outgrows nothing", std::string(1000, 'x'), kEncodingUTF8, kEncodingUTF16,
         [] {
             std::string wide;
             for (int i = 0; i < 1000; ++i) wide += std::string("x\0", 2);
             return wide;
         }()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        rt::String converted = convert(row.text, row.from, row.to);
        EXPECT_EQ(converted.str(), row.expected);
        EXPECT_EQ(converted.encoding(), row.to);
    }
}

TEST_F(TextEncodingTest, WithoutAConverterTheSourceComesBackUnchanged) {
    for (uint32_t from : {1u, 0xA02u}) {
        SCOPED_TRACE(from);
        rt::String source = rt::String::fromBytes("\x82\xA0", from);
        RTString result = TextEncodingConvert(source.get(), from, kEncodingUTF8);
        EXPECT_EQ(result, source.get());
        EXPECT_EQ(source.encoding(), from);
        RuntimeUnlockString(result);
    }
    EXPECT_STREQ(TextEncodingConverterName(kEncodingUnknown), "UTF8");
    EXPECT_EQ(TextEncodingConverterName(0xA02), nullptr);
}

TEST_F(TextEncodingTest, TextConverterObjects) {
    Encoding latin = property("ISOLatin1"), utf8 = property("UTF8");
    EXPECT_EQ(getTextConverter(latin.get(), nullptr), nullptr);
    EXPECT_EQ(getTextConverter(nullptr, utf8.get()), nullptr);
    EXPECT_THROW(rt::String::adopt(textConverterConvert(nullptr, nullptr)), rt::RaisedException);

    auto converter = rt::Ref<RuntimeObject>::adopt(getTextConverter(latin.get(), utf8.get()));
    // The converter's source code counts, not the string's label.
    rt::String labelledASCII = rt::String::fromBytes("\xE9", kEncodingASCII);
    rt::String converted = rt::String::adopt(textConverterConvert(converter.get(), labelledASCII.get()));
    EXPECT_EQ(converted.str(), "\xC3\xA9");
    EXPECT_EQ(converted.encoding(), kEncodingUTF8);
    textConverterClear(converter.get());

    auto same = rt::Ref<RuntimeObject>::adopt(getTextConverter(utf8.get(), utf8.get()));
    rt::String text("abc");
    RTString shared = textConverterConvert(same.get(), text.get());
    EXPECT_EQ(shared, text.get());
    RuntimeUnlockString(shared);
    rt::String relabelled = rt::String::adopt(textConverterConvert(same.get(), labelledASCII.get()));
    EXPECT_EQ(relabelled.str(), "\xE9");
    EXPECT_EQ(relabelled.encoding(), kEncodingUTF8);
}

TEST_F(TextEncodingTest, StringEncodingEntryPoints) {
    rt::String text("abc");
    Encoding ascii = Encoding::adopt(StringGetEncoding(nullptr));
    EXPECT_EQ(TextEncodingCode(ascii.get()), kEncodingASCII);
    EXPECT_EQ(TextEncodingCode(Encoding::adopt(StringGetEncoding(text.get())).get()), kEncodingUTF8);
    rt::String unknown = rt::String::fromBytes("x", kEncodingUnknown);
    EXPECT_EQ(StringGetEncoding(unknown.get()), nullptr);

    Encoding utf8 = property("UTF8"), latin = property("ISOLatin1");
    RTString same = StringSetEncoding(text.get(), utf8.get());
    EXPECT_EQ(same, text.get());
    RuntimeUnlockString(same);
    rt::String relabelled = rt::String::adopt(StringSetEncoding(text.get(), latin.get()));
    EXPECT_NE(relabelled.get(), text.get());
    EXPECT_EQ(relabelled.encoding(), 0x201u);
    EXPECT_EQ(rt::String::adopt(StringSetEncoding(text.get(), nullptr)).encoding(), kEncodingUnknown);
    EXPECT_EQ(StringSetEncoding(nullptr, latin.get()), nullptr);

    rt::String e = rt::String("\xC3\xA9");
    rt::String converted = rt::String::adopt(StringConvertEncoding(e.get(), latin.get()));
    EXPECT_EQ(converted.str(), "\xE9");
    RTString unchanged = StringConvertEncoding(e.get(), nullptr);
    EXPECT_EQ(unchanged, e.get());
    RuntimeUnlockString(unchanged);
    EXPECT_EQ(StringConvertEncoding(nullptr, latin.get()), nullptr);
}
