#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "Universal/NumberText.h"
#include "Common/String.h"
#include "Universal/StringFormat.h"

namespace {

std::string text(RTString s) { return rt::String::adopt(s).str(); }
double val(std::string_view s) { return StringVal(rt::String(s).get()); }

/// Switches LC_ALL to a locale whose decimal point is a comma for one test and
/// restores the previous locale. When the system has no German locale, one is
/// compiled with localedef into a scratch folder (kept for later runs).
class CommaLocale {
public:
    CommaLocale() {
        saved_ = std::setlocale(LC_ALL, nullptr);
        if (const char* path = std::getenv("LOCPATH")) savedPath_ = path;
        if (activate()) return;
        // The C library remembers a failed lookup, so the locale is made before it is asked for.
        auto folder = std::filesystem::temp_directory_path() / "qarvex-test-locales";
        if (!std::filesystem::exists(folder / "de_DE.UTF-8")) {
            std::filesystem::create_directories(folder);
            std::string command = "localedef -i de_DE -f UTF-8 " + (folder / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
            if (std::system(command.c_str()) == -1) return;
        }
        setenv("LOCPATH", folder.c_str(), 1);
        activate();
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, saved_.c_str());
        if (savedPath_) setenv("LOCPATH", savedPath_->c_str(), 1);
        else unsetenv("LOCPATH");
    }
    bool active() const { return active_; }

private:
    bool activate() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point == std::string(",")) return active_ = true;
        return false;
    }
    std::string saved_;
    std::optional<std::string> savedPath_;
    bool active_ = false;
};

} // namespace

TEST(StringVal, ReadsPrefixedBasesAndDecimalText) {
    const std::pair<const char*, double> rows[] = {
        {"&HFF", 255},  {"&hff", 255},   {"&H 1 x F", 31},  {"&B101", 5},   {"&O17", 15},
        {"&HFFFFFFFF", -1}, {"&H1FFFFFFFF", -1}, {"&X12", 0}, {"&", 0},    {"12abc", 12},
        {"abc", 0},     {"", 0},         {"  -3.5e2", -350}, {"0.25", 0.25}, {"1,5", 1},
        {"+7", 7},      {".5", 0.5},
    };
    for (const auto& [input, expected] : rows) {
        SCOPED_TRACE(input);
        EXPECT_EQ(val(input), expected);
    }
}

TEST(StringVal, IgnoresACommaDecimalPointOfTheProcessLocale) {
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a comma decimal point could be made";
    EXPECT_EQ(val("3.25"), 3.25);
    EXPECT_EQ(val("3,25"), 3);
    EXPECT_EQ(text(StringStrDouble(3.25)), "3.25");
}

TEST(StringStrDouble, WritesFixedOrScientificText) {
    const std::pair<double, const char*> rows[] = {
        {1e7, "1.000000e+7"},   {0.000001, "1.000000e-06"}, {-0.0, "0"},       {0, "0"},
        {1.5, "1.5"},           {100, "100"},               {1000000, "1000000"}, {1234567, "1.234567e+6"},
        {0.1 + 0.2, "0.3"},     {-2.5, "-2.5"},             {0.00001, "0.00001"}, {1e300, "1.000000e+300"},
        {-1e-300, "-1.000000e-300"}, {123.456789, "123.4568"}, {999999.99999999, "1000000"},
        {NAN, "NaN"},           {-1234567, "-1.234567e+6"},
    };
    for (const auto& [input, expected] : rows) {
        SCOPED_TRACE(expected);
        rt::String s = rt::String::adopt(StringStrDouble(input));
        EXPECT_EQ(s.str(), expected);
        EXPECT_EQ(s.encoding(), kEncodingASCII);
    }
}

TEST(IntegerText, WritesDecimalAndRadixDigits) {
    EXPECT_EQ(text(StringStrInt32(-2147483647 - 1)), "-2147483648");
    EXPECT_EQ(text(StringStrInt16(-5)), "-5");
    EXPECT_EQ(text(StringStrInt8(-128)), "-128");
    EXPECT_EQ(text(StringStrUInt64(0)), "0");
    EXPECT_EQ(text(StringStrUInt64(18446744073709551615u)), "18446744073709551615");
    EXPECT_EQ(text(StringStrInt64(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(text(RuntimeHexUInt64(0)), "0");
    EXPECT_EQ(text(RuntimeHexUInt64(0xDEADBEEF0ull)), "DEADBEEF0");
    EXPECT_EQ(text(RuntimeHexInt8(-1)), "FF");
    EXPECT_EQ(text(RuntimeHexInt32(-2)), "FFFFFFFE");
    EXPECT_EQ(text(RuntimeBinUInt8(5)), "101");
    EXPECT_EQ(text(RuntimeBinInt16(-1)), "1111111111111111");
    EXPECT_EQ(text(RuntimeOctUInt32(8)), "10");
    EXPECT_EQ(text(RuntimeOctInt64(-1)), "1777777777777777777777");
}

TEST(RunCLong, RoundsAndClamps) {
    EXPECT_EQ(runCLong(rt::String("2.6").get()), 3);
    EXPECT_EQ(runCLong(rt::String("-7").get()), -7);
    EXPECT_EQ(runCLong(rt::String("1e20").get()), INT32_MAX);
    EXPECT_EQ(runCLong(rt::String("nan").get()), 0);
}

TEST(StringFormat, LaysOutPlaceholders) {
    struct Row { double x; const char* format; const char* expected; };
    const Row rows[] = {
        {5, "00", "05"},               {123, "00", "123"},              {7, "#", "7"},
        {1234.5, "#,##0.00", "1,234.50"}, {-5, "00", "05"},              {-5, "-00", "-05"},
        {5, "+0", "+5"},               {0, "+0", "0"},                  {-5, "+0", "-5"},
        {0.5, "0%", "50%"},            {1234567, "#,##0", "1,234,567"}, {1234567, "#,#", "1,234,567"},
        {5, "0,000", "0,005"},         {1.5, "#.##", "1.5"},            {2, "0.00", "2.00"},
        {-3, "0;(0)", "(3)"},          {0, "0;(0);\\z\\e\\r\\o", "zero"}, {0, "0;(0)", "0"},
        {5, "0 kb", "5"},           {5, "0\\ \\f", "5 f"},            {5, "0\\;0", "0;5"},
        {1e7, "Scientific", "1.000000E+07"}, {-1234.5, "SCIENTIFIC", "-1.234500E+03"},
        {0.00012, "0.##e-", "1.2e-04"}, {12000, "0.0E-", "1.2E04"}, {5, "0 files", "5e00"},
        {1e20, "0", "100000000000000000000"},
        {1e-300, "0.00", "0.00"},      {0, "", ""},               {-0.0, "+0;-0;z\\ero", "e"},
        {INFINITY, "#,##0", "inf"},    {NAN, "0.00", "nan.00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.format) + " " + std::to_string(row.x));
        EXPECT_EQ(text(StringFormat(row.x, rt::String(row.format).get())), row.expected);
    }
}

TEST(StringFormat, KeepsTheFormatEncodingAndWholeUtf8Escapes) {
    rt::String format("0\\\xC3\xA9");
    rt::String out = rt::String::adopt(StringFormat(3, format.get()));
    EXPECT_EQ(out.str(), "3\xC3\xA9");
    EXPECT_EQ(out.encoding(), kEncodingUTF8);
    rt::String ascii = rt::String::fromBytes("0", kEncodingASCII);
    EXPECT_EQ(rt::String::adopt(StringFormat(3, ascii.get())).encoding(), kEncodingASCII);
}

TEST(NumberText, LeavesNoStringBehind) {
    int64_t before = RuntimeLiveStringCount();
    for (double x : {0.0, -1.5, 1e200}) {
        RuntimeUnlockString(StringStrDouble(x));
        RuntimeUnlockString(StringFormat(x, rt::String("#,##0.00").get()));
    }
    RuntimeUnlockString(RuntimeHexUInt64(255));
    EXPECT_EQ(RuntimeLiveStringCount(), before);
}

TEST(StringVal, ReadsWideTextThroughTheConverter) {
    std::u16string wide = u"&H1F";
    rt::String hex = rt::String::fromBytes({reinterpret_cast<const char*>(wide.data()), 2 * wide.size()}, kEncodingUTF16);
    EXPECT_EQ(StringVal(hex.get()), 31);
    wide = u" 12.5e1x";
    rt::String number = rt::String::fromBytes({reinterpret_cast<const char*>(wide.data()), 2 * wide.size()}, kEncodingUTF16);
    EXPECT_EQ(StringVal(number.get()), 125);
    EXPECT_EQ(StringVal(rt::String::fromBytes("\xA0" "42", 0x201).get()), 0);  // a Latin-1 no-break space is no blank to strtod
}
