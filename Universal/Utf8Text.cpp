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
    uint32_t count = 0;
    for (uint32_t i = 0; i < length; ++i) count += !IsUtf8Continuation(uint8_t(text[i]));
    return count;
}

uint32_t Utf8Decode(const char* text, uint32_t length, uint32_t& at) {
    const uint8_t lead = uint8_t(text[at]);
    uint32_t extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xC0 && lead < 0xE0 ? 1 : 0;
    if (extra == 0 || length - at <= extra) {
        ++at;
        return lead;
    }
    uint32_t codePoint = lead & (0x3F >> extra);
    for (uint32_t i = 1; i <= extra; ++i) {
        const uint8_t byte = uint8_t(text[at + i]);
        if (!IsUtf8Continuation(byte)) {
            ++at;
            return lead;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    at += extra + 1;
    return codePoint;
}

void Utf8Append(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += char(codePoint);
    } else if (codePoint < 0x800) {
        out += char(0xC0 | (codePoint >> 6));
        out += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += char(0xE0 | (codePoint >> 12));
        out += char(0x80 | ((codePoint >> 6) & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    } else {
        out += char(0xF0 | (codePoint >> 18));
        out += char(0x80 | ((codePoint >> 12) & 0x3F));
        out += char(0x80 | ((codePoint >> 6) & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    }
}
