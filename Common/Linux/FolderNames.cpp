#include "Common/Linux/FolderNames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "Common/Linux/FolderItemImpUnix.h"

namespace {

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

} // namespace

bool PathStamp::Unchanged(const PathStamp& earlier) const {
    return earlier.settled && SameFile(earlier) && size == earlier.size && folder == earlier.folder &&
           SameTime(modified, earlier.modified) && SameTime(changed, earlier.changed);
}

std::optional<PathStamp> StampOf(const std::string& path) {
    timespec readAt;
    clock_gettime(CLOCK_REALTIME, &readAt);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    PathStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.modified = info.st_mtim;
    stamp.changed = info.st_ctim;
    stamp.size = int64_t(info.st_size);
    stamp.folder = S_ISDIR(info.st_mode);
    stamp.plain = S_ISREG(info.st_mode);
    stamp.settled = OlderThanStampMargin(info.st_mtim, readAt) && OlderThanStampMargin(info.st_ctim, readAt);
    return stamp;
}

bool FolderNames::IsFolder(const std::string& folderPath, const Entry& entry) const {
    if (entry.type == DT_DIR) return true;
    if (entry.type == DT_REG) return false;
    std::string path = folderPath;
    if (path.empty() || path.back() != '/') path += '/';
    path.append(NameOf(entry));
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FolderNames::IsOwnFolder(const std::string& folderPath, const Entry& entry) const {
    if (entry.type != DT_UNKNOWN) return entry.type == DT_DIR;
    std::string path = folderPath;
    if (path.empty() || path.back() != '/') path += '/';
    path.append(NameOf(entry));
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<FolderNames> ReadFolderNames(const std::string& path) {
    std::optional<PathStamp> stamp = StampOf(path);
    if (!stamp || !stamp->folder) return std::nullopt;
    DIR* folder = opendir(path.c_str());
    if (!folder) return std::nullopt;
    FolderNames listing;
    listing.stamp = *stamp;
    while (dirent* entry = readdir(folder)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        size_t length = std::strlen(name);  // at most NAME_MAX
        listing.entries.push_back({uint32_t(listing.names.size()), uint16_t(length), entry->d_type});
        listing.names.append(name, length);
    }
    closedir(folder);
    listing.names.shrink_to_fit();
    listing.entries.shrink_to_fit();
    return listing;
}
