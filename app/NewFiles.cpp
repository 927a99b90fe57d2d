#include "app/NewFiles.h"

#include <cerrno>

#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "app/FileFailure.h"

ErrorOr<CreatedFile, FileFailure> CreateNewFile(const rt::String& path, CreatedMode mode) {
    errno = 0;
    // The item of the name itself: a dangling link there must not lead the
    // creation elsewhere.
    rt::FolderItem item = rt::FolderItem::trueAt(path);
    if (!item) return FileFailure{FileAction::Create, FullPath(path, {}), errno ? errno : EINVAL};
    int descriptor = CreateExclusive(item.absolutePath().str(), mode);
    if (descriptor < 0) return FileFailure{FileAction::Create, FullPath(path, item), errno};
    return CreatedFile{item, descriptor};
}

rt::BinaryStream BinaryStreamOver(int descriptor) {
    auto stream = rt::BinaryStream::adopt(RuntimeNewObject(RuntimeBinaryStreamClass()));
    BinaryStreamHandleCtor(stream.get(), descriptor, kHandleDescriptor);
    return stream;
}

rt::TextOutputStream TextStreamOver(int descriptor) {
    auto stream = rt::TextOutputStream::adopt(RuntimeNewObject(RuntimeTextOutputStreamClass()));
    TextOutputStreamHandleCtor(stream.get(), descriptor, kHandleDescriptor);
    return stream;
}

// Appending to the new, empty file writes it from its start.
rt::TextOutputStream OpenNewTextFile(const rt::FolderItem& item) { return item.appendToTextFile(); }

void EmptyStandingFile(const rt::FolderItem& item) {
    bool created = false;
    CloseDescriptor(OpenOutputFile(item.absolutePath().str(), created));
    if (created) item.remove();
}
