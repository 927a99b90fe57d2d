#include "app/ListedFolders.h"

#include <sys/stat.h>

#include <cstring>

#include "Common/runBinaryStream.h"
#include "Common/runFolderItem.h"
#include "app/SafeText.h"

namespace {

bool sameFolder(const rt::String& a, const rt::String& b) {
    struct stat first, second;
    return stat(a.str().c_str(), &first) == 0 && stat(b.str().c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

// Opening a pipe or a device found in a listed folder could hold the session
// for ever; deleting one named as a response list would harm the system.
bool IsPlainFile(RuntimeObject* item) {
    struct stat info;
    rt::String path = rt::String::adopt(fileAbsolutePathGetter(item));
    return stat(path.str().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsProgramFolder(RuntimeObject* folder) {
    // The empty path names the program's folder.
    rt::Ref<> program = rt::Ref<>::adopt(RuntimeGetFolderItem(nullptr, kNativePath));
    if (!program || !folder) return false;
    return sameFolder(rt::String::adopt(fileAbsolutePathGetter(folder)),
                      rt::String::adopt(fileAbsolutePathGetter(program.get())));
}

rt::Ref<> ListedFile(RuntimeObject* folder, int32_t index) {
    rt::Ref<> entry = rt::Ref<>::adopt(FolderItemTrueItem(folder, index));
    if (!entry || fileDirectoryGetter(entry.get())) return {};
    return entry;
}

rt::String WhyNotServable(RuntimeObject* file, const rt::String& name) {
    if (!MailerCanCarry(name)) return "a name the mailer cannot carry";
    if (!fileExistsGetter(file)) return "a link to nothing";
    if (!IsPlainFile(file)) return "not a plain file";
    rt::Ref<> opened = rt::Ref<>::adopt(FolderItemOpenBinaryFile(file, false));
    if (!opened) return rt::String("unreadable, ") + rt::String(std::strerror(FolderItemGetLastError(file)));
    BinaryStreamClose(opened.get());
    return {};
}
