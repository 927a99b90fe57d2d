#include "app/SafeText.h"

#include <algorithm>
#include <string>

#include "Universal/BackslashEscape.h"
#include "Universal/UTF8.h"

namespace {

bool isControl(char c) { return uint8_t(c) < 0x20 || uint8_t(c) == 0x7F; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }
// The length of the UTF-8 sequence at `at`, 0 when the byte there starts none.
size_t sequenceAt(std::string_view bytes, size_t at) {
    auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
    auto* end = reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size();
    if (*p < 0x80) return 1;
    const uint8_t* next = p;
    DecodeUTF8(next, end);
    return next - p > 1 ? size_t(next - p) : 0;
}

std::string hexEscaped(std::string_view bytes) {
    std::string out;
    for (size_t at = 0; at < bytes.size();) {
        if (size_t length = sequenceAt(bytes, at)) {
            out.append(bytes.substr(at, length));
            at += length;
            continue;
        }
        out += "\\x";
        out += "0123456789ABCDEF"[uint8_t(bytes[at]) >> 4];
        out += "0123456789ABCDEF"[uint8_t(bytes[at]) & 15];
        ++at;
    }
    return out;
}

} // namespace

bool HoldsControl(const rt::String& text) { return std::ranges::any_of(text.bytes(), isControl); }

bool MailerCanCarry(const rt::String& name) {
    return !HoldsControl(name) && name.bytes().find(' ') == std::string_view::npos;
}

bool IsUtf8(const rt::String& text) {
    std::string_view bytes = text.bytes();
    for (size_t at = 0; at < bytes.size();) {
        size_t length = sequenceAt(bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

rt::String Escaped(const rt::String& text) {
    bool utf8 = IsUtf8(text);
    if (!HoldsControl(text) && utf8) return text;
    rt::String escaped = rt::String::adopt(EncodeBackslashEscapeString(text.get()));
    if (utf8) return escaped;
    // The escapes added are ASCII: the bytes that are no UTF-8 are the same.
    return rt::String::fromBytes(hexEscaped(escaped.bytes()), escaped.encoding());
}

rt::String Replaced(const rt::String& text) {
    if (!HoldsControl(text)) return text;
    std::string bytes = text.str();
    std::ranges::replace_if(bytes, isControl, '?');
    return rt::String::fromBytes(bytes, text.encoding());
}

rt::String WithPasswordsHidden(const rt::String& line, PasswordTokens which) {
    std::string_view bytes = line.bytes();
    std::string shown;
    bool hidden = false;
    size_t token = 0;
    for (size_t at = 0; at < bytes.size();) {
        if (isBlank(bytes[at])) {
            shown += bytes[at++];
            continue;
        }
        size_t end = at;
        while (end < bytes.size() && !isBlank(bytes[end])) ++end;
        if (bytes[at] == '!' && (which == PasswordTokens::All || token > 0)) {
            shown += kHiddenPassword;
            hidden = true;
        } else {
            shown.append(bytes.substr(at, end - at));
        }
        ++token;
        at = end;
    }
    return hidden ? rt::String::fromBytes(shown, line.encoding()) : line;
}

rt::String WithoutByteOrderMark(const rt::String& line) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (!line.bytes().starts_with(kMark)) return line;
    return rt::String::fromBytes(line.bytes().substr(kMark.size()), line.encoding());
}

rt::String Excerpt(const rt::String& text) {
    size_t bound = HoldsControl(text) ? kExcerptBytes / 4 : kExcerptBytes;
    std::string_view bytes = text.bytes();
    if (bytes.size() <= bound) return text;
    // Back to the start of a UTF-8 character: continuation bytes are 10xxxxxx.
    while (bound > 0 && (uint8_t(bytes[bound]) & 0xC0) == 0x80) --bound;
    return rt::String::fromBytes(bytes.substr(0, bound), text.encoding()) + rt::String("...");
}
