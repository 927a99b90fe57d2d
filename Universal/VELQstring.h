// The string record: an immutable, reference-counted run of bytes that carries
// its encoding code. Null is the empty string; a record of length 0 is never made.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Universal/Forward.h"

/// The record layout shared with literal records of a code image. On a 32-bit
/// build the fields sit at offsets 0, 4, 8, 12, 16, 20 and 21.
struct StringRecord {
    uint32_t refCount;
    uint8_t* shortLengthByte;  // points at `shortLength`; the text starts one byte after it
    uint32_t bufferSize;       // length + 2: short-length byte, text, NUL
    uint32_t length;
    uint32_t encoding;
    uint8_t shortLength;       // length when below 256, else 255
    char text[];                // `length` bytes, then a NUL

    const char* bytes() const { return reinterpret_cast<const char*>(shortLengthByte + 1); }
    char* mutableBytes() { return reinterpret_cast<char*>(shortLengthByte + 1); }
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(StringRecord, refCount) == 0);
static_assert(offsetof(StringRecord, shortLengthByte) == 4);
static_assert(offsetof(StringRecord, bufferSize) == 8);
static_assert(offsetof(StringRecord, length) == 12);
static_assert(offsetof(StringRecord, encoding) == 16);
static_assert(offsetof(StringRecord, shortLength) == 20);
static_assert(offsetof(StringRecord, text) == 21);
#endif

/// Four-byte Unicode text, as the string core labels it.
inline constexpr uint32_t kEncodingUTF32 = 0x0C000100;

/// Whether text in `code` is read in units other than single bytes (UTF-16 and
/// its variants, four-byte Unicode): such text is never a superset of ASCII.
/// UTF-8 belongs to the Unicode family but reads ASCII bytes as ASCII.
inline bool IsWideUnicodeEncoding(uint32_t code) {
    return code != kEncodingUTF8 && (code & 0xFFFF) >= 0x100 && (code & 0xFFFF) <= 0x1FF;
}

/// Length in bytes of a string value; 0 for the empty string.
inline uint32_t StringLength(RTString s) { return s ? s->length : 0; }
/// The text bytes of a string value, or "" for the empty string.
inline const char* StringBytes(RTString s) { return s ? s->bytes() : ""; }
/// The encoding code of a string value; ASCII for the empty string.
inline uint32_t StringEncodingCode(RTString s) { return s ? s->encoding : kEncodingASCII; }

/// Fills the header of a record of `length` bytes (length above 0) standing
/// in `record`'s memory, with one reference, and puts the NUL after the text.
inline void StringFillHeader(StringRecord* record, uint32_t length, uint32_t encoding) {
    record->refCount = 1;
    record->shortLengthByte = &record->shortLength;
    record->bufferSize = length + 2;
    record->length = length;
    record->encoding = encoding;
    record->shortLength = length < 256 ? uint8_t(length) : uint8_t(255);
    record->text[length] = '\0';
}

/// The longest text a record holds: its size, the header and the NUL after
/// the text included, must fit in 32 bits on either build.
inline constexpr uint64_t kLongestString = UINT32_MAX - 22;

/// A new record of `length` bytes (uninitialised, NUL after them) carrying
/// `encoding`, with one reference for the caller; null when `length` is 0.
/// OutOfMemoryException when the memory cannot be had or `length` is past
/// kLongestString.
RTString StringAllocate(uint32_t length, uint32_t encoding);
/// A new string holding a copy of `length` bytes at `data`; null when `length`
/// is 0; OutOfMemoryException as StringAllocate.
RTString StringFromBytes(const void* data, size_t length, uint32_t encoding);
/// Number of string records alive now, for leak checks in tests.
int64_t RuntimeLiveStringCount();

/// Whether a pair of codes without a common code is to be given one anyway.
enum class EncodingCombination { Plain, Forced };

/// The code two codes combine to without any conversion; unknown when they
/// have none and the combination is Plain.
uint32_t CombineEncodings(uint32_t a, uint32_t b, EncodingCombination how);

/// Brings two strings to their common encoding and gives its code. `a` and `b`
/// are references the caller owns; either may be replaced by a converted string
/// (the old reference released). Unknown when no common encoding was reached.
uint32_t BringToCommonEncoding(RTString& a, RTString& b);

/// `s` in encoding `code`, with one reference for the caller: `s` itself when
/// no conversion is needed or possible, else a relabelled or converted copy.
RTString ConvertStringToCode(RTString s, uint32_t code);

/// Empties the one-entry conversion cache, releasing the strings it holds.
void RuntimeClearStringConversionCache();

/// One character in encoding `code`: the UTF-8 sequence for UTF-8, the 16-bit
/// unit for UTF-16, else the UTF-8 sequence converted to `code`. New reference.
RTString StringCharacterInEncoding(uint32_t codePoint, uint32_t code);

extern "C" {
/// Adds one reference unless s is null; returns s.
RTString RuntimeLockString(RTString s);
/// Drops one reference unless s is null; frees the record at zero.
void RuntimeUnlockString(RTString s);
/// Assignment of `newValue` over `oldValue`: locks new, then unlocks old, unless they are the same.
void RuntimeLockUnlockStrings(RTString newValue, RTString oldValue);
/// a followed by b, with one reference for the caller (a or b itself when the other is empty).
RTString RuntimeAddString(RTString a, RTString b);
/// -1, 0 or 1: the case-insensitive order of the application's relational operators.
int32_t RuntimeStringCompare(RTString a, RTString b);
}
