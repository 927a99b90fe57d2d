// rt::FolderItem: an owning handle over a FolderItem object. Every operation is
// an entry point of runFolderItem.
#pragma once
#include "Common/BinaryStream.h"
#include "Common/Ref.h"
#include "Common/TextInputStream.h"
#include "Common/TextOutputStream.h"
#include "Common/runFolderItem.h"
#include "Common/String.h"

namespace rt {

/// Whether OpenAsBinaryFile also opens for writing.
enum class BinaryAccess { ReadOnly, ReadWrite };

/// Owns one reference to a FolderItem (or none).
class FolderItem : public ObjectHandle<FolderItem> {
public:
    using Handle::Handle;
    FolderItem() noexcept = default;
    /// The item for a path (a final link followed); empty when the path is invalid.
    static FolderItem at(const String& path, FolderItemPathType type = kNativePath) {
        return adopt(RuntimeGetFolderItem(path.get(), type));
    }
    /// The item for a path without following a final link.
    static FolderItem trueAt(const String& path, FolderItemPathType type = kNativePath) {
        return adopt(RuntimeGetTrueFolderItem(path.get(), type));
    }


    bool exists() const { return fileExistsGetter(get()); }
    bool directory() const { return fileDirectoryGetter(get()); }
    String name() const { return String::adopt(fileNameGetter(get())); }
    int64_t length() const { return fileSizeGetter(get()); }
    int32_t count() const { return fileCountGetter(get()); }
    String absolutePath() const { return String::adopt(fileAbsolutePathGetter(get())); }
    FolderItem parent() const { return adopt(folderParentGetter(get())); }
    bool isReadable() const { return FolderItemIsCurrentlyReadable(get()); }
    bool isWriteable() const { return FolderItemIsCurrentlyWriteable(get()); }
    /// Permission bits (07777); 0 when they cannot be read.
    int32_t permissions() const { return filePermissionsGetter(get()); }
    bool locked() const { return fileLockedGetter(get()); }
    int32_t lastErrorCode() const { return FolderItemGetLastError(get()); }
    FolderItem item(int32_t index) const { return adopt(FolderItemItem(get(), index)); }
    FolderItem trueItem(int32_t index) const { return adopt(FolderItemTrueItem(get(), index)); }
    FolderItem child(const String& name) const { return adopt(FolderChild(get(), name.get())); }
    FolderItem trueChild(const String& name) const { return adopt(FolderTrueChild(get(), name.get())); }
    /// Removes the file or empty folder; false with lastErrorCode on failure.
    bool remove() const { return FolderItemDelete(get()); }
    void createAsFolder() const { FolderItemCreateAsFolder(get()); }
    /// Creates the file only when nothing has its name; false with lastErrorCode (EEXIST when taken).
    bool createNewFile() const { return FolderItemCreateNewFile(get()); }

    TextInputStream openAsTextFile() const { return TextInputStream::adopt(FolderItemOpenTextFile(get())); }
    TextOutputStream appendToTextFile() const { return TextOutputStream::adopt(FolderItemAppendTextFile(get())); }
    TextOutputStream createTextFile() const { return TextOutputStream::adopt(FolderItemCreateTextFile(get())); }
    BinaryStream openAsBinaryFile(BinaryAccess access) const {
        return BinaryStream::adopt(FolderItemOpenBinaryFile(get(), access == BinaryAccess::ReadWrite));
    }
    BinaryStream createBinaryFile(const String& type = {}) const {
        return BinaryStream::adopt(FolderItemCreateBinaryFile(get(), type.get()));
    }

};

} // namespace rt
