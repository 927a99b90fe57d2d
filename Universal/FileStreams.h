// The byte engines behind the stream classes: the buffered line reader of text
// input, and the stores a binary stream reads and writes (a file or bytes of
// its own). Below them is the file object (Universal/FileIO/file.h); the
// classes over them are in Common/runFileAccess.h (text) and
// Common/runBinaryStream.h (binary).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Universal/FileIO/file.h"

/// Text input over a file in blocks of 1,024 bytes. Once a read of the file
/// fails, the reader is at its end from then on (the error stays in the file).
class TextReader {
public:
    static constexpr size_t kBufferSize = 1024;

    explicit TextReader(std::unique_ptr<UnixDataFile> file) : file_(std::move(file)) {}

    /// The next line without its ending: CR, LF and CR LF each end one line.
    /// `unitSize` is 1, or 2 to scan 16-bit units in host order. Empty at the end.
    /// At most `limit` bytes of the line are kept (the rest is read past, so
    /// a line of any length costs no more memory); `cut` then becomes true.
    std::string ReadLine(size_t unitSize, size_t limit = SIZE_MAX, bool* cut = nullptr);
    /// Up to `count` bytes: the buffered ones first, the rest straight from the file.
    std::string Read(size_t count);
    /// Everything from the current position to the end of the file.
    std::string ReadAll();
    /// Whether the buffer is used up and the file has nothing more to give.
    bool AtEnd();
    /// The file position less the bytes still unread in the buffer.
    int64_t Position();
    /// Seeks and refills the buffer from there.
    void SetPosition(int64_t offset);

    UnixDataFile& File() { return *file_; }

private:
    /// Keeps the unread bytes (at most a split 16-bit unit) and reads after
    /// them; false when nothing more came.
    bool Refill();
    uint32_t UnitAt(size_t at, size_t unitSize) const;

    std::unique_ptr<UnixDataFile> file_;
    uint8_t buffer_[kBufferSize];
    size_t position_ = 0;
    size_t end_ = 0;
    bool failed_ = false;
};

/// Where a binary stream's bytes live.
class BinaryStore {
public:
    virtual ~BinaryStore() = default;
    /// Up to `count` bytes from the position; the count read.
    virtual size_t Read(void* into, size_t count) = 0;
    /// All `count` bytes at the position, or false.
    virtual bool Write(const void* from, size_t count) = 0;
    virtual int64_t Position() = 0;
    virtual bool SetPosition(int64_t offset) = 0;
    virtual int64_t Length() = 0;
    virtual bool SetLength(int64_t length) = 0;
    virtual void Flush() {}
    virtual bool Close() = 0;
    virtual int32_t LastError() const = 0;
};

/// A binary store over a file.
class FileStore final : public BinaryStore {
public:
    explicit FileStore(std::unique_ptr<UnixDataFile> file) : file_(std::move(file)) {}
    size_t Read(void* into, size_t count) override { return file_->Read(into, count); }
    bool Write(const void* from, size_t count) override { return file_->Write(from, count); }
    int64_t Position() override { return file_->Position(); }
    bool SetPosition(int64_t offset) override { return file_->SetPosition(offset); }
    int64_t Length() override { return file_->Length(); }
    bool SetLength(int64_t length) override { return file_->SetLength(length); }
    void Flush() override { file_->Flush(); }
    bool Close() override { return file_->Close(); }
    int32_t LastError() const override { return file_->LastError(); }

private:
    std::unique_ptr<UnixDataFile> file_;
};

/// A binary store over bytes of its own, which writes extend up to the
/// largest length a runtime string holds.
class BytesStore final : public BinaryStore {
public:
    explicit BytesStore(std::string bytes) : bytes_(std::move(bytes)) {}
    size_t Read(void* into, size_t count) override;
    bool Write(const void* from, size_t count) override;
    int64_t Position() override { return position_; }
    bool SetPosition(int64_t offset) override;
    int64_t Length() override { return int64_t(bytes_.size()); }
    bool SetLength(int64_t length) override;
    bool Close() override { return true; }
    int32_t LastError() const override { return lastError_; }

private:
    std::string bytes_;
    int64_t position_ = 0;  // may lie past the end, and past what a size_t holds
    int32_t lastError_ = 0;
};
