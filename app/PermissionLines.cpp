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

FolderAndMask SplitFolderAndMask(const rt::String& path, const rt::String& separator) {
    int32_t last = 0;
    int32_t length = StringDBCSLen(path.get());
    for (int32_t position = 1; position <= length; ++position) {
        rt::String c = rt::String::adopt(StringDBCSMid3(path.get(), position, 1));
        if (c == separator) last = position;
    }
    FolderAndMask result;
    if (last > 0) {
        result.folder = rt::String::adopt(StringDBCSLeft(path.get(), last - 1));
        result.mask = rt::String::adopt(StringDBCSMid2(path.get(), last + 1));
    } else {
        result.folder = path;
    }
    if (result.mask.empty()) result.mask = "*";
    return result;
}

rt::String FirstCharacter(const rt::String& text) { return rt::String::adopt(StringDBCSLeft(text.get(), 1)); }
