// Case-insensitive comparison, search, splitting and concatenation of runtime strings, each
// measured beside a plain C/C++ baseline doing the same work, then printed as
// a ratio (runtime time / baseline time).
#include <benchmark/benchmark.h>
#include <locale.h>
#include <strings.h>
#include <wctype.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "Common/array.h"
#include "Common/String.h"
#include "Universal/StringFields.h"
#include "Universal/StringSearch.h"

namespace {

/// Text of at most `size` bytes built from `unit`, cut at a character boundary.
std::string repeatTo(std::string_view unit, size_t size) {
    std::string text;
    while (text.size() + unit.size() <= size) text += unit;
    return text;
}

struct Sample {
    const char* name;
    std::string text;
};

// ASCII and UTF-8 texts of 16 bytes and 4 KiB: comma-separated words, the
// last of which appears nowhere else.
std::vector<Sample> samples() {
    return {
        {"ascii16", "abcd,efg,hi,xylo"},
        {"ascii4K", repeatTo("alpha,bravo,charlie,", 4096 - 10) + "xylophone"},
        {"utf8_16", "\xC3\xA9t\xC3\xA9,\xC3\xA9t,xyl\xC3\xA9"},
        {"utf8_4K", repeatTo("\xC3\xA9t\xC3\xA9,caf\xC3\xA9,na\xC3\xAFve,", 4096 - 10) + "xyl\xC3\xA9phone"},
    };
}

std::string upperAscii(std::string text) {
    for (char& c : text) c = char(std::toupper(uint8_t(c)));
    return text;
}

void compareRuntime(benchmark::State& state, std::string text) {
    rt::String a(text), b(upperAscii(text));
    for (auto _ : state) benchmark::DoNotOptimize(RuntimeStringCompare(a.get(), b.get()));
}

void compareBaseline(benchmark::State& state, std::string text) {
    std::string a = text, b = upperAscii(text);
    for (auto _ : state) benchmark::DoNotOptimize(strcasecmp(a.c_str(), b.c_str()));
}

// The needle is the unique last word in upper case, so that the whole text is scanned.
std::string needleOf(const std::string& text) { return upperAscii(text.substr(text.rfind(',') + 1)); }

void searchRuntime(benchmark::State& state, std::string text) {
    rt::String source(text), find(needleOf(text));
    for (auto _ : state) benchmark::DoNotOptimize(StringInStr(1, source.get(), find.get()));
}

void searchBaseline(benchmark::State& state, std::string text) {
    std::string needle = needleOf(text);
    auto same = [](char x, char y) { return std::toupper(uint8_t(x)) == std::toupper(uint8_t(y)); };
    for (auto _ : state)
        benchmark::DoNotOptimize(std::search(text.begin(), text.end(), needle.begin(), needle.end(), same));
}

// A request name against the literal a processing run checks it for: the
// literal reaches the comparison as text, not as a string made for it.
void compareLiteralRuntime(benchmark::State& state, std::string text) {
    rt::String name(text);
    for (auto _ : state) benchmark::DoNotOptimize(equalsIgnoringCase(name, "Test.Req"));
}

void compareLiteralBaseline(benchmark::State& state, std::string text) {
    for (auto _ : state) benchmark::DoNotOptimize(strcasecmp(text.c_str(), "Test.Req") == 0);
}

void splitRuntime(benchmark::State& state, std::string text) {
    rt::String source(text), comma(",");
    for (auto _ : state) RuntimeUnlockArray(StringSplit(source.get(), comma.get()));
}

void splitBaseline(benchmark::State& state, std::string text) {
    for (auto _ : state) {
        std::vector<std::string> fields;
        std::string_view rest = text;
        for (size_t at; (at = rest.find(',')) != std::string_view::npos; rest.remove_prefix(at + 1))
            fields.emplace_back(rest.substr(0, at));
        fields.emplace_back(rest);
        benchmark::DoNotOptimize(fields.data());
    }
}

// Concatenation of the two halves of a text: the allocation of a new record
// beside that of a std::string.
void concatRuntime(benchmark::State& state, std::string text) {
    rt::String head(text.substr(0, text.size() / 2)), tail(text.substr(text.size() / 2));
    for (auto _ : state) RuntimeUnlockString(RuntimeAddString(head.get(), tail.get()));
}

void concatBaseline(benchmark::State& state, std::string text) {
    std::string head = text.substr(0, text.size() / 2), tail = text.substr(text.size() / 2);
    for (auto _ : state) {
        std::string joined = head + tail;
        benchmark::DoNotOptimize(joined.data());
    }
}

// Wide text: comparison without regard to case of texts whose other side is
// in the other case throughout, non-ASCII letters included, beside a plain C
// loop that decodes each code point and folds it with towlower.
locale_t utf8Locale() {
    static locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return made;
}

std::vector<Sample> wideSamples() {
    const char* mostlyAscii = "the quick brown fox jumps over the lazy dog beside a caf\xC3\xA9, then naps in the sun. ";
    const char* cyrillic = "\xD1\x81\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
                           "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 \xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 "
                           "\xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA, \xD0\xB4\xD0\xB0 \xD0\xB2\xD1\x8B\xD0\xBF"
                           "\xD0\xB5\xD0\xB9 \xD1\x87\xD0\xB0\xD1\x8E. ";
    return {
        {"latin16", "caf\xC3\xA9 au laitier"},
        {"latin4K", repeatTo(mostlyAscii, 4096)},
        {"cyrillic16", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\xD0\xB8\xD0\xBA"},
        {"cyrillic4K", repeatTo(cyrillic, 4096)},
    };
}

// The text with every letter in upper case, through the C library.
std::string upperWide(const std::string& text) {
    locale_t previous = uselocale(utf8Locale());
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(mbstowcs(wide.data(), text.c_str(), wide.size()));
    for (wchar_t& c : wide) c = wchar_t(towupper(wint_t(c)));
    std::string upper(4 * wide.size() + 1, '\0');
    upper.resize(wcstombs(upper.data(), wide.c_str(), upper.size()));
    uselocale(previous);
    return upper;
}

// One code point of well-formed UTF-8; advances `p`.
wint_t decodeBaseline(const unsigned char*& p) {
    unsigned lead = *p++;
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    wint_t codePoint = lead & (0x3F >> extra);
    while (extra-- > 0) codePoint = (codePoint << 6) | (*p++ & 0x3F);
    return codePoint;
}

int compareWideBaselineOnce(const std::string& a, const std::string& b) {
    const auto* p = reinterpret_cast<const unsigned char*>(a.data());
    const auto* q = reinterpret_cast<const unsigned char*>(b.data());
    const unsigned char *endP = p + a.size(), *endQ = q + b.size();
    locale_t locale = utf8Locale();
    while (p < endP && q < endQ) {
        wint_t x = towlower_l(decodeBaseline(p), locale), y = towlower_l(decodeBaseline(q), locale);
        if (x != y) return x < y ? -1 : 1;
    }
    return (p < endP) - (q < endQ);
}

void compareWideRuntime(benchmark::State& state, std::string text) {
    rt::String a(text), b(upperWide(text));
    if (RuntimeStringCompare(a.get(), b.get()) != 0) state.SkipWithError("the texts differ");
    for (auto _ : state) benchmark::DoNotOptimize(RuntimeStringCompare(a.get(), b.get()));
}

void compareWideBaseline(benchmark::State& state, std::string text) {
    std::string a = text, b = upperWide(text);
    if (compareWideBaselineOnce(a, b) != 0) state.SkipWithError("the texts differ");
    for (auto _ : state) benchmark::DoNotOptimize(compareWideBaselineOnce(a, b));
}

[[maybe_unused]] const bool registered = [] {
    for (const Sample& sample : samples()) {
        const std::string name = sample.name;
        benchmark::RegisterBenchmark(("Compare/" + name + "/runtime").c_str(), compareRuntime, sample.text);
        benchmark::RegisterBenchmark(("Compare/" + name + "/baseline").c_str(), compareBaseline, sample.text);
        benchmark::RegisterBenchmark(("InStr/" + name + "/runtime").c_str(), searchRuntime, sample.text);
        benchmark::RegisterBenchmark(("InStr/" + name + "/baseline").c_str(), searchBaseline, sample.text);
        benchmark::RegisterBenchmark(("Split/" + name + "/runtime").c_str(), splitRuntime, sample.text);
        benchmark::RegisterBenchmark(("Split/" + name + "/baseline").c_str(), splitBaseline, sample.text);
        benchmark::RegisterBenchmark(("Concat/" + name + "/runtime").c_str(), concatRuntime, sample.text);
        benchmark::RegisterBenchmark(("Concat/" + name + "/baseline").c_str(), concatBaseline, sample.text);
    }
    for (const std::string name : {"TEST.REQ", "files.lst"}) {
        benchmark::RegisterBenchmark(("CompareLiteral/" + name + "/runtime").c_str(), compareLiteralRuntime, name);
        benchmark::RegisterBenchmark(("CompareLiteral/" + name + "/baseline").c_str(), compareLiteralBaseline, name);
    }
    for (const Sample& sample : wideSamples()) {
        const std::string name = sample.name;
        benchmark::RegisterBenchmark(("CompareWide/" + name + "/runtime").c_str(), compareWideRuntime, sample.text);
        benchmark::RegisterBenchmark(("CompareWide/" + name + "/baseline").c_str(), compareWideBaseline, sample.text);
    }
    return true;
}();

} // namespace
