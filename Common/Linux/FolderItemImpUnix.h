// The Unix implementation behind every FolderItem: an absolute path, the error
// code of the last failing call, and the answers the C library gives for it.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Universal/RecordMemory.h"
#include "Universal/StringBlocks.h"

/// Whether a folder's time `stamp` lies far enough before `readAt` that a later
/// change cannot carry the same time, so a listing read at `readAt` can be trusted.
bool OlderThanStampMargin(const timespec& stamp, const timespec& readAt);

/// Whether making an item follows a symbolic link at the end of the path.
enum class LinkPolicy { Follow, Keep };

/// One file or folder by absolute path, existing or not. A path naming an
/// existing folder ends with "/".
class FolderItemImpUnix {
public:
    explicit FolderItemImpUnix(std::string path) : path_(std::move(path)) {}
    /// A copy of the path and error code; the folder listing is read anew.
    FolderItemImpUnix(const FolderItemImpUnix& other) : path_(other.path_), lastError_(other.lastError_) {}
    FolderItemImpUnix& operator=(const FolderItemImpUnix&) = delete;

    // A walk makes and drops one implementation per folder entry: they come
    // from the runtime's free lists of small blocks rather than from malloc.
    static void* operator new(size_t size) { return ValueOrRaiseOutOfMemory(AllocateStringBlock(size)); }
    static void operator delete(void* block, size_t size) { FreeStringBlock(block, size); }

    const std::string& Path() const { return path_; }
    int32_t LastError() const { return lastError_; }
    void SetLastError(int32_t code) { lastError_ = code; }

    bool Exists();
    bool IsDirectory();
    /// Whether the item itself is a symbolic link.
    bool IsAlias();
    /// The last component without a trailing "/"; "/" for the root. A view of
    /// the path, valid while the path is unchanged.
    std::string_view Name() const;
    /// The size `stat` reports; 0 when it fails.
    int64_t Length();
    /// Entries of the folder other than "." and ".."; 0 when it cannot be read.
    /// A walk starts here: the folder is checked for changes since it was listed.
    int32_t Count();
    /// The item for the entry at 0-based `index` in `readdir` order; null beyond
    /// the end. The listing is the one the walk's Count checked, or one checked anew.
    std::unique_ptr<FolderItemImpUnix> EntryItem(int32_t index, LinkPolicy links);
    /// The path without its last component; none for the root.
    std::optional<std::string> ParentPath() const;
    /// The path joined with `name` (the folder's own "/" kept).
    std::string ChildPath(std::string_view name) const;

    /// Always true: a refused `access` falls back to the generic answer, which is true.
    bool IsReadable();
    /// `access` W_OK, else a write-back of the first byte of a file, else a
    /// scratch file created and deleted in the folder.
    bool IsWriteable();
    /// `rmdir` for a folder, `remove` otherwise.
    bool Delete();
    /// `mkdir` 0777; the path ends with "/" afterwards whatever happened.
    void CreateAsFolder();
    /// Creates the file empty, only when nothing of that name exists (EEXIST otherwise).
    bool CreateNewFile();
    /// Drops a trailing "/" before a file is created at the path.
    void RemoveTrailingSlash();

    /// Renames the item within its folder.
    bool Rename(std::string_view newName);
    /// Copies a file's bytes and mode to `destination` (into it when it is a folder).
    bool CopyTo(const FolderItemImpUnix& destination);
    /// Moves the item to `destination` (into it when it is a folder); copies across file systems.
    bool MoveTo(const FolderItemImpUnix& destination);
    /// Modification time; none when `stat` fails.
    std::optional<timespec> ModificationTime();
    /// Birth time where the file system records one; none otherwise.
    std::optional<timespec> CreationTime();
    bool SetModificationTime(timespec when);
    /// Permission bits (07777); 0 when `stat` fails.
    int32_t Permissions();
    bool SetPermissions(int32_t mode);
    /// The owning user's or group's name, or its number as text; empty when `stat` fails.
    std::string Owner();
    std::string Group();
    bool SetOwner(std::string_view name);
    bool SetGroup(std::string_view name);

private:
    struct Entry {
        uint32_t nameAt;     // offset of the name in the listing's names
        uint16_t nameLength;
        unsigned char type;  // d_type of readdir
    };

    struct Listing {
        dev_t device;
        ino_t inode;
        timespec modified;
        timespec changed;
        bool trusted;     // false when the folder changed within a timestamp tick of reading it
        bool searchable;  // every user may look names up in the folder
        std::string names;  // every entry's name, one after the other: no allocation per entry
        std::vector<Entry> entries;

        std::string_view NameOf(const Entry& entry) const { return {names.data() + entry.nameAt, entry.nameLength}; }
    };

    /// The listing, checked against the folder as it is now; null when it cannot be read.
    const Listing* CurrentListing();
    /// The listing for one entry of a walk: the kept one when it was checked
    /// within the current 60 Hz tick, else CurrentListing.
    const Listing* WalkListing();
    bool StatPath(struct stat& info);
    bool Fail();  // records errno; yields false
    std::string DestinationPath(const FolderItemImpUnix& destination);

    std::string path_;
    int32_t lastError_ = 0;
    std::unique_ptr<Listing> listing_;
    int32_t listingCheckedAt_ = 0;  // the tick of the listing's last check
};

/// The item for `path`: absolute, or relative to the application folder. Nil
/// (null) for a NUL byte in the path or a `stat` failing other than ENOENT.
std::unique_ptr<FolderItemImpUnix> MakeFolderItemImp(std::string_view path, LinkPolicy links);

/// Fixes the application folder from the executable path start-up resolved.
/// Called again (tests), it replaces the folder.
void SetApplicationExecutablePath(std::string_view resolvedPath);
/// The application folder without a trailing "/" ("" for the root). Without a
/// path from start-up, it is worked out from /proc/self/exe.
const std::string& ApplicationFolderPath();
