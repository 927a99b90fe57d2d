// The file object under every stream: one C library FILE stream and the error
// code of its last failing call. Offsets are 64 bits wide on every build
// (off_t with _FILE_OFFSET_BITS=64), so files past 2 GiB keep their true sizes.
// The streams above it: the byte engines in Universal/FileStreams.h, then the
// stream classes in Common/runFileAccess.h (text) and Common/runBinaryStream.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

/// How an existing file is opened: "r", "r+", or "a+" (every write lands at the end).
enum class FileAccess : int32_t { Read = 0, ReadWrite = 1, Append = 2 };

/// A FILE stream owned by the object (closed by Close or the destructor).
class UnixDataFile {
public:
    UnixDataFile() = default;
    UnixDataFile(const UnixDataFile&) = delete;
    UnixDataFile& operator=(const UnixDataFile&) = delete;
    ~UnixDataFile();

    /// Creates the file empty, or empties it ("w+"); false with the error set on failure.
    [[nodiscard]] bool Create(const char* path);
    /// Opens an existing file. A folder is refused with EISDIR, so that no
    /// reader ever spins on a stream whose every read fails.
    [[nodiscard]] bool Open(const char* path, FileAccess access);
    /// A named file under "/tmp/" opened "w+", or an anonymous one (`tmpfile`) for a null name.
    /// A name holding "/", or naming anything but a plain file of this user
    /// with no other name (a link, FIFO, hard link planted there), is refused.
    [[nodiscard]] bool OpenTemporary(const char* name);
    /// Takes over an open FILE stream as it is.
    [[nodiscard]] bool AdoptStream(FILE* stream);
    /// Takes over an open descriptor through `fdopen` with mode "r+".
    [[nodiscard]] bool AdoptDescriptor(int descriptor);

    /// Reads up to `count` bytes; the count actually read, 0 on error or at the end.
    size_t Read(void* into, size_t count);
    /// Whether the last Read stopped on an error rather than the end of the file.
    bool ReadFailed() const { return readFailed_; }
    /// Writes all `count` bytes; false (error set) when fewer went out.
    bool Write(const void* from, size_t count);
    /// The current offset; 0 with the error set on failure.
    int64_t Position();
    /// Moves to `offset` from the start.
    bool SetPosition(int64_t offset);
    /// The length, the position left where it was; -1 on failure.
    int64_t Length();
    /// Truncates or extends the file.
    bool SetLength(int64_t length);
    /// Whether the position has reached the length.
    bool AtEnd();
    void Flush();
    /// Flushes and closes; false with the error set when either fails.
    bool Close();

    int32_t LastError() const { return lastError_; }
    void SetLastError(int32_t code) { lastError_ = code; }

private:
    bool Adopt(FILE* stream);
    bool Fail();  // records errno; yields false

    FILE* stream_ = nullptr;
    int32_t lastError_ = 0;
    bool readFailed_ = false;
};
