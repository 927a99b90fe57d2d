#include "app/Settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>

#include "Common/TextInputStream.h"
#include "Common/StringFunctions.h"
#include "app/App.h"
#include "app/FileFailure.h"
#include "app/Interruption.h"
#include "app/Output.h"
#include "app/Places.h"
#include "app/SafeText.h"
#include "app/SessionLog.h"

namespace {

// A setting is a key and a few numbers or a folder path (up to PATH_MAX): a
// longer line is none, and is read past rather than held.
constexpr size_t kSettingLineBytes = 8192;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> found;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isBlank(text[at])) ++at;
        size_t end = at;
        while (end < text.size() && !isBlank(text[end])) ++end;
        if (end > at) found.push_back(text.substr(at, end - at));
        at = end;
    }
    return found;
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
           });
}

// A count: decimal digits only, from `least` up to `most`.
bool count(std::string_view text, int64_t least, int64_t most, int64_t& value) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= least && value <= most;
}

struct Reader {
    Settings& settings;
    int32_t number;
    std::vector<SettingsFinding>& findings;

    void error(const std::string& text) { findings.push_back({number, text}); }

    bool oneValue(std::string_view key, const std::vector<std::string_view>& values) {
        if (values.size() == 1) return true;
        error(std::string(key) + (values.empty() ? " needs a value" : " takes one value"));
        return false;
    }

    void number32(std::string_view key, const std::vector<std::string_view>& values, int64_t least, int32_t& into) {
        int64_t value = 0;
        if (!oneValue(key, values)) return;
        if (count(values[0], least, std::numeric_limits<int32_t>::max(), value)) into = int32_t(value);
        else error(std::string(key) + " needs a whole number from " + std::to_string(least) + ", not '" +
                   std::string(values[0]) + "'");
    }

    void number64(std::string_view key, const std::vector<std::string_view>& values, int64_t least, int64_t& into) {
        int64_t value = 0;
        if (!oneValue(key, values)) return;
        if (count(values[0], least, std::numeric_limits<int64_t>::max(), value)) into = value;
        else error(std::string(key) + " needs a whole number from " + std::to_string(least) + ", not '" +
                   std::string(values[0]) + "'");
    }

    // Limit <address-pattern> <files> <bytes>
    void limit(const std::vector<std::string_view>& values) {
        if (values.size() != 3) return error("Limit takes an address pattern, a file count and a byte count");
        std::optional<AddressPattern> pattern = ParseAddressPattern(values[0]);
        if (!pattern)
            return error("Limit needs an address pattern (zone:net/node[.point], '*' for any number), not '" +
                         std::string(values[0]) + "'");
        CallerLimit line{std::string(values[0]), *pattern};
        if (!count(values[1], 0, std::numeric_limits<int64_t>::max(), line.files) ||
            !count(values[2], 0, std::numeric_limits<int64_t>::max(), line.bytes))
            return error("Limit needs whole numbers from 0 for its files and bytes");
        settings.limits.push_back(line);
    }

    // Area <folder> [Listed] [Protected] [Depth n] [Newest]
    void area(const std::vector<std::string_view>& values) {
        if (values.empty()) return error("Area needs a folder");
        AreaSetting area{std::string(values[0]), false, false, 0, false, number};
        while (area.folder.size() > 1 && area.folder.back() == '/') area.folder.pop_back();
        for (size_t i = 1; i < values.size(); ++i) {
            int64_t depth = 0;
            if (sameWord(values[i], "Listed")) area.listedOnly = true;
            else if (sameWord(values[i], "Protected")) area.protectedOnly = true;
            else if (sameWord(values[i], "Newest")) area.newest = true;
            else if (sameWord(values[i], "Depth") && i + 1 < values.size() &&
                     count(values[i + 1], 1, kMostAreaDepth, depth))
                area.depth = int32_t(depth), ++i;
            else
                return error("Area takes Listed, Protected, Depth 1 to " + std::to_string(kMostAreaDepth) +
                             " and Newest after its folder, not '" + std::string(values[i]) + "'");
        }
        settings.areas.push_back(area);
    }

    void yesNo(std::string_view key, const std::vector<std::string_view>& values, bool& into) {
        if (!oneValue(key, values)) return;
        if (sameWord(values[0], "Yes")) into = true;
        else if (sameWord(values[0], "No")) into = false;
        else error(std::string(key) + " takes Yes or No, not '" + std::string(values[0]) + "'");
    }
};

} // namespace

void ReadSettingLine(Settings& settings, std::string_view line, int32_t number,
                     std::vector<SettingsFinding>& findings) {
    std::vector<std::string_view> values = words(line.substr(0, line.find(';')));
    if (values.empty()) return;
    std::string_view key = values.front();
    values.erase(values.begin());
    Reader reader{settings, number, findings};
    if (sameWord(key, "MaxFiles")) reader.number32("MaxFiles", values, 0, settings.maxFiles);
    else if (sameWord(key, "MaxBytes")) reader.number64("MaxBytes", values, 0, settings.maxBytes);
    else if (sameWord(key, "BadPasswords")) reader.number64("BadPasswords", values, 1, settings.badPasswords);
    else if (sameWord(key, "SessionSeconds")) reader.number32("SessionSeconds", values, 1, settings.sessionSeconds);
    else if (sameWord(key, "Limit")) reader.limit(values);
    else if (sameWord(key, "Area")) reader.area(values);
    else if (sameWord(key, "UpdateRequests")) reader.yesNo("UpdateRequests", values, settings.updateRequests);
    else if (sameWord(key, "Descriptions")) reader.yesNo("Descriptions", values, settings.descriptions);
    else reader.error("unknown setting '" + std::string(key) + "'");
}

RunResult<bool> ReadSettingsFile(Settings& settings, std::vector<SettingsFinding>& findings) {
    ErrorOr<rt::TextInputStream, FileFailure> opened = OpenTextToRead(SettingsPath());
    if (opened.isError()) {
        int32_t error = opened.error().error;
        if (error == 0 || error == ENOENT) return error == 0;
        return opened.releaseError();
    }
    rt::TextInputStream file = opened.releaseValue();
    for (int32_t number = 1; !file.eof(); ++number) {
        bool cut = false;
        rt::String line = file.readLine(kSettingLineBytes, cut);
        TRY(SafePoint());
        if (cut) {
            findings.push_back({number, "line longer than " + std::to_string(kSettingLineBytes) + " bytes"});
            continue;
        }
        if (number == 1) line = WithoutByteOrderMark(line);
        ReadSettingLine(settings, line.bytes(), number, findings);
    }
    file.close();
    return true;
}

const AreaSetting* AreaOf(const Settings& settings, const rt::String& folder) {
    std::string_view text = folder.bytes();
    while (text.size() > 1 && text.back() == '/') text.remove_suffix(1);
    for (const AreaSetting& area : settings.areas)
        if (area.folder == text) return &area;
    return nullptr;
}

RunResult<const Settings*> RunSettings(RuntimeObject* app) {
    static Settings settings;
    static bool read = false;
    if (read) return &settings;
    std::vector<SettingsFinding> findings;
    Settings fromFile;
    TRY(ReadSettingsFile(fromFile, findings));
    read = true;
    settings = fromFile;
    for (const SettingsFinding& finding : findings) {
        rt::String message = rt::String("Setting Ignored: ") + SettingsPath() + rt::String(":") +
                             rt::decimal(finding.line) + rt::String(": ") +
                             rt::String(finding.text);
        Debug(app, message);
        TRY(LogIt(app, message));
    }
    return &settings;
}
