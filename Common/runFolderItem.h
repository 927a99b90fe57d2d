// The FolderItem class of the runtime: each object owns one Unix
// implementation object and forwards to it. Failures never raise; they give
// 0, false or nil and leave errno in the item's LastErrorCode.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Universal/Forward.h"
#include "Common/objects.h"

class FolderItemImpUnix;

/// The fields of a FolderItem after the object header.
struct FolderItemFields {
    FolderItemImpUnix* mImp;  // owned; null answers every property with 0, false or nil
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(FolderItemFields) == 4);
#endif

/// Path types of the getters and the path constructor.
enum FolderItemPathType : int32_t {
    kNativePath = 0,
    kShellPath = 1,
    kURLPath = 2,
};

/// The FolderItem class, built on first use.
RuntimeClass* RuntimeFolderItemClass();

/// Start-up hands the resolved executable path here; it fixes the application
/// folder that relative paths are taken against.
void RuntimeSetExecutablePath(std::string_view resolvedPath);

extern "C" {
/// The item for a path (following a final symbolic link); one reference for the caller, or nil.
RuntimeObject* RuntimeGetFolderItem(RTString path, int32_t pathType);
/// The item for a path without following a final link; one reference for the caller, or nil.
RuntimeObject* RuntimeGetTrueFolderItem(RTString path, int32_t pathType);
/// Constructor with a path; raises "The path passed into new FolderItem was invalid" on failure.
void FolderItemPathCtor(RuntimeObject* item, RTString path, int32_t pathType);
/// Constructor making an independent copy of `other`'s implementation.
void FolderItemCopyCtor(RuntimeObject* item, RuntimeObject* other);

/// `access` F_OK succeeds.
bool fileExistsGetter(RuntimeObject* item);
/// `stat` succeeds and names a folder.
bool fileDirectoryGetter(RuntimeObject* item);
/// The last component without a trailing "/"; a new string for the caller.
RTString fileNameGetter(RuntimeObject* item);
/// The same name, as shown to a person; a new string for the caller.
RTString FileDisplayNameGetter(RuntimeObject* item);
/// Renames the item within its folder.
void fileNameSetter(RuntimeObject* item, RTString name);
/// The size `stat` reports, 0 when it fails.
int64_t fileSizeGetter(RuntimeObject* item);
/// Entries of a folder other than "." and "..".
int32_t fileCountGetter(RuntimeObject* item);
/// The stored path; a new string for the caller.
RTString fileAbsolutePathGetter(RuntimeObject* item);
/// The path as a shell takes it; a new string for the caller.
RTString FileShellPathGetter(RuntimeObject* item);
/// The path as a "file://" URL; a new string for the caller.
RTString FileURLGetter(RuntimeObject* item);
/// The item one level up; one reference for the caller, nil for the root.
RuntimeObject* folderParentGetter(RuntimeObject* item);
/// True for every item (a refused `access` still answers true).
bool FolderItemIsCurrentlyReadable(RuntimeObject* item);
/// Whether the item, or for a missing item its folder, can be written.
bool FolderItemIsCurrentlyWriteable(RuntimeObject* item);
/// Not IsWriteable.
bool fileLockedGetter(RuntimeObject* item);
/// The last error code.
int32_t FolderItemGetLastError(RuntimeObject* item);
void FolderItemSetLastError(RuntimeObject* item, int32_t code);
/// The index-th entry (1-based, `readdir` order), following a final link; one reference, or nil.
RuntimeObject* FolderItemItem(RuntimeObject* item, int32_t index);
/// The same without following a final link.
RuntimeObject* FolderItemTrueItem(RuntimeObject* item, int32_t index);
/// The named entry of an existing folder; one reference, or nil.
RuntimeObject* FolderChild(RuntimeObject* item, RTString name);
/// The same without following a final link.
RuntimeObject* FolderTrueChild(RuntimeObject* item, RTString name);
/// Removes the file or empty folder; false with LastErrorCode on failure.
bool FolderItemDelete(RuntimeObject* item);
/// Creates the folder; the path ends with "/" afterwards.
void FolderItemCreateAsFolder(RuntimeObject* item);
/// Creates the file empty, only when no file of its name exists; false with
/// LastErrorCode EEXIST when one does, so two processes never share a new file.
bool FolderItemCreateNewFile(RuntimeObject* item);
/// Whether the item is itself a symbolic link.
bool fileAliasGetter(RuntimeObject* item);
/// Whether the name does not begin with ".".
bool fileVisibleGetter(RuntimeObject* item);
/// Linux has no hidden flag apart from the name: does nothing.
void fileVisibleSetter(RuntimeObject* item, bool visible);
/// Linux has no file types: always the empty string.
RTString fileTypeGetter(RuntimeObject* item);
/// Permission bits, 0 when `stat` fails.
int32_t filePermissionsGetter(RuntimeObject* item);
void filePermissionsSetter(RuntimeObject* item, int32_t mode);
/// The owning user's name; a new string for the caller.
RTString fileOwnerGetter(RuntimeObject* item);
void fileOwnerSetter(RuntimeObject* item, RTString name);
/// The owning group's name; a new string for the caller.
RTString fileGroupGetter(RuntimeObject* item);
void fileGroupSetter(RuntimeObject* item, RTString name);
/// The modification date as a new Date for the caller; nil when `stat` fails.
RuntimeObject* folderGetModified(RuntimeObject* item);
/// Sets the modification date (seconds; errors in LastErrorCode).
void folderSetModified(RuntimeObject* item, RuntimeObject* date);
/// The birth date where the file system records one, as a new Date; nil otherwise.
RuntimeObject* folderGetCreation(RuntimeObject* item);
/// Linux cannot set a birth date: LastErrorCode becomes ENOTSUP.
void folderSetCreation(RuntimeObject* item, RuntimeObject* date);
/// Copies a file to `destination` (into it when it is a folder); errors in LastErrorCode.
void FolderItemCopyFileTo(RuntimeObject* item, RuntimeObject* destination);
/// Moves the item to `destination` (into it when it is a folder); errors in LastErrorCode.
void FolderItemMoveFileTo(RuntimeObject* item, RuntimeObject* destination);
/// A saved-location record for the item; a new string for the caller.
RTString FolderItemGetSaveInfo(RuntimeObject* item, RuntimeObject* relativeTo, int32_t mode);
/// The item a saved-location record names; one reference, or nil.
RuntimeObject* FolderItemGetRelative(RuntimeObject* item, RTString saveInfo);

/// A TextInputStream reading the file; one reference, or nil with LastErrorCode set.
RuntimeObject* FolderItemOpenTextFile(RuntimeObject* item);
/// A TextOutputStream adding at the end (created when missing); one reference, or nil.
RuntimeObject* FolderItemAppendTextFile(RuntimeObject* item);
/// A TextOutputStream on an emptied or new file; one reference, or nil.
RuntimeObject* FolderItemCreateTextFile(RuntimeObject* item);
/// A BinaryStream reading, and writing when readWrite is true; one reference, or nil.
RuntimeObject* FolderItemOpenBinaryFile(RuntimeObject* item, bool readWrite);
/// A BinaryStream on an emptied or new file (the type has no effect); one reference, or nil.
RuntimeObject* FolderItemCreateBinaryFile(RuntimeObject* item, RTString type);
}
