#include "app/FileFailure.h"

#include <cerrno>
#include <cstring>

#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
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

rt::String FullPath(const rt::String& path, RuntimeObject* item) {
    if (item) return rt::String::adopt(fileAbsolutePathGetter(item));
    if (equalsIgnoringCase(FirstCharacter(path), "/")) return path;
    rt::Ref<> program = rt::Ref<>::adopt(RuntimeGetFolderItem(nullptr, kNativePath));
    return rt::String::adopt(fileAbsolutePathGetter(program.get())) + path;
}

rt::Ref<> ItemOrFail(const rt::String& path, FileAction action) {
    errno = 0;
    rt::Ref<> item = rt::Ref<>::adopt(RuntimeGetFolderItem(path.get(), kNativePath));
    // No item and no error: the path held a NUL byte.
    if (!item) throw FileFailure{action, FullPath(path, nullptr), errno ? errno : EINVAL};
    return item;
}

void CheckTextWrites(RuntimeObject* stream, const rt::String& path) {
    if (int32_t error = TextOutputStreamLastErrorGetter(stream)) throw FileFailure{FileAction::Write, path, error};
}

void CheckBinaryWrites(RuntimeObject* stream, const rt::String& path) {
    if (int32_t error = BinaryStreamLastErrorGetter(stream)) throw FileFailure{FileAction::Write, path, error};
}

rt::Ref<> OpenTextToRead(const rt::String& path, FileFailure& failure) {
    errno = 0;
    rt::Ref<> item = rt::Ref<>::adopt(RuntimeGetFolderItem(path.get(), kNativePath));
    if (!item) {
        failure = FileFailure{FileAction::Open, FullPath(path, nullptr), errno ? errno : EINVAL};
        return {};
    }
    failure = FileFailure{FileAction::Open, FullPath(path, item.get()), 0};
    if (!fileExistsGetter(item.get())) {
        failure.error = FolderItemGetLastError(item.get());
        return {};
    }
    if (fileSizeGetter(item.get()) == 0) return {};
    rt::Ref<> stream = rt::Ref<>::adopt(FolderItemOpenTextFile(item.get()));
    if (!stream) failure.error = FolderItemGetLastError(item.get());
    return stream;
}

void ReportFailure(RuntimeObject* app, const FileFailure& failure) {
    rt::String line = FailureLine(failure);
    StdOut(line);
    Debug(app, line);
}
