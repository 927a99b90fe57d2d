// rt::String: an owning handle over a string record. Ownership only; every
// operation is an entry point of the string core.
#pragma once
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "Common/Handle.h"
#include "Universal/VELQstring.h"

namespace rt {

/// Owns one reference to a string value (null being the empty string).
class String : public Handle<StringRecord, StringCount, String> {
public:
    using Handle::Handle;
    String() noexcept = default;
    /// A UTF-8 string from literal or other text, as the compiled literals are.
    String(std::string_view utf8) : Handle(adopt(StringFromBytes(utf8.data(), utf8.size(), kEncodingUTF8))) {}
    String(const char* utf8) : String(std::string_view(utf8)) {}
    /// A string of the given bytes carrying `encoding`.
    static String fromBytes(std::string_view bytes, uint32_t encoding) {
        return adopt(StringFromBytes(bytes.data(), bytes.size(), encoding));
    }

    uint32_t length() const noexcept { return StringLength(get()); }
    bool empty() const noexcept { return get() == nullptr; }
    uint32_t encoding() const noexcept { return StringEncodingCode(get()); }
    /// The bytes, valid while this handle lives.
    std::string_view bytes() const noexcept { return {StringBytes(get()), StringLength(get())}; }
    std::string str() const { return std::string(bytes()); }

    /// Concatenation, bringing the two to a common encoding when they differ.
    friend String operator+(const String& a, const String& b) { return adopt(RuntimeAddString(a.get(), b.get())); }

    /// The runtime's string comparison: case-insensitive, <0, 0 or >0.
    friend int compareIgnoringCase(const String& a, const String& b) {
        return RuntimeStringCompare(a.get(), b.get());
    }
    /// Whether the two are equal when case is ignored, as the runtime's `=` is.
    friend bool equalsIgnoringCase(const String& a, const String& b) { return compareIgnoringCase(a, b) == 0; }
};

} // namespace rt
