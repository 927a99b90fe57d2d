#include "app/SafeText.h"

#include <algorithm>
#include <string>

#include "Universal/BackslashEscape.h"

namespace {

bool isControl(char c) { return uint8_t(c) < 0x20 || uint8_t(c) == 0x7F; }

} // namespace

bool HoldsControl(const rt::String& text) { return std::ranges::any_of(text.bytes(), isControl); }

bool MailerCanCarry(const rt::String& name) {
    return !HoldsControl(name) && name.bytes().find(' ') == std::string_view::npos;
}

rt::String Escaped(const rt::String& text) {
    if (!HoldsControl(text)) return text;
    return rt::String::adopt(EncodeBackslashEscapeString(text.get()));
}

rt::String Replaced(const rt::String& text) {
    if (!HoldsControl(text)) return text;
    std::string bytes = text.str();
    std::ranges::replace_if(bytes, isControl, '?');
    return rt::String::fromBytes(bytes, text.encoding());
}

rt::String Excerpt(const rt::String& text) {
    size_t bound = HoldsControl(text) ? kExcerptBytes / 4 : kExcerptBytes;
    std::string_view bytes = text.bytes();
    if (bytes.size() <= bound) return text;
    // Back to the start of a UTF-8 character: continuation bytes are 10xxxxxx.
    while (bound > 0 && (uint8_t(bytes[bound]) & 0xC0) == 0x80) --bound;
    return rt::String::fromBytes(bytes.substr(0, bound), text.encoding()) + rt::String("...");
}
