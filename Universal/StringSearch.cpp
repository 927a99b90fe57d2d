#include "Universal/StringSearch.h"

#include <array>
#include <cstring>
#include <vector>

#include "Universal/CharacterClasses.h"
#include "Universal/UnicodeCase.h"
#include "Universal/UTF8.h"
#include "Universal/Utf8Text.h"
#include "Universal/VELQstring.h"

namespace {

constexpr size_t kFastSearchMinPattern = 5;     // patterns longer than 4 bytes
constexpr int64_t kFastSearchMinPositions = 81;  // more than 80 candidate positions

// The upper case of every ASCII byte, for scanning ASCII runs of UTF-8 text
// without decoding them.
ByteMatch noMatch() { return {-1, -1}; }

// One character of UTF-8 text as the character functions count it: a lead
// byte and the continuation bytes after it. A character that is one whole
// code point compares by its upper case; any other (a broken or overlong
// sequence, a stray continuation byte) only matches the same bytes.
struct Utf8Character {
    uint32_t folded;  // the upper-cased code point, when `whole`
    bool whole;
    const uint8_t* begin;
    const uint8_t* end;

    bool operator==(const Utf8Character& other) const {
        if (whole || other.whole) return whole && other.whole && folded == other.folded;
        return end - begin == other.end - other.begin && std::memcmp(begin, other.begin, size_t(end - begin)) == 0;
    }
};

// Reads the character at `p` (before `end`) and advances `p` past it.
[[gnu::always_inline]] inline Utf8Character readCharacter(const uint8_t*& p, const uint8_t* end) {
    const uint8_t* begin = p;
    const uint8_t* next = p + 1;
    while (next < end && IsUtf8Continuation(*next)) ++next;
    p = next;
    if (*begin < 0x80 && next == begin + 1) return {ByteToUpper(*begin), true, begin, next};
    const uint8_t* decoded = begin;
    uint32_t codePoint = DecodeUTF8(decoded, end);
    // A lone byte above 127 decodes to itself, which is not the character it
    // would name in Latin-1, and an over-long sequence (C0 AF for "/") must
    // not pass for the short one: only the shortest multi-byte form is a code point.
    static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    const auto length = size_t(next - begin);
    if (decoded == next && length > 1 && codePoint >= kLeast[length])
        return {UnicodeToUpper(codePoint), true, begin, next};
    return {0, false, begin, next};
}

/// The characters of a pattern; short patterns (the usual case) need no heap.
class FoldedPattern {
public:
    explicit FoldedPattern(std::string_view pattern) {
        if (pattern.size() > inline_.size()) heap_.resize(pattern.size());
        Utf8Character* out = heap_.empty() ? inline_.data() : heap_.data();
        begin_ = out;
        auto* p = reinterpret_cast<const uint8_t*>(pattern.data());
        auto* end = p + pattern.size();
        while (p < end) *out++ = readCharacter(p, end);
        end_ = out;
    }
    FoldedPattern(const FoldedPattern&) = delete;  // begin_ may point into inline_
    FoldedPattern& operator=(const FoldedPattern&) = delete;
    const Utf8Character* begin() const { return begin_; }
    const Utf8Character* end() const { return end_; }

private:
    std::array<Utf8Character, 16> inline_;
    std::vector<Utf8Character> heap_;
    const Utf8Character* begin_;
    const Utf8Character* end_;
};

// Whether the pattern matches at `text`; `end` receives the match's end.
bool utf8MatchesAt(const uint8_t* text, const uint8_t* textEnd, const FoldedPattern& folded, const uint8_t*& end) {
    const uint8_t* p = text;
    for (const Utf8Character& want : folded) {
        if (p >= textEnd) return false;
        if (*p < 0x80 && (p + 1 == textEnd || !IsUtf8Continuation(p[1]))) {
            if (!(want.whole && ByteToUpper(*p++) == want.folded)) return false;
        } else if (!(readCharacter(p, textEnd) == want)) {
            return false;
        }
    }
    end = p;
    return true;
}

// Candidates are the starts of characters only, so that a match always lies
// where the character functions can reach it.
ByteMatch foldedUtf8(std::string_view text, std::string_view pattern, int64_t start) {
    const FoldedPattern folded(pattern);
    auto* base = reinterpret_cast<const uint8_t*>(text.data());
    auto* textEnd = base + text.size();
    const Utf8Character& first = *folded.begin();
    const bool firstIsAscii = first.whole && first.end - first.begin == 1;
    for (const uint8_t* p = base + start; p < textEnd;) {
        const uint8_t* end;
        // Most characters are ASCII bytes standing alone: one table look-up
        // tells whether such a candidate can start a match.
        if (*p < 0x80 && (p + 1 == textEnd || !IsUtf8Continuation(p[1]))) {
            if (firstIsAscii && ByteToUpper(*p) == first.folded && utf8MatchesAt(p, textEnd, folded, end))
                return {p - base, end - base};
            ++p;
            continue;
        }
        const uint8_t* next = p;
        if (readCharacter(next, textEnd) == first && utf8MatchesAt(p, textEnd, folded, end))
            return {p - base, end - base};
        p = next;
    }
    return noMatch();
}

uint16_t unitAt(const char* text, size_t at) {
    uint16_t unit;
    std::memcpy(&unit, text + at, 2);
    return unit;
}

ByteMatch foldedUtf16(std::string_view text, std::string_view pattern, int64_t start) {
    const size_t units = pattern.size() / 2;
    std::vector<uint32_t> folded(units);
    for (size_t i = 0; i < units; ++i) folded[i] = UnicodeToUpper(unitAt(pattern.data(), 2 * i));
    for (size_t at = size_t(start); at + pattern.size() <= text.size(); at += 2) {
        size_t i = 0;
        while (i < units && UnicodeToUpper(unitAt(text.data(), at + 2 * i)) == folded[i]) ++i;
        if (i == units) return {int64_t(at), int64_t(at + pattern.size())};
    }
    return noMatch();
}

ByteMatch foldedBytes(std::string_view text, std::string_view pattern, int64_t start) {
    const uint8_t first = ByteToUpper(uint8_t(pattern[0]));
    const size_t last = text.size() - pattern.size();
    for (size_t at = size_t(start); at <= last; ++at) {
        if (ByteToUpper(uint8_t(text[at])) != first) continue;
        size_t i = 1;
        while (i < pattern.size() && ByteToUpper(uint8_t(text[at + i])) == ByteToUpper(uint8_t(pattern[i]))) ++i;
        if (i == pattern.size()) return {int64_t(at), int64_t(at + pattern.size())};
    }
    return noMatch();
}

// Byte offset of character `index` (0-based) in text of encoding `code`.
int64_t characterOffset(std::string_view text, uint32_t code, int64_t index) {
    if (code == kEncodingUTF8) return Utf8SkipCharacters(text.data(), uint32_t(text.size()), 0, index);
    return code == kEncodingUTF16 ? 2 * index : index;
}

// 1-based character position of byte offset `offset`.
int32_t characterPosition(std::string_view text, uint32_t code, int64_t offset) {
    if (code == kEncodingUTF8) return int32_t(Utf8CharacterCount(text.data(), uint32_t(offset))) + 1;
    return int32_t(code == kEncodingUTF16 ? offset / 2 : offset) + 1;
}

std::string_view view(RTString s) { return {StringBytes(s), StringLength(s)}; }

} // namespace

ByteMatch ExactByteSearch(std::string_view text, std::string_view pattern, int64_t start) {
    if (start < 0) start = 0;
    if (start >= int64_t(text.size())) return noMatch();
    if (pattern.empty()) return {start, start};
    const int64_t positions = int64_t(text.size()) - start - int64_t(pattern.size()) + 1;
    if (positions <= 0) return noMatch();
    const char* from = text.data() + start;
    const char* found = nullptr;
    if (pattern.size() >= kFastSearchMinPattern && positions >= kFastSearchMinPositions) {
        found = static_cast<const char*>(memmem(from, text.size() - size_t(start), pattern.data(), pattern.size()));
    } else {
        const char* lastStart = from + positions;  // one past the last candidate
        for (const char* p = from; p < lastStart; ++p) {
            p = static_cast<const char*>(std::memchr(p, pattern[0], size_t(lastStart - p)));
            if (!p) break;
            if (std::memcmp(p, pattern.data(), pattern.size()) == 0) {
                found = p;
                break;
            }
        }
    }
    if (!found) return noMatch();
    int64_t at = found - text.data();
    return {at, at + int64_t(pattern.size())};
}

ByteMatch FoldedSearch(std::string_view text, std::string_view pattern, uint32_t code, int64_t start) {
    if (start < 0) start = 0;
    if (start >= int64_t(text.size())) return noMatch();
    if (pattern.empty()) return {start, start};
    if (code == kEncodingUTF8) return foldedUtf8(text, pattern, start);
    if (pattern.size() > text.size() - size_t(start)) return noMatch();
    if (code == kEncodingUTF16) return pattern.size() < 2 ? noMatch() : foldedUtf16(text, pattern, start);
    return foldedBytes(text, pattern, start);
}

extern "C" int32_t StringInStr(int32_t start, RTString source, RTString find) {
    if (!source) return 0;
    if (!find) return start;
    RTString text = RuntimeLockString(source), pattern = RuntimeLockString(find);
    uint32_t code = text->encoding;
    if (text->encoding != pattern->encoding) code = BringToCommonEncoding(text, pattern);
    // Positions count in the source's own characters, as Mid and Left take
    // them: ASCII-labelled text joins UTF-8 by relabelling, bytes unchanged,
    // and each of its bytes stays one character even above 127.
    const uint32_t counting = source->encoding == kEncodingASCII && code == kEncodingUTF8 ? kEncodingASCII : code;
    int32_t position = 0;
    std::string_view haystack = view(text), needle = view(pattern);
    int64_t from = characterOffset(haystack, counting, start > 1 ? int64_t(start) - 1 : 0);
    if (from < int64_t(haystack.size()) && int64_t(haystack.size()) - from >= int64_t(needle.size())) {
        ByteMatch match = FoldedSearch(haystack, needle, code, from);
        if (match.found()) position = characterPosition(haystack, counting, match.begin);
    }
    RuntimeUnlockString(text);
    RuntimeUnlockString(pattern);
    return position;
}

extern "C" int32_t StringExtendsInStr(RTString source, int32_t start, RTString find) {
    return StringInStr(start, source, find);
}

extern "C" int32_t StringInStrB(int32_t start, RTString source, RTString find) {
    if (!source) return 0;
    int64_t from = start > 1 ? int64_t(start) - 1 : 0;
    ByteMatch match = ExactByteSearch(view(source), view(find), from);
    return match.found() ? int32_t(match.begin + 1) : 0;
}

extern "C" int32_t StringExtendsInStrB(RTString source, int32_t start, RTString find) {
    return StringInStrB(start, source, find);
}
