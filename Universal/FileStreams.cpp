#include "Universal/FileStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
constexpr uint32_t kCR = 13;
constexpr uint32_t kLF = 10;
} // namespace

uint32_t TextReader::UnitAt(size_t at, size_t unitSize) const {
    if (unitSize == 1) return buffer_[at];
    uint16_t unit;
    std::memcpy(&unit, buffer_ + at, sizeof unit);
    return unit;
}

bool TextReader::Refill() {
    if (failed_) return false;
    size_t kept = end_ - position_;
    std::memmove(buffer_, buffer_ + position_, kept);
    position_ = 0;
    end_ = kept;
    size_t got = file_->Read(buffer_ + kept, kBufferSize - kept);
    end_ += got;
    if (got == 0 && file_->ReadFailed()) failed_ = true;
    return got != 0;
}

std::string TextReader::ReadLine(size_t unitSize, size_t limit, bool* cut) {
    std::string line;
    bool over = false;
    // Keeps what fits below the limit of the bytes from the position to `to`.
    auto keep = [&](size_t to) {
        if (over) return;  // nothing after the cut, not even an odd last byte
        size_t room = limit - line.size();
        size_t count = to - position_;
        if (count > room) {
            count = room - room % unitSize;
            over = true;
        }
        line.append(reinterpret_cast<const char*>(buffer_ + position_), count);
    };
    for (;;) {
        size_t at = position_;
        while (at + unitSize <= end_) {
            uint32_t unit = UnitAt(at, unitSize);
            if (unit == kCR || unit == kLF) break;
            at += unitSize;
        }
        keep(at);
        position_ = at;
        if (cut) *cut = over;
        if (at + unitSize <= end_) {
            bool carriageReturn = UnitAt(at, unitSize) == kCR;
            position_ += unitSize;
            if (carriageReturn) {
                // The LF of a CR LF pair may lie in the next block.
                if (end_ - position_ < unitSize) Refill();
                if (position_ + unitSize <= end_ && UnitAt(position_, unitSize) == kLF) position_ += unitSize;
            }
            return line;
        }
        if (!Refill()) {
            // A last line without an ending, with any odd byte a 16-bit scan left.
            keep(end_);
            position_ = end_;
            if (cut) *cut = over;
            return line;
        }
    }
}

std::string TextReader::Read(size_t count) {
    size_t buffered = std::min(count, end_ - position_);
    std::string bytes(reinterpret_cast<const char*>(buffer_ + position_), buffered);
    position_ += buffered;
    // The rest comes in blocks, so that a count far beyond the file's length
    // allocates no more than the file holds.
    constexpr size_t kBlock = 65536;
    while (bytes.size() < count && !failed_) {
        size_t want = std::min(kBlock, count - bytes.size());
        size_t had = bytes.size();
        bytes.resize(had + want);
        size_t got = file_->Read(bytes.data() + had, want);
        bytes.resize(had + got);
        if (file_->ReadFailed()) failed_ = true;
        if (got < want) break;
    }
    return bytes;
}

std::string TextReader::ReadAll() {
    std::string bytes(reinterpret_cast<const char*>(buffer_ + position_), end_ - position_);
    position_ = end_;
    while (Refill()) {
        bytes.append(reinterpret_cast<const char*>(buffer_), end_);
        position_ = end_;
    }
    return bytes;
}

bool TextReader::AtEnd() { return position_ >= end_ && !Refill(); }

int64_t TextReader::Position() { return file_->Position() - int64_t(end_ - position_); }

void TextReader::SetPosition(int64_t offset) {
    position_ = end_ = 0;
    if (file_->SetPosition(offset)) Refill();
}

size_t BytesStore::Read(void* into, size_t count) {
    size_t got = position_ < Length() ? std::min(count, bytes_.size() - size_t(position_)) : 0;
    if (got) std::memcpy(into, bytes_.data() + position_, got);
    position_ += got;
    return got;
}

bool BytesStore::Write(const void* from, size_t count) {
    if (position_ + int64_t(count) > INT32_MAX) {
        lastError_ = ENOSPC;
        return false;
    }
    if (Length() < position_ + int64_t(count)) bytes_.resize(size_t(position_) + count);
    if (count) std::memcpy(bytes_.data() + position_, from, count);
    position_ += count;
    return true;
}

bool BytesStore::SetPosition(int64_t offset) {
    if (offset < 0) {
        lastError_ = EINVAL;
        return false;
    }
    position_ = offset;
    return true;
}

bool BytesStore::SetLength(int64_t length) {
    if (length < 0 || length > INT32_MAX) {
        lastError_ = EINVAL;
        return false;
    }
    bytes_.resize(size_t(length));
    return true;
}
