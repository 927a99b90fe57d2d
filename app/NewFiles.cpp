#include "app/NewFiles.h"

#include <cerrno>

NewFile CreateNewFile(const rt::String& path, rt::FolderItem& item) {
    item = rt::FolderItem::get(path);
    if (!item) return NewFile::NoItem;
    if (item.createNewFile()) return NewFile::Created;
    return item.lastErrorCode() == EEXIST ? NewFile::NameTaken : NewFile::Failed;
}

rt::BinaryStream OpenNewBinaryFile(const rt::FolderItem& item) {
    return item.openAsBinaryFile(rt::BinaryAccess::ReadWrite);
}

// Appending to the new, empty file writes it from its start.
rt::TextOutputStream OpenNewTextFile(const rt::FolderItem& item) { return item.appendToTextFile(); }
