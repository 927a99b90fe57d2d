#include "app/PermissionLines.h"

#include <algorithm>

#include "Universal/StringSearch.h"
#include "Universal/StringTrim.h"
#include "Universal/StringUtils.h"

rt::String StripCommentAndTrim(const rt::String& line) {
    rt::String text = line;
    if (int32_t semicolon = StringInStr(1, text.get(), rt::String(";").get()))
        text = rt::String::adopt(StringDBCSLeft(text.get(), semicolon - 1));
    return rt::String::adopt(runTrim(text.get()));
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
        result.folder = rt::String::adopt(StringLeft(path.get(), last - 1));
        result.mask = rt::String::adopt(StringMid2(path.get(), last + int32_t(separator.length())));
    } else {
        result.folder = path;
    }
    if (result.mask.empty()) result.mask = "*";
    return result;
}

rt::String WithoutFinalSeparator(const rt::String& folder, const rt::String& separator) {
    if (!equalsIgnoringCase(rt::String::adopt(StringDBCSRight(folder.get(), 1)), separator)) return folder;
    return rt::String::adopt(StringDBCSLeft(folder.get(), StringDBCSLen(folder.get()) - 1));
}

rt::String FirstCharacter(const rt::String& text) { return rt::String::adopt(StringDBCSLeft(text.get(), 1)); }
