// Parts of strings by bytes and by characters, lengths, and single characters.
// Character positions count UTF-8 sequences in UTF-8 text, 16-bit units in
// UTF-16 text and bytes in every other encoding. Positions are 1-based; a part
// keeps the string's encoding, and a part equal to the whole is the string itself.
#pragma once
#include <cstdint>

#include "Universal/Forward.h"

extern "C" {
/// The first n bytes of s; s itself when n covers it. New reference, caller releases.
RTString StringLeft(RTString s, int32_t n);
/// The last n bytes of s; s itself when n covers it. New reference, caller releases.
RTString StringRight(RTString s, int32_t n);
/// The bytes of s from byte `start` to the end. New reference, caller releases.
RTString StringMid2(RTString s, int32_t start);
/// `count` bytes of s from byte `start`; positions before the string use up the count.
/// New reference, caller releases.
RTString StringMid3(RTString s, int32_t start, int32_t count);
/// Length of s in bytes.
int32_t StringLen(RTString s);

/// The first n characters of s. New reference, caller releases.
RTString StringDBCSLeft(RTString s, int32_t n);
/// The last n characters of s. New reference, caller releases.
RTString StringDBCSRight(RTString s, int32_t n);
/// The characters of s from character `start` to the end. New reference, caller releases.
RTString StringDBCSMid2(RTString s, int32_t start);
/// `count` characters of s from character `start`. New reference, caller releases.
RTString StringDBCSMid3(RTString s, int32_t start, int32_t count);
/// Length of s in characters.
int32_t StringDBCSLen(RTString s);

/// Value of the first byte of s; 0 for the empty string.
int32_t StringAsc(RTString s);
/// Code of the first character: UTF-8 code point, UTF-16 unit, else byte; 0 for the empty string.
int32_t StringDBCSAsc(RTString s);
/// One byte (the low 8 bits of code), ASCII below 128 else unknown code. New string, caller releases.
RTString StringChr(int32_t code);
/// One byte for a code below 256 (ASCII up to 127, else unknown code), else two bytes,
/// bits 8-15 then 0-7, of unknown code. New string, caller releases.
RTString StringDBCSChr(int32_t code);
}

/// A new reference to the `length` bytes of s from byte offset `offset`
/// (already within s); s itself when that is the whole of it.
RTString StringPart(RTString s, uint32_t offset, uint32_t length);

extern "C" {
/// -1, 0 or 1 with case: mode 0 compares the bytes as unsigned values (a shorter prefix
/// first); any other mode compares in the common encoding, UTF-8 by code point and
/// UTF-16 by unit, other text by byte.
int32_t StringStrCompare(RTString a, RTString b, int32_t mode);
}
