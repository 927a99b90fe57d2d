#include "Common/runMemoryBlock.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Common/Ref.h"
#include "Common/exceptions.h"
#include "Common/objects.h"
#include "Common/String.h"
#include "Universal/RecordMemory.h"
#include "Universal/UTF8.h"
#include "Universal/VELQstring.h"

namespace {

// The platform's byte order; an access in any other order reverses the bytes.
constexpr bool kPlatformLittleEndian = std::endian::native == std::endian::little;

MemoryBlockFields& fields(RuntimeObject* block) { return *ObjectFields<MemoryBlockFields>(block); }

[[noreturn]] void outOfBounds() { RuntimeRaiseNew(ExceptionKind::OutOfBoundsException); }

MemoryBlockFields& requireBlock(RuntimeObject* block) {
    if (!block) RuntimeRaiseNew(ExceptionKind::NilObjectException);
    return fields(block);
}

// The address of `width` bytes at `offset`. An owned block must hold them all;
// a wrapped address is trusted, as its size is unknown. No data at all never is.
uint8_t* accessAt(RuntimeObject* block, int32_t offset, int64_t width) {
    MemoryBlockFields& f = requireBlock(block);
    if (!f.data) outOfBounds();
    if (f.owned && (offset < 0 || int64_t(offset) + width > f.size)) outOfBounds();
    return f.data + offset;
}

// Whether multi-byte values of this block must be reversed on the way in and out.
bool swapsBytes(RuntimeObject* block) { return bool(fields(block).littleEndian) != kPlatformLittleEndian; }

template <typename T>
T byteSwapped(T value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    std::reverse(bytes, bytes + sizeof(T));
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

template <typename T>
T readValue(RuntimeObject* block, int32_t offset) {
    T value;
    std::memcpy(&value, accessAt(block, offset, sizeof(T)), sizeof(T));
    return swapsBytes(block) ? byteSwapped(value) : value;
}

template <typename T>
void writeValue(RuntimeObject* block, int32_t offset, T value) {
    uint8_t* at = accessAt(block, offset, sizeof(T));
    if (swapsBytes(block)) value = byteSwapped(value);
    std::memcpy(at, &value, sizeof(T));
}

// A zero-filled buffer of `size` bytes (nil for 0 or less), or ENOMEM.
ErrorOr<uint8_t*> allocateBuffer(int32_t size) {
    if (size <= 0) return nullptr;
    return static_cast<uint8_t*>(TRY(AllocateZeroedRecordMemory(size_t(size), 1)));
}

void releaseBuffer(MemoryBlockFields& f) {
    if (f.owned) std::free(f.data);
    f.data = nullptr;
    f.size = 0;
}

// A new owned block holding a copy of `size` bytes at `bytes`.
RuntimeObject* newOwnedCopy(const void* bytes, int32_t size) {
    auto block = rt::Ref<>::adopt(newMemoryBlock(0));  // released if the buffer cannot be had
    MemoryBlockFields& f = fields(block.get());
    f.data = ValueOrRaiseOutOfMemory(allocateBuffer(size));
    f.size = size;
    if (size > 0) std::memcpy(f.data, bytes, size_t(size));
    return block.release();
}

void initializeBlock(RuntimeObject* block) {
    MemoryBlockFields& f = fields(block);
    f.owned = 1;
    f.littleEndian = 1;
}

// The UTF-16 units of a string, converted unless it already is UTF-16. Text
// no converter can take (its code unknown) gives one unit per byte.
std::u16string utf16Units(RTString s) {
    rt::String converted = rt::String::adopt(ConvertStringToCode(s, kEncodingUTF16));
    std::string_view bytes = converted.bytes();
    std::u16string units;
    if (converted.encoding() == kEncodingUTF16) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            units += char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);  // UTF-16 text is little-endian
    } else {
        for (char byte : bytes) units += char16_t(uint8_t(byte));
    }
    return units;
}

const PropertyDefinition kMemoryBlockProperties[] = {
    {"LittleEndian%b%", int32_t(sizeof(RuntimeObject) + offsetof(MemoryBlockFields, littleEndian))},
};

const MethodDefinition kMemoryBlockMethods[] = {
    {"Constructor%%o<MemoryBlock>i4", reinterpret_cast<void*>(&memoryBlockNewConstructor)},
    {"Size%i4%o<MemoryBlock>", reinterpret_cast<void*>(&memoryBlockGetSize)},
    {"=Size%%o<MemoryBlock>i4", reinterpret_cast<void*>(&memoryBlockSetSize)},
    {"LeftB%o<MemoryBlock>%o<MemoryBlock>i4", reinterpret_cast<void*>(&MemoryBlockLeftB)},
    {"MidB%o<MemoryBlock>%o<MemoryBlock>i4", reinterpret_cast<void*>(&MemoryBlockMidB2)},
    {"MidB%o<MemoryBlock>%o<MemoryBlock>i4i4", reinterpret_cast<void*>(&MemoryBlockMidB3)},
    {"RightB%o<MemoryBlock>%o<MemoryBlock>i4", reinterpret_cast<void*>(&MemoryBlockRightB)},
    {"Operator_Add%o<MemoryBlock>%o<MemoryBlock>o<MemoryBlock>", reinterpret_cast<void*>(&MemoryBlockAddOperator)},
    {"Operator_Compare%i4%o<MemoryBlock>o<MemoryBlock>", reinterpret_cast<void*>(&MemoryBlockCompareOperator)},
};

} // namespace

RuntimeClass* MemoryBlockClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "MemoryBlock",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(MemoryBlockFields)),
        .initializer = &initializeBlock,
        .finalizer = &MemoryBlockFinalizer,
        .methods = kMemoryBlockMethods,
        .properties = kMemoryBlockProperties,
    });
    return c;
}

// ---- Making and converting ----

extern "C" void memoryBlockNewConstructor(RuntimeObject* block, int32_t size) {
    MemoryBlockFields& f = requireBlock(block);
    uint8_t* buffer = ValueOrRaiseOutOfMemory(allocateBuffer(size));
    releaseBuffer(f);
    f.owned = 1;
    f.data = buffer;
    f.size = buffer ? size : 0;
}

extern "C" RuntimeObject* newMemoryBlock(int32_t size) {
    if (size < 0) return nullptr;
    auto block = rt::Ref<>::adopt(RuntimeNewObject(MemoryBlockClass()));  // released if construction raises
    memoryBlockNewConstructor(block.get(), size);
    return block.release();
}

extern "C" RuntimeObject* PtrToMemoryBlock(void* address) {
    RuntimeObject* block = RuntimeNewObject(MemoryBlockClass());
    MemoryBlockFields& f = fields(block);
    f.owned = 0;
    f.data = static_cast<uint8_t*>(address);
    return block;
}

extern "C" void* memoryBlockGetPtr(RuntimeObject* block) { return block ? fields(block).data : nullptr; }

extern "C" RTString MemoryBlockToStringOperator(RuntimeObject* block) {
    if (!block) return nullptr;
    const MemoryBlockFields& f = fields(block);
    return f.data ? StringFromBytes(f.data, size_t(f.size), kEncodingUnknown) : nullptr;
}

extern "C" RuntimeObject* MemoryBlockFromStringOperator(RTString s) {
    return newOwnedCopy(StringBytes(s), int32_t(StringLength(s)));
}

extern "C" RuntimeObject* MemoryBlockAddOperator(RuntimeObject* a, RuntimeObject* b) {
    int32_t sizeA = a && fields(a).data ? fields(a).size : 0;
    int32_t sizeB = b && fields(b).data ? fields(b).size : 0;
    if (int64_t(sizeA) + sizeB > INT32_MAX) RaiseOutOfMemoryException();
    RuntimeObject* sum = newMemoryBlock(sizeA + sizeB);
    if (sizeA > 0) std::memcpy(fields(sum).data, fields(a).data, size_t(sizeA));
    if (sizeB > 0) std::memcpy(fields(sum).data + sizeA, fields(b).data, size_t(sizeB));
    return sum;
}

extern "C" int32_t MemoryBlockCompareOperator(RuntimeObject* a, RuntimeObject* b) {
    if (a == b) return 0;
    if (!a || !b) {
        RuntimeObject* present = a ? a : b;
        const MemoryBlockFields& f = fields(present);
        if (!f.owned && f.data) return -1;
        if (f.size == 0) return 0;
        return a ? 1 : -1;
    }
    const MemoryBlockFields& fa = fields(a);
    const MemoryBlockFields& fb = fields(b);
    if (fa.data == fb.data) return 0;
    int32_t common = std::min(fa.size, fb.size);
    for (int32_t i = 0; i < common; ++i) {
        if (fa.data[i] != fb.data[i]) return fa.data[i] < fb.data[i] ? -1 : 1;
    }
    if (fa.size == fb.size) return 0;
    return fa.size < fb.size ? -1 : 1;
}

extern "C" int32_t memoryBlockGetSize(RuntimeObject* block) {
    const MemoryBlockFields& f = requireBlock(block);
    return f.owned ? f.size : -1;
}

extern "C" void memoryBlockSetSize(RuntimeObject* block, int32_t size) {
    MemoryBlockFields& f = requireBlock(block);
    if (f.owned && size == f.size) return;
    if (size < 0) outOfBounds();
    if (size == 0) {
        releaseBuffer(f);
        f.owned = 1;
        return;
    }
    uint8_t* grown = ValueOrRaiseOutOfMemory(allocateBuffer(size));
    // A wrapped address counts as 0 bytes, so none of it is copied.
    if (f.data) std::memcpy(grown, f.data, size_t(std::min(size, f.size)));
    releaseBuffer(f);
    f.data = grown;
    f.size = size;
    f.owned = 1;
}

extern "C" RuntimeObject* MemoryBlockMidB3(RuntimeObject* block, int32_t start, int32_t count) {
    const MemoryBlockFields& f = requireBlock(block);
    if (start < 0) {
        count = int32_t(std::max<int64_t>(int64_t(count) + start, INT32_MIN));
        start = 0;
    }
    if (start >= f.size) return nullptr;
    count = std::min(count, f.size - start);
    if (count <= 0) return nullptr;
    RuntimeObject* part = newOwnedCopy(f.data + start, count);
    fields(part).littleEndian = f.littleEndian;
    return part;
}

extern "C" RuntimeObject* MemoryBlockLeftB(RuntimeObject* block, int32_t count) {
    return MemoryBlockMidB3(block, 0, count);
}

extern "C" RuntimeObject* MemoryBlockMidB2(RuntimeObject* block, int32_t start) {
    return MemoryBlockMidB3(block, start, int32_t(int64_t(requireBlock(block).size) - start));
}

extern "C" RuntimeObject* MemoryBlockRightB(RuntimeObject* block, int32_t count) {
    int32_t size = requireBlock(block).size;
    return MemoryBlockMidB3(block, int32_t(int64_t(size) - count), count);
}

extern "C" void MemoryBlockFinalizer(RuntimeObject* block) { releaseBuffer(fields(block)); }

// ---- Numbers ----

extern "C" int32_t memoryGetByte(RuntimeObject* block, int32_t offset) { return readValue<uint8_t>(block, offset); }
extern "C" void memorySetByte(RuntimeObject* block, int32_t offset, int32_t value) {
    writeValue<uint8_t>(block, offset, uint8_t(value));
}
extern "C" int32_t memoryGetInt8(RuntimeObject* block, int32_t offset) { return readValue<int8_t>(block, offset); }
extern "C" void memorySetInt8(RuntimeObject* block, int32_t offset, int32_t value) {
    writeValue<int8_t>(block, offset, int8_t(value));
}
extern "C" bool memoryGetBoolean(RuntimeObject* block, int32_t offset) {
    return readValue<uint8_t>(block, offset) != 0;
}
extern "C" void memorySetBoolean(RuntimeObject* block, int32_t offset, bool value) {
    writeValue<uint8_t>(block, offset, value ? 1 : 0);
}
extern "C" int32_t memoryGetShort(RuntimeObject* block, int32_t offset) { return readValue<int16_t>(block, offset); }
extern "C" void memorySetShort(RuntimeObject* block, int32_t offset, int32_t value) {
    writeValue<int16_t>(block, offset, int16_t(value));
}
extern "C" int32_t memoryGetUShort(RuntimeObject* block, int32_t offset) {
    return readValue<uint16_t>(block, offset);
}
extern "C" void memorySetUInt16(RuntimeObject* block, int32_t offset, int32_t value) {
    writeValue<uint16_t>(block, offset, uint16_t(value));
}
extern "C" int32_t memoryGetLong(RuntimeObject* block, int32_t offset) { return readValue<int32_t>(block, offset); }
extern "C" void memorySetLong(RuntimeObject* block, int32_t offset, int32_t value) {
    writeValue<int32_t>(block, offset, value);
}
extern "C" uint32_t memoryGetUInt32(RuntimeObject* block, int32_t offset) {
    return readValue<uint32_t>(block, offset);
}
extern "C" void memorySetUInt32(RuntimeObject* block, int32_t offset, uint32_t value) {
    writeValue<uint32_t>(block, offset, value);
}
extern "C" int64_t memoryGetInt64(RuntimeObject* block, int32_t offset) { return readValue<int64_t>(block, offset); }
extern "C" void memorySetInt64(RuntimeObject* block, int32_t offset, int64_t value) {
    writeValue<int64_t>(block, offset, value);
}
extern "C" uint64_t memoryGetUInt64(RuntimeObject* block, int32_t offset) {
    return readValue<uint64_t>(block, offset);
}
extern "C" void memorySetUInt64(RuntimeObject* block, int32_t offset, uint64_t value) {
    writeValue<uint64_t>(block, offset, value);
}
extern "C" float memoryGetSingle(RuntimeObject* block, int32_t offset) { return readValue<float>(block, offset); }
extern "C" void memorySetSingle(RuntimeObject* block, int32_t offset, double value) {
    writeValue<float>(block, offset, float(value));
}
extern "C" double memoryGetDouble(RuntimeObject* block, int32_t offset) { return readValue<double>(block, offset); }
extern "C" void memorySetDouble(RuntimeObject* block, int32_t offset, double value) {
    writeValue<double>(block, offset, value);
}

// Addresses keep their full machine width and machine order: cutting one to
// four bytes on a 64-bit build would hand out a wild pointer.
extern "C" RuntimeObject* memoryGetPtr(RuntimeObject* block, int32_t offset) {
    void* address;
    std::memcpy(&address, accessAt(block, offset, sizeof(void*)), sizeof(void*));
    return PtrToMemoryBlock(address);
}

extern "C" void memorySetPtr(RuntimeObject* block, int32_t offset, RuntimeObject* value) {
    void* address = memoryBlockGetPtr(value);
    std::memcpy(accessAt(block, offset, sizeof(void*)), &address, sizeof(void*));
}

// ---- Strings ----

extern "C" RTString memoryGetPString(RuntimeObject* block, int32_t offset) {
    uint8_t length = *accessAt(block, offset, 1);
    return StringFromBytes(accessAt(block, offset, 1 + int64_t(length)) + 1, length, kEncodingUnknown);
}

extern "C" void memorySetPString(RuntimeObject* block, int32_t offset, RTString value) {
    uint32_t length = StringLength(value);
    uint8_t* at = accessAt(block, offset, int64_t(length) + 1);
    at[0] = uint8_t(length);
    std::memcpy(at + 1, StringBytes(value), length);
}

extern "C" RTString memoryGetCString(RuntimeObject* block, int32_t offset) {
    const uint8_t* at = accessAt(block, offset, 1);
    const MemoryBlockFields& f = fields(block);
    // An owned block without a NUL after the offset ends the text at its last byte.
    size_t length = f.owned ? strnlen(reinterpret_cast<const char*>(at), size_t(f.size - offset))
                            : std::strlen(reinterpret_cast<const char*>(at));
    return StringFromBytes(at, length, kEncodingUnknown);
}

extern "C" void memorySetCString(RuntimeObject* block, int32_t offset, RTString value) {
    uint32_t length = StringLength(value);
    uint8_t* at = accessAt(block, offset, int64_t(length) + 1);
    std::memcpy(at, StringBytes(value), length);
    at[length] = 0;
}

extern "C" RTString memoryGetWString(RuntimeObject* block, int32_t offset) {
    accessAt(block, offset, 1);
    const MemoryBlockFields& f = fields(block);
    std::string text;
    for (int64_t at = offset; !f.owned || at + 4 <= f.size; at += 4) {
        uint32_t unit = readValue<uint32_t>(block, int32_t(at));
        if (unit == 0) break;
        char sequence[4];
        text.append(sequence, EncodeUTF8(unit, sequence));
    }
    return StringFromBytes(text.data(), text.size(), kEncodingUTF8);
}

extern "C" void memorySetWString(RuntimeObject* block, int32_t offset, RTString value) {
    std::u16string units = utf16Units(value);
    accessAt(block, offset, 4 * int64_t(units.size()) + 4);
    for (size_t i = 0; i < units.size(); ++i) {
        writeValue<uint32_t>(block, int32_t(offset + 4 * int64_t(i)), units[i]);
    }
    writeValue<uint32_t>(block, int32_t(offset + 4 * int64_t(units.size())), 0);
}

extern "C" RTString memoryGetString(RuntimeObject* block, int32_t offset, int32_t count) {
    if (count < 0) outOfBounds();
    return StringFromBytes(accessAt(block, offset, count), size_t(count), kEncodingUnknown);
}

extern "C" void memorySetString(RuntimeObject* block, int32_t offset, int32_t count, RTString value) {
    if (count < 0) outOfBounds();
    uint8_t* at = accessAt(block, offset, count);
    size_t copied = std::min<size_t>(size_t(count), StringLength(value));
    std::memcpy(at, StringBytes(value), copied);
    std::memset(at + copied, 0, size_t(count) - copied);
}
