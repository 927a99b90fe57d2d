#include "Common/Linux/FolderItemImpUnix.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "Common/Linux/SymbolicLinks.h"
#include "Universal/DateImp/Clocks.h"

namespace {

constexpr const char* kScratchPrefix = ".qarvex-writable-";

bool EndsWithSlash(std::string_view path) { return !path.empty() && path.back() == '/'; }

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

} // namespace

// A folder listing is trusted while the folder's times are unchanged, which
// holds only if a later change cannot carry the same time. File systems stamp
// with a coarse clock (a tick, or whole seconds where the nanoseconds are 0),
// so a change within that margin of reading the folder makes the listing one
// to read again next time.
bool OlderThanStampMargin(const timespec& stamp, const timespec& readAt) {
    int64_t marginNs = stamp.tv_nsec % 1000000 == 0 ? INT64_C(2000000000) : INT64_C(50000000);
    int64_t stampNs = int64_t(stamp.tv_sec) * 1000000000 + stamp.tv_nsec;
    int64_t readNs = int64_t(readAt.tv_sec) * 1000000000 + readAt.tv_nsec;
    return stampNs < readNs - marginNs;
}

namespace {

std::string gApplicationFolder;
bool gApplicationFolderKnown = false;

// The folder part of a path: everything before its last "/".
std::string_view FolderPart(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string WorkOutApplicationFolder(std::string_view executable) {
    std::string folder;
    if (!executable.empty() && executable.front() == '/') {
        folder = std::string(FolderPart(executable));
    } else {
        char cwd[PATH_MAX];
        folder = getcwd(cwd, sizeof cwd) ? cwd : "";
        std::string_view relative = FolderPart(executable);
        if (!relative.empty()) folder.append("/").append(relative);
        if (char* resolved = realpath(folder.empty() ? "/" : folder.c_str(), nullptr)) {
            folder = resolved;
            free(resolved);
        }
    }
    struct stat info;
    if (!folder.empty() && (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
        folder = std::string(FolderPart(folder));
    if (EndsWithSlash(folder)) folder.pop_back();
    return folder;
}

// Scratch files of the writability test that could not be deleted at once;
// their deletion is tried again at the next test.
std::vector<std::string>& PendingScratchFiles() {
    static auto* pending = new std::vector<std::string>();
    return *pending;
}

void RetryScratchDeletions() {
    auto& pending = PendingScratchFiles();
    std::erase_if(pending, [](const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; });
}

} // namespace

void SetApplicationExecutablePath(std::string_view resolvedPath) {
    gApplicationFolder = WorkOutApplicationFolder(resolvedPath);
    gApplicationFolderKnown = true;
}

const std::string& ApplicationFolderPath() {
    if (!gApplicationFolderKnown) {
        SetApplicationExecutablePath(ReadLinkTarget("/proc/self/exe").value_or(std::string()));
    }
    return gApplicationFolder;
}

std::unique_ptr<FolderItemImpUnix> MakeFolderItemImp(std::string_view given, LinkPolicy links) {
    if (given.find('\0') != std::string_view::npos) return nullptr;
    std::string path = !given.empty() && given.front() == '/'
                           ? std::string(given)
                           : ApplicationFolderPath() + "/" + std::string(given);
    for (int hop = 0;; ++hop) {
        // One lstat answers for everything but a link, whose target needs a stat.
        struct stat own;
        if (lstat(path.c_str(), &own) != 0)
            return errno == ENOENT ? std::make_unique<FolderItemImpUnix>(std::move(path)) : nullptr;
        bool alias = S_ISLNK(own.st_mode);
        struct stat target = own;
        if (alias && stat(path.c_str(), &target) != 0) {
            if (errno != ENOENT) return nullptr;
            target.st_mode = 0;  // a dangling link is still an item
        }
        if (S_ISDIR(target.st_mode)) {
            if (!EndsWithSlash(path)) path += '/';  // "link/" now names the folder itself
            return std::make_unique<FolderItemImpUnix>(std::move(path));
        }
        if (links == LinkPolicy::Keep || !alias) return std::make_unique<FolderItemImpUnix>(std::move(path));
        if (hop == kMaxLinkHops) return nullptr;
        std::optional<std::string> link = ReadLinkTarget(path);
        if (!link || link->empty()) return std::make_unique<FolderItemImpUnix>(std::move(path));
        path = LinkTargetPath(path, *link);
    }
}

bool FolderItemImpUnix::Fail() {
    lastError_ = errno;
    return false;
}

bool FolderItemImpUnix::StatPath(struct stat& info) { return stat(path_.c_str(), &info) == 0 || Fail(); }

bool FolderItemImpUnix::Exists() { return access(path_.c_str(), F_OK) == 0 || Fail(); }

bool FolderItemImpUnix::IsDirectory() {
    struct stat info;
    return StatPath(info) && S_ISDIR(info.st_mode);
}

bool FolderItemImpUnix::IsAlias() {
    struct stat info;
    std::string own = path_;
    if (own.size() > 1 && EndsWithSlash(own)) own.pop_back();
    return (lstat(own.c_str(), &info) == 0 || Fail()) && S_ISLNK(info.st_mode);
}

std::string_view FolderItemImpUnix::Name() const {
    std::string_view path = path_;
    if (path.size() <= 1) return path;
    if (EndsWithSlash(path)) path.remove_suffix(1);
    // memrchr: a walk asks every entry its name, and the loop of rfind is slower.
    const auto* slash = static_cast<const char*>(memrchr(path.data(), '/', path.size()));
    return slash ? path.substr(size_t(slash - path.data()) + 1) : path;
}

int64_t FolderItemImpUnix::Length() {
    struct stat info;
    return StatPath(info) ? int64_t(info.st_size) : 0;
}

const FolderItemImpUnix::Listing* FolderItemImpUnix::CurrentListing() {
    timespec readAt;
    clock_gettime(CLOCK_REALTIME, &readAt);
    struct stat info;
    if (!StatPath(info)) {
        listing_.reset();
        return nullptr;
    }
    listingCheckedAt_ = RuntimeTicks();
    if (listing_ && listing_->trusted && listing_->device == info.st_dev && listing_->inode == info.st_ino &&
        SameTime(listing_->modified, info.st_mtim) && SameTime(listing_->changed, info.st_ctim))
        return listing_.get();
    DIR* folder = opendir(path_.c_str());
    if (!folder) {
        Fail();
        listing_.reset();
        return nullptr;
    }
    auto listing = std::make_unique<Listing>();
    listing->device = info.st_dev;
    listing->inode = info.st_ino;
    listing->modified = info.st_mtim;
    listing->changed = info.st_ctim;
    listing->trusted = OlderThanStampMargin(info.st_mtim, readAt) && OlderThanStampMargin(info.st_ctim, readAt);
    listing->searchable = (info.st_mode & S_IXOTH) || (geteuid() == 0 && (info.st_mode & 0111));
    if (listing_) {
        listing->entries.reserve(listing_->entries.size());
        listing->names.reserve(listing_->names.size());
    }
    while (dirent* entry = readdir(folder)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        size_t length = std::strlen(name);  // at most NAME_MAX
        listing->entries.push_back({uint32_t(listing->names.size()), uint16_t(length), entry->d_type});
        listing->names.append(name, length);
    }
    closedir(folder);
    listing_ = std::move(listing);
    return listing_.get();
}

int32_t FolderItemImpUnix::Count() {
    const Listing* listing = CurrentListing();
    return listing ? int32_t(listing->entries.size()) : 0;
}

// Checking the folder for every entry would double the system calls of a
// walk. Count checks it when a walk starts, and entries asked for within the
// tick of the last check take the listing as it is; later ones check again. So
// a listing is never older than the start of the walk that uses it, or a tick.
const FolderItemImpUnix::Listing* FolderItemImpUnix::WalkListing() {
    if (listing_ && listingCheckedAt_ == RuntimeTicks()) return listing_.get();
    return CurrentListing();
}

std::unique_ptr<FolderItemImpUnix> FolderItemImpUnix::EntryItem(int32_t index, LinkPolicy links) {
    const Listing* listing = WalkListing();
    if (!listing || index < 0 || size_t(index) >= listing->entries.size()) return nullptr;
    const Entry& entry = listing->entries[size_t(index)];
    std::string path = ChildPath(listing->NameOf(entry));
    // A plain file or folder entry is taken as readdir gave it when the walk's
    // listing was checked: the item needs no lstat of its own. Links, unknown
    // types and folders not every user may search take the full way.
    if (listing->searchable && entry.type == DT_REG) return std::make_unique<FolderItemImpUnix>(std::move(path));
    if (listing->searchable && entry.type == DT_DIR) return std::make_unique<FolderItemImpUnix>(std::move(path += '/'));
    return MakeFolderItemImp(path, links);
}

std::optional<std::string> FolderItemImpUnix::ParentPath() const {
    if (path_.size() <= 1) return std::nullopt;
    std::string_view path = path_;
    if (EndsWithSlash(path)) path.remove_suffix(1);
    return std::string(path.substr(0, path.rfind('/') + 1));
}

std::string FolderItemImpUnix::ChildPath(std::string_view name) const {
    // Built in one allocation: a walk makes one such path per entry.
    std::string path;
    path.reserve(path_.size() + 1 + name.size());
    path.append(path_);
    if (!EndsWithSlash(path_)) path += '/';
    path.append(name);
    return path;
}

bool FolderItemImpUnix::IsReadable() {
    if (access(path_.c_str(), R_OK) != 0) Fail();
    return true;
}

bool FolderItemImpUnix::IsWriteable() {
    if (access(path_.c_str(), W_OK) == 0) return true;
    Fail();
    RetryScratchDeletions();
    struct stat info;
    bool exists = stat(path_.c_str(), &info) == 0;
    if (exists && !S_ISDIR(info.st_mode)) {
        FILE* file = fopen(path_.c_str(), "r+");
        if (!file) return Fail();
        int first = fgetc(file);
        bool written = first == EOF || (fseek(file, 0, SEEK_SET) == 0 && fputc(first, file) != EOF);
        if (!written) Fail();
        bool closed = fclose(file) == 0 || Fail();
        if (first != EOF) {
            timespec times[2] = {info.st_atim, info.st_mtim};
            utimensat(AT_FDCWD, path_.c_str(), times, 0);
        }
        return written && closed;
    }
    std::string folder;
    if (exists) {
        folder = path_;
    } else if (auto parent = ParentPath()) {
        folder = *parent;
    } else {
        return false;
    }
    if (!EndsWithSlash(folder)) folder += '/';
    std::string prefix = folder + kScratchPrefix + std::to_string(getpid()) + "-";
    for (int count = 0; count < 1000; ++count) {
        std::string scratch = prefix + std::to_string(count);
        int descriptor = open(scratch.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return Fail();
        }
        close(descriptor);
        if (unlink(scratch.c_str()) != 0) PendingScratchFiles().push_back(scratch);
        return true;
    }
    return false;
}

bool FolderItemImpUnix::Delete() {
    struct stat info;
    bool folder = stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return (folder ? rmdir(path_.c_str()) : remove(path_.c_str())) == 0 || Fail();
}

bool FolderItemImpUnix::CreateNewFile() {
    int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return Fail();
    close(fd);
    return true;
}

void FolderItemImpUnix::CreateAsFolder() {
    if (mkdir(path_.c_str(), 0777) != 0) Fail();
    if (!EndsWithSlash(path_)) path_ += '/';
}

void FolderItemImpUnix::RemoveTrailingSlash() {
    if (path_.size() > 1 && EndsWithSlash(path_)) path_.pop_back();
}

bool FolderItemImpUnix::Rename(std::string_view newName) {
    auto parent = ParentPath();
    if (!parent || newName.empty() || newName.find('/') != std::string_view::npos ||
        newName.find('\0') != std::string_view::npos) {
        lastError_ = EINVAL;
        return false;
    }
    bool folder = EndsWithSlash(path_);
    std::string renamed = *parent + std::string(newName) + (folder ? "/" : "");
    if (rename(path_.c_str(), renamed.c_str()) != 0) return Fail();
    path_ = std::move(renamed);
    listing_.reset();
    return true;
}

std::string FolderItemImpUnix::DestinationPath(const FolderItemImpUnix& destination) {
    struct stat info;
    if (stat(destination.path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return destination.ChildPath(Name());
    return destination.path_;
}

bool FolderItemImpUnix::CopyTo(const FolderItemImpUnix& destination) {
    struct stat info;
    if (!StatPath(info)) return false;
    if (S_ISDIR(info.st_mode)) {
        lastError_ = EISDIR;
        return false;
    }
    std::string target = DestinationPath(destination);
    // Neither end may block on a FIFO or become the terminal; the copy is
    // written to the target's own name, never through a link planted there,
    // and only into a plain file that is not the source itself (emptying it
    // would lose the bytes to copy).
    constexpr int kFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int from = open(path_.c_str(), O_RDONLY | kFlags);
    if (from < 0) return Fail();
    struct stat source, existing;
    int to = -1;
    if (fstat(from, &source) != 0) {
        Fail();
    } else if (!S_ISREG(source.st_mode)) {
        lastError_ = EINVAL;
    } else if ((to = open(target.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | kFlags, info.st_mode & 07777)) < 0) {
        Fail();
    } else {
        bool usable = fstat(to, &existing) == 0 || Fail();
        if (usable && (!S_ISREG(existing.st_mode) ||
                       (existing.st_dev == source.st_dev && existing.st_ino == source.st_ino))) {
            lastError_ = EINVAL;
            usable = false;
        }
        if (!usable || (ftruncate(to, 0) != 0 && !Fail())) close(std::exchange(to, -1));
    }
    if (to < 0) {
        close(from);
        return false;
    }
    bool copied = true;
    char block[65536];
    for (;;) {
        ssize_t got = read(from, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            copied = got == 0 || Fail();
            break;
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(to, block + done, size_t(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) {
                copied = Fail();
                break;
            }
            done += put;
        }
        if (!copied) break;
    }
    close(from);
    if (close(to) != 0 && copied) copied = Fail();
    return copied;
}

bool FolderItemImpUnix::MoveTo(const FolderItemImpUnix& destination) {
    std::string target = DestinationPath(destination);
    if (rename(path_.c_str(), target.c_str()) == 0) return true;
    if (errno != EXDEV) return Fail();
    FolderItemImpUnix copy(target);
    if (!CopyTo(copy)) return false;
    return remove(path_.c_str()) == 0 || Fail();
}

std::optional<timespec> FolderItemImpUnix::ModificationTime() {
    struct stat info;
    if (!StatPath(info)) return std::nullopt;
    return info.st_mtim;
}

std::optional<timespec> FolderItemImpUnix::CreationTime() {
    struct statx info;
    if (statx(AT_FDCWD, path_.c_str(), 0, STATX_BTIME, &info) != 0) {
        Fail();
        return std::nullopt;
    }
    if (!(info.stx_mask & STATX_BTIME)) return std::nullopt;
    return timespec{time_t(info.stx_btime.tv_sec), long(info.stx_btime.tv_nsec)};
}

bool FolderItemImpUnix::SetModificationTime(timespec when) {
    timespec times[2] = {{0, UTIME_OMIT}, when};
    return utimensat(AT_FDCWD, path_.c_str(), times, 0) == 0 || Fail();
}

int32_t FolderItemImpUnix::Permissions() {
    struct stat info;
    return StatPath(info) ? int32_t(info.st_mode & 07777) : 0;
}

bool FolderItemImpUnix::SetPermissions(int32_t mode) {
    return chmod(path_.c_str(), mode_t(mode) & 07777) == 0 || Fail();
}

std::string FolderItemImpUnix::Owner() {
    struct stat info;
    if (!StatPath(info)) return {};
    if (const passwd* user = getpwuid(info.st_uid)) return user->pw_name;
    return std::to_string(info.st_uid);
}

std::string FolderItemImpUnix::Group() {
    struct stat info;
    if (!StatPath(info)) return {};
    if (const group* members = getgrgid(info.st_gid)) return members->gr_name;
    return std::to_string(info.st_gid);
}

bool FolderItemImpUnix::SetOwner(std::string_view name) {
    const passwd* user = getpwnam(std::string(name).c_str());
    if (!user) {
        lastError_ = EINVAL;
        return false;
    }
    return chown(path_.c_str(), user->pw_uid, gid_t(-1)) == 0 || Fail();
}

bool FolderItemImpUnix::SetGroup(std::string_view name) {
    const group* members = getgrnam(std::string(name).c_str());
    if (!members) {
        lastError_ = EINVAL;
        return false;
    }
    return chown(path_.c_str(), uid_t(-1), members->gr_gid) == 0 || Fail();
}
