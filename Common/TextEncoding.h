// rt::TextEncoding: an owning handle over a TextEncoding object. Every
// operation is an entry point of the text encodings module.
#pragma once
#include "Common/Handle.h"
#include "Common/String.h"
#include "Universal/TextEncodingUtil.h"

namespace rt {

/// Owns one reference to a TextEncoding (or none, the unknown encoding).
class TextEncoding : public ObjectHandle<TextEncoding> {
public:
    using Handle::Handle;
    TextEncoding() noexcept = default;
    /// The encoding strings of `code` carry; empty for a code without one.
    static TextEncoding forCode(uint32_t code) { return adopt(TextEncodingForCode(code)); }
    /// The encoding `s` carries: ASCII for the empty string, empty when unknown.
    static TextEncoding of(const String& s) { return adopt(StringGetEncoding(s.get())); }

    /// The code strings in this encoding carry; unknown when empty.
    uint32_t code() const { return TextEncodingCode(get()); }
    int32_t base() const { return textEncodingBaseGetter(get()); }
    int32_t format() const { return textEncodingFormatGetter(get()); }
    String internetName() const { return String::adopt(textEncodingInternetName(get())); }
    /// `s` relabelled as this encoding, its bytes unchanged.
    String relabel(const String& s) const { return String::adopt(StringSetEncoding(s.get(), get())); }
    /// `s` converted to this encoding.
    String convert(const String& s) const { return String::adopt(StringConvertEncoding(s.get(), get())); }

    /// The same object, or both present with equal codes.
    friend bool sameEncoding(const TextEncoding& a, const TextEncoding& b) { return TextEncodingEquals(a.get(), b.get()); }
};

} // namespace rt
