// UTF-8 sequences: reading one code point from a byte run, writing one.
#pragma once
#include <cstddef>
#include <cstdint>

/// Reads the code point at `p` and advances `p` past it, never beyond `end`.
/// A byte that does not start a complete sequence stands for itself and is one byte long.
inline uint32_t DecodeUTF8(const uint8_t*& p, const uint8_t* end) {
    uint8_t lead = *p;
    int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead >= 0xF8 || end - p <= extra) extra = 0;
    uint32_t codePoint = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            ++p;
            return lead;
        }
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    p += extra + 1;
    return codePoint;
}

/// Writes the UTF-8 sequence of `codePoint` to `out`; gives its length, 1 to 4.
/// Only the low 21 bits count, the most a four-byte sequence holds.
inline size_t EncodeUTF8(uint32_t codePoint, char out[4]) {
    codePoint &= 0x1FFFFF;
    if (codePoint < 0x80) {
        out[0] = char(codePoint);
        return 1;
    }
    size_t length = codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
    static constexpr uint8_t kLeadMarks[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t i = length - 1; i > 0; --i) {
        out[i] = char(0x80 | (codePoint & 0x3F));
        codePoint >>= 6;
    }
    out[0] = char(kLeadMarks[length] | codePoint);
    return length;
}
