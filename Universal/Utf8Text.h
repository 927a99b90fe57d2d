// Stepping through UTF-8 text by characters: a character is a lead byte and
// the continuation bytes (0x80 to 0xBF) that follow it.
#pragma once
#include <cstdint>

/// Whether `byte` is a UTF-8 continuation byte.
inline bool IsUtf8Continuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

/// Byte offset just after `characters` characters from byte offset `from`, stopping at `length`.
uint32_t Utf8SkipCharacters(const char* text, uint32_t length, uint32_t from, int64_t characters);
/// Byte offset reached by stepping back `characters` characters from the end, never before 0.
uint32_t Utf8BackCharacters(const char* text, uint32_t length, int64_t characters);
/// Number of characters: the bytes that are not continuation bytes.
uint32_t Utf8CharacterCount(const char* text, uint32_t length);
