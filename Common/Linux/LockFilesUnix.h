// Lock files in a folder that others may write to (the temporary folder): each
// one is reached by its own name in a folder opened without following links,
// and is used only while it is a plain file of this process's user with no
// other name, so that a link, folder or FIFO planted under the name can neither
// lead a create, a write or a delete elsewhere nor make a lock wait forever.
#pragma once
#include <sys/types.h>

#include <string>

/// Why a lock file could not be used.
enum class LockFileFault {
    None,
    Busy,          // another process holds its lock
    Folder,        // the folder cannot be opened as a folder of its own
    NameTooLong,   // past the file system's limit for one name
    Link,          // a symbolic link stands under the name
    NotAFile,      // a folder, FIFO, device or socket stands under the name
    OtherOwner,    // the file belongs to another user
    SeveralNames,  // the file has other names (hard links) elsewhere
    System,        // the system refused otherwise (lastError says why)
};

/// A lock file's place: the folder (a descriptor opened with O_NOFOLLOW) and
/// the one name inside it. Closes the folder when it goes.
class LockFilePlace {
public:
    LockFilePlace() = default;
    LockFilePlace(const LockFilePlace&) = delete;
    LockFilePlace& operator=(const LockFilePlace&) = delete;
    ~LockFilePlace();

    /// Opens `folder` and creates `name` (one name, no "/") in it holding `marker` unless a usable
    /// lock file of that name is there already. An empty name gets a fresh
    /// name of its own, made with `prefix`.
    LockFileFault Prepare(const std::string& folder, const std::string& name, const std::string& prefix,
                          char marker);
    /// Opens the lock file and takes its exclusive lock without waiting; on
    /// None `heldDescriptor` holds the lock (the caller closes it to let go).
    /// A file replaced between the open and the lock is tried again.
    LockFileFault Take(int& heldDescriptor);
    /// Called while the last Take's descriptor is still open: deletes the name
    /// while it still names that file (device and inode as `fstat` gave them
    /// then), and the file is a plain file of this user; anything else stays.
    void RemoveHeld();
    /// Takes the lock, deletes the name as RemoveHeld does and lets go; leaves
    /// a file that another process has locked.
    void RemoveUnlessLocked();

    const std::string& Name() const { return name_; }
    /// The system's error code behind the last System fault.
    int LastError() const { return lastError_; }

private:
    LockFileFault OpenExisting(int& descriptor);
    LockFileFault Fail(LockFileFault fault);

    int folder_ = -1;
    std::string name_;
    dev_t heldDevice_ = 0;  // the file the last Take locked
    ino_t heldInode_ = 0;
    int lastError_ = 0;
};

/// The text saying what `fault` means, for a message.
const char* LockFileFaultText(LockFileFault fault);
