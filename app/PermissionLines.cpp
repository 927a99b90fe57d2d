#include "app/PermissionLines.h"

#include <algorithm>

#include "Common/StringFunctions.h"
#include "Universal/StringSearch.h"
#include "Universal/StringTrim.h"
#include "Universal/StringUtils.h"

rt::String StripCommentAndTrim(const rt::String& line) {
    rt::String text = line;
    if (int32_t semicolon = rt::inStr(1, text, ";"))
        text = rt::left(text, semicolon - 1);
    return rt::trim(text);
}

std::vector<rt::String> SplitAtSpaces(const rt::String& line) {
    constexpr std::string_view kBlanks = " \t";
    std::string_view rest = line.bytes();
    std::vector<rt::String> tokens;
    for (size_t start = rest.find_first_not_of(kBlanks); start != std::string_view::npos;
         start = rest.find_first_not_of(kBlanks, start)) {
        size_t end = std::min(rest.find_first_of(kBlanks, start), rest.size());
        tokens.push_back(rt::String::fromBytes(rest.substr(start, end - start), line.encoding()));
        start = end;
    }
    return tokens;
}

int32_t LastSeparator(const rt::String& path, const rt::String& separator) {
    // Paths are UTF-8, where the bytes of an ASCII separator never stand inside
    // another character, so the last one is found in one pass over the bytes.
    std::string_view bytes = path.bytes();
    size_t at = separator.empty() ? std::string_view::npos : bytes.rfind(separator.bytes());
    return at == std::string_view::npos ? 0 : int32_t(at) + 1;
}

FolderAndMask SplitFolderAndMask(const rt::String& path, const rt::String& separator) {
    FolderAndMask result;
    if (int32_t last = LastSeparator(path, separator)) {
        result.folder = rt::leftBytes(path, last - 1);
        result.mask = rt::midBytes(path, last + int32_t(separator.length()));
    } else {
        result.folder = path;
    }
    if (result.mask.empty()) result.mask = "*";
    return result;
}

rt::String WithoutFinalSeparator(const rt::String& folder, const rt::String& separator) {
    if (!equalsIgnoringCase(rt::right(folder, 1), separator)) return folder;
    return rt::left(folder, rt::len(folder) - 1);
}

rt::String FirstCharacter(const rt::String& text) { return rt::left(text, 1); }

PermissionLine ParsePermissionLine(const rt::String& text, const rt::String& separator) {
    PermissionLine line;
    line.text = text;
    std::vector<rt::String> tokens = SplitAtSpaces(text);
    for (const rt::String& token : tokens) {
        rt::String first = FirstCharacter(token);
        if (equalsIgnoringCase(first, "@")) {
            line.magicName = rt::mid(token, 2);
            if (equalsIgnoringCase(line.magicName, "Files")) line.namesFiles = true;
        } else if (equalsIgnoringCase(first, "!")) {
            line.password = token;
        } else if (equalsIgnoringCase(first, "+") || equalsIgnoringCase(first, "$")) {
            line.ignored.push_back(token);
        } else {
            line.pathTokens.push_back(token);
        }
    }
    line.lastTokenIsPlus = !tokens.empty() && equalsIgnoringCase(FirstCharacter(tokens.back()), "+");
    FolderAndMask parts =
        SplitFolderAndMask(line.pathTokens.empty() ? rt::String() : line.pathTokens.back(), separator);
    line.folder = WithoutFinalSeparator(parts.folder, separator);
    line.mask = parts.mask;
    return line;
}
