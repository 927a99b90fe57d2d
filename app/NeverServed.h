// Files that never leave this system whatever a permission line says: the
// files the program keeps, reached by any name or link, and links to files a
// stranger with write access to a served folder has no right to hand out.
#pragma once
#include "Common/FolderItem.h"
#include "Common/objects.h"
#include "Common/String.h"
#include "app/RunFailure.h"

/// Why the listed `file` (its own item, a link not followed) is never served:
/// a file the program keeps, or a link whose owner is not its file's owner, or
/// to a file others may not read. Empty when neither holds.
rt::String WhyNeverServed(const rt::FolderItem& file);

/// Names each file of `folder` that fits `mask` and is never served, on
/// standard output and in the debug file; gives how many were named.
RunResult<int> NameNeverServed(RuntimeObject* app, const rt::FolderItem& folder, const rt::String& mask);
