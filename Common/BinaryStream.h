// rt::BinaryStream: an owning handle over a BinaryStream object. Every
// operation is an entry point of runBinaryStream.h, where the other streams
// are listed; rt::FolderItem (FolderItem.h) opens one over a file.
#pragma once
#include "Common/Ref.h"
#include "Common/runBinaryStream.h"
#include "Common/String.h"
#include "Common/TextEncoding.h"

namespace rt {

/// Owns one reference to a BinaryStream (or none).
class BinaryStream : public ObjectHandle<BinaryStream> {
public:
    using Handle::Handle;
    BinaryStream() noexcept = default;
    /// A new stream over a copy of the bytes of s.
    static BinaryStream overString(const String& s) {
        RuntimeObject* stream = RuntimeNewObject(RuntimeBinaryStreamClass());
        BinaryStringStringCtor(stream, s.get());
        return adopt(stream);
    }

    bool littleEndian() const { return fields().littleEndian != 0; }
    void setLittleEndian(bool value) const { fields().littleEndian = value; }

    int32_t readByte() const { return BinaryStreamReadByte(get()); }
    int32_t readInt8() const { return BinaryStreamReadInt8(get()); }
    int32_t readShort() const { return BinaryStreamReadShort(get()); }
    int32_t readUInt16() const { return BinaryStreamReadUInt16(get()); }
    int32_t readLong() const { return BinaryStreamReadLong(get()); }
    uint32_t readUInt32() const { return BinaryStreamReadUInt32(get()); }
    int64_t readInt64() const { return BinaryStreamReadInt64(get()); }
    uint64_t readUInt64() const { return BinaryStreamReadUInt64(get()); }
    float readSingle() const { return BinaryStreamReadFloat(get()); }
    double readDouble() const { return BinaryStreamReadDouble(get()); }
    bool readBoolean() const { return BinaryStreamReadBoolean(get()); }
    /// Strings read are labelled with `encoding`; empty labels them unknown.
    String readPString(const TextEncoding& encoding = {}) const {
        return String::adopt(BinaryStreamReadPString(get(), encoding.get()));
    }
    String read(int32_t count, const TextEncoding& encoding = {}) const {
        return String::adopt(BinaryStreamRead(get(), count, encoding.get()));
    }

    void writeByte(int32_t value) const { BinaryStreamWriteByte(get(), value); }
    void writeInt8(int32_t value) const { BinaryStreamWriteInt8(get(), value); }
    void writeShort(int32_t value) const { BinaryStreamWriteShort(get(), value); }
    void writeUInt16(int32_t value) const { BinaryStreamWriteUInt16(get(), value); }
    void writeLong(int32_t value) const { BinaryStreamWriteLong(get(), value); }
    void writeUInt32(uint32_t value) const { BinaryStreamWriteUInt32(get(), value); }
    void writeInt64(int64_t value) const { BinaryStreamWriteInt64(get(), value); }
    void writeUInt64(uint64_t value) const { BinaryStreamWriteUInt64(get(), value); }
    void writeSingle(double value) const { BinaryStreamWriteFloat(get(), value); }
    void writeDouble(double value) const { BinaryStreamWriteDouble(get(), value); }
    void writeBoolean(bool value) const { BinaryStreamWriteBoolean(get(), value); }
    void writePString(const String& s) const { BinaryStreamWritePString(get(), s.get()); }
    void write(const String& s) const { BinaryStreamWrite(get(), s.get()); }

    int64_t position() const { return BinaryStreamGetPosition(get()); }
    void setPosition(int64_t position) const { BinaryStreamSetPosition(get(), position); }
    int64_t length() const { return BinaryStreamGetLength(get()); }
    void setLength(int64_t length) const { BinaryStreamSetLength(get(), length); }
    bool eof() const { return BinaryStreamEOF(get()); }
    void flush() const { BinaryStreamFlush(get()); }
    void close() const { BinaryStreamClose(get()); }
    int32_t lastErrorCode() const { return BinaryStreamLastErrorGetter(get()); }

private:
    BinaryStreamFields& fields() const { return *ObjectFields<BinaryStreamFields>(get()); }
};

} // namespace rt
