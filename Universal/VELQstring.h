// The string record: an immutable, reference-counted run of bytes that carries
// its encoding code. Null is the empty string; a record of length 0 is never made.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Common/Forward.h"

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

/// Length in bytes of a string value; 0 for the empty string.
inline uint32_t StringLength(RTString s) { return s ? s->length : 0; }
/// The text bytes of a string value, or "" for the empty string.
inline const char* StringBytes(RTString s) { return s ? s->bytes() : ""; }
/// The encoding code of a string value; ASCII for the empty string.
inline uint32_t StringEncodingCode(RTString s) { return s ? s->encoding : kEncodingASCII; }

/// A new record of `length` bytes (uninitialised, NUL after them) carrying
/// `encoding`, with one reference for the caller; null when `length` is 0.
RTString StringAllocate(uint32_t length, uint32_t encoding);
/// A new string holding a copy of `length` bytes at `data`; null when `length` is 0.
RTString StringFromBytes(const void* data, size_t length, uint32_t encoding);
/// Number of string records alive now, for leak checks in tests.
int64_t RuntimeLiveStringCount();

extern "C" {
/// Adds one reference unless s is null; returns s.
RTString RuntimeLockString(RTString s);
/// Drops one reference unless s is null; frees the record at zero.
void RuntimeUnlockString(RTString s);
/// Assignment of `newValue` over `oldValue`: locks new, then unlocks old, unless they are the same.
void RuntimeLockUnlockStrings(RTString newValue, RTString oldValue);
/// -1, 0 or 1: the case-insensitive order of the application's relational operators.
int32_t RuntimeStringCompare(RTString a, RTString b);
}
