#include "app/DebugFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "Common/Date.h"
#include "Common/runFolderItem.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/FileFailure.h"
#include "app/NewFiles.h"
#include "app/Output.h"
#include "app/Places.h"

namespace {

std::string gName;  // the debug file this run made

// The number of a debug file's name ("Debug" + three or more digits + ".Txt"); 0 for any other name.
int64_t debugNumber(std::string_view name) {
    constexpr std::string_view kStart = "Debug", kEnd = ".Txt";
    if (name.size() < kStart.size() + 3 + kEnd.size() || !name.starts_with(kStart) || !name.ends_with(kEnd)) return 0;
    std::string_view digits = name.substr(kStart.size(), name.size() - kStart.size() - kEnd.size());
    if (digits.size() > 10) return 0;
    int64_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number;
}

// Every failed run keeps its trace, and a caller can make runs fail at will:
// only the newest files stay, so the traces cannot fill the disk.
void removeOldDebugFiles() {
    struct Kept {
        double modified;
        int64_t number;
        rt::FolderItem item;
    };
    std::vector<Kept> kept;
    for (rt::FolderItem& item : DebugFiles()) {
        rt::Date modified = rt::Date::adopt(folderGetModified(item.get()));
        kept.push_back({modified ? modified.totalSeconds() : 0.0, debugNumber(item.name().bytes()), item});
    }
    if (kept.size() <= kKeptDebugFiles) return;
    std::ranges::sort(kept, [](const Kept& a, const Kept& b) {
        return a.modified != b.modified ? a.modified > b.modified : a.number > b.number;
    });
    for (size_t i = kKeptDebugFiles; i < kept.size(); ++i)
        if (kept[i].item.name().str() != gName) kept[i].item.remove();
}

} // namespace

rt::String DebugFileName(int32_t number) {
    rt::String digits = rt::decimal(number);
    if (digits.length() < 3) digits = rt::right(rt::String("000") + digits, 3);
    return rt::String("Debug") + digits + rt::String(".Txt");
}

bool IsDebugFileName(std::string_view name) { return debugNumber(name) != 0; }

rt::FolderItem DebugFolder() { return rt::FolderItem::trueAt(DebugFilePath(DebugFileName(1))).parent(); }

std::vector<rt::FolderItem> DebugFiles() {
    std::vector<rt::FolderItem> files;
    rt::FolderItem folder = DebugFolder();
    if (!folder) return files;
    int32_t count = folder.count();
    for (int32_t i = 1; i <= count; ++i)
        if (rt::FolderItem entry = folder.trueItem(i); entry && IsDebugFileName(entry.name().bytes()))
            files.push_back(entry);
    return files;
}

ErrorOr<rt::TextOutputStream, FileFailure> CreateDebugFile() {
    rt::String name;
    auto failure = [&](int32_t error) { return FileFailure{FileAction::Create, FullPath(name, {}), error}; };
    for (int32_t number = 1; number < INT32_MAX; ++number) {
        name = DebugFilePath(DebugFileName(number));
        rt::FolderItem item = rt::FolderItem::trueAt(name);
        if (item && item.exists()) continue;
        // The name looked free; another session may still take it first, and
        // then the next number is tried.
        ErrorOr<CreatedFile, FileFailure> created = CreateNewFile(name, CreatedMode::OwnerAndGroup);
        if (created.isError()) {
            if (created.error().error == EEXIST) continue;
            return failure(created.error().error);
        }
        CloseDescriptor(created.value().descriptor);
        if (rt::TextOutputStream stream = OpenNewTextFile(created.value().item)) {
            gName = name.str();
            return stream;
        }
        return failure(created.value().item.lastErrorCode());
    }
    return failure(EEXIST);
}

void DeleteDebugFile() {
    if (!gName.empty())
        if (rt::FolderItem item = rt::FolderItem::at(rt::String(gName))) item.remove();
}

void ReportKeptDebugFile() {
    if (gName.empty()) StdOut(">> Error Exit.  No debug file could be made");
    else StdOut(rt::String(">> Error Exit.  See ") + rt::String(gName) + rt::String(" For more information"));
    removeOldDebugFiles();
}
