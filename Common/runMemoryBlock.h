// Memory blocks: runs of raw bytes read and written as numbers, booleans and
// strings at byte offsets, in either byte order. A block either owns a buffer
// of known size (every access bounds-checked) or wraps a raw address.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Universal/Forward.h"

/// The fields of a MemoryBlock after the object header.
struct MemoryBlockFields {
    int32_t size;          // bytes in the buffer; 0 for a wrapped address
    uint8_t* data;         // the buffer or the wrapped address; nil for an empty owned block
    uint8_t owned;         // 1: the buffer belongs to the block and accesses are checked
    uint8_t littleEndian;  // byte order of multi-byte values; 1 when made
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(MemoryBlockFields, size) == 0);
static_assert(offsetof(MemoryBlockFields, data) == 4);
static_assert(offsetof(MemoryBlockFields, owned) == 8);
static_assert(offsetof(MemoryBlockFields, littleEndian) == 9);
#endif

/// The MemoryBlock class record, built on first use; never freed.
RuntimeClass* MemoryBlockClass();

extern "C" {
// Making and converting. Every block returned is a new reference for the caller.

/// Constructor MemoryBlock(size): an owned, zero-filled buffer; size <= 0 gives an empty owned block.
void memoryBlockNewConstructor(RuntimeObject* block, int32_t size);
/// A new owned block of `size` bytes (caller owns it), or nil for a negative size.
RuntimeObject* newMemoryBlock(int32_t size);
/// A new block wrapping `address` (caller owns it): size unknown, never freed, never checked.
RuntimeObject* PtrToMemoryBlock(void* address);
/// The data address of the block (borrowed); nil for a nil block.
void* memoryBlockGetPtr(RuntimeObject* block);
/// A new String (caller owns it) holding the block's bytes, code unknown.
RTString MemoryBlockToStringOperator(RuntimeObject* block);
/// A new owned block (caller owns it) holding a copy of the string's bytes.
RuntimeObject* MemoryBlockFromStringOperator(RTString s);
/// A new owned block (caller owns it): a's bytes then b's; a nil side adds nothing.
RuntimeObject* MemoryBlockAddOperator(RuntimeObject* a, RuntimeObject* b);
/// -1, 0 or 1: order of two blocks by their bytes, compared as unsigned values.
int32_t MemoryBlockCompareOperator(RuntimeObject* a, RuntimeObject* b);
/// Bytes in an owned block; -1 for a wrapped address.
int32_t memoryBlockGetSize(RuntimeObject* block);
/// Resizes the block, keeping the bytes that fit and zero-filling growth; the block becomes owned.
void memoryBlockSetSize(RuntimeObject* block, int32_t size);
/// New owned copies of part of the block (caller owns them), or nil when nothing is left.
RuntimeObject* MemoryBlockLeftB(RuntimeObject* block, int32_t count);
RuntimeObject* MemoryBlockMidB2(RuntimeObject* block, int32_t start);
RuntimeObject* MemoryBlockMidB3(RuntimeObject* block, int32_t start, int32_t count);
RuntimeObject* MemoryBlockRightB(RuntimeObject* block, int32_t count);
/// Frees an owned buffer.
void MemoryBlockFinalizer(RuntimeObject* block);

// Value accessors at a byte offset. Out-of-bounds access on an owned block, or
// any access through a nil data address, raises OutOfBoundsException; a nil
// block raises NilObjectException.

/// Byte (UInt8): 0 to 255; a setter keeps the low 8 bits.
int32_t memoryGetByte(RuntimeObject* block, int32_t offset);
void memorySetByte(RuntimeObject* block, int32_t offset, int32_t value);
/// Int8: -128 to 127.
int32_t memoryGetInt8(RuntimeObject* block, int32_t offset);
void memorySetInt8(RuntimeObject* block, int32_t offset, int32_t value);
/// Boolean: true when the byte is not 0; written as 1 or 0.
bool memoryGetBoolean(RuntimeObject* block, int32_t offset);
void memorySetBoolean(RuntimeObject* block, int32_t offset, bool value);
/// Short (Int16): signed 16 bits.
int32_t memoryGetShort(RuntimeObject* block, int32_t offset);
void memorySetShort(RuntimeObject* block, int32_t offset, int32_t value);
/// UShort (UInt16): unsigned 16 bits.
int32_t memoryGetUShort(RuntimeObject* block, int32_t offset);
void memorySetUInt16(RuntimeObject* block, int32_t offset, int32_t value);
/// Long: signed 32 bits.
int32_t memoryGetLong(RuntimeObject* block, int32_t offset);
void memorySetLong(RuntimeObject* block, int32_t offset, int32_t value);
/// UInt32: unsigned 32 bits.
uint32_t memoryGetUInt32(RuntimeObject* block, int32_t offset);
void memorySetUInt32(RuntimeObject* block, int32_t offset, uint32_t value);
/// Int64: signed 64 bits.
int64_t memoryGetInt64(RuntimeObject* block, int32_t offset);
void memorySetInt64(RuntimeObject* block, int32_t offset, int64_t value);
/// UInt64: unsigned 64 bits.
uint64_t memoryGetUInt64(RuntimeObject* block, int32_t offset);
void memorySetUInt64(RuntimeObject* block, int32_t offset, uint64_t value);
/// Single: IEEE 754 single precision; the setter narrows its double argument.
float memoryGetSingle(RuntimeObject* block, int32_t offset);
void memorySetSingle(RuntimeObject* block, int32_t offset, double value);
/// Double: IEEE 754 double precision.
double memoryGetDouble(RuntimeObject* block, int32_t offset);
void memorySetDouble(RuntimeObject* block, int32_t offset, double value);
/// A new block (caller owns it) wrapping the whole machine address stored at the offset.
RuntimeObject* memoryGetPtr(RuntimeObject* block, int32_t offset);
/// Stores the data address of `value` (borrowed; nil stores 0) as a whole machine address.
void memorySetPtr(RuntimeObject* block, int32_t offset, RuntimeObject* value);

// String accessors; every String returned is a new reference for the caller.

/// A length byte and that many bytes; code unknown.
RTString memoryGetPString(RuntimeObject* block, int32_t offset);
/// Writes the low 8 bits of the length, then every byte of `value`.
void memorySetPString(RuntimeObject* block, int32_t offset, RTString value);
/// The bytes up to the first NUL, or to the end of an owned block; code unknown.
RTString memoryGetCString(RuntimeObject* block, int32_t offset);
/// Writes the bytes of `value` and a NUL.
void memorySetCString(RuntimeObject* block, int32_t offset, RTString value);
/// 32-bit code points up to a 0 unit (or the end of an owned block), as UTF-8.
RTString memoryGetWString(RuntimeObject* block, int32_t offset);
/// Writes each UTF-16 unit of `value` as a 32-bit unit, then a 32-bit 0.
void memorySetWString(RuntimeObject* block, int32_t offset, RTString value);
/// `count` bytes at the offset; code unknown.
RTString memoryGetString(RuntimeObject* block, int32_t offset, int32_t count);
/// Writes `count` bytes: the start of `value`, zero-filled when it is shorter.
void memorySetString(RuntimeObject* block, int32_t offset, int32_t count, RTString value);
}
