#include "app/DebugFile.h"

#include "Common/runFolderItem.h"
#include "Universal/NumberText.h"
#include "Universal/StringUtils.h"
#include "app/NewFiles.h"

namespace {

// When every lower number is taken, the last one is used whether it exists or not.
constexpr int32_t kLastDebugNumber = 999;

rt::String debugFileName(int32_t number) {
    rt::String digits = rt::String("000") + rt::String::adopt(StringStrInt32(number));
    return rt::String("Debug") + rt::String::adopt(StringDBCSRight(digits.get(), 3)) + rt::String(".Txt");
}

rt::Ref<> itemFor(const rt::String& name) {
    return rt::Ref<>::adopt(RuntimeGetFolderItem(name.get(), kNativePath));
}

} // namespace

RuntimeObject* CreateDebugFile(rt::String& name) {
    int32_t number = 0;
    for (;;) {
        name = debugFileName(++number);
        rt::Ref<> item = itemFor(name);
        if (number == kLastDebugNumber) return item ? FolderItemCreateTextFile(item.get()) : nullptr;
        if (item && fileExistsGetter(item.get())) continue;
        // The name looked free; another session may still take it first, and
        // then the next number is tried.
        switch (CreateNewFile(name, item)) {
        case NewFile::Created: return OpenNewTextFile(item.get());
        case NewFile::NameTaken: continue;
        case NewFile::NoItem:
        case NewFile::Failed: return nullptr;
        }
    }
}

void DeleteDebugFile(const rt::String& name) {
    if (rt::Ref<> item = itemFor(name)) FolderItemDelete(item.get());
}
