// Strings cut into fields at a delimiter, and fields put back together:
// split, count and pick fields, join an array, replace occurrences.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Universal/Forward.h"

extern "C" {
/// The runs of `source` between occurrences of `delimiter` (ignoring case when the delimiter
/// has cased characters), empty runs kept; every character for an empty delimiter; no element
/// for an empty source. New String array (first index 0), caller releases.
RuntimeArray* StringSplit(RTString source, RTString delimiter);
/// StringSplit with an exact byte search and one element per byte for an empty delimiter.
/// New String array, caller releases.
RuntimeArray* StringSplitB(RTString source, RTString delimiter);
/// Number of fields StringSplit would give.
int32_t StringCountFields(RTString source, RTString delimiter);
/// Number of fields StringSplitB would give.
int32_t StringCountFieldsB(RTString source, RTString delimiter);
/// Field `n` (1-based) of StringSplit's fields; empty when there is none. New reference, caller releases.
RTString StringNthField(RTString source, RTString delimiter, int32_t n);
/// Field `n` (1-based) of StringSplitB's fields; empty when there is none. New reference, caller releases.
RTString StringNthFieldB(RTString source, RTString delimiter, int32_t n);
/// The elements of a String array with `separator` between them; empty for nil or no
/// elements. New reference, caller releases.
RTString StringJoin(RuntimeArray* array, RTString separator);
/// `source` with its first occurrence of `find` (ignoring case) replaced. New reference, caller releases.
RTString StringReplace(RTString source, RTString find, RTString replacement);
/// `source` with every occurrence of `find` (ignoring case) replaced. New reference, caller releases.
RTString StringReplaceAll(RTString source, RTString find, RTString replacement);
/// `source` with its first exact byte occurrence of `find` replaced. New reference, caller releases.
RTString StringReplaceB(RTString source, RTString find, RTString replacement);
/// `source` with every exact byte occurrence of `find` replaced. New reference, caller releases.
RTString StringReplaceAllB(RTString source, RTString find, RTString replacement);
}

/// The strings joined in order, as repeated concatenation would join them, in one
/// pass when their encodings need no conversion. New reference, caller releases.
RTString JoinStrings(const RTString* pieces, size_t count);
