#include "Universal/FileIO/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "Universal/Forward.h"

UnixDataFile::~UnixDataFile() {
    if (stream_) fclose(stream_);
}

bool UnixDataFile::Fail() {
    lastError_ = errno;
    return false;
}

bool UnixDataFile::Adopt(FILE* stream) {
    if (!stream) return Fail();
    if (stream_) fclose(stream_);
    stream_ = stream;
    struct stat info;
    if (fstat(fileno(stream), &info) == 0 && S_ISDIR(info.st_mode)) {
        fclose(std::exchange(stream_, nullptr));
        lastError_ = EISDIR;
        return false;
    }
    return true;
}

bool UnixDataFile::Create(const char* path) { return Adopt(fopen(path, "w+")); }

bool UnixDataFile::Open(const char* path, FileAccess access) {
    const char* mode;
    switch (access) {
    case FileAccess::Read: mode = "r"; break;
    case FileAccess::ReadWrite: mode = "r+"; break;
    case FileAccess::Append: mode = "a+"; break;
    default:
        RuntimeAssertionReport(131, kFailedAssertionCode, "file", __LINE__, "0",
                               "Invalid permissions passed in to UnixDataFile::Open");
        return false;
    }
    if (!Adopt(fopen(path, mode))) return false;
    if (access == FileAccess::Append) {
        // Several processes may append to one file (two mailer sessions share a
        // log): unbuffered, each Write is one write(2) that O_APPEND places at
        // the end as it is then, so no line is lost or torn.
        setvbuf(stream_, nullptr, _IONBF, 0);
        if (fseeko(stream_, 0, SEEK_END) != 0) Fail();
    }
    return true;
}

bool UnixDataFile::OpenTemporary(const char* name) {
    if (!name) return Adopt(tmpfile());
    // Anyone may plant a link, a FIFO or a second name of another file under
    // the name in /tmp: the file is opened by its own name in a folder opened
    // without following links, and emptied only once it proves to be a plain
    // file of this user with no other name.
    if (!*name || std::strchr(name, '/')) {
        lastError_ = EINVAL;
        return false;
    }
    int folder = open("/tmp", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return Fail();
    int fd = openat(folder, name, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) Fail();
    close(folder);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        Fail();
    } else if (!S_ISREG(info.st_mode) || info.st_uid != geteuid() || info.st_nlink != 1) {
        lastError_ = S_ISREG(info.st_mode) ? EPERM : EINVAL;
    } else if (ftruncate(fd, 0) == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
        if (Adopt(fdopen(fd, "w+"))) return true;
    } else {
        Fail();
    }
    close(fd);
    return false;
}

bool UnixDataFile::AdoptStream(FILE* stream) { return Adopt(stream); }

bool UnixDataFile::AdoptDescriptor(int descriptor) { return Adopt(fdopen(descriptor, "r+")); }

size_t UnixDataFile::Read(void* into, size_t count) {
    readFailed_ = false;
    if (!stream_ || count == 0) return 0;
    size_t got = fread(into, 1, count, stream_);
    if (got < count && ferror(stream_)) {
        readFailed_ = true;
        Fail();
        clearerr(stream_);
    }
    return got;
}

bool UnixDataFile::Write(const void* from, size_t count) {
    if (!stream_) return false;
    if (count == 0) return true;
    if (fwrite(from, 1, count, stream_) == count) return true;
    Fail();
    clearerr(stream_);
    return false;
}

int64_t UnixDataFile::Position() {
    if (!stream_) return 0;
    off_t at = ftello(stream_);
    if (at < 0) {
        Fail();
        return 0;
    }
    return at;
}

bool UnixDataFile::SetPosition(int64_t offset) {
    if (!stream_) return false;
    if (offset < 0 || offset > std::numeric_limits<off_t>::max()) {
        lastError_ = EINVAL;
        return false;
    }
    return fseeko(stream_, off_t(offset), SEEK_SET) == 0 || Fail();
}

int64_t UnixDataFile::Length() {
    if (!stream_) return -1;
    off_t at = ftello(stream_);
    if (at < 0 || fseeko(stream_, 0, SEEK_END) != 0) {
        Fail();
        return -1;
    }
    off_t end = ftello(stream_);
    if (end < 0) Fail();
    if (fseeko(stream_, at, SEEK_SET) != 0) Fail();
    return end;
}

bool UnixDataFile::SetLength(int64_t length) {
    if (!stream_) return false;
    fflush(stream_);
    return ftruncate(fileno(stream_), off_t(length)) == 0 || Fail();
}

bool UnixDataFile::AtEnd() { return Position() >= Length(); }

void UnixDataFile::Flush() {
    if (stream_ && fflush(stream_) != 0) Fail();
}

bool UnixDataFile::Close() {
    if (!stream_) return false;
    bool flushed = fflush(stream_) == 0 || Fail();
    bool closed = fclose(std::exchange(stream_, nullptr)) == 0 || Fail();
    return flushed && closed;
}
