#include "Universal/VELQstring.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "Universal/CharacterClasses.h"
#include "Universal/RecordMemory.h"
#include "Universal/StringBlocks.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/UTF8.h"
#include "Universal/UnicodeCase.h"

namespace {

int64_t gLiveStrings = 0;

// Bytes of a record holding `length` text bytes and the NUL after them.
size_t recordSize(uint32_t length) { return offsetof(StringRecord, text) + size_t(length) + 1; }

/// The last string handed to the encoding converter and what came back. Both
/// are held by a reference, so the source record cannot be freed and its
/// address reused by another string while the entry stands.
struct ConversionCache {
    RTString source = nullptr;
    RTString result = nullptr;

    void remember(RTString newSource, RTString newResult) {
        RuntimeLockString(newSource);
        RuntimeLockString(newResult);
        clear();
        source = newSource;
        result = newResult;
    }
    void clear() {
        RuntimeUnlockString(std::exchange(source, nullptr));
        RuntimeUnlockString(std::exchange(result, nullptr));
    }
};
ConversionCache gConversionCache;

/// Replaces an owned reference by another owned reference.
void replaceOwned(RTString& slot, RTString replacement) {
    RuntimeUnlockString(std::exchange(slot, replacement));
}

bool allBytesBelow0x80(RTString s) {
    const auto* p = reinterpret_cast<const uint8_t*>(s->bytes());
    return std::all_of(p, p + s->length, [](uint8_t c) { return c < 0x80; });
}

/// A new record holding the bytes of a and then b (either may be empty).
RTString join(RTString a, RTString b, uint32_t encoding) {
    uint32_t lengthA = StringLength(a), lengthB = StringLength(b);
    if (uint64_t(lengthA) + lengthB > kLongestString) RaiseOutOfMemoryException();
    RTString joined = StringAllocate(lengthA + lengthB, encoding);
    if (!joined) return nullptr;
    std::memcpy(joined->mutableBytes(), StringBytes(a), lengthA);
    std::memcpy(joined->mutableBytes() + lengthA, StringBytes(b), lengthB);
    return joined;
}

int32_t sign(int64_t difference) { return difference < 0 ? -1 : difference > 0 ? 1 : 0; }

// Vectors of bytes; the compiler maps them onto the processor's vector
// registers where it has them and onto plain words elsewhere. The lanes are
// signed, so that bytes of 0x80 and above never pass the letter range test.
using Bytes16 = int8_t __attribute__((vector_size(16)));
using Bytes32 = int8_t __attribute__((vector_size(32)));

// Sets the lanes of `differs` where one vector of each text differs without
// regard to ASCII case (all ones in such a lane). Bytes of multi-byte characters
// pass only when they are the same on both sides: the same sequence is the
// same code point.
template <typename Vector>
inline void addDifferingLanes(Vector& differs, const uint8_t* p, const uint8_t* q) {
    Vector x, y;
    std::memcpy(&x, p, sizeof(Vector));
    std::memcpy(&y, q, sizeof(Vector));
    // Two bytes are equal without regard to case when they are equal, or
    // when they differ only in the 0x20 bit and that bit set makes a-z.
    Vector difference = x ^ y;
    Vector lower = x | 0x20;
    Vector caseOnly = Vector(difference == 0x20) & Vector(lower > 'a' - 1) & Vector(lower < 'z' + 1);
    differs |= ~(Vector(difference == 0) | caseOnly);
}

// Whether `blocks` vectors' worth of bytes of each text are equal without
// regard to ASCII case. Vectors stay inside the function, so no vector ever
// crosses a call.
template <typename Vector, int blocks>
inline bool equalFolded(const uint8_t* p, const uint8_t* q) {
    Vector differs{};
    for (int block = 0; block < blocks; ++block)
        addDifferingLanes(differs, p + block * sizeof(Vector), q + block * sizeof(Vector));
    uint64_t words[sizeof(Vector) / 8];
    std::memcpy(words, &differs, sizeof(Vector));
    uint64_t any = 0;
    for (uint64_t word : words) any |= word;
    return any == 0;
}

// How many of 16 bytes of each text are equal without regard to ASCII case
// before the first that is not: 16 when all are.
inline size_t equalPrefix16(const uint8_t* p, const uint8_t* q) {
    static_assert(std::endian::native == std::endian::little, "lane 0 is the low byte of the first word");
    Bytes16 differs{};
    addDifferingLanes(differs, p, q);
    uint64_t words[2];
    std::memcpy(words, &differs, sizeof words);
    if (words[0] != 0) return size_t(std::countr_zero(words[0])) / 8;
    if (words[1] != 0) return 8 + size_t(std::countr_zero(words[1])) / 8;
    return 16;
}

// How many leading bytes of two texts, in whole blocks of 64, are equal
// without regard to ASCII case. Built twice, and the processor picks: with
// 32-byte registers where it has them, with 16-byte ones otherwise.
__attribute__((target_clones("avx2", "default"))) size_t equalFoldedBlocks(const uint8_t* p, const uint8_t* q,
                                                                          size_t length) {
    size_t done = 0;
    while (length - done >= 64 && equalFolded<Bytes32, 2>(p + done, q + done)) done += 64;
    return done;
}

// How many leading bytes of two texts of at least `length` bytes are equal
// without regard to ASCII case, to the byte, for texts of 16 bytes or more
// (shorter ones give 0). The wide blocks are only tried after a first block
// passed: text that differs early, such as Cyrillic in the other case, pays
// one 16-byte test and no call.
size_t equalFoldedRun(const uint8_t* p, const uint8_t* q, size_t length) {
    if (length < 16) return 0;
    size_t done = equalPrefix16(p, q);
    if (done < 16) return done;
    if (length - done >= 64) done += equalFoldedBlocks(p + done, q + done, length - done);
    while (length - done >= 16) {
        size_t same = equalPrefix16(p + done, q + done);
        done += same;
        if (same < 16) return done;
    }
    // The last bytes, in a block that overlaps bytes already passed.
    if (done < length) done = length - 16 + equalPrefix16(p + length - 16, q + length - 16);
    return done;
}

bool continuesCharacter(const uint8_t* at, const uint8_t* end) { return at < end && (*at & 0xC0) == 0x80; }

struct Cursor {
    const uint8_t* at;
    const uint8_t* end;
};

Cursor cursorOf(RTString s) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(s->bytes());
    return {bytes, bytes + s->length};
}

// The code point at the cursor, which it passes. Two-byte sequences, the
// letters of Latin, Greek and Cyrillic text, are read without the general
// decoder's steps; anything else goes through it.
inline uint32_t nextCodePoint(Cursor& c) {
    const uint8_t* p = c.at;
    if (c.end - p >= 2 && (p[0] & 0xE0) == 0xC0 && (p[1] & 0xC0) == 0x80) {
        c.at += 2;
        return uint32_t(p[0] & 0x1F) << 6 | (p[1] & 0x3F);
    }
    return DecodeUTF8(c.at, c.end);
}

// Compares code point by code point from the cursors on, until the texts
// differ or end (the order, or 0 at the end) or until a non-ASCII character
// is followed by ASCII on both sides with a block's worth of text left, where
// a block can pass again (nullopt, the cursors left there).
std::optional<int32_t> compareCharacters(Cursor& left, Cursor& right) {
    // Local copies stay in registers; the caller's cursors are only written
    // when the blocks take over again.
    Cursor a = left, b = right;
    while (a.at < a.end && b.at < b.end) {
        // ASCII pairs, the common case, need neither decoding nor the table.
        if (*a.at < 0x80 && *b.at < 0x80) {
            uint8_t x = ByteToUpper(*a.at++), y = ByteToUpper(*b.at++);
            if (x != y) return x < y ? -1 : 1;
            continue;
        }
        uint32_t x = nextCodePoint(a), y = nextCodePoint(b);
        if (x != y) {
            x = UnicodeToUpper(x);
            y = UnicodeToUpper(y);
            if (x != y) return x < y ? -1 : 1;
        }
        if (a.at < a.end && b.at < b.end && *a.at < 0x80 && *b.at < 0x80 && a.end - a.at >= 16 &&
            b.end - b.at >= 16) {
            left = a;
            right = b;
            return std::nullopt;
        }
    }
    return 0;
}

// Runs that are equal without regard to ASCII case pass in blocks; the
// characters where a block fails are compared one by one, and after each
// non-ASCII one the blocks take over again.
int32_t compareCodePoints(RTString a, RTString b) {
    Cursor x = cursorOf(a), y = cursorOf(b);
    for (;;) {
        size_t run = equalFoldedRun(x.at, y.at, size_t(std::min(x.end - x.at, y.end - y.at)));
        // The run may end inside a multi-byte character whose first bytes agree:
        // step back to its first byte, the same on both sides, so that both
        // sides decode it whole.
        while (run > 0 && (continuesCharacter(x.at + run, x.end) || continuesCharacter(y.at + run, y.end))) --run;
        x.at += run;
        y.at += run;
        if (x.at == x.end || y.at == y.end) break;
        std::optional<int32_t> order = compareCharacters(x, y);
        if (!order) continue;
        if (*order != 0) return *order;
        break;
    }
    return sign(int64_t(a->length) - int64_t(b->length));
}

uint16_t unitAt(RTString s, uint32_t index) {
    uint16_t unit;
    std::memcpy(&unit, s->bytes() + 2 * size_t(index), 2);
    return unit;
}

int32_t compareUnits(RTString a, RTString b) {
    uint32_t unitsA = a->length / 2, unitsB = b->length / 2;
    for (uint32_t i = 0; i < std::min(unitsA, unitsB); ++i) {
        uint32_t x = UnicodeToUpper(unitAt(a, i)), y = UnicodeToUpper(unitAt(b, i));
        if (x != y) return x < y ? -1 : 1;
    }
    return sign(int64_t(unitsA) - int64_t(unitsB));
}


// Strings of equal length fold to lower case, others to upper case; the two
// orders differ only for the six punctuation bytes between Z and a. Every byte
// of the length takes part, NUL bytes included, so texts differing after a NUL
// are never equal.
int32_t compareBytes(RTString a, RTString b) {
    const auto* p = reinterpret_cast<const uint8_t*>(a->bytes());
    const auto* q = reinterpret_cast<const uint8_t*>(b->bytes());
    bool sameLength = a->length == b->length;
    uint8_t (*fold)(uint8_t) = sameLength ? ByteToLower : ByteToUpper;
    for (uint32_t i = 0; i < std::min(a->length, b->length); ++i) {
        uint8_t x = fold(p[i]), y = fold(q[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return sign(int64_t(a->length) - int64_t(b->length));
}

} // namespace

RTString StringAllocate(uint32_t length, uint32_t encoding) {
    if (length == 0) return nullptr;
    if (length > kLongestString) [[unlikely]]
        RaiseOutOfMemoryException();
    auto* record = static_cast<StringRecord*>(ValueOrRaiseOutOfMemory(AllocateStringBlock(recordSize(length))));
    StringFillHeader(record, length, encoding);
    ++gLiveStrings;
    return record;
}

RTString StringFromBytes(const void* data, size_t length, uint32_t encoding) {
    // Checked before the length is narrowed, so that no longer text is cut to a short record.
    if (length > kLongestString) [[unlikely]]
        RaiseOutOfMemoryException();
    RTString record = StringAllocate(uint32_t(length), encoding);
    if (record) std::memcpy(record->text, data, length);
    return record;
}

int64_t RuntimeLiveStringCount() { return gLiveStrings; }

extern "C" RTString RuntimeLockString(RTString s) {
    if (s) ++s->refCount;
    return s;
}

extern "C" void RuntimeUnlockString(RTString s) {
    if (!s || --s->refCount != 0) return;
    --gLiveStrings;
    FreeStringBlock(s, recordSize(s->length));
}

extern "C" void RuntimeLockUnlockStrings(RTString newValue, RTString oldValue) {
    if (newValue == oldValue) return;
    RuntimeLockString(newValue);
    RuntimeUnlockString(oldValue);
}

uint32_t CombineEncodings(uint32_t a, uint32_t b, EncodingCombination how) {
    if (a == b) return a;
    if ((a == kEncodingASCII && b == kEncodingUTF8) || (a == kEncodingUTF8 && b == kEncodingASCII))
        return kEncodingUTF8;
    if (a == kEncodingASCII && !IsWideUnicodeEncoding(b)) return b;
    if (b == kEncodingASCII && !IsWideUnicodeEncoding(a)) return a;
    if (how == EncodingCombination::Plain) return kEncodingUnknown;
    bool eitherUTF16 = a == kEncodingUTF16 || b == kEncodingUTF16;
    bool eitherUTF8 = a == kEncodingUTF8 || b == kEncodingUTF8;
    return eitherUTF16 && !eitherUTF8 ? kEncodingUTF16 : kEncodingUTF8;
}

uint32_t BringToCommonEncoding(RTString& a, RTString& b) {
    if (!a && !b) return kEncodingASCII;
    if (!a) return b->encoding;
    if (!b) return a->encoding;
    if (a->encoding == b->encoding) return a->encoding;
    if (a->encoding == kEncodingUnknown || b->encoding == kEncodingUnknown) return kEncodingUnknown;
    uint32_t combined = CombineEncodings(a->encoding, b->encoding, EncodingCombination::Plain);
    if (combined != kEncodingUnknown) return combined;
    uint32_t target = CombineEncodings(a->encoding, b->encoding, EncodingCombination::Forced);
    // A conversion that gives nothing, or that the converter could not make
    // (the text comes back in its old code), leaves no common encoding.
    for (RTString* side : {&a, &b}) {
        if ((*side)->encoding == target) continue;
        RTString converted = ConvertStringToCode(*side, target);
        if (StringLength(converted) == 0 || converted->encoding != target) {
            RuntimeUnlockString(converted);
            return kEncodingUnknown;
        }
        replaceOwned(*side, converted);
    }
    return target;
}

RTString ConvertStringToCode(RTString s, uint32_t code) {
    if (!s || code == kEncodingUnknown || s->encoding == kEncodingUnknown || s->encoding == code)
        return RuntimeLockString(s);
    ConversionCache& cache = gConversionCache;
    if (cache.source == s && cache.result && cache.result->encoding == code) return RuntimeLockString(cache.result);
    // Relabelling is only sound between codes that read ASCII bytes as ASCII;
    // wide Unicode text always goes through the converter, either way.
    bool wide = IsWideUnicodeEncoding(code) || IsWideUnicodeEncoding(s->encoding);
    if (!wide && (s->encoding == kEncodingASCII || allBytesBelow0x80(s)))
        return StringFromBytes(s->bytes(), s->length, code);
    RTString converted = TextEncodingConvert(s, s->encoding, code);
    cache.remember(s, converted);
    return converted;
}

void RuntimeClearStringConversionCache() { gConversionCache.clear(); }

RTString StringCharacterInEncoding(uint32_t codePoint, uint32_t code) {
    if (code == kEncodingUTF16) {
        auto unit = uint16_t(codePoint);
        return StringFromBytes(&unit, 2, code);
    }
    char sequence[4];
    RTString utf8 = StringFromBytes(sequence, EncodeUTF8(codePoint, sequence), kEncodingUTF8);
    if (code == kEncodingUTF8) return utf8;
    RTString converted = ConvertStringToCode(utf8, code);
    RuntimeUnlockString(utf8);
    return converted;
}

extern "C" RTString RuntimeAddString(RTString a, RTString b) {
    if (!b) return RuntimeLockString(a);
    if (!a) return RuntimeLockString(b);
    if (a->encoding == b->encoding) return join(a, b, a->encoding);
    RTString x = RuntimeLockString(a), y = RuntimeLockString(b);
    uint32_t common = BringToCommonEncoding(x, y);
    RTString joined = join(x, y, common);
    RuntimeUnlockString(x);
    RuntimeUnlockString(y);
    return joined;
}

namespace {

// Comparison of two strings that may need a common encoding first. Kept out of
// line, so the common case of two UTF-8 strings pays for none of its setup.
[[gnu::noinline]] int32_t compareThroughCommonEncoding(RTString a, RTString b) {
    RTString x = RuntimeLockString(a), y = RuntimeLockString(b);
    uint32_t common = BringToCommonEncoding(x, y);
    int32_t order = common == kEncodingUTF8    ? compareCodePoints(x, y)
                    : common == kEncodingUTF16 ? compareUnits(x, y)
                                               : compareBytes(x, y);
    RuntimeUnlockString(x);
    RuntimeUnlockString(y);
    return order;
}

} // namespace

extern "C" int32_t RuntimeStringCompare(RTString a, RTString b) {
    if (a == b) return 0;
    if (!a) return -1;
    if (!b) return 1;
    if (a->encoding == kEncodingUTF8 && b->encoding == kEncodingUTF8) return compareCodePoints(a, b);
    return compareThroughCommonEncoding(a, b);
}
