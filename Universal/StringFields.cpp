#include "Universal/StringFields.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Common/array.h"
#include "Universal/CharacterClasses.h"
#include "Universal/StringSearch.h"
#include "Universal/StringUtils.h"
#include "Universal/UTF8.h"
#include "Universal/UnicodeCase.h"
#include "Universal/Utf8Text.h"
#include "Universal/VELQstring.h"

namespace {

enum class Matching { Exact, Folded };

std::string_view view(RTString s) { return {StringBytes(s), StringLength(s)}; }

bool hasCasedCharacter(RTString delimiter) {
    std::string_view text = view(delimiter);
    if (delimiter->encoding == kEncodingUTF8) {
        auto* p = reinterpret_cast<const uint8_t*>(text.data());
        auto* end = p + text.size();
        while (p < end) {
            uint32_t c = DecodeUTF8(p, end);
            if (UnicodeToUpper(c) != c || UnicodeToLower(c) != c) return true;
        }
        return false;
    }
    if (delimiter->encoding == kEncodingUTF16) {
        for (size_t at = 0; at + 1 < text.size(); at += 2) {
            uint16_t unit;
            std::memcpy(&unit, text.data() + at, 2);
            if (UnicodeToUpper(unit) != unit || UnicodeToLower(unit) != unit) return true;
        }
        return false;
    }
    for (char c : text)
        if (ByteToUpper(uint8_t(c)) != ByteToLower(uint8_t(c))) return true;
    return false;
}

/// Ranges of the fields of `source`, each as [begin, end) in bytes.
struct FieldRanges {
    std::vector<std::pair<size_t, size_t>> ranges;
};

// Every character (UTF-8 sequence, UTF-16 unit) or every byte is a field of its own.
FieldRanges characterFields(RTString source, bool byBytes) {
    FieldRanges fields;
    const uint32_t length = source->length;
    if (!byBytes && source->encoding == kEncodingUTF8) {
        for (uint32_t at = 0; at < length;) {
            uint32_t next = Utf8SkipCharacters(source->bytes(), length, at, 1);
            fields.ranges.emplace_back(at, next);
            at = next;
        }
    } else {
        // NOTE: UTF-16 text is cut into whole units, never into half units.
        const uint32_t step = !byBytes && source->encoding == kEncodingUTF16 ? 2 : 1;
        for (uint32_t at = 0; at < length; at += step) fields.ranges.emplace_back(at, std::min(at + step, length));
    }
    return fields;
}

// The fields of `source`; `delimiter` is already in the source's encoding. The
// next search starts after the end of a match, so matches never overlap; a
// search from the end finds nothing and yields the empty last field.
FieldRanges fieldRanges(RTString source, RTString delimiter, Matching matching) {
    FieldRanges fields;
    const std::string_view text = view(source), pattern = view(delimiter);
    int64_t at = 0;
    for (;;) {
        ByteMatch match = matching == Matching::Exact ? ExactByteSearch(text, pattern, at)
                                                      : FoldedSearch(text, pattern, source->encoding, at);
        if (!match.found()) break;
        fields.ranges.emplace_back(size_t(at), size_t(match.begin));
        at = match.end;
    }
    fields.ranges.emplace_back(size_t(at), text.size());
    return fields;
}

/// The fields of a source as the split family sees them.
FieldRanges splitSource(RTString source, RTString delimiter, bool byBytes) {
    if (!source) return {};
    if (!delimiter) return characterFields(source, byBytes);
    if (byBytes) return fieldRanges(source, delimiter, Matching::Exact);
    RTString own = ConvertStringToCode(delimiter, source->encoding);
    FieldRanges fields;
    // A delimiter that cannot be put in the source's encoding matches nowhere.
    if (!own) fields.ranges.emplace_back(0, source->length);
    else fields = fieldRanges(source, own, hasCasedCharacter(own) ? Matching::Folded : Matching::Exact);
    RuntimeUnlockString(own);
    return fields;
}

RuntimeArray* fieldArray(RTString source, const FieldRanges& fields) {
    const int32_t count = int32_t(fields.ranges.size());
    RuntimeArray* array = CreateArray(1, kArrayString, count - 1);
    auto* elements = reinterpret_cast<RTString*>(array->elements);
    for (int32_t i = 0; i < count; ++i) {
        const auto& [begin, end] = fields.ranges[size_t(i)];
        elements[i] = StringPart(source, uint32_t(begin), uint32_t(end - begin));
    }
    return array;
}

RTString nthField(RTString source, const FieldRanges& fields, int32_t n) {
    if (n < 1 || size_t(n) > fields.ranges.size()) return nullptr;
    const auto& [begin, end] = fields.ranges[size_t(n - 1)];
    return StringPart(source, uint32_t(begin), uint32_t(end - begin));
}

RTString replace(RTString source, RTString find, RTString replacement, Matching matching, bool all) {
    if (!source || !find) return RuntimeLockString(source);
    RTString pattern = matching == Matching::Exact ? RuntimeLockString(find) : ConvertStringToCode(find, source->encoding);
    std::vector<RTString> pieces;
    int64_t at = 0;
    const std::string_view text = view(source);
    while (pattern && at < int64_t(text.size())) {
        ByteMatch match = matching == Matching::Exact ? ExactByteSearch(text, view(pattern), at)
                                                      : FoldedSearch(text, view(pattern), source->encoding, at);
        if (!match.found()) break;
        pieces.push_back(StringPart(source, uint32_t(at), uint32_t(match.begin - at)));
        pieces.push_back(RuntimeLockString(replacement));
        at = match.end;
        if (!all) break;
    }
    RuntimeUnlockString(pattern);
    if (pieces.empty()) return RuntimeLockString(source);
    pieces.push_back(StringPart(source, uint32_t(at), uint32_t(text.size() - size_t(at))));
    RTString result = JoinStrings(pieces.data(), pieces.size());
    for (RTString piece : pieces) RuntimeUnlockString(piece);
    return result;
}

} // namespace

RTString JoinStrings(const RTString* pieces, size_t count) {
    uint32_t code = kEncodingASCII;
    bool started = false;
    size_t length = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!pieces[i]) continue;
        length += pieces[i]->length;
        if (!started) {
            code = pieces[i]->encoding;
            started = true;
            continue;
        }
        const uint32_t other = pieces[i]->encoding;
        const uint32_t combined = CombineEncodings(code, other, EncodingCombination::Plain);
        if (combined == kEncodingUnknown && code != kEncodingUnknown && other != kEncodingUnknown) {
            // These pieces need converting: concatenation knows how.
            RTString joined = nullptr;
            for (size_t j = 0; j < count; ++j) {
                RTString longer = RuntimeAddString(joined, pieces[j]);
                RuntimeUnlockString(joined);
                joined = longer;
            }
            return joined;
        }
        code = combined;
    }
    if (length > UINT32_MAX - 22) return nullptr;
    RTString joined = StringAllocate(uint32_t(length), code);
    char* out = joined ? joined->mutableBytes() : nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (!pieces[i]) continue;
        std::memcpy(out, pieces[i]->bytes(), pieces[i]->length);
        out += pieces[i]->length;
    }
    return joined;
}

extern "C" RuntimeArray* StringSplit(RTString source, RTString delimiter) {
    return fieldArray(source, splitSource(source, delimiter, false));
}

extern "C" RuntimeArray* StringSplitB(RTString source, RTString delimiter) {
    return fieldArray(source, splitSource(source, delimiter, true));
}

extern "C" int32_t StringCountFields(RTString source, RTString delimiter) {
    return int32_t(splitSource(source, delimiter, false).ranges.size());
}

extern "C" int32_t StringCountFieldsB(RTString source, RTString delimiter) {
    return int32_t(splitSource(source, delimiter, true).ranges.size());
}

extern "C" RTString StringNthField(RTString source, RTString delimiter, int32_t n) {
    return nthField(source, splitSource(source, delimiter, false), n);
}

extern "C" RTString StringNthFieldB(RTString source, RTString delimiter, int32_t n) {
    return nthField(source, splitSource(source, delimiter, true), n);
}

extern "C" RTString StringJoin(RuntimeArray* array, RTString separator) {
    if (!array || array->dimensions != 1 || array->upperBounds[0] < 0) return nullptr;
    auto* elements = reinterpret_cast<RTString*>(array->elements);
    std::vector<RTString> pieces;
    pieces.reserve(2 * size_t(array->upperBounds[0]) + 1);
    for (int32_t i = 0; i <= array->upperBounds[0]; ++i) {
        if (i > 0) pieces.push_back(separator);
        pieces.push_back(elements[i]);
    }
    return JoinStrings(pieces.data(), pieces.size());
}

extern "C" RTString StringReplace(RTString source, RTString find, RTString replacement) {
    return replace(source, find, replacement, Matching::Folded, false);
}

extern "C" RTString StringReplaceAll(RTString source, RTString find, RTString replacement) {
    return replace(source, find, replacement, Matching::Folded, true);
}

extern "C" RTString StringReplaceB(RTString source, RTString find, RTString replacement) {
    return replace(source, find, replacement, Matching::Exact, false);
}

extern "C" RTString StringReplaceAllB(RTString source, RTString find, RTString replacement) {
    return replace(source, find, replacement, Matching::Exact, true);
}
