#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/String.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/UTF8.h"
#include "Universal/UnicodeCase.h"
#include "Universal/VELQstring.h"

namespace {

constexpr uint32_t kLatin1 = 0x201;
constexpr uint32_t kMacJapanese = 1;  // no converter on this platform

rt::String bytes(std::string_view text, uint32_t encoding) { return rt::String::fromBytes(text, encoding); }

// The order of two UTF-8 texts taken one code point at a time, with no blocks.
int referenceOrder(std::string_view a, std::string_view b) {
    const auto* p = reinterpret_cast<const uint8_t*>(a.data());
    const auto* q = reinterpret_cast<const uint8_t*>(b.data());
    const uint8_t *endP = p + a.size(), *endQ = q + b.size();
    while (p < endP && q < endQ) {
        uint32_t x = UnicodeToUpper(DecodeUTF8(p, endP)), y = UnicodeToUpper(DecodeUTF8(q, endQ));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

TEST(StringRecord, LongTextKeepsItsLengthBeside255) {
    rt::String s = bytes(std::string(300, 'x'), kEncodingASCII);
    EXPECT_EQ(s.get()->length, 300u);
    EXPECT_EQ(s.get()->shortLength, 255);
    EXPECT_EQ(s.get()->bufferSize, 302u);
    EXPECT_EQ(s.get()->bytes()[300], '\0');
}

TEST(StringAdd, EmptySideSharesTheOtherString) {
    rt::String literal("OkFile.Txt");
    for (bool emptyFirst : {true, false}) {
        SCOPED_TRACE(emptyFirst);
        RTString sum = emptyFirst ? RuntimeAddString(nullptr, literal.get()) : RuntimeAddString(literal.get(), nullptr);
        EXPECT_EQ(sum, literal.get());
        EXPECT_EQ(literal.get()->refCount, 2u);
        RuntimeUnlockString(sum);
    }
    EXPECT_EQ(RuntimeAddString(nullptr, nullptr), nullptr);
}

TEST(StringAdd, JoinsBytesUnderTheCommonEncoding) {
    struct Row {
        const char* name;
        rt::String a, b;
        std::string expected;
        uint32_t encoding;
    };
    const Row rows[] = {
        {"same code", bytes("ab", kLatin1), bytes("\xE9", kLatin1), "ab\xE9", kLatin1},
        {"ASCII then UTF-8, no conversion", bytes("a\xFF", kEncodingASCII), rt::String("\xC3\xA9"),
         "a\xFF\xC3\xA9", kEncodingUTF8},
        {"ASCII with a single-byte code", bytes("a", kEncodingASCII), bytes("\xE9", kLatin1), "a\xE9", kLatin1},
        {"UTF-8 with unknown keeps both runs", rt::String("\xC3\xA9"), bytes("\xE9", kEncodingUnknown),
         "\xC3\xA9\xE9", kEncodingUnknown},
        {"Latin-1 with UTF-8 goes to UTF-8", bytes("\xE9", kLatin1), rt::String("\xC3\xBC"), "\xC3\xA9\xC3\xBC",
         kEncodingUTF8},
        {"UTF-16 with Latin-1 goes to UTF-16", bytes(std::string("A\0", 2), kEncodingUTF16), bytes("\xE9", kLatin1),
         std::string("A\0\xE9\0", 4), kEncodingUTF16},
        {"ASCII is converted to UTF-16", bytes("ab", kEncodingASCII), bytes(std::string("c\0", 2), kEncodingUTF16),
         std::string("a\0b\0c\0", 6), kEncodingUTF16},
        {"UTF-16 with UTF-8 goes to UTF-8", bytes(std::string("\xE9\0", 2), kEncodingUTF16), rt::String("x"),
         "\xC3\xA9x", kEncodingUTF8},
        {"no converter: joined as they stand", bytes("\x82\xA0", kMacJapanese), rt::String("\xC3\xA9"),
         "\x82\xA0\xC3\xA9", kEncodingUnknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string aBefore = row.a.str(), bBefore = row.b.str();
        uint32_t aCode = row.a.encoding(), bCode = row.b.encoding();
        rt::String sum = row.a + row.b;
        EXPECT_EQ(sum.str(), row.expected);
        EXPECT_EQ(sum.encoding(), row.encoding);
        EXPECT_NE(sum.get(), row.a.get());
        // The callers' values are never converted in place.
        EXPECT_EQ(row.a.str(), aBefore);
        EXPECT_EQ(row.b.str(), bBefore);
        EXPECT_EQ(row.a.encoding(), aCode);
        EXPECT_EQ(row.b.encoding(), bCode);
        RuntimeClearStringConversionCache();
        EXPECT_EQ(row.a.get()->refCount, 1u);
        EXPECT_EQ(row.b.get()->refCount, 1u);
    }
}

TEST(StringCompare, OrdersWithoutRegardToCase) {
    struct Row {
        const char* name;
        rt::String a, b;
        int expected;
    };
    const Row rows[] = {
        {"UTF-8 line equals the literal", rt::String("OKFILE.TXT"), rt::String("OkFile.Txt"), 0},
        {"equal prefix, fewer bytes first", rt::String("abc"), rt::String("ABCD"), -1},
        {"longer second", rt::String("ABCD"), rt::String("abc"), 1},
        {"UTF-8 folds beyond ASCII", rt::String("\xC3\x89" "COLE"), rt::String("\xC3\xA9" "cole"), 0},
        {"UTF-8 Cyrillic", rt::String("\xD0\x90"), rt::String("\xD0\xB1"), -1},
        {"UTF-8 by code point, not byte", rt::String("z"), rt::String("\xC3\xA9"), -1},
        {"UTF-8 fewer bytes after equal code points", rt::String("\xC3\xA9"), rt::String("\xC3\x89x"), -1},
        {"structure field against literal", bytes("OKFILE.TXT", kEncodingUnknown), rt::String("OkFile.Txt"), 0},
        {"bytes past a NUL count", bytes(std::string("a\0b", 3), kEncodingUnknown),
         bytes(std::string("a\0c", 3), kEncodingUnknown), -1},
        {"equal lengths fold to lower case", bytes("_", kEncodingASCII), bytes("a", kEncodingASCII), -1},
        {"other lengths fold to upper case", bytes("_x", kEncodingASCII), bytes("a", kEncodingASCII), 1},
        {"high bytes by value", bytes("\xE9", kLatin1), bytes("\xC9", kLatin1), 1},
        {"UTF-16 by unit", bytes(std::string("a\0b\0", 4), kEncodingUTF16),
         bytes(std::string("A\0B\0", 4), kEncodingUTF16), 0},
        {"UTF-16 fewer units first", bytes(std::string("a\0", 2), kEncodingUTF16),
         bytes(std::string("A\0B\0", 4), kEncodingUTF16), -1},
        {"Latin-1 against UTF-8 through UTF-8", bytes("\xC9", kLatin1), rt::String("\xC3\xA9"), 0},
        {"ASCII against UTF-8", bytes("ABC", kEncodingASCII), rt::String("abc"), 0},
        {"UTF-16 against Latin-1 through UTF-16", bytes(std::string("\xE9\0", 2), kEncodingUTF16),
         bytes("\xC9", kLatin1), 0},
        {"empty first", rt::String(), rt::String("a"), -1},
        {"empty second", rt::String("a"), rt::String(), 1},
        {"both empty", rt::String(), rt::String(), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(RuntimeStringCompare(row.a.get(), row.b.get()), row.expected);
    }
}

TEST(StringCompare, LongTextsDecideAtTheSamePlaceAsShortOnes) {
    // Long runs are compared in blocks; the block edges must not change the answer.
    std::string lower;
    for (int i = 0; i < 300; ++i) lower += char('a' + i % 26);
    std::string upper = lower;
    for (char& c : upper) c = char(c - 32);
    for (size_t at : {size_t(0), size_t(15), size_t(16), size_t(63), size_t(64), size_t(70), size_t(299)}) {
        SCOPED_TRACE(at);
        std::string changed = upper;
        changed[at] = '[';  // just after Z: above every letter once folded
        EXPECT_EQ(RuntimeStringCompare(rt::String(lower).get(), rt::String(changed).get()), -1);
        EXPECT_EQ(RuntimeStringCompare(rt::String(changed).get(), rt::String(lower).get()), 1);
        std::string accented = lower;
        accented.replace(at, 1, "\xC3\xA9");  // e acute folds to E acute, above every ASCII letter
        std::string accentedUpper = upper;
        accentedUpper.replace(at, 1, "\xC3\x89");
        EXPECT_EQ(RuntimeStringCompare(rt::String(accented).get(), rt::String(accentedUpper).get()), 0);
        EXPECT_EQ(RuntimeStringCompare(rt::String(accented).get(), rt::String(upper).get()), 1);
    }
    EXPECT_EQ(RuntimeStringCompare(rt::String(lower).get(), rt::String(upper).get()), 0);
    EXPECT_EQ(RuntimeStringCompare(rt::String(lower).get(), rt::String(upper + "A").get()), -1);
}

TEST(StringCompare, BlocksFoldEveryAsciiPairAsThePlainFoldDoes) {
    // The vector lanes fold by the 0x20 bit inside the letter range; a pair
    // just outside it ('@' and '`', '[' and '{') must still differ. Each pair
    // is tried in every lane of a 64-byte block that follows a passing first
    // 16 bytes, and the texts go on past the block.
    std::string base(96, 'k');
    for (int at = 16; at < 80; ++at) {
        SCOPED_TRACE(at);
        for (int a = 0; a < 128; ++a) {
            std::string left = base;
            left[size_t(at)] = char(a);
            rt::String leftText(left);
            for (int b = 0; b < 128; ++b) {
                std::string right = base;
                right[size_t(at)] = char(b);
                int got = RuntimeStringCompare(leftText.get(), rt::String(right).get());
                if (got != referenceOrder(left, right)) {
                    ADD_FAILURE() << "bytes " << a << " and " << b << " compare as " << got;
                    return;
                }
            }
        }
    }
}

TEST(StringCompare, BlocksResumeAfterEachNonAsciiCharacterWhereverItFalls) {
    // One character pair at every offset of a long text in the other case, a
    // second one 37 bytes on, and a last ASCII byte that may differ: the blocks
    // must neither pass a real difference nor cut a character in two.
    struct Row {
        const char* name;
        std::string_view a, b;
    };
    const Row rows[] = {
        {"the same accent", "\xC3\xA9", "\xC3\xA9"},
        {"an accent in the other case", "\xC3\xA9", "\xC3\x89"},
        {"different accents", "\xC3\xA9", "\xC3\xA8"},
        {"Cyrillic in the other case", "\xD0\xB4", "\xD0\x94"},
        {"a pair of different lengths", "\xC8\xBA", "\xE2\xB1\xA5"},
        {"a cut sequence against a whole one", "\xC3", "\xC3\x80"},
        {"a stray continuation byte", "\x80", "\xC2\x80"},
    };
    std::string lower;
    for (int i = 0; i < 150; ++i) lower += char('a' + i % 26);
    std::string upper = lower;
    for (char& c : upper) c = char(c - 32);
    for (const Row& row : rows) {
        for (size_t at = 0; at <= lower.size(); ++at) {
            for (bool lastDiffers : {false, true}) {
                std::string a = lower, b = upper;
                if (lastDiffers) b.back() = '[';
                for (size_t second : {at + 37, at}) {
                    if (second > a.size()) continue;
                    a.insert(second, row.a);
                    b.insert(second, row.b);
                }
                SCOPED_TRACE(std::string(row.name) + " at " + std::to_string(at) + (lastDiffers ? ", last differs" : ""));
                EXPECT_EQ(RuntimeStringCompare(rt::String(a).get(), rt::String(b).get()), referenceOrder(a, b));
                EXPECT_EQ(RuntimeStringCompare(rt::String(b).get(), rt::String(a).get()), referenceOrder(b, a));
            }
        }
    }
}

TEST(StringCompare, SameRecordIsEqualAndUntouched) {
    rt::String s = bytes("\xFF\xFE", kMacJapanese);
    EXPECT_EQ(RuntimeStringCompare(s.get(), s.get()), 0);
    EXPECT_EQ(s.get()->refCount, 1u);
}

TEST(StringConversion, SharesWhenNothingIsToBeDone) {
    rt::String utf8("abc"), unknown = bytes("\xE9", kEncodingUnknown);
    const std::pair<RTString, uint32_t> rows[] = {
        {utf8.get(), kEncodingUTF8}, {utf8.get(), kEncodingUnknown}, {unknown.get(), kEncodingUTF8}};
    for (const auto& [source, code] : rows) {
        SCOPED_TRACE(code);
        RTString converted = ConvertStringToCode(source, code);
        EXPECT_EQ(converted, source);
        RuntimeUnlockString(converted);
    }
    EXPECT_EQ(ConvertStringToCode(nullptr, kEncodingUTF16), nullptr);
}

TEST(StringConversion, RelabelsAsciiTextBetweenByteEncodings) {
    rt::String s("plain");
    rt::String latin = rt::String::adopt(ConvertStringToCode(s.get(), kLatin1));
    EXPECT_NE(latin.get(), s.get());
    EXPECT_EQ(latin.str(), "plain");
    EXPECT_EQ(latin.encoding(), kLatin1);
}

TEST(StringConversion, WideTextAlwaysGoesThroughTheConverter) {
    rt::String wide = bytes(std::string("A\0B\0", 4), kEncodingUTF16);
    rt::String utf8 = rt::String::adopt(ConvertStringToCode(wide.get(), kEncodingUTF8));
    EXPECT_EQ(utf8.str(), "AB");
    EXPECT_EQ(utf8.encoding(), kEncodingUTF8);
    rt::String ascii = bytes("AB", kEncodingASCII);
    rt::String back = rt::String::adopt(ConvertStringToCode(ascii.get(), kEncodingUTF16));
    EXPECT_EQ(back.str(), std::string("A\0B\0", 4));
    rt::String ucs4 = rt::String::adopt(ConvertStringToCode(ascii.get(), kEncodingUTF32));
    EXPECT_GE(ucs4.length(), 8u);
}

TEST(StringConversion, CacheGivesTheSameResultForTheSameRecord) {
    rt::String latin = bytes("caf\xE9", kLatin1);
    RTString first = ConvertStringToCode(latin.get(), kEncodingUTF8);
    RTString second = ConvertStringToCode(latin.get(), kEncodingUTF8);
    EXPECT_EQ(first, second);
    EXPECT_EQ(rt::String::retain(first).str(), "caf\xC3\xA9");
    RuntimeUnlockString(first);
    RuntimeUnlockString(second);
    // Another target is not served from the entry made for UTF-8.
    rt::String wide = rt::String::adopt(ConvertStringToCode(latin.get(), kEncodingUTF16));
    EXPECT_EQ(wide.str(), std::string("c\0a\0f\0\xE9\0", 8));
}

TEST(StringConversion, CacheHoldsItsStringsSoNoAddressIsReused) {
    int64_t before = RuntimeLiveStringCount();
    RTString source = StringFromBytes("\xE9", 1, kLatin1);
    RuntimeUnlockString(ConvertStringToCode(source, kEncodingUTF8));
    RuntimeUnlockString(source);
    EXPECT_EQ(RuntimeLiveStringCount(), before + 2) << "the cache keeps its source and result";
    // A record of the same size made now would take a freed source's address;
    // the conversion must be its own, not the cached one.
    for (const char* text : {"\xFC", "\xF1", "\xE9"}) {
        SCOPED_TRACE(text);
        RTString next = StringFromBytes(text, 1, kLatin1);
        rt::String converted = rt::String::adopt(ConvertStringToCode(next, kEncodingUTF8));
        rt::String expected = rt::String::adopt(TextEncodingConvert(next, kLatin1, kEncodingUTF8));
        EXPECT_EQ(converted.str(), expected.str());
        RuntimeUnlockString(next);
    }
    RuntimeClearStringConversionCache();
    EXPECT_EQ(RuntimeLiveStringCount(), before);
}

TEST(StringCharacter, BuildsOneCharacterInTheCode) {
    EXPECT_EQ(rt::String::adopt(StringCharacterInEncoding(0xE9, kEncodingUTF8)).str(), "\xC3\xA9");
    EXPECT_EQ(rt::String::adopt(StringCharacterInEncoding(0xE9, kEncodingUTF16)).str(), std::string("\xE9\0", 2));
    rt::String latin = rt::String::adopt(StringCharacterInEncoding(0xE9, kLatin1));
    EXPECT_EQ(latin.str(), "\xE9");
    EXPECT_EQ(latin.encoding(), kLatin1);
}

TEST(EncodingCombination, ForcedPairsPreferUTF16OnlyWithoutUTF8) {
    const struct {
        uint32_t a, b, plain, forced;
    } rows[] = {
        {kEncodingASCII, kEncodingUTF8, kEncodingUTF8, kEncodingUTF8},
        {kEncodingUTF8, kEncodingASCII, kEncodingUTF8, kEncodingUTF8},
        {kEncodingASCII, kLatin1, kLatin1, kLatin1},
        {kEncodingASCII, kEncodingUTF16, kEncodingUnknown, kEncodingUTF16},
        {kEncodingASCII, kEncodingUTF32, kEncodingUnknown, kEncodingUTF8},
        {kLatin1, kEncodingUTF16, kEncodingUnknown, kEncodingUTF16},
        {kEncodingUTF16, kEncodingUTF8, kEncodingUnknown, kEncodingUTF8},
        {kLatin1, 0x500, kEncodingUnknown, kEncodingUTF8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.a << "+" << row.b);
        EXPECT_EQ(CombineEncodings(row.a, row.b, EncodingCombination::Plain), row.plain);
        EXPECT_EQ(CombineEncodings(row.a, row.b, EncodingCombination::Forced), row.forced);
    }
}

TEST(StringRecord, ReusedBlocksStartClean) {
    // Short records come back from a free list; a reused block must carry
    // nothing of the record that held it before.
    for (int round = 0; round < 3; ++round) {
        std::vector<rt::String> strings;
        for (uint32_t length = 1; length <= 80; ++length)
            strings.push_back(rt::String::fromBytes(std::string(length, char('a' + round)), kEncodingASCII));
        for (uint32_t length = 1; length <= 80; ++length) {
            SCOPED_TRACE(length);
            const rt::String& s = strings[length - 1];
            ASSERT_EQ(s.length(), length);
            EXPECT_EQ(s.get()->refCount, 1u);
            EXPECT_EQ(s.get()->bufferSize, length + 2);
            EXPECT_EQ(s.encoding(), kEncodingASCII);
            EXPECT_EQ(s.bytes(), std::string(length, char('a' + round)));
            EXPECT_EQ(StringBytes(s.get())[length], '\0');
        }
    }
}
