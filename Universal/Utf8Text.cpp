#include "Universal/Utf8Text.h"

uint32_t Utf8SkipCharacters(const char* text, uint32_t length, uint32_t from, int64_t characters) {
    uint32_t at = from;
    for (; characters > 0 && at < length; --characters) {
        ++at;
        while (at < length && IsUtf8Continuation(uint8_t(text[at]))) ++at;
    }
    return at;
}

uint32_t Utf8BackCharacters(const char* text, uint32_t length, int64_t characters) {
    uint32_t at = length;
    for (; characters > 0 && at > 0; --characters) {
        --at;
        while (at > 0 && IsUtf8Continuation(uint8_t(text[at]))) --at;
    }
    return at;
}

uint32_t Utf8CharacterCount(const char* text, uint32_t length) {
    // Continuation bytes at the very start have no lead byte; stepping treats
    // them as one character, so counting does too.
    uint32_t count = length > 0 && IsUtf8Continuation(uint8_t(text[0]));
    for (uint32_t i = 0; i < length; ++i) count += !IsUtf8Continuation(uint8_t(text[i]));
    return count;
}
