// The runtime's Unicode case table: simple upper/lower pairs of the Basic
// Multilingual Plane, used by case-insensitive comparison and search.
#pragma once
#include <array>
#include <cstdint>

/// Number of upper/lower pairs in the table.
inline constexpr int kCasePairCount = 724;

/// Code points below this (Basic Latin to Armenian: the letters of Latin, Greek
/// and Cyrillic text) map through plain arrays, one load a lookup.
inline constexpr uint32_t kDirectCaseLimit = 0x590;
/// The partners of the code points below kDirectCaseLimit, built at compile time.
extern const std::array<uint16_t, kDirectCaseLimit> kDirectUpper, kDirectLower;

/// The partners of code points from kDirectCaseLimit on, through a hash of the pairs.
uint32_t UnicodeToUpperBeyondDirect(uint32_t codePoint);
uint32_t UnicodeToLowerBeyondDirect(uint32_t codePoint);

/// The upper-case partner of a code point; the code point itself when it has none (always above U+FFFF).
inline uint32_t UnicodeToUpper(uint32_t codePoint) {
    return codePoint < kDirectCaseLimit ? kDirectUpper[codePoint] : UnicodeToUpperBeyondDirect(codePoint);
}
/// The lower-case partner of a code point; the code point itself when it has none (always above U+FFFF).
inline uint32_t UnicodeToLower(uint32_t codePoint) {
    return codePoint < kDirectCaseLimit ? kDirectLower[codePoint] : UnicodeToLowerBeyondDirect(codePoint);
}
