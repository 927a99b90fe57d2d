#include "app/FileFailure.h"

#include <cerrno>
#include <cstring>

#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Common/StringFunctions.h"
#include "app/App.h"
#include "app/Output.h"
#include "app/PermissionLines.h"

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

rt::FolderItem ItemOrFail(const rt::String& path, FileAction action) {
    errno = 0;
    rt::FolderItem item = rt::FolderItem::at(path);
    // No item and no error: the path held a NUL byte.
    if (!item) throw FileFailure{action, FullPath(path, {}), errno ? errno : EINVAL};
    return item;
}

void CheckTextWrites(const rt::TextOutputStream& stream, const rt::String& path) {
    if (int32_t error = stream.lastErrorCode()) throw FileFailure{FileAction::Write, path, error};
}

void CheckBinaryWrites(const rt::BinaryStream& stream, const rt::String& path) {
    if (int32_t error = stream.lastErrorCode()) throw FileFailure{FileAction::Write, path, error};
}

rt::TextInputStream OpenTextToRead(const rt::String& path, FileFailure& failure) {
    errno = 0;
    rt::FolderItem item = rt::FolderItem::at(path);
    if (!item) {
        failure = FileFailure{FileAction::Open, FullPath(path, {}), errno ? errno : EINVAL};
        return {};
    }
    failure = FileFailure{FileAction::Open, FullPath(path, item), 0};
    if (!item.exists()) {
        failure.error = item.lastErrorCode();
        return {};
    }
    if (item.length() == 0) return {};
    rt::TextInputStream stream = item.openAsTextFile();
    if (!stream) failure.error = item.lastErrorCode();
    return stream;
}

namespace {

void show(RuntimeObject* app, const FileFailure& failure) {
    rt::String line = FailureLine(failure);
    StdOut(line);
    Debug(app, line);
}

} // namespace

void ReportFailure(RuntimeObject* app, const FileFailure& failure) {
    show(app, failure);
    try {
        AppLogIt(app, rt::trim(FailureLine(failure)));
    } catch (const FileFailure& logFailure) {
        // The log itself may be the file that failed: its line is shown once.
        if (!equalsIgnoringCase(logFailure.path, failure.path)) show(app, logFailure);
    }
}

void LogReason(RuntimeObject* app, const rt::String& reason) {
    try {
        AppLogIt(app, reason);
    } catch (const FileFailure& logFailure) {
        show(app, logFailure);
    }
}
