#include "Universal/BackslashEscape.h"

#include <cstring>
#include <string>
#include <string_view>

#include "Universal/VELQstring.h"

namespace {

// Escape letters and the bytes they stand for, in matching order.
constexpr char kEscapeLetters[] = "\\\"'nrt0abfv";
constexpr char kEscapedBytes[] = "\\\"'\n\r\t\0\a\b\f\v";
constexpr size_t kEscapeCount = sizeof kEscapeLetters - 1;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

RTString resultOf(RTString s, const std::string& out) {
    if (out.size() == s->length && std::memcmp(out.data(), s->bytes(), out.size()) == 0) return RuntimeLockString(s);
    return StringFromBytes(out.data(), out.size(), s->encoding);
}

} // namespace

extern "C" RTString EncodeBackslashEscapeString(RTString s) {
    if (!s) return nullptr;
    std::string out;
    out.reserve(s->length);
    for (uint32_t i = 0; i < s->length; ++i) {
        const char c = s->bytes()[i];
        const void* known = std::memchr(kEscapedBytes, c, kEscapeCount);
        if (known) {
            out += '\\';
            out += kEscapeLetters[static_cast<const char*>(known) - kEscapedBytes];
        } else if (uint8_t(c) < 0x20 || c == 0x7F) {
            out += "\\x";
            out += "0123456789ABCDEF"[uint8_t(c) >> 4];
            out += "0123456789ABCDEF"[uint8_t(c) & 15];
        } else {
            out += c;
        }
    }
    return resultOf(s, out);
}

extern "C" RTString DecodeBackslashEscapeString(RTString s) {
    if (!s) return nullptr;
    const std::string_view text(s->bytes(), s->length);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char letter = text[++i];
        if (letter == 'x' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (const void* known = std::memchr(kEscapeLetters, letter, kEscapeCount)) {
            out += kEscapedBytes[static_cast<const char*>(known) - kEscapeLetters];
        } else {
            out += letter;
        }
    }
    return resultOf(s, out);
}
