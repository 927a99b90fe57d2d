// Files that two sessions running at once must never share: the report packet
// and the debug file are created only where no file of that name exists.
#pragma once
#include "Common/Ref.h"
#include "Universal/String.h"

/// How the creation of a new file went.
enum class NewFile {
    Created,    // the file is new and empty, and ours
    NameTaken,  // a file of that name exists already
    NoItem,     // the path gives no folder item
    Failed,     // the file system refused (see the item's LastErrorCode)
};

/// Creates the file `path` names, only if none exists; `item` receives its folder item.
NewFile CreateNewFile(const rt::String& path, rt::Ref<>& item);

/// Opens a file CreateNewFile made as a binary stream for writing; nil on failure.
RuntimeObject* OpenNewBinaryFile(RuntimeObject* item);

/// Opens a file CreateNewFile made as a text stream for writing; nil on failure.
RuntimeObject* OpenNewTextFile(RuntimeObject* item);
