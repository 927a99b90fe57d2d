#include "app/DebugFile.h"

#include <cerrno>
#include <cstdint>
#include <string>

#include "Common/runFolderItem.h"
#include "Universal/NumberText.h"
#include "Universal/StringUtils.h"
#include "app/NewFiles.h"
#include "app/Output.h"

namespace {

std::string gName;  // the debug file this run made

rt::Ref<> itemFor(const rt::String& name) {
    return rt::Ref<>::adopt(RuntimeGetFolderItem(name.get(), kNativePath));
}

} // namespace

rt::String DebugFileName(int32_t number) {
    rt::String digits = rt::String::adopt(StringStrInt32(number));
    if (digits.length() < 3) digits = rt::String::adopt(StringDBCSRight((rt::String("000") + digits).get(), 3));
    return rt::String("Debug") + digits + rt::String(".Txt");
}

RuntimeObject* CreateDebugFile(rt::String& name, int32_t& error) {
    for (int32_t number = 1; number < INT32_MAX; ++number) {
        name = DebugFileName(number);
        rt::Ref<> item = itemFor(name);
        if (item && fileExistsGetter(item.get())) continue;
        // The name looked free; another session may still take it first, and
        // then the next number is tried.
        switch (CreateNewFile(name, item)) {
        case NewFile::Created:
            if (RuntimeObject* stream = OpenNewTextFile(item.get())) {
                gName = name.str();
                return stream;
            }
            error = FolderItemGetLastError(item.get());
            return nullptr;
        case NewFile::NameTaken: continue;
        case NewFile::NoItem: error = errno; return nullptr;
        case NewFile::Failed: error = FolderItemGetLastError(item.get()); return nullptr;
        }
    }
    error = EEXIST;
    return nullptr;
}

void DeleteDebugFile() {
    if (!gName.empty())
        if (rt::Ref<> item = itemFor(rt::String(gName))) FolderItemDelete(item.get());
}

void ReportKeptDebugFile() {
    if (gName.empty()) StdOut(">> Error Exit.  No debug file could be made");
    else StdOut(rt::String(">> Error Exit.  See ") + rt::String(gName) + rt::String(" For more information"));
}
