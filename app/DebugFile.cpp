#include "app/DebugFile.h"

#include <cerrno>
#include <cstdint>
#include <string>

#include "Universal/NumberText.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/NewFiles.h"
#include "app/Output.h"
#include "app/Places.h"

namespace {

std::string gName;  // the debug file this run made

} // namespace

rt::String DebugFileName(int32_t number) {
    rt::String digits = rt::String::adopt(StringStrInt32(number));
    if (digits.length() < 3) digits = rt::right(rt::String("000") + digits, 3);
    return rt::String("Debug") + digits + rt::String(".Txt");
}

rt::TextOutputStream CreateDebugFile(rt::String& name, int32_t& error) {
    for (int32_t number = 1; number < INT32_MAX; ++number) {
        name = DebugFilePath(DebugFileName(number));
        rt::FolderItem item = rt::FolderItem::get(name);
        if (item && item.exists()) continue;
        // The name looked free; another session may still take it first, and
        // then the next number is tried.
        switch (CreateNewFile(name, item)) {
        case NewFile::Created:
            if (rt::TextOutputStream stream = OpenNewTextFile(item)) {
                gName = name.str();
                return stream;
            }
            error = item.lastErrorCode();
            return {};
        case NewFile::NameTaken: continue;
        case NewFile::NoItem: error = errno; return {};
        case NewFile::Failed: error = item.lastErrorCode(); return {};
        }
    }
    error = EEXIST;
    return {};
}

void DeleteDebugFile() {
    if (!gName.empty())
        if (rt::FolderItem item = rt::FolderItem::get(rt::String(gName))) item.remove();
}

void ReportKeptDebugFile() {
    if (gName.empty()) StdOut(">> Error Exit.  No debug file could be made");
    else StdOut(rt::String(">> Error Exit.  See ") + rt::String(gName) + rt::String(" For more information"));
}
