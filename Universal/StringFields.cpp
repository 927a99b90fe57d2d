#include "Universal/StringFields.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Universal/CharacterClasses.h"
#include "Universal/UnicodeCase.h"
#include "Universal/StringSearch.h"
#include "Universal/StringUtils.h"
#include "Universal/UTF8.h"
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

enum class Flavour { Characters, Bytes };

/// The fields of a source as the split family sees them, handed one byte range
/// at a time to a visitor that answers whether to go on. Walking twice (count,
/// then fill) costs less than collecting the ranges in a growing buffer.
class FieldSplitter {
public:
    FieldSplitter(RTString source, RTString delimiter, Flavour flavour) : source_(source), flavour_(flavour) {
        if (!source || !delimiter) return;
        if (flavour == Flavour::Bytes) {
            delimiter_ = RuntimeLockString(delimiter);
            return;
        }
        delimiter_ = ConvertStringToCode(delimiter, source->encoding);
        matching_ = delimiter_ && hasCasedCharacter(delimiter_) ? Matching::Folded : Matching::Exact;
        // A delimiter that cannot be put in the source's encoding matches nowhere.
        unmatchable_ = !delimiter_;
    }
    ~FieldSplitter() { RuntimeUnlockString(delimiter_); }
    FieldSplitter(const FieldSplitter&) = delete;
    FieldSplitter& operator=(const FieldSplitter&) = delete;

    template <typename Visitor>
    void visit(Visitor&& visitor) const {
        if (!source_) return;
        const std::string_view text = view(source_);
        if (unmatchable_) visitor(size_t(0), text.size());
        else if (!delimiter_) visitCharacters(text, visitor);
        else if (delimiter_->length == 1 && matching_ == Matching::Exact) visitByteDelimited(text, visitor);
        else visitMatches(text, visitor);
    }

    int32_t count() const {
        if (source_ && delimiter_ && delimiter_->length == 1 && matching_ == Matching::Exact) {
            const std::string_view text = view(source_);
            return int32_t(std::count(text.begin(), text.end(), delimiter_->bytes()[0])) + 1;
        }
        int32_t fields = 0;
        visit([&](size_t, size_t) { return ++fields, true; });
        return fields;
    }

private:
    // Every character (UTF-8 sequence, UTF-16 unit) or every byte is a field of its own.
    template <typename Visitor>
    void visitCharacters(std::string_view text, Visitor& visitor) const {
        const uint32_t length = uint32_t(text.size());
        if (flavour_ == Flavour::Characters && source_->encoding == kEncodingUTF8) {
            for (uint32_t at = 0, next; at < length; at = next) {
                next = Utf8SkipCharacters(text.data(), length, at, 1);
                if (!visitor(size_t(at), size_t(next))) return;
            }
            return;
        }
        // NOTE: UTF-16 text is cut into whole units, never into half units.
        const uint32_t step = flavour_ == Flavour::Characters && source_->encoding == kEncodingUTF16 ? 2 : 1;
        for (uint32_t at = 0; at < length; at += step)
            if (!visitor(size_t(at), size_t(std::min(at + step, length)))) return;
    }

    template <typename Visitor>
    void visitByteDelimited(std::string_view text, Visitor& visitor) const {
        const char* begin = text.data();
        const char* end = begin + text.size();
        const char delimiter = delimiter_->bytes()[0];
        for (const char* p = begin;;) {
            auto* hit = static_cast<const char*>(std::memchr(p, delimiter, size_t(end - p)));
            if (!hit) {
                visitor(size_t(p - begin), text.size());
                return;
            }
            if (!visitor(size_t(p - begin), size_t(hit - begin))) return;
            p = hit + 1;
        }
    }

    // The next search starts after the end of a match, so matches never
    // overlap; a search from the end finds nothing and yields the empty last field.
    template <typename Visitor>
    void visitMatches(std::string_view text, Visitor& visitor) const {
        const std::string_view pattern = view(delimiter_);
        for (int64_t at = 0;;) {
            ByteMatch match = matching_ == Matching::Exact ? ExactByteSearch(text, pattern, at)
                                                           : FoldedSearch(text, pattern, source_->encoding, at);
            if (!match.found()) {
                visitor(size_t(at), text.size());
                return;
            }
            if (!visitor(size_t(at), size_t(match.begin))) return;
            at = match.end;
        }
    }

    RTString source_;
    RTString delimiter_ = nullptr;
    Flavour flavour_;
    Matching matching_ = Matching::Exact;
    bool unmatchable_ = false;
};

RuntimeArray* fieldArray(RTString source, RTString delimiter, Flavour flavour) {
    FieldSplitter splitter(source, delimiter, flavour);
    RTString* elements = nullptr;
    RuntimeArray* array = NewStringArray(splitter.count() - 1, &elements);
    if (!array) return nullptr;
    splitter.visit([&](size_t begin, size_t end) {
        *elements++ = StringPart(source, uint32_t(begin), uint32_t(end - begin));
        return true;
    });
    return array;
}

RTString nthField(RTString source, RTString delimiter, Flavour flavour, int32_t n) {
    RTString field = nullptr;
    FieldSplitter(source, delimiter, flavour).visit([&](size_t begin, size_t end) {
        if (--n > 0) return true;
        if (n == 0) field = StringPart(source, uint32_t(begin), uint32_t(end - begin));
        return false;
    });
    return field;
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
    if (length > kLongestString) RaiseOutOfMemoryException();
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
    return fieldArray(source, delimiter, Flavour::Characters);
}

extern "C" RuntimeArray* StringSplitB(RTString source, RTString delimiter) {
    return fieldArray(source, delimiter, Flavour::Bytes);
}

extern "C" int32_t StringCountFields(RTString source, RTString delimiter) {
    return FieldSplitter(source, delimiter, Flavour::Characters).count();
}

extern "C" int32_t StringCountFieldsB(RTString source, RTString delimiter) {
    return FieldSplitter(source, delimiter, Flavour::Bytes).count();
}

extern "C" RTString StringNthField(RTString source, RTString delimiter, int32_t n) {
    return nthField(source, delimiter, Flavour::Characters, n);
}

extern "C" RTString StringNthFieldB(RTString source, RTString delimiter, int32_t n) {
    return nthField(source, delimiter, Flavour::Bytes, n);
}

extern "C" RTString StringJoin(RuntimeArray* array, RTString separator) {
    int32_t upperBound = -1;
    RTString* elements = StringArrayElements(array, upperBound);
    if (!elements || upperBound < 0) return nullptr;
    std::vector<RTString> pieces;
    pieces.reserve(2 * size_t(upperBound) + 1);
    for (int32_t i = 0; i <= upperBound; ++i) {
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
