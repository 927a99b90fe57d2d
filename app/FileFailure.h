// Files a run cannot open, create or write. Each such failure ends the run
// with status 1 and a line naming the file's full path and the system's reason.
#pragma once
#include <cstdint>

#include "Common/FolderItem.h"
#include "Common/String.h"

/// What the run could not do with a file.
enum class FileAction { Open, Create, Write };

/// A file the run could not use: thrown by the checks below, caught by the run.
struct FileFailure {
    FileAction action;
    rt::String path;  // the full path
    int32_t error;    // the C library's error number; 0 for a file that is empty
};

/// "   Unable to open /full/path: reason", the line every failure shows.
rt::String FailureLine(const FileFailure& failure);

/// The full path of the file `path` names (a relative one lies in the program's
/// folder), taken from `item` when there is one.
rt::String FullPath(const rt::String& path, const rt::FolderItem& item);

/// The folder item for `path`; throws the failure to `action` it when none can be made.
rt::FolderItem ItemOrFail(const rt::String& path, FileAction action);

/// Throws a write failure of `path` when a write to the text output stream failed.
void CheckTextWrites(const rt::TextOutputStream& stream, const rt::String& path);

/// Throws a write failure of `path` when a write to the binary stream failed.
void CheckBinaryWrites(const rt::BinaryStream& stream, const rt::String& path);

/// Opens the file `path` names as text to read. Nil when it is missing, empty
/// or cannot be opened; `failure` then says why.
rt::TextInputStream OpenTextToRead(const rt::String& path, FileFailure& failure);

/// Shows the failure's line on standard output and in the debug file, and
/// writes it to the log.
void ReportFailure(RuntimeObject* app, const FileFailure& failure);

/// Writes the reason of an error exit (the line standard output showed) to
/// the log too. A log that cannot be written is shown, not thrown: the first
/// reason stays the one the run ends with.
void LogReason(RuntimeObject* app, const rt::String& reason);
