// A folder's names read in one pass, with each entry's type as the directory
// gives it, and the few facts of one `stat` that tell whether a file or folder
// is still the one seen before. For a program that looks at many names of a
// folder and at few of the files behind them: the folder items answer one
// entry at a time instead.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What one `stat` (links followed) says of a path.
struct PathStamp {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};
    int64_t size = 0;
    bool folder = false;
    bool plain = false;  // a regular file: not a folder, pipe, device or socket
    /// Whether the times lie far enough before the `stat` that a later change
    /// cannot carry the same times: only then does an equal stamp prove the
    /// path unchanged.
    bool settled = false;

    /// The same file or folder, unchanged since `earlier` was taken (when that one was settled).
    bool Unchanged(const PathStamp& earlier) const;
    bool SameFile(const PathStamp& other) const { return device == other.device && inode == other.inode; }
};

/// The stamp of `path`, links followed; none when `stat` fails.
std::optional<PathStamp> StampOf(const std::string& path);

/// Every name of a folder but "." and "..", in the order the directory gives them.
struct FolderNames {
    struct Entry {
        uint32_t nameAt;  // offset of the name in `names`
        uint16_t nameLength;
        unsigned char type;  // d_type: DT_UNKNOWN where the file system does not tell
    };
    PathStamp stamp;     // taken before the names were read
    std::string names;   // all names one after the other: no allocation per entry
    std::vector<Entry> entries;

    std::string_view NameOf(const Entry& entry) const { return {names.data() + entry.nameAt, entry.nameLength}; }
    /// Whether the entry is a folder, or a link to one: the entry's type where
    /// the directory gives it, else one `stat` of `folderPath`/name.
    bool IsFolder(const std::string& folderPath, const Entry& entry) const;
    /// Whether the entry is a folder itself, never a link to one: a walk
    /// down through it stays inside the tree it started in.
    bool IsOwnFolder(const std::string& folderPath, const Entry& entry) const;
};

/// The names of the folder at `path`; none when it is no folder or cannot be read.
std::optional<FolderNames> ReadFolderNames(const std::string& path);
