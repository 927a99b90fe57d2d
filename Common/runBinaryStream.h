// The BinaryStream class of the runtime: bytes, integers, floating-point values
// and length-prefixed strings at a settable position of a file, a string or a
// memory block, over the stores of Universal/FileStreams.h. Values are
// big-endian until `LittleEndian` is set. Failures never raise: short reads
// give 0 or nil, errno goes to LastErrorCode.
// Siblings: the text streams in runFileAccess.h, the C++ handle in
// BinaryStream.h; folder items open file streams (runFolderItem.h).
#pragma once
#include <cstdint>
#include <memory>

#include "Universal/Forward.h"
#include "Common/objects.h"

class BinaryStore;

/// The fields of a BinaryStream after the object header.
struct BinaryStreamFields {
    BinaryStore* store;    // owned; null once closed
    uint8_t littleEndian;  // the `LittleEndian` property: false when made
    int32_t keptError;     // the store's last error code, kept at closing
};

RuntimeClass* RuntimeBinaryStreamClass();

/// A new stream owning `store`; one reference for the caller.
RuntimeObject* NewBinaryStream(std::unique_ptr<BinaryStore> store);

extern "C" {
/// One byte, 0 to 255; 0 when none is left.
int32_t BinaryStreamReadByte(RuntimeObject* stream);
int32_t BinaryStreamReadUInt8(RuntimeObject* stream);
/// One byte, signed.
int32_t BinaryStreamReadInt8(RuntimeObject* stream);
/// Two bytes, signed (ReadShort, ReadInt16) or unsigned.
int32_t BinaryStreamReadShort(RuntimeObject* stream);
int32_t BinaryStreamReadInt16(RuntimeObject* stream);
int32_t BinaryStreamReadUInt16(RuntimeObject* stream);
/// Four bytes, signed (ReadLong, ReadInt32) or unsigned.
int32_t BinaryStreamReadLong(RuntimeObject* stream);
uint32_t BinaryStreamReadUInt32(RuntimeObject* stream);
/// Eight bytes.
int64_t BinaryStreamReadInt64(RuntimeObject* stream);
uint64_t BinaryStreamReadUInt64(RuntimeObject* stream);
/// A four- or eight-byte IEEE 754 value.
float BinaryStreamReadFloat(RuntimeObject* stream);
double BinaryStreamReadDouble(RuntimeObject* stream);
/// One byte, true when not 0.
bool BinaryStreamReadBoolean(RuntimeObject* stream);
/// A count byte n, then up to n bytes; nil without the count byte. A new string.
RTString BinaryStreamReadPString(RuntimeObject* stream, RuntimeObject* encoding);
/// count bytes, cut to what is left; nil when nothing is. A new string.
RTString BinaryStreamRead(RuntimeObject* stream, int32_t count, RuntimeObject* encoding);

void BinaryStreamWriteByte(RuntimeObject* stream, int32_t value);
void BinaryStreamWriteUInt8(RuntimeObject* stream, int32_t value);
void BinaryStreamWriteInt8(RuntimeObject* stream, int32_t value);
void BinaryStreamWriteShort(RuntimeObject* stream, int32_t value);
void BinaryStreamWriteInt16(RuntimeObject* stream, int32_t value);
void BinaryStreamWriteUInt16(RuntimeObject* stream, int32_t value);
/// Four bytes; also WriteInt32.
void BinaryStreamWriteLong(RuntimeObject* stream, int32_t value);
void BinaryStreamWriteUInt32(RuntimeObject* stream, uint32_t value);
void BinaryStreamWriteInt64(RuntimeObject* stream, int64_t value);
void BinaryStreamWriteUInt64(RuntimeObject* stream, uint64_t value);
/// The value narrowed to a four-byte IEEE 754 single.
void BinaryStreamWriteFloat(RuntimeObject* stream, double value);
void BinaryStreamWriteDouble(RuntimeObject* stream, double value);
/// 1 or 0.
void BinaryStreamWriteBoolean(RuntimeObject* stream, bool value);
/// A count byte min(length, 255), then that many bytes of s; nil writes one 0 byte.
void BinaryStreamWritePString(RuntimeObject* stream, RTString s);
/// The bytes of s; nil writes nothing.
void BinaryStreamWrite(RuntimeObject* stream, RTString s);

int64_t BinaryStreamGetPosition(RuntimeObject* stream);
void BinaryStreamSetPosition(RuntimeObject* stream, int64_t position);
int64_t BinaryStreamGetLength(RuntimeObject* stream);
/// Truncates or extends.
void BinaryStreamSetLength(RuntimeObject* stream, int64_t length);
/// True when closed or at the end.
bool BinaryStreamEOF(RuntimeObject* stream);
void BinaryStreamFlush(RuntimeObject* stream);
/// Flushes and closes, keeping the last error code.
void BinaryStreamClose(RuntimeObject* stream);
int32_t BinaryStreamLastErrorGetter(RuntimeObject* stream);

/// Constructor over a FILE* (type 2) or a descriptor (type 3); raises on failure.
void BinaryStreamHandleCtor(RuntimeObject* stream, intptr_t handle, int32_t type);
/// Constructor over a copy of the bytes of s, which writes then extend.
void BinaryStringStringCtor(RuntimeObject* stream, RTString s);
/// Constructor over a memory block (the stream keeps a reference to it), taking
/// its LittleEndian. Writes past the end of an owned block grow it; a block
/// wrapping an address of unknown size has nothing to read or write.
void BinaryStringMemoryBlockCtor(RuntimeObject* stream, RuntimeObject* block);
}
