#include "Universal/StringUtils.h"

#include <algorithm>
#include <cstring>

#include "Universal/UTF8.h"
#include "Universal/Utf8Text.h"
#include "Universal/VELQstring.h"

namespace {

// Byte counts of the character flavour can exceed the Int32 range (two bytes
// per UTF-16 unit); the byte functions take them clamped.
int32_t clampToInt32(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

RTString StringPart(RTString s, uint32_t offset, uint32_t length) {
    if (length == 0) return nullptr;
    if (offset == 0 && length == s->length) return RuntimeLockString(s);
    return StringFromBytes(s->bytes() + offset, length, s->encoding);
}

extern "C" RTString StringLeft(RTString s, int32_t n) {
    if (!s || n <= 0) return nullptr;
    return StringPart(s, 0, std::min(uint32_t(n), s->length));
}

extern "C" RTString StringRight(RTString s, int32_t n) {
    if (!s || n <= 0) return nullptr;
    uint32_t length = std::min(uint32_t(n), s->length);
    return StringPart(s, s->length - length, length);
}

extern "C" RTString StringMid2(RTString s, int32_t start) {
    if (!s) return nullptr;
    if (start <= 1) return RuntimeLockString(s);
    if (uint32_t(start - 1) >= s->length) return nullptr;
    return StringPart(s, uint32_t(start - 1), s->length - uint32_t(start - 1));
}

extern "C" RTString StringMid3(RTString s, int32_t start, int32_t count) {
    int64_t first = start, wanted = count;
    if (first < 1) {
        wanted -= 1 - first;
        first = 1;
    }
    if (!s || first - 1 >= s->length || wanted <= 0) return nullptr;
    int64_t available = int64_t(s->length) - first + 1;
    return StringPart(s, uint32_t(first - 1), uint32_t(std::min(wanted, available)));
}

extern "C" int32_t StringLen(RTString s) { return int32_t(StringLength(s)); }

extern "C" RTString StringDBCSLeft(RTString s, int32_t n) {
    if (!s || n <= 0) return nullptr;
    if (s->encoding == kEncodingUTF8) return StringLeft(s, int32_t(Utf8SkipCharacters(s->bytes(), s->length, 0, n)));
    if (s->encoding == kEncodingUTF16) return StringLeft(s, clampToInt32(2 * int64_t(n)));
    return StringLeft(s, n);
}

extern "C" RTString StringDBCSRight(RTString s, int32_t n) {
    if (!s || n <= 0) return nullptr;
    if (s->encoding == kEncodingUTF8) {
        uint32_t from = Utf8BackCharacters(s->bytes(), s->length, n);
        return StringRight(s, int32_t(s->length - from));
    }
    if (s->encoding == kEncodingUTF16) return StringRight(s, clampToInt32(2 * int64_t(n)));
    return StringRight(s, n);
}

extern "C" RTString StringDBCSMid2(RTString s, int32_t start) {
    if (!s) return nullptr;
    if (s->encoding == kEncodingUTF8) {
        if (start <= 0) return StringMid2(s, 1);
        return StringMid2(s, int32_t(Utf8SkipCharacters(s->bytes(), s->length, 0, int64_t(start) - 1)) + 1);
    }
    if (s->encoding == kEncodingUTF16) return StringMid2(s, clampToInt32(2 * int64_t(start) - 1));
    return StringMid2(s, start);
}

extern "C" RTString StringDBCSMid3(RTString s, int32_t start, int32_t count) {
    int64_t first = start, wanted = count;
    if (first <= 0) {
        wanted -= 1 - first;
        first = 1;
    }
    if (!s || wanted <= 0) return nullptr;
    if (s->encoding == kEncodingUTF8) {
        uint32_t begin = Utf8SkipCharacters(s->bytes(), s->length, 0, first - 1);
        uint32_t end = Utf8SkipCharacters(s->bytes(), s->length, begin, wanted);
        if (begin >= s->length) return nullptr;
        return StringPart(s, begin, end - begin);
    }
    if (s->encoding == kEncodingUTF16)
        return StringMid3(s, clampToInt32(2 * first - 1), clampToInt32(2 * wanted));
    return StringMid3(s, int32_t(first), int32_t(wanted));
}

extern "C" int32_t StringDBCSLen(RTString s) {
    if (!s) return 0;
    if (s->encoding == kEncodingUTF8) return int32_t(Utf8CharacterCount(s->bytes(), s->length));
    if (s->encoding == kEncodingUTF16) return int32_t(s->length / 2);
    return int32_t(s->length);
}

extern "C" int32_t StringAsc(RTString s) { return s ? uint8_t(s->bytes()[0]) : 0; }

extern "C" int32_t StringDBCSAsc(RTString s) {
    if (!s) return 0;
    if (s->encoding == kEncodingUTF8) {
        auto* p = reinterpret_cast<const uint8_t*>(s->bytes());
        return int32_t(DecodeUTF8(p, p + s->length));
    }
    if (s->encoding == kEncodingUTF16 && s->length >= 2) {
        uint16_t unit;
        std::memcpy(&unit, s->bytes(), 2);
        return unit;
    }
    return uint8_t(s->bytes()[0]);
}

extern "C" RTString StringChr(int32_t code) {
    const char byte = char(code & 0xFF);
    return StringFromBytes(&byte, 1, uint32_t(code) < 128 ? kEncodingASCII : kEncodingUnknown);
}

// NOTE: the code is taken as unsigned, so a negative code gives two bytes of
// unknown code rather than one high byte labelled ASCII.
extern "C" RTString StringDBCSChr(int32_t code) {
    const uint32_t value = uint32_t(code);
    if (value < 256) {
        const char byte = char(value);
        return StringFromBytes(&byte, 1, value <= 127 ? kEncodingASCII : kEncodingUnknown);
    }
    const char bytes[2] = {char((value >> 8) & 0xFF), char(value & 0xFF)};
    return StringFromBytes(bytes, 2, kEncodingUnknown);
}

namespace {

int32_t sign(int64_t difference) { return difference < 0 ? -1 : difference > 0 ? 1 : 0; }

int32_t compareBytes(RTString a, RTString b) {
    const uint32_t la = StringLength(a), lb = StringLength(b);
    int order = std::memcmp(StringBytes(a), StringBytes(b), std::min(la, lb));
    return order != 0 ? sign(order) : sign(int64_t(la) - int64_t(lb));
}

int32_t compareUtf8(RTString a, RTString b) {
    auto* p = reinterpret_cast<const uint8_t*>(StringBytes(a));
    auto* q = reinterpret_cast<const uint8_t*>(StringBytes(b));
    auto *pEnd = p + StringLength(a), *qEnd = q + StringLength(b);
    while (p < pEnd && q < qEnd) {
        uint32_t x = DecodeUTF8(p, pEnd), y = DecodeUTF8(q, qEnd);
        if (x != y) return x < y ? -1 : 1;
    }
    return sign(int64_t(StringLength(a)) - int64_t(StringLength(b)));
}

int32_t compareUtf16(RTString a, RTString b) {
    const uint32_t units = std::min(StringLength(a), StringLength(b)) / 2;
    for (uint32_t i = 0; i < units; ++i) {
        uint16_t x, y;
        std::memcpy(&x, StringBytes(a) + 2 * i, 2);
        std::memcpy(&y, StringBytes(b) + 2 * i, 2);
        if (x != y) return x < y ? -1 : 1;
    }
    return sign(int64_t(StringLength(a) / 2) - int64_t(StringLength(b) / 2));
}

} // namespace

// NOTE: other text is compared over its whole length rather than up to a NUL
// byte, so that strings differing after an embedded NUL are not taken as equal.
extern "C" int32_t StringStrCompare(RTString a, RTString b, int32_t mode) {
    if (a == b) return 0;
    if (mode == 0 || !a || !b) return compareBytes(a, b);
    RTString x = RuntimeLockString(a), y = RuntimeLockString(b);
    const uint32_t code = x->encoding == y->encoding ? x->encoding : BringToCommonEncoding(x, y);
    const int32_t order = code == kEncodingUTF8 ? compareUtf8(x, y) : code == kEncodingUTF16 ? compareUtf16(x, y) : compareBytes(x, y);
    RuntimeUnlockString(x);
    RuntimeUnlockString(y);
    return order;
}
