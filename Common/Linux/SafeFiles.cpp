#include "Common/Linux/SafeFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Common/Linux/FolderNames.h"

namespace {

constexpr int kOpenFlags = O_RDWR | O_CLOEXEC | O_NOFOLLOW;

int failWith(int descriptor, int error) {
    close(descriptor);
    errno = error;
    return -1;
}

} // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    std::optional<PathStamp> stamp = StampOf(path);
    if (!stamp) return std::nullopt;
    return FileIdentity{uint64_t(stamp->device), uint64_t(stamp->inode)};
}

std::optional<LinkTrust> TrustOfLink(const std::string& path) {
    struct stat link, target;
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) || stat(path.c_str(), &target) != 0)
        return std::nullopt;
    return LinkTrust{link.st_uid == target.st_uid, (target.st_mode & S_IROTH) != 0};
}

int CreateExclusive(const std::string& path, CreatedMode mode) {
    bool exact = mode == CreatedMode::OwnerAndGroup;
    // An exact mode starts narrower than wanted and is widened on the open
    // descriptor, so no moment exists in which others could open the file.
    int descriptor = open(path.c_str(), kOpenFlags | O_CREAT | O_EXCL, exact ? 0600 : 0666);
    if (descriptor < 0 || !exact) return descriptor;
    if (fchmod(descriptor, 0640) != 0) {
        int error = errno;
        unlink(path.c_str());
        return failWith(descriptor, error);
    }
    return descriptor;
}

int OpenOutputFile(const std::string& path, bool& created) {
    created = false;
    int descriptor = CreateExclusive(path, CreatedMode::UmaskApplies);
    if (descriptor >= 0) {
        created = true;
        return descriptor;
    }
    if (errno != EEXIST) return -1;
    // O_NONBLOCK: a pipe of that name must not hold the run until a reader comes.
    descriptor = open(path.c_str(), kOpenFlags | O_NONBLOCK);
    if (descriptor < 0) return -1;
    struct stat info;
    if (fstat(descriptor, &info) != 0) return failWith(descriptor, errno);
    if (!S_ISREG(info.st_mode)) return failWith(descriptor, EINVAL);
    int flags = fcntl(descriptor, F_GETFL);
    if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0 || ftruncate(descriptor, 0) != 0)
        return failWith(descriptor, errno);
    return descriptor;
}

void CloseDescriptor(int descriptor) {
    if (descriptor >= 0) close(descriptor);
}
