#include "app/Descriptions.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "Common/FolderItem.h"
#include "Common/TextInputStream.h"
#include "app/Interruption.h"
#include "app/ListedFolders.h"

namespace {

// A folder's list may be long, and is read for each granted file: reading
// stops after this many lines, each within the line bound.
constexpr int32_t kListLines = 20000;
constexpr size_t kListLineBytes = 1024;

const char* const kLists[] = {"files.bbs", "FILES.BBS", "descript.ion", "DESCRIPT.ION"};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

std::optional<std::string> DescriptionOnLine(std::string_view line, std::string_view name) {
    std::string_view entry;
    std::string_view rest;
    if (!line.empty() && line.front() == '"') {
        size_t close = line.find('"', 1);
        if (close == std::string_view::npos) return std::nullopt;
        entry = line.substr(1, close - 1);
        rest = line.substr(close + 1);
    } else {
        size_t end = std::min(line.find_first_of(" \t"), line.size());
        entry = line.substr(0, end);
        rest = line.substr(end);
    }
    if (entry.empty() || entry.size() != name.size() ||
        !std::equal(entry.begin(), entry.end(), name.begin(),
                    [](char a, char b) { return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b)); }))
        return std::nullopt;
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    while (!rest.empty() && isBlank(rest.back())) rest.remove_suffix(1);
    return std::string(rest.substr(0, kDescriptionBytes));
}

RunResult<rt::String> DescriptionOf(const std::string& folder, const rt::String& name) {
    std::string prefix = folder == "/" ? "/" : folder + "/";
    for (const char* listName : kLists) {
        rt::FolderItem list = rt::FolderItem::trueAt(rt::String(prefix + listName));
        // The list is read as a served file would be: a link a stranger
        // planted to a file of another owner is never read into a report.
        if (!list || !list.exists() || !WhyNotServable(list, rt::String(listName)).empty()) continue;
        rt::TextInputStream text = list.openAsTextFile();
        if (!text) continue;
        std::optional<std::string> found;
        for (int32_t n = 0; n < kListLines && !found && !text.eof(); ++n) {
            bool cut = false;
            rt::String line = text.readLine(kListLineBytes, cut);
            TRY(SafePoint());
            found = DescriptionOnLine(line.bytes(), name.bytes());
        }
        text.close();
        if (found) return rt::String::fromBytes(*found, name.encoding());
    }
    return rt::String();
}
