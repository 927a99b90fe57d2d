// rt::String: an owning handle over a string record. Ownership only; every
// operation is an entry point of the string core.
#pragma once
#include <cstdlib>
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

/// UTF-8 text lent to an entry point as the record String(text) would make,
/// built in this object's own memory when it is short (longer text still goes
/// to the heap). Only for entry points that borrow their arguments and hand
/// none of them back: comparisons and searches.
class LentText {
public:
    explicit LentText(std::string_view utf8) {
        if (utf8.empty()) return;
        if (utf8.size() > kRoom) {
            heap_ = String(utf8);
            record_ = heap_.get();
            return;
        }
        record_ = reinterpret_cast<StringRecord*>(room_);
        StringFillHeader(record_, uint32_t(utf8.size()), kEncodingUTF8);
        std::memcpy(record_->text, utf8.data(), utf8.size());
    }
    // NOTE: a comparison or search never converts UTF-8 text (the common
    // encoding of UTF-8 and any other is UTF-8), so nothing keeps the record;
    // an entry point that handed it back would leave a reference to memory
    // about to vanish, and that misuse ends the process here.
    ~LentText() {
        if (record_ && record_ != heap_.get() && record_->refCount != 1) std::abort();
    }
    LentText(const LentText&) = delete;
    LentText& operator=(const LentText&) = delete;

    /// The record, borrowed for the life of this object; null for no text.
    RTString get() const noexcept { return record_; }

private:
    static constexpr size_t kRoom = 64;
    alignas(StringRecord) unsigned char room_[sizeof(StringRecord) + kRoom + 1];
    String heap_;
    RTString record_ = nullptr;
};

/// The comparisons with UTF-8 text, `b` lent without a string being made for it.
inline int compareIgnoringCase(const String& a, std::string_view b) {
    return RuntimeStringCompare(a.get(), LentText(b).get());
}
inline int compareIgnoringCase(const String& a, const char* b) { return compareIgnoringCase(a, std::string_view(b)); }
inline bool equalsIgnoringCase(const String& a, std::string_view b) { return compareIgnoringCase(a, b) == 0; }
inline bool equalsIgnoringCase(const String& a, const char* b) { return compareIgnoringCase(a, b) == 0; }

} // namespace rt
