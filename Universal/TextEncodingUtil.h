// Text encodings: the TextEncoding objects that name them, the Encodings module
// that hands them out, the converter names of the codes, and conversion of
// text between encodings through iconv.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Universal/Forward.h"

/// The fields of a TextEncoding object after the object header.
struct TextEncodingFields {
    int32_t base;
    int32_t variant;  // 0 on this platform
    int32_t format;   // 2 for UTF-8, 3 for four-byte Unicode, else 0
    uint32_t code;    // the code strings in this encoding carry
};

static_assert(offsetof(TextEncodingFields, base) == 0 && offsetof(TextEncodingFields, variant) == 4);
static_assert(offsetof(TextEncodingFields, format) == 8 && offsetof(TextEncodingFields, code) == 12);

/// The fields of a TextConverter object after the object header.
struct TextConverterFields {
    uint32_t sourceCode;
    uint32_t targetCode;
};

/// The TextEncoding class record, built on first use (in Common/TextEncodingClasses); never freed.
RuntimeClass* TextEncodingClass();
/// The TextConverter class record, built on first use; never freed.
RuntimeClass* TextConverterClass();

/// The encoding the platform's text is taken to be in (UTF-8), worked out once.
uint32_t SystemEncodingCode();

/// The name iconv knows `code` by, or null when it has no converter.
const char* TextEncodingConverterName(uint32_t code);

/// The bytes of `source` converted from code `from` to code `to`, with one
/// reference for the caller. Invalid or incomplete input becomes "?". Without a
/// converter for either code, `source` itself (old code, one more reference).
RTString TextEncodingConvert(RTString source, uint32_t from, uint32_t to);

/// `input` converted between two encodings named as iconv names them (any of
/// its aliases), into `out`; invalid or incomplete input becomes "?". False,
/// with `out` untouched, when iconv knows either name not.
bool TextEncodingConvertNamed(std::string_view input, const char* from, const char* to, std::string& out);

/// The cached TextEncoding object for `code`, one reference for the caller; nil for unknown.
RuntimeObject* TextEncodingForCode(uint32_t code);
/// The code of a TextEncoding object; unknown for nil.
uint32_t TextEncodingCode(RuntimeObject* encoding);
/// The number (1 to 92) of the Encodings property named `name`, or 0.
int32_t EncodingsPropertyNumber(const char* name);

extern "C" {
/// Property `number` (1 to 92) of the Encodings module, one reference for the caller; nil for others.
RuntimeObject* EncodingsGetter(RuntimeObject* module, int32_t number);
/// The TextEncoding object for `code`, one reference for the caller; nil for unknown.
RuntimeObject* EncodingsGetFromCode(RuntimeObject* module, uint32_t code);
/// The encoding's base value; NilObjectException for nil.
int32_t textEncodingBaseGetter(RuntimeObject* encoding);
/// The encoding's variant (always 0 here); NilObjectException for nil.
int32_t textEncodingVariantGetter(RuntimeObject* encoding);
/// The encoding's format (2 UTF-8, 3 four-byte Unicode, else 0); NilObjectException for nil.
int32_t textEncodingFormatGetter(RuntimeObject* encoding);
/// The encoding's internet name (ASCII), one reference for the caller; empty when it has none.
RTString textEncodingInternetName(RuntimeObject* encoding);
/// Whether a and b are the same object or both present with equal codes.
bool TextEncodingEquals(RuntimeObject* a, RuntimeObject* b);
/// One character of `encoding` for `codePoint`, one reference for the caller.
RTString TextEncodingChr(RuntimeObject* encoding, uint32_t codePoint);
/// A TextConverter from one encoding to another, one reference for the caller; nil when either is nil.
RuntimeObject* getTextConverter(RuntimeObject* from, RuntimeObject* to);
/// `s` converted by `converter`, one reference for the caller; NilObjectException for a nil converter.
RTString textConverterConvert(RuntimeObject* converter, RTString s);
/// Nothing to clear: each conversion opens its own converter.
void textConverterClear(RuntimeObject* converter);

/// The TextEncoding of s, one reference for the caller: ASCII for the empty string, nil for unknown.
RuntimeObject* StringGetEncoding(RTString s);
/// s relabelled with the encoding (nil: unknown), one reference for the caller; s itself when already so labelled.
RTString StringSetEncoding(RTString s, RuntimeObject* encoding);
/// s converted to the encoding, one reference for the caller; s itself when already in it.
RTString StringConvertEncoding(RTString s, RuntimeObject* encoding);
}
