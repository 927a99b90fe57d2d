#include "app/PermissionLines.h"

#include "Common/array.h"
#include "Universal/StringFields.h"
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
    RuntimeArray* parts = StringSplit(line.get(), rt::String(" ").get());
    std::vector<rt::String> tokens;
    auto get = reinterpret_cast<RTString (*)(RuntimeArray*, int32_t)>(parts->operations->slots[kSlotGet]);
    for (int32_t i = 0; i <= RuntimeUBound(parts); ++i) tokens.push_back(rt::String::adopt(get(parts, i)));
    RuntimeUnlockArray(parts);
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

rt::String FirstCharacter(const rt::String& text) { return rt::String::adopt(StringDBCSLeft(text.get(), 1)); }
