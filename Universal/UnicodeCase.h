// The runtime's Unicode case table: simple upper/lower pairs of the Basic
// Multilingual Plane, used by case-insensitive comparison and search.
#pragma once
#include <cstdint>

/// Number of upper/lower pairs in the table.
inline constexpr int kCasePairCount = 724;

/// The upper-case partner of a code point; the code point itself when it has none (always above U+FFFF).
uint32_t UnicodeToUpper(uint32_t codePoint);
/// The lower-case partner of a code point; the code point itself when it has none (always above U+FFFF).
uint32_t UnicodeToLower(uint32_t codePoint);
