// InitSRIF: reads the request information file a mailer writes for a file
// request and keeps the values the run needs.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

#include "Common/TextInputStream.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/FileFailure.h"
#include "app/Interruption.h"
#include "app/Output.h"
#include "app/SafeText.h"

namespace {

struct Keyword {
    const char* text;      // tested at the start of the line, trailing blank included
    int32_t valueStart;    // character where the value begins
    rt::String AppFields::*property;
};

const Keyword kKeywords[] = {
    {"RequestList ", 12, &AppFields::ReqFileName},
    {"ResponseList ", 14, &AppFields::RspFileName},
    {"Sysop ", 7, &AppFields::SysOp},
    {"AKA ", 5, &AppFields::FidoAddr},
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The keyword and its value are read as bytes: the Sysop's name of a CP866 or
// Latin-1 system is no UTF-8 and is kept byte for byte, its ends trimmed of
// ASCII blanks only (0xA0 is a letter in CP866). Gives whether the line is
// the keyword's (`text` ends in the blank after it).
bool valueOf(std::string_view bytes, std::string_view name, size_t valueStart, std::string_view& value) {
    if (bytes.size() < name.size() || !std::equal(name.begin(), name.end(), bytes.begin(), [](char a, char b) {
            return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b));
        }))
        return false;
    value = bytes.substr(std::min(bytes.size(), valueStart - 1));
    while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && isBlank(value.back())) value.remove_suffix(1);
    return true;
}

void takeValue(AppFields* f, const Keyword& keyword, const rt::String& line) {
    std::string_view value;
    if (valueOf(line.bytes(), keyword.text, size_t(keyword.valueStart), value))
        f->*keyword.property = rt::String::fromBytes(value, line.encoding());
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
           });
}

// A caller with more addresses than this is served by its first ones: the
// rest would only lengthen every per-caller match.
constexpr size_t kMostAkas = 64;

SrifCaller gCaller;

// The lines that say who calls: every AKA, whether the session has the
// node's password, and whether the node is in the nodelist.
void takeCaller(const rt::String& line) {
    std::string_view bytes = line.bytes(), value;
    if (valueOf(bytes, "AKA ", 5, value) && !value.empty() && gCaller.akas.size() < kMostAkas)
        gCaller.akas.emplace_back(value);
    if (valueOf(bytes, "RemoteStatus ", 14, value)) gCaller.protectedSession = sameWord(value, "PROTECTED");
    if (valueOf(bytes, "SystemStatus ", 14, value)) gCaller.listed = sameWord(value, "LISTED");
}

// The session time the mailer allows, in minutes: -1 (the SRIF's own word
// for none) unless a `Time` line gives a number.
int32_t gTimeMinutes = -1;

int32_t minutesOf(const rt::String& line) {
    std::string value = rt::trim(rt::mid(line, 6)).str();
    int32_t minutes = -1;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), minutes);
    return error == std::errc() && end == value.data() + value.size() ? minutes : -1;
}

// The mailer's paths take up to PATH_MAX bytes: a longer line is none of its
// lines, and is read past rather than held.
constexpr size_t kSrifLineBytes = 8192;

} // namespace

int32_t SrifTimeMinutes() { return gTimeMinutes; }

const SrifCaller& SrifCallerOf() { return gCaller; }

bool AppInitSRIF(RuntimeObject* app, RTString path) {
    return FailedAtBoundary(app, ReadSrif(app, rt::String::retain(path)));
}

RunResult<> ReadSrif(RuntimeObject* app, const rt::String& file) {
    Debug(app, rt::String("Start SRIF Processing.  File=") + file);
    ErrorOr<rt::TextInputStream, FileFailure> opened = OpenTextToRead(file);
    if (opened.isError()) {
        StdOut(rt::String("   ") + file + rt::String(" Not Found"));
        Debug(app, "SRIF File not found");
        LogReason(app, file + rt::String(" Not Found"));
        ReportFailure(app, opened.error());
        return Reported{};
    }
    rt::TextInputStream stream = opened.releaseValue();
    Debug(app, "Reading SRIF File");
    AppFields* f = AppState(app);
    gTimeMinutes = -1;
    gCaller = {};
    for (bool first = true; !stream.eof(); first = false) {
        bool cut = false;
        rt::String line = stream.readLine(kSrifLineBytes, cut);
        TRY(SafePoint());
        if (cut) {
            Debug(app, rt::String("SRIF line too long: ") + Excerpt(line));
            continue;
        }
        if (first) line = WithoutByteOrderMark(line);
        for (const Keyword& keyword : kKeywords) takeValue(f, keyword, line);
        takeCaller(line);
        if (rt::inStr(1, line, "Time ") == 1) gTimeMinutes = minutesOf(line);
    }
    stream.close();
    Debug(app, rt::String("Request File  ") + f->ReqFileName);
    Debug(app, rt::String("Response File ") + f->RspFileName);
    Debug(app, rt::String("Remote SysOp  ") + Excerpt(f->SysOp));
    Debug(app, rt::String("Remote AKA    ") + Excerpt(f->FidoAddr));
    Debug(app, "End SRIF Processing");
    return {};
}
