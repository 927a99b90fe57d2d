#include "Common/Linux/LockFilesUnix.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Opening and locking is tried again when the file was replaced in between.
constexpr int kTakeAttempts = 8;
// Fresh names are drawn until one is free; a folder this full of them is refused.
constexpr int kFreshNameAttempts = 64;

// Never follows a link, never blocks on a FIFO, never becomes the terminal.
constexpr int kOpenFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

LockFileFault FaultOfOpen(int error) {
    switch (error) {
    case ELOOP: return LockFileFault::Link;
    case EISDIR:
    case ENXIO:
    case ENODEV: return LockFileFault::NotAFile;
    case ENAMETOOLONG: return LockFileFault::NameTooLong;
    case EACCES:
    case EPERM: return LockFileFault::OtherOwner;
    default: return LockFileFault::System;
    }
}

// A lock file this process may write, lock and delete: a plain file of its
// own user with this one name.
LockFileFault FaultOfFile(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return LockFileFault::NotAFile;
    if (info.st_uid != geteuid()) return LockFileFault::OtherOwner;
    if (info.st_nlink != 1) return LockFileFault::SeveralNames;
    return LockFileFault::None;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::string FreshName(const std::string& prefix) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char noise[6] = {};
    if (getrandom(noise, sizeof noise, 0) != ssize_t(sizeof noise)) {
        static unsigned counter = 0;
        unsigned seed = unsigned(getpid()) * 2654435761u + ++counter * 40503u;
        for (unsigned char& byte : noise) byte = (seed >>= 3) & 0xFF;
    }
    std::string name = prefix;
    for (unsigned char byte : noise) name += kLetters[byte % (sizeof kLetters - 1)];
    return name;
}

} // namespace

LockFilePlace::~LockFilePlace() {
    if (folder_ >= 0) close(folder_);
}

LockFileFault LockFilePlace::Fail(LockFileFault fault) {
    if (fault == LockFileFault::System) lastError_ = errno;
    return fault;
}

LockFileFault LockFilePlace::Prepare(const std::string& folder, const std::string& name, const std::string& prefix,
                                     char marker) {
    folder_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder_ < 0) return errno == ENOTDIR || errno == ELOOP ? LockFileFault::Folder : Fail(LockFileFault::System);
    bool fresh = name.empty();
    if (name.size() > NAME_MAX) return LockFileFault::NameTooLong;
    for (int attempt = 0; attempt < (fresh ? kFreshNameAttempts : 2); ++attempt) {
        name_ = fresh ? FreshName(prefix) : name;
        // O_EXCL: a name that exists in any form, a dangling link included, is
        // never created through.
        int fd = openat(folder_, name_.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            ssize_t written = write(fd, &marker, 1);
            (void)written;  // the byte is a marker only; the lock works without it
            close(fd);
            return LockFileFault::None;
        }
        if (errno != EEXIST) return Fail(FaultOfOpen(errno));
        if (fresh) continue;
        int existing;
        LockFileFault fault = OpenExisting(existing);
        if (fault == LockFileFault::None) close(existing);
        // Deleted between the two opens: create it on the next round.
        if (fault != LockFileFault::System || lastError_ != ENOENT) return fault;
    }
    if (fresh) lastError_ = EEXIST;
    return LockFileFault::System;
}

LockFileFault LockFilePlace::OpenExisting(int& descriptor) {
    descriptor = openat(folder_, name_.c_str(), kOpenFlags);
    if (descriptor < 0) return Fail(FaultOfOpen(errno));
    struct stat info;
    LockFileFault fault = fstat(descriptor, &info) == 0 ? FaultOfFile(info) : Fail(LockFileFault::System);
    if (fault != LockFileFault::None) {
        close(descriptor);
        descriptor = -1;
    }
    return fault;
}

LockFileFault LockFilePlace::Take(int& heldDescriptor) {
    heldDescriptor = -1;
    for (int attempt = 0; attempt < kTakeAttempts; ++attempt) {
        int fd = openat(folder_, name_.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0644);
        if (fd < 0 && errno == EEXIST) {
            LockFileFault fault = OpenExisting(fd);
            if (fault == LockFileFault::System && lastError_ == ENOENT) continue;  // deleted meanwhile
            if (fault != LockFileFault::None) return fault;
        } else if (fd < 0) {
            return Fail(FaultOfOpen(errno));
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            bool busy = errno == EWOULDBLOCK;
            LockFileFault fault = busy ? LockFileFault::Busy : Fail(LockFileFault::System);
            close(fd);
            return fault;
        }
        // A lock on a file that was deleted or replaced meanwhile excludes nobody.
        struct stat held, named;
        if (fstat(fd, &held) == 0 && fstatat(folder_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(held, named)) {
            heldDevice_ = held.st_dev;
            heldInode_ = held.st_ino;
            heldDescriptor = fd;
            return LockFileFault::None;
        }
        close(fd);
    }
    lastError_ = EAGAIN;
    return LockFileFault::System;
}

void LockFilePlace::RemoveHeld() {
    struct stat named;
    if (fstatat(folder_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) return;
    // In a sticky folder nobody else can swap a file of this user for
    // another between this check and the unlink.
    if (named.st_dev == heldDevice_ && named.st_ino == heldInode_ && FaultOfFile(named) == LockFileFault::None)
        unlinkat(folder_, name_.c_str(), 0);
}

void LockFilePlace::RemoveUnlessLocked() {
    int fd;
    if (Take(fd) != LockFileFault::None) return;
    RemoveHeld();
    close(fd);
}

const char* LockFileFaultText(LockFileFault fault) {
    switch (fault) {
    case LockFileFault::None: return "usable";
    case LockFileFault::Busy: return "locked by another process";
    case LockFileFault::Folder: return "not in a folder of its own (the folder is a link or not a folder)";
    case LockFileFault::NameTooLong: return "named beyond the limit of one file name";
    case LockFileFault::Link: return "a symbolic link";
    case LockFileFault::NotAFile: return "not a plain file";
    case LockFileFault::OtherOwner: return "owned by another user";
    case LockFileFault::SeveralNames: return "a file with other names";
    case LockFileFault::System: return "refused by the system";
    }
    return "unusable";
}
