#include "app/NewFiles.h"

#include <cerrno>

#include "Common/runFolderItem.h"

NewFile CreateNewFile(const rt::String& path, rt::Ref<>& item) {
    item = rt::Ref<>::adopt(RuntimeGetFolderItem(path.get(), kNativePath));
    if (!item) return NewFile::NoItem;
    if (FolderItemCreateNewFile(item.get())) return NewFile::Created;
    return FolderItemGetLastError(item.get()) == EEXIST ? NewFile::NameTaken : NewFile::Failed;
}

RuntimeObject* OpenNewBinaryFile(RuntimeObject* item) { return FolderItemOpenBinaryFile(item, true); }

// Appending to the new, empty file writes it from its start.
RuntimeObject* OpenNewTextFile(RuntimeObject* item) { return FolderItemAppendTextFile(item); }
