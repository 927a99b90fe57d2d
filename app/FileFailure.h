// Files a run cannot open, create or write. Each such failure ends the run
// with status 1 and a line naming the file's full path and the system's reason.
#pragma once
#include <cstdint>

#include "Common/FolderItem.h"
#include "Common/String.h"
#include "app/RunFailure.h"

/// "   Unable to open /full/path: reason", the line every failure shows.
rt::String FailureLine(const FileFailure& failure);

/// The full path of the file `path` names (a relative one lies in the program's
/// folder), taken from `item` when there is one.
rt::String FullPath(const rt::String& path, const rt::FolderItem& item);

/// The full path of the file `path` names, as the folder item made for it gives it.
rt::String FullPathOf(const rt::String& path);

/// The folder item for `path`; the failure to `action` it when none can be made.
RunResult<rt::FolderItem> ItemOrFail(const rt::String& path, FileAction action);

/// A write failure of `path` when a write to the text output stream failed.
RunResult<> CheckTextWrites(const rt::TextOutputStream& stream, const rt::String& path);

/// A write failure of `path` when a write to the binary stream failed.
RunResult<> CheckBinaryWrites(const rt::BinaryStream& stream, const rt::String& path);

/// Opens the file `path` names as text to read; the failure says why not. A
/// file that is empty fails with error 0: some callers take it as no fault.
ErrorOr<rt::TextInputStream, FileFailure> OpenTextToRead(const rt::String& path);

/// Shows the failure's line on standard output and in the debug file, and
/// writes it to the log.
void ReportFailure(RuntimeObject* app, const FileFailure& failure);

/// Writes the reason of an error exit (the line standard output showed) to
/// the log too. A log that cannot be written is shown, not passed on: the
/// first reason stays the one the run ends with.
void LogReason(RuntimeObject* app, const rt::String& reason);
