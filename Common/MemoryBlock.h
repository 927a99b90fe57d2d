// rt::MemoryBlock: an owning handle over a MemoryBlock object. Every operation
// is an entry point of MemoryBlock.h; LittleEndian is a property stored in the
// object's fields, read and written there as compiled code does.
#pragma once
#include "Common/Ref.h"
#include "Common/runMemoryBlock.h"
#include "Common/String.h"

namespace rt {

/// An owning handle over a MemoryBlock object; every operation is an entry point.
class MemoryBlock : public ObjectHandle<MemoryBlock> {
public:
    using Handle::Handle;
    MemoryBlock() noexcept = default;
    /// A new owned, zero-filled block of `size` bytes.
    static MemoryBlock ofSize(int32_t size) {
        MemoryBlock block = adopt(RuntimeNewObject(MemoryBlockClass()));
        memoryBlockNewConstructor(block.get(), size);
        return block;
    }
    /// A block wrapping `address`, which the caller keeps valid.
    static MemoryBlock wrap(void* address) { return adopt(PtrToMemoryBlock(address)); }
    /// An owned block holding a copy of the string's bytes.
    static MemoryBlock fromString(const String& s) { return adopt(MemoryBlockFromStringOperator(s.get())); }


    int32_t size() const { return memoryBlockGetSize(get()); }
    void setSize(int32_t size) const { memoryBlockSetSize(get(), size); }
    void* data() const { return memoryBlockGetPtr(get()); }
    bool littleEndian() const { return fields().littleEndian != 0; }
    void setLittleEndian(bool little) const { fields().littleEndian = little; }

    int32_t byte(int32_t offset) const { return memoryGetByte(get(), offset); }
    void setByte(int32_t offset, int32_t v) const { memorySetByte(get(), offset, v); }
    int32_t int8(int32_t offset) const { return memoryGetInt8(get(), offset); }
    void setInt8(int32_t offset, int32_t v) const { memorySetInt8(get(), offset, v); }
    bool boolean(int32_t offset) const { return memoryGetBoolean(get(), offset); }
    void setBoolean(int32_t offset, bool v) const { memorySetBoolean(get(), offset, v); }
    int32_t int16(int32_t offset) const { return memoryGetShort(get(), offset); }
    void setInt16(int32_t offset, int32_t v) const { memorySetShort(get(), offset, v); }
    int32_t uint16(int32_t offset) const { return memoryGetUShort(get(), offset); }
    void setUInt16(int32_t offset, int32_t v) const { memorySetUInt16(get(), offset, v); }
    int32_t int32(int32_t offset) const { return memoryGetLong(get(), offset); }
    void setInt32(int32_t offset, int32_t v) const { memorySetLong(get(), offset, v); }
    uint32_t uint32(int32_t offset) const { return memoryGetUInt32(get(), offset); }
    void setUInt32(int32_t offset, uint32_t v) const { memorySetUInt32(get(), offset, v); }
    int64_t int64(int32_t offset) const { return memoryGetInt64(get(), offset); }
    void setInt64(int32_t offset, int64_t v) const { memorySetInt64(get(), offset, v); }
    uint64_t uint64(int32_t offset) const { return memoryGetUInt64(get(), offset); }
    void setUInt64(int32_t offset, uint64_t v) const { memorySetUInt64(get(), offset, v); }
    float single(int32_t offset) const { return memoryGetSingle(get(), offset); }
    void setSingle(int32_t offset, double v) const { memorySetSingle(get(), offset, v); }
    double float64(int32_t offset) const { return memoryGetDouble(get(), offset); }
    void setFloat64(int32_t offset, double v) const { memorySetDouble(get(), offset, v); }
    MemoryBlock ptr(int32_t offset) const { return adopt(memoryGetPtr(get(), offset)); }
    void setPtr(int32_t offset, const MemoryBlock& v) const { memorySetPtr(get(), offset, v.get()); }

    String pString(int32_t offset) const { return String::adopt(memoryGetPString(get(), offset)); }
    void setPString(int32_t offset, const String& v) const { memorySetPString(get(), offset, v.get()); }
    String cString(int32_t offset) const { return String::adopt(memoryGetCString(get(), offset)); }
    void setCString(int32_t offset, const String& v) const { memorySetCString(get(), offset, v.get()); }
    String wString(int32_t offset) const { return String::adopt(memoryGetWString(get(), offset)); }
    void setWString(int32_t offset, const String& v) const { memorySetWString(get(), offset, v.get()); }
    String stringValue(int32_t offset, int32_t count) const {
        return String::adopt(memoryGetString(get(), offset, count));
    }
    void setStringValue(int32_t offset, int32_t count, const String& v) const {
        memorySetString(get(), offset, count, v.get());
    }

    MemoryBlock leftB(int32_t count) const { return adopt(MemoryBlockLeftB(get(), count)); }
    MemoryBlock midB(int32_t start) const { return adopt(MemoryBlockMidB2(get(), start)); }
    MemoryBlock midB(int32_t start, int32_t count) const { return adopt(MemoryBlockMidB3(get(), start, count)); }
    MemoryBlock rightB(int32_t count) const { return adopt(MemoryBlockRightB(get(), count)); }
    /// The block's bytes as a String, code unknown.
    String toString() const { return String::adopt(MemoryBlockToStringOperator(get())); }

    friend MemoryBlock operator+(const MemoryBlock& a, const MemoryBlock& b) {
        return adopt(MemoryBlockAddOperator(a.get(), b.get()));
    }
    friend int compare(const MemoryBlock& a, const MemoryBlock& b) {
        return MemoryBlockCompareOperator(a.get(), b.get());
    }

private:
    MemoryBlockFields& fields() const { return *ObjectFields<MemoryBlockFields>(get()); }
};

} // namespace rt
