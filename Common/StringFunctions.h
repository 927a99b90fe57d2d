// The string functions for C++ code: each call passes its arguments to the
// entry point and takes ownership of the result. No behaviour of its own.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "Common/Arrays.h"
#include "Universal/NumberText.h"
#include "Common/String.h"
#include "Universal/StringFields.h"
#include "Universal/StringFormat.h"
#include "Universal/StringSearch.h"
#include "Universal/StringTrim.h"
#include "Universal/StringUtils.h"

namespace rt {

/// The first n characters of s.
inline String left(const String& s, int32_t n) { return String::adopt(StringDBCSLeft(s.get(), n)); }
/// The last n characters of s.
inline String right(const String& s, int32_t n) { return String::adopt(StringDBCSRight(s.get(), n)); }
/// The characters of s from character `start` (1-based) to the end.
inline String mid(const String& s, int32_t start) { return String::adopt(StringDBCSMid2(s.get(), start)); }
/// `count` characters of s from character `start` (1-based).
inline String mid(const String& s, int32_t start, int32_t count) {
    return String::adopt(StringDBCSMid3(s.get(), start, count));
}
/// The first n bytes of s.
inline String leftBytes(const String& s, int32_t n) { return String::adopt(StringLeft(s.get(), n)); }
/// The bytes of s from byte `start` (1-based) to the end.
inline String midBytes(const String& s, int32_t start) { return String::adopt(StringMid2(s.get(), start)); }
/// Length of s in characters.
inline int32_t len(const String& s) { return StringDBCSLen(s.get()); }
/// 1-based character position of `find` in `source` from `start`, ignoring case; 0 when absent.
inline int32_t inStr(int32_t start, const String& source, const String& find) {
    return StringInStr(start, source.get(), find.get());
}
/// The same for UTF-8 text, lent without a string being made for it.
inline int32_t inStr(int32_t start, const String& source, std::string_view find) {
    return StringInStr(start, source.get(), LentText(find).get());
}
inline int32_t inStr(int32_t start, const String& source, const char* find) {
    return inStr(start, source, std::string_view(find));
}
/// s without leading and trailing white space.
inline String trim(const String& s) { return String::adopt(runTrim(s.get())); }
/// The number at the start of s (0 when there is none).
inline double val(const String& s) { return StringVal(s.get()); }
/// Decimal text of a double.
inline String str(double x) { return String::adopt(StringStrDouble(x)); }
/// Signed decimal text of an Int32.
inline String str(int32_t x) { return String::adopt(StringStrInt32(x)); }
/// Signed decimal text of a whole number of any width up to 64 bits.
inline String decimal(int64_t x) { return String::adopt(StringStrInt64(x)); }
/// Upper-case hexadecimal text.
inline String hex(uint64_t x) { return String::adopt(RuntimeHexUInt64(x)); }
/// x laid out by `format`.
inline String format(double x, const String& format) { return String::adopt(StringFormat(x, format.get())); }
/// `source` with every occurrence of `find` (ignoring case) replaced.
inline String replaceAll(const String& source, const String& find, const String& replacement) {
    return String::adopt(StringReplaceAll(source.get(), find.get(), replacement.get()));
}
/// Field `n` (1-based) of `source` cut at `delimiter`.
inline String nthField(const String& source, const String& delimiter, int32_t n) {
    return String::adopt(StringNthField(source.get(), delimiter.get(), n));
}
/// The pieces of StringSplit, read through the array's own element slots.
inline std::vector<String> split(const String& source, const String& delimiter) {
    auto array = Array<String>::adopt(StringSplit(source.get(), delimiter.get()));
    std::vector<String> pieces;
    pieces.reserve(size_t(array.size()));
    for (String piece : array) pieces.push_back(std::move(piece));
    return pieces;
}

} // namespace rt
