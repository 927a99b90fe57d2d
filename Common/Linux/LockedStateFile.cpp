#include "Common/Linux/LockedStateFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

LockedStateFile::~LockedStateFile() {
    if (descriptor_ >= 0) close(descriptor_);  // the lock goes with the descriptor
}

ErrorOr<void> LockedStateFile::Open(const std::string& path) {
    // O_NONBLOCK: a pipe planted under the name must not hold the run until a writer comes.
    int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (descriptor < 0) return SystemError{errno};
    struct stat info;
    int error = fstat(descriptor, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
    if (error == 0) {
        int flags = fcntl(descriptor, F_GETFL);
        if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno;
    }
    // A signal that comes while another run holds the lock only delays this one.
    while (error == 0 && flock(descriptor, LOCK_EX) != 0)
        if (errno != EINTR) error = errno;
    if (error != 0) {
        close(descriptor);
        return SystemError{error};
    }
    descriptor_ = descriptor;
    return {};
}

ErrorOr<std::string> LockedStateFile::Read(size_t limit) const {
    std::string text;
    char buffer[8192];
    for (off_t at = 0;;) {
        ssize_t got = pread(descriptor_, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return SystemError{errno};
        if (got == 0) return text;
        if (text.size() + size_t(got) > limit) return SystemError{EFBIG};
        text.append(buffer, size_t(got));
        at += got;
    }
}

ErrorOr<void> LockedStateFile::Replace(const std::string& text) const {
    if (ftruncate(descriptor_, 0) != 0) return SystemError{errno};
    for (size_t done = 0; done < text.size();) {
        ssize_t put = pwrite(descriptor_, text.data() + done, text.size() - done, off_t(done));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return SystemError{errno};
        done += size_t(put);
    }
    return {};
}
