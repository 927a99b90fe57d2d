#include "Universal/DateImp/DateNames.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

const char* const kEnglishDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kEnglishMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};

// popen runs the command line through /bin/sh -c.
std::string runThroughShell(const char* commandLine) {
    std::string output;
    FILE* pipe = popen(commandLine, "r");
    if (!pipe) return output;
    char buffer[256];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
    return output;
}

ShellRunner gRunner = &runThroughShell;

struct NameCache {
    std::optional<std::string> days[2][7];
    std::optional<std::string> months[2][12];
    std::optional<bool> fullStop;
};
NameCache gCache;

// The command's output up to its first line end.
std::string firstLine(const char* commandLine) {
    std::string output = gRunner(commandLine);
    return output.substr(0, output.find_first_of("\r\n"));
}

const std::string& cachedName(std::optional<std::string>& slot, const std::string& commandLine,
                              const char* english, NameForm form) {
    if (!slot) {
        std::string name = firstLine(commandLine.c_str());
        if (name.empty()) name = form == NameForm::Full ? english : std::string(english, 3);
        slot = std::move(name);
    }
    return *slot;
}

} // namespace

const std::string& DateDayName(int weekday, NameForm form) {
    // 1 January 1995 was a Sunday.
    std::string commandLine = "date -d \"1995-01-" + std::to_string(weekday + 1) + "\" " +
                              (form == NameForm::Full ? "+%A" : "+%a");
    return cachedName(gCache.days[int(form)][weekday], commandLine, kEnglishDays[weekday], form);
}

const std::string& DateMonthName(int month, NameForm form) {
    std::string commandLine =
        "date -d \"2005-" + std::to_string(month + 1) + "-01\" " + (form == NameForm::Full ? "+%B" : "+%b");
    return cachedName(gCache.months[int(form)][month], commandLine, kEnglishMonths[month], form);
}

bool DateSeparatorIsFullStop() {
    if (!gCache.fullStop) gCache.fullStop = gRunner("date +%x").find('.') != std::string::npos;
    return *gCache.fullStop;
}

void DateNamesUseShell(ShellRunner runner) {
    gRunner = runner ? runner : &runThroughShell;
    gCache = NameCache{};
}
