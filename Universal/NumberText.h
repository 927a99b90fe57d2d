// Numbers to text and text to numbers: decimal text of every numeric type,
// the binary, octal and hexadecimal families, and reading a number from text.
#pragma once
#include <cstdint>

#include "Universal/Forward.h"

extern "C" {
/// The number at the start of s: "&B", "&O", "&H" prefixes read a signed 32-bit
/// integer of that base, else the C library's strtod in the C locale; 0 when none.
double StringVal(RTString s);
/// The integer nearest to the number at the start of s (as StringVal), clamped to the Int32 range.
int32_t runCLong(RTString s);

/// Decimal text of a double, fixed or scientific as its size asks; new ASCII string, caller releases.
RTString StringStrDouble(double x);
/// Decimal text of a single, as StringStrDouble of its value; new ASCII string, caller releases.
RTString StringStrSingle(float x);
/// Signed decimal text; new ASCII string, caller releases.
RTString StringStrInt8(int8_t x);
/// Signed decimal text; new ASCII string, caller releases.
RTString StringStrInt16(int16_t x);
/// Signed decimal text; new ASCII string, caller releases.
RTString StringStrInt32(int32_t x);
/// Signed decimal text; new ASCII string, caller releases.
RTString StringStrInt64(int64_t x);
/// Unsigned decimal text; new ASCII string, caller releases.
RTString StringStrUInt8(uint8_t x);
/// Unsigned decimal text; new ASCII string, caller releases.
RTString StringStrUInt16(uint16_t x);
/// Unsigned decimal text; new ASCII string, caller releases.
RTString StringStrUInt32(uint32_t x);
/// Unsigned decimal text; new ASCII string, caller releases.
RTString StringStrUInt64(uint64_t x);

// Binary, octal and hexadecimal text: digits without leading zeros, at least one;
// a signed value is written as the two's complement of its own width. Each
// returns a new ASCII string that the caller releases.
/// Binary text of an Int8.
RTString RuntimeBinInt8(int8_t x);
/// Binary text of an Int16.
RTString RuntimeBinInt16(int16_t x);
/// Binary text of an Int32.
RTString RuntimeBinInt32(int32_t x);
/// Binary text of an Int64.
RTString RuntimeBinInt64(int64_t x);
/// Binary text of a UInt8.
RTString RuntimeBinUInt8(uint8_t x);
/// Binary text of a UInt16.
RTString RuntimeBinUInt16(uint16_t x);
/// Binary text of a UInt32.
RTString RuntimeBinUInt32(uint32_t x);
/// Binary text of a UInt64.
RTString RuntimeBinUInt64(uint64_t x);
/// Octal text of an Int8.
RTString RuntimeOctInt8(int8_t x);
/// Octal text of an Int16.
RTString RuntimeOctInt16(int16_t x);
/// Octal text of an Int32.
RTString RuntimeOctInt32(int32_t x);
/// Octal text of an Int64.
RTString RuntimeOctInt64(int64_t x);
/// Octal text of a UInt8.
RTString RuntimeOctUInt8(uint8_t x);
/// Octal text of a UInt16.
RTString RuntimeOctUInt16(uint16_t x);
/// Octal text of a UInt32.
RTString RuntimeOctUInt32(uint32_t x);
/// Octal text of a UInt64.
RTString RuntimeOctUInt64(uint64_t x);
/// Upper-case hexadecimal text of an Int8.
RTString RuntimeHexInt8(int8_t x);
/// Upper-case hexadecimal text of an Int16.
RTString RuntimeHexInt16(int16_t x);
/// Upper-case hexadecimal text of an Int32.
RTString RuntimeHexInt32(int32_t x);
/// Upper-case hexadecimal text of an Int64.
RTString RuntimeHexInt64(int64_t x);
/// Upper-case hexadecimal text of a UInt8.
RTString RuntimeHexUInt8(uint8_t x);
/// Upper-case hexadecimal text of a UInt16.
RTString RuntimeHexUInt16(uint16_t x);
/// Upper-case hexadecimal text of a UInt32.
RTString RuntimeHexUInt32(uint32_t x);
/// Upper-case hexadecimal text of a UInt64.
RTString RuntimeHexUInt64(uint64_t x);
}

/// Reads text the way the C library's strtod does in the C locale, whatever
/// the process locale is: the longest valid prefix after leading white space, 0 when none.
double ParseDoubleInCLocale(const char* text);
