// Case-insensitive comparison, search and splitting of runtime strings, each
// measured beside a plain C/C++ baseline doing the same work, then printed as
// a ratio (runtime time / baseline time).
#include <benchmark/benchmark.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Common/array.h"
#include "Universal/String.h"
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

[[maybe_unused]] const bool registered = [] {
    for (const Sample& sample : samples()) {
        const std::string name = sample.name;
        benchmark::RegisterBenchmark(("Compare/" + name + "/runtime").c_str(), compareRuntime, sample.text);
        benchmark::RegisterBenchmark(("Compare/" + name + "/baseline").c_str(), compareBaseline, sample.text);
        benchmark::RegisterBenchmark(("InStr/" + name + "/runtime").c_str(), searchRuntime, sample.text);
        benchmark::RegisterBenchmark(("InStr/" + name + "/baseline").c_str(), searchBaseline, sample.text);
        benchmark::RegisterBenchmark(("Split/" + name + "/runtime").c_str(), splitRuntime, sample.text);
        benchmark::RegisterBenchmark(("Split/" + name + "/baseline").c_str(), splitBaseline, sample.text);
    }
    return true;
}();

} // namespace
