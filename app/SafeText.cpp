#include "app/SafeText.h"

#include <algorithm>
#include <string>

#include "Universal/BackslashEscape.h"

namespace {

bool isControl(char c) { return uint8_t(c) < 0x20 || uint8_t(c) == 0x7F; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

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
