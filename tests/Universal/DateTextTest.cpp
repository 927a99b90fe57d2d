#include <gtest/gtest.h>

#include "support/TestDates.h"

#include <clocale>
#include <string>

#include "Universal/DateImp/DateNames.h"
#include "Universal/DateImp/DateText.h"

namespace {

std::string silentShell(const char*) { return ""; }

class EnglishNames : public testing::Test {
protected:
    EnglishNames() { DateNamesUseShell(&silentShell); }
    ~EnglishNames() override { DateNamesUseShell(nullptr); }
};

} // namespace

TEST_F(EnglishNames, FormatterCodes) {
    struct Row {
        const char* pattern;
        DateImp date;
        const char* expected;
    };
    const DateImp thursday = DateImpOf(2024, 3, 7, 9, 5, 4);
    const Row rows[] = {
        {"%d|%m|%H|%M|%S", thursday, "07|03|09|05|04"},
        {"%y %j %w %U %W", thursday, "24 067 4 9 10"},
        {"%U %W %j %w", DateImpOf(2024, 1, 1), "0 1 001 1"},
        {"%U %W", DateImpOf(2023, 1, 1), "1 0"},
        {"%U %W %j", DateImpOf(2024, 12, 31), "52 53 366"},
        {"%x", thursday, "Thu, Mar 07, 2024"},
        {"%X", thursday, "09:05:04"},
        {"%c", thursday, "Mar 07 09:05:04 2024"},
        {"%A %a %B %b", DateImpOf(2023, 12, 31), "Sunday Sun December Dec"},
        {"100%%", thursday, "100%"},
        {"%Y|%y", DateImpOf(-5, 1, 1), "-5|05"},
        {"%Y", DateImpOf(12345, 1, 1), "12345"},
        {"%I %p", DateImpOf(2024, 1, 1, 0), "00 AM"},
        {"%I %p", DateImpOf(2024, 1, 1, 12), "12 PM"},
        {"%I %p", DateImpOf(2024, 1, 1, 25), "13 PM"},
        {"%H", DateImpOf(2024, 1, 1, 25), "25"},
        {"a%qb", thursday, "aError in TimeSprintf() b"},
        {"end%", thursday, "endError in TimeSprintf() "},
        {"", thursday, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        EXPECT_EQ(TimeSprintf(row.pattern, row.date), row.expected);
    }
}

TEST_F(EnglishNames, TimeZoneCodeNamesTheTimeLocale) {
    std::string saved = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(TimeSprintf("%Z", DateImpOf(2024, 3, 7)), "C");
    std::setlocale(LC_TIME, saved.c_str());
}

TEST_F(EnglishNames, TextStopsAtTheLimit) {
    std::string pattern;
    for (int i = 0; i < 200; ++i) pattern += "%A";  // 200 x "Thursday"
    std::string text = TimeSprintf(pattern, DateImpOf(2024, 3, 7));
    EXPECT_EQ(text.size(), kTimeTextLimit);
    EXPECT_EQ(text.substr(0, 16), "ThursdayThursday");
}
