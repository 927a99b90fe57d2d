// The 256-entry case tables of single-byte text, the case of code points, and
// the white-space sets that trimming uses. Bytes follow the C locale: only a-z
// and A-Z change case.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "Universal/UnicodeCase.h"

namespace detail {
constexpr std::array<uint8_t, 256> makeCaseTable(bool upper) {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        bool lower = c >= 'a' && c <= 'z', capital = c >= 'A' && c <= 'Z';
        table[size_t(c)] = uint8_t(upper && lower ? c - 32 : !upper && capital ? c + 32 : c);
    }
    return table;
}
inline constexpr std::array<uint8_t, 256> kUpperBytes = makeCaseTable(true);
inline constexpr std::array<uint8_t, 256> kLowerBytes = makeCaseTable(false);
} // namespace detail

/// The upper case of a byte of single-byte text.
inline uint8_t ByteToUpper(uint8_t byte) { return detail::kUpperBytes[byte]; }
/// The lower case of a byte of single-byte text.
inline uint8_t ByteToLower(uint8_t byte) { return detail::kLowerBytes[byte]; }

/// White space of ASCII text (and of text of unknown code): tab to carriage return, and space.
inline bool IsAsciiWhiteSpace(uint8_t byte) { return (byte >= 0x09 && byte <= 0x0D) || byte == 0x20; }

/// White space of Unicode text, UTF-8 or UTF-16.
inline bool IsUnicodeWhiteSpace(uint32_t c) {
    if (c < 0x80) return IsAsciiWhiteSpace(uint8_t(c));
    return c == 0x85 || c == 0xA0 || c == 0x1680 || c == 0x180E || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

