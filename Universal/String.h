// rt::String: an owning handle over a string record. Ownership only; every
// operation is an entry point of the string core.
#pragma once
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "Universal/VELQstring.h"

namespace rt {

/// Owns one reference to a string value (null being the empty string).
class String {
public:
    String() noexcept = default;
    /// A UTF-8 string from literal or other text, as the compiled literals are.
    String(std::string_view utf8) : h_(StringFromBytes(utf8.data(), utf8.size(), kEncodingUTF8)) {}
    String(const char* utf8) : String(std::string_view(utf8)) {}
    String(const String& other) noexcept : h_(RuntimeLockString(other.h_)) {}
    String(String&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    ~String() { RuntimeUnlockString(h_); }

    /// Takes over the reference an entry point handed out.
    static String adopt(RTString h) noexcept { return String(h); }
    /// Adds a reference to a borrowed string value.
    static String retain(RTString h) noexcept { return String(RuntimeLockString(h)); }
    /// A string of the given bytes carrying `encoding`.
    static String fromBytes(std::string_view bytes, uint32_t encoding) {
        return String(StringFromBytes(bytes.data(), bytes.size(), encoding));
    }

    String& operator=(String other) noexcept {  // self-assignment safe
        std::swap(h_, other.h_);
        return *this;
    }

    RTString get() const noexcept { return h_; }
    [[nodiscard]] RTString release() noexcept { return std::exchange(h_, nullptr); }

    uint32_t length() const noexcept { return StringLength(h_); }
    bool empty() const noexcept { return h_ == nullptr; }
    uint32_t encoding() const noexcept { return StringEncodingCode(h_); }
    /// The bytes, valid while this handle lives.
    std::string_view bytes() const noexcept { return {StringBytes(h_), StringLength(h_)}; }
    std::string str() const { return std::string(bytes()); }

    /// Concatenation, bringing the two to a common encoding when they differ.
    friend String operator+(const String& a, const String& b) { return String(RuntimeAddString(a.h_, b.h_)); }

    /// Case-insensitive order of the runtime's string comparison.
    friend int compare(const String& a, const String& b) { return RuntimeStringCompare(a.h_, b.h_); }
    friend bool operator==(const String& a, const String& b) { return compare(a, b) == 0; }
    friend bool operator<(const String& a, const String& b) { return compare(a, b) < 0; }

private:
    explicit String(RTString h) noexcept : h_(h) {}
    RTString h_ = nullptr;
};

} // namespace rt
