// Files a program must not have turned against it: which file a path reaches
// (device and inode, whatever name or link reaches it), whether a link may be
// trusted, and files created or emptied for writing without ever following a
// link at the end of their path.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

/// A file as the kernel knows it: the same pair is the same file under any name.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

/// The file `path` reaches, links followed; none when it cannot be looked up.
std::optional<FileIdentity> IdentityOf(const std::string& path);

/// What a symbolic link at the end of a path says of the file it leads to.
struct LinkTrust {
    bool sameOwner;      // the link and the file it leads to belong to one user
    bool othersMayRead;  // the file may be read by users other than its owner and group
};

/// For a symbolic link at `path`: its trust; none when `path` is no link or
/// leads to nothing.
std::optional<LinkTrust> TrustOfLink(const std::string& path);

/// Who may read a file created by CreateExclusive.
enum class CreatedMode {
    UmaskApplies,  // 0666 less the umask: a file other programs read
    OwnerAndGroup, // exactly 0640 whatever the umask: a file that may hold secrets
};

/// Creates `path` as a new file and gives its descriptor, open for reading and
/// writing; -1 with errno set (EEXIST when anything of that name exists, a
/// link included, so no link is ever followed).
int CreateExclusive(const std::string& path, CreatedMode mode);

/// Opens `path` for writing from empty: created when nothing has its name
/// (`created` true), else an existing plain file emptied. A link at the end of
/// the path is never followed (ELOOP), and anything but a plain file is
/// refused (EINVAL) before a byte of it changes. A descriptor open for reading
/// and writing, or -1 with errno set.
int OpenOutputFile(const std::string& path, bool& created);

/// Closes a descriptor the functions above gave and nothing else took.
void CloseDescriptor(int descriptor);
