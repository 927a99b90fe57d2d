// A small file of a program's own state that concurrent runs share: opened
// without following a link at the end of its path, used only while it is a
// plain file, and held under an exclusive lock from open to close, so that
// each run's read, change and write of it is whole and no run's change is lost.
#pragma once
#include <cstddef>
#include <string>

#include "Universal/ErrorOr.h"

class LockedStateFile {
public:
    LockedStateFile() = default;
    LockedStateFile(const LockedStateFile&) = delete;
    LockedStateFile& operator=(const LockedStateFile&) = delete;
    /// Lets the lock go and closes the file.
    ~LockedStateFile();

    /// Opens `path`, created empty (the umask applies) when nothing has its
    /// name, and waits for its lock while another run holds it. A link at the
    /// end of the path is refused (ELOOP), and so is anything but a plain file (EINVAL).
    ErrorOr<void> Open(const std::string& path);
    /// The whole file, or EFBIG when it holds more than `limit` bytes.
    ErrorOr<std::string> Read(size_t limit) const;
    /// Makes `text` the whole file.
    ErrorOr<void> Replace(const std::string& text) const;

private:
    int descriptor_ = -1;
};
