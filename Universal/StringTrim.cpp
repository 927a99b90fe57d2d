#include "Universal/StringTrim.h"

#include <cstring>

#include "Universal/CharacterClasses.h"
#include "Universal/StringUtils.h"
#include "Universal/UTF8.h"
#include "Universal/Utf8Text.h"
#include "Universal/VELQstring.h"

namespace {

enum TrimSides : unsigned { kLeading = 1, kTrailing = 2, kBoth = 3 };

/// The byte range that remains of a text once white space is cut off.
struct Kept {
    uint32_t begin;
    uint32_t end;
};

Kept trimUtf8(const char* text, uint32_t length, unsigned sides) {
    auto* bytes = reinterpret_cast<const uint8_t*>(text);
    Kept kept{0, length};
    if (sides & kLeading) {
        while (kept.begin < length) {
            const uint8_t* p = bytes + kept.begin;
            if (!IsUnicodeWhiteSpace(DecodeUTF8(p, bytes + length))) break;
            kept.begin = uint32_t(p - bytes);
        }
    }
    if (sides & kTrailing) {
        while (kept.end > kept.begin) {
            uint32_t last = kept.end - 1;
            while (last > kept.begin && IsUtf8Continuation(bytes[last])) --last;
            const uint8_t* p = bytes + last;
            uint32_t c = DecodeUTF8(p, bytes + kept.end);
            // A malformed tail decodes one byte at a time and is never white space.
            if (p != bytes + kept.end || !IsUnicodeWhiteSpace(c)) break;
            kept.end = last;
        }
    }
    return kept;
}

uint16_t unitAt(const char* text, uint32_t at) {
    uint16_t unit;
    std::memcpy(&unit, text + at, 2);
    return unit;
}

Kept trimUtf16(const char* text, uint32_t length, unsigned sides) {
    const uint32_t whole = length & ~1u;  // an odd last byte is not a unit and stays
    Kept kept{0, length};
    if (sides & kLeading)
        while (kept.begin < whole && IsUnicodeWhiteSpace(unitAt(text, kept.begin))) kept.begin += 2;
    if ((sides & kTrailing) && whole == length)
        while (kept.end > kept.begin && IsUnicodeWhiteSpace(unitAt(text, kept.end - 2))) kept.end -= 2;
    return kept;
}

Kept trimBytes(const char* text, uint32_t length, unsigned sides) {
    Kept kept{0, length};
    if (sides & kLeading)
        while (kept.begin < length && IsAsciiWhiteSpace(uint8_t(text[kept.begin]))) ++kept.begin;
    if (sides & kTrailing)
        while (kept.end > kept.begin && IsAsciiWhiteSpace(uint8_t(text[kept.end - 1]))) --kept.end;
    return kept;
}

// Trims text in UTF-8, UTF-16, or a single-byte reading of ASCII white space.
RTString trimInPlace(RTString s, unsigned sides) {
    Kept kept = s->encoding == kEncodingUTF8    ? trimUtf8(s->bytes(), s->length, sides)
                : s->encoding == kEncodingUTF16 ? trimUtf16(s->bytes(), s->length, sides)
                                                : trimBytes(s->bytes(), s->length, sides);
    return StringPart(s, kept.begin, kept.end - kept.begin);
}

RTString trim(RTString s, unsigned sides) {
    if (!s) return nullptr;
    const uint32_t code = s->encoding;
    if (code == kEncodingUTF8 || code == kEncodingUTF16 || code == kEncodingASCII || code == kEncodingUnknown)
        return trimInPlace(s, sides);
    // Any other encoding is trimmed as UTF-16 so that its own white space
    // (a non-breaking space of Latin-1, say) is recognised, then brought back.
    RTString wide = ConvertStringToCode(s, kEncodingUTF16);
    if (!wide || wide->encoding != kEncodingUTF16) {
        // No converter for this code: its ASCII white space is all that can be known.
        RuntimeUnlockString(wide);
        return trimInPlace(s, sides);
    }
    RTString trimmed = trimInPlace(wide, sides);
    RuntimeUnlockString(wide);
    if (trimmed == wide) {
        RuntimeUnlockString(trimmed);
        return RuntimeLockString(s);
    }
    RTString result = ConvertStringToCode(trimmed, code);
    RuntimeUnlockString(trimmed);
    return result;
}

} // namespace

extern "C" RTString runTrim(RTString s) { return trim(s, kBoth); }
extern "C" RTString runLTrim(RTString s) { return trim(s, kLeading); }
extern "C" RTString runRTrim(RTString s) { return trim(s, kTrailing); }
