// Files a run makes new: the report packet and the debug file, created only
// where nothing of that name exists (two sessions must never share one, and a
// link planted under the name is never followed), and the response list,
// emptied or created without following a link.
#pragma once
#include <cstdint>

#include "Common/Linux/SafeFiles.h"
#include "Common/FolderItem.h"
#include "Common/String.h"
#include "app/RunFailure.h"

/// A file CreateNewFile made, new, empty and ours: its folder item, and the
/// descriptor it is left open on for a stream below, or for CloseDescriptor.
struct CreatedFile {
    rt::FolderItem item;
    int descriptor;
};

/// Creates the file `path` names, only if nothing of that name exists. The
/// failure to create it fails with EEXIST when something of that name exists
/// already: the caller may try another name.
ErrorOr<CreatedFile, FileFailure> CreateNewFile(const rt::String& path, CreatedMode mode);

/// A binary stream over `descriptor`, open for writing; the stream owns it.
rt::BinaryStream BinaryStreamOver(int descriptor);

/// A text output stream over `descriptor`, open for writing; the stream owns it.
rt::TextOutputStream TextStreamOver(int descriptor);

/// Opens a file CreateNewFile made as a text stream that writes each line at
/// once, so that the trace of a run cut short is whole; empty on failure.
rt::TextOutputStream OpenNewTextFile(const rt::FolderItem& item);

/// Empties the plain file `item` names without following a link; a file gone
/// meanwhile is not made anew.
void EmptyStandingFile(const rt::FolderItem& item);
