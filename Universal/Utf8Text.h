// Stepping through UTF-8 text by characters: a character is a lead byte and
// the continuation bytes (0x80 to 0xBF) that follow it; continuation bytes at
// the start of the text, with no lead byte, form one character. Every
// character function counts by this one rule, valid UTF-8 or not.
#pragma once
#include <cstdint>

/// Whether `byte` is a UTF-8 continuation byte.
inline bool IsUtf8Continuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

/// Byte offset just after `characters` characters from byte offset `from`, stopping at `length`.
uint32_t Utf8SkipCharacters(const char* text, uint32_t length, uint32_t from, int64_t characters);
/// Byte offset reached by stepping back `characters` characters from the end, never before 0.
uint32_t Utf8BackCharacters(const char* text, uint32_t length, int64_t characters);
/// Number of characters: the bytes that are not continuation bytes, and one for a leading run of them.
uint32_t Utf8CharacterCount(const char* text, uint32_t length);
