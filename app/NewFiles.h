// Files that two sessions running at once must never share: the report packet
// and the debug file are created only where no file of that name exists.
#pragma once
#include "Common/FolderItem.h"
#include "Common/String.h"

/// How the creation of a new file went.
enum class NewFile {
    Created,    // the file is new and empty, and ours
    NameTaken,  // a file of that name exists already
    NoItem,     // the path gives no folder item
    Failed,     // the file system refused (see the item's LastErrorCode)
};

/// Creates the file `path` names, only if none exists; `item` receives its folder item.
NewFile CreateNewFile(const rt::String& path, rt::FolderItem& item);

/// Opens a file CreateNewFile made as a binary stream for writing; empty on failure.
rt::BinaryStream OpenNewBinaryFile(const rt::FolderItem& item);

/// Opens a file CreateNewFile made as a text stream for writing; empty on failure.
rt::TextOutputStream OpenNewTextFile(const rt::FolderItem& item);
