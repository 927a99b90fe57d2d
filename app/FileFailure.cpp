#include "app/FileFailure.h"

#include <cerrno>
#include <cstring>

#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Common/StringFunctions.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/SessionLog.h"

namespace {

const char* verb(FileAction action) {
    switch (action) {
    case FileAction::Open: return "open";
    case FileAction::Create: return "create";
    case FileAction::Write: return "write";
    }
    return "use";
}

} // namespace

rt::String FailureLine(const FileFailure& failure) {
    rt::String reason = failure.error ? rt::String(std::strerror(failure.error)) : rt::String("the file is empty");
    return rt::String("   Unable to ") + rt::String(verb(failure.action)) + rt::String(" ") + failure.path +
           rt::String(": ") + reason;
}

rt::String FullPath(const rt::String& path, const rt::FolderItem& item) {
    if (item) return item.absolutePath();
    if (equalsIgnoringCase(FirstCharacter(path), "/")) return path;
    return rt::FolderItem::at({}).absolutePath() + path;
}

rt::String FullPathOf(const rt::String& path) { return FullPath(path, rt::FolderItem::at(path)); }

RunResult<rt::FolderItem> ItemOrFail(const rt::String& path, FileAction action) {
    errno = 0;
    rt::FolderItem item = rt::FolderItem::at(path);
    // No item and no error: the path held a NUL byte.
    if (!item) return FileFailure{action, FullPath(path, {}), errno ? errno : EINVAL};
    return item;
}

RunResult<> CheckTextWrites(const rt::TextOutputStream& stream, const rt::String& path) {
    if (int32_t error = stream.lastErrorCode()) return FileFailure{FileAction::Write, path, error};
    return {};
}

RunResult<> CheckBinaryWrites(const rt::BinaryStream& stream, const rt::String& path) {
    if (int32_t error = stream.lastErrorCode()) return FileFailure{FileAction::Write, path, error};
    return {};
}

ErrorOr<rt::TextInputStream, FileFailure> OpenTextToRead(const rt::String& path) {
    errno = 0;
    rt::FolderItem item = rt::FolderItem::at(path);
    if (!item) return FileFailure{FileAction::Open, FullPath(path, {}), errno ? errno : EINVAL};
    FileFailure failure{FileAction::Open, FullPath(path, item), 0};
    if (!item.exists()) {
        failure.error = item.lastErrorCode();
        return failure;
    }
    if (item.length() == 0) return failure;
    rt::TextInputStream stream = item.openAsTextFile();
    if (!stream) {
        failure.error = item.lastErrorCode();
        return failure;
    }
    return stream;
}

namespace {

void show(RuntimeObject* app, const FileFailure& failure) {
    rt::String line = FailureLine(failure);
    StdOut(line);
    Debug(app, line);
}

// The log's own failure, shown where the log cannot take it.
void showLogFailure(RuntimeObject* app, const RunResult<>& logged, const FileFailure* reported = nullptr) {
    if (!logged.isError()) return;
    const FileFailure* failure = std::get_if<FileFailure>(&logged.error());
    // The log itself may be the file that failed: its line is shown once.
    if (failure && !(reported && equalsIgnoringCase(failure->path, reported->path))) show(app, *failure);
}

} // namespace

void ReportFailure(RuntimeObject* app, const FileFailure& failure) {
    show(app, failure);
    showLogFailure(app, LogIt(app, rt::trim(FailureLine(failure))), &failure);
}

void LogReason(RuntimeObject* app, const rt::String& reason) { showLogFailure(app, LogIt(app, reason)); }
