// Searching strings: the exact byte search and the case-insensitive search,
// with the entry points that find positions in strings.
#pragma once
#include <cstdint>
#include <string_view>

#include "Universal/Forward.h"

/// A match as byte offsets into the searched text; `begin` is -1 when there is none.
struct ByteMatch {
    int64_t begin;
    int64_t end;
    bool found() const { return begin >= 0; }
};

/// The first exact occurrence of `pattern` in `text` at or after byte `start`
/// (negative counts as 0; an empty pattern matches at `start`; none at or beyond the end).
ByteMatch ExactByteSearch(std::string_view text, std::string_view pattern, int64_t start);

/// The first occurrence of `pattern` in `text`, both in encoding `code`, at or after
/// byte `start` (a character boundary), ignoring case: UTF-8 by code point and
/// UTF-16 by unit through the Unicode case table, other codes by byte. The match
/// may differ from the pattern in byte length where case partners do.
ByteMatch FoldedSearch(std::string_view text, std::string_view pattern, uint32_t code, int64_t start);

extern "C" {
/// 1-based character position of `find` in `source` from character `start`, ignoring case;
/// 0 when absent, `start` for an empty find, 0 for an empty source.
int32_t StringInStr(int32_t start, RTString source, RTString find);
/// StringInStr with the source first, as string methods are called.
int32_t StringExtendsInStr(RTString source, int32_t start, RTString find);
/// 1-based byte position of the exact bytes of `find` in `source` from byte `start`; 0 when absent.
int32_t StringInStrB(int32_t start, RTString source, RTString find);
/// StringInStrB with the source first, as string methods are called.
int32_t StringExtendsInStrB(RTString source, int32_t start, RTString find);
}
