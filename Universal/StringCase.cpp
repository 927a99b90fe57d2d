#include "Universal/StringCase.h"

#include <cstring>
#include <string>

#include "Universal/CharacterClasses.h"
#include "Universal/UTF8.h"
#include "Universal/VELQstring.h"

namespace {

enum class CaseChange { Upper, Lower, Title };

// The mapping for the character at hand; in title case the first letter of a
// word goes up and every other one down.
struct CaseMapper {
    CaseChange change;
    bool wordStart = true;

    uint32_t map(uint32_t c, uint32_t (*up)(uint32_t), uint32_t (*down)(uint32_t), bool blank) {
        if (change == CaseChange::Upper) return up(c);
        if (change == CaseChange::Lower) return down(c);
        uint32_t mapped = wordStart ? up(c) : down(c);
        wordStart = blank;
        return mapped;
    }
};

uint32_t byteUp(uint32_t c) { return ByteToUpper(uint8_t(c)); }
uint32_t byteDown(uint32_t c) { return ByteToLower(uint8_t(c)); }

std::string changeUtf8(const char* text, uint32_t length, CaseMapper mapper) {
    std::string out;
    out.reserve(length);
    auto* p = reinterpret_cast<const uint8_t*>(text);
    auto* end = p + length;
    while (p < end) {
        const uint8_t* start = p;
        uint32_t c = DecodeUTF8(p, end);
        uint32_t mapped = mapper.map(c, CodePointToUpper, CodePointToLower, IsUnicodeWhiteSpace(c));
        if (mapped == c) {
            out.append(reinterpret_cast<const char*>(start), size_t(p - start));  // keeps malformed bytes as they were
        } else {
            char sequence[4];
            out.append(sequence, EncodeUTF8(mapped, sequence));
        }
    }
    return out;
}

std::string changeUtf16(const char* text, uint32_t length, CaseMapper mapper) {
    std::string out(text, length);
    for (uint32_t at = 0; at + 1 < length; at += 2) {
        uint16_t unit;
        std::memcpy(&unit, text + at, 2);
        unit = uint16_t(mapper.map(unit, CodePointToUpper, CodePointToLower, IsUnicodeWhiteSpace(unit)));
        std::memcpy(out.data() + at, &unit, 2);
    }
    return out;
}

std::string changeBytes(const char* text, uint32_t length, CaseMapper mapper) {
    std::string out(text, length);
    for (char& c : out) c = char(mapper.map(uint8_t(c), byteUp, byteDown, IsAsciiWhiteSpace(uint8_t(c))));
    return out;
}

RTString changeCase(RTString s, CaseChange change) {
    if (!s) return nullptr;
    CaseMapper mapper{change};
    std::string out = s->encoding == kEncodingUTF8    ? changeUtf8(s->bytes(), s->length, mapper)
                      : s->encoding == kEncodingUTF16 ? changeUtf16(s->bytes(), s->length, mapper)
                                                      : changeBytes(s->bytes(), s->length, mapper);
    if (out.size() == s->length && std::memcmp(out.data(), s->bytes(), out.size()) == 0) return RuntimeLockString(s);
    return StringFromBytes(out.data(), out.size(), s->encoding);
}

} // namespace

extern "C" RTString StringUCase(RTString s) { return changeCase(s, CaseChange::Upper); }
extern "C" RTString StringLCase(RTString s) { return changeCase(s, CaseChange::Lower); }
extern "C" RTString StringTitleCase(RTString s) { return changeCase(s, CaseChange::Title); }
