#include "Common/runBinaryStream.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <utility>

#include "Common/Ref.h"
#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Common/runFileAccess.h"
#include "Universal/FileIO/file.h"
#include "Universal/FileStreams.h"
#include "Common/runMemoryBlock.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/VELQstring.h"

namespace {

BinaryStreamFields* fields(RuntimeObject* stream) { return ObjectFields<BinaryStreamFields>(stream); }

// The open store, or null for a closed stream; a nil stream is reported.
BinaryStore* store(RuntimeObject* stream) {
    if (stream) return fields(stream)->store;
    RUNTIME_ASSERT_FAILED("runFileAccess", "stream", nullptr);
    return nullptr;
}

void finalizeBinary(RuntimeObject* stream) { delete std::exchange(fields(stream)->store, nullptr); }

void adoptStore(RuntimeObject* stream, std::unique_ptr<BinaryStore> replacement) {
    delete std::exchange(fields(stream)->store, replacement.release());
}

// Values move in the machine's order when LittleEndian matches it, reversed otherwise.
bool reversed(RuntimeObject* stream) {
    return bool(fields(stream)->littleEndian) != (std::endian::native == std::endian::little);
}

// A value of T from the stream; 0 when fewer bytes than its width are left.
template <typename T>
T readValue(RuntimeObject* stream) {
    BinaryStore* found = store(stream);
    if (!found) return T{};
    unsigned char bytes[sizeof(T)];
    if (found->Read(bytes, sizeof bytes) != sizeof bytes) return T{};
    if (reversed(stream)) std::reverse(std::begin(bytes), std::end(bytes));
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename T>
void writeValue(RuntimeObject* stream, T value) {
    BinaryStore* found = store(stream);
    if (!found) return;
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof bytes);
    if (reversed(stream)) std::reverse(std::begin(bytes), std::end(bytes));
    (void)found->Write(bytes, sizeof bytes);
}

RTString readBytes(BinaryStore& from, size_t count, RuntimeObject* encoding) {
    std::string bytes(count, '\0');
    bytes.resize(from.Read(bytes.data(), count));
    return StringFromBytes(bytes.data(), bytes.size(), TextEncodingCode(encoding));
}

// A binary store over a memory block. The block's buffer may be replaced
// while the stream lives (its Size set), so every access reads the fields anew.
class MemoryBlockStore final : public BinaryStore {
public:
    explicit MemoryBlockStore(RuntimeObject* block) : block_(rt::Ref<>::retain(block)) {}

    size_t Read(void* into, size_t count) override {
        size_t size = Size();
        size_t got = position_ < int64_t(size) ? std::min(count, size - size_t(position_)) : 0;
        if (got) std::memcpy(into, Block().data + position_, got);
        position_ += got;
        return got;
    }

    bool Write(const void* from, size_t count) override {
        if (!Block().owned || position_ + int64_t(count) > INT32_MAX) {
            lastError_ = ENOSPC;
            return false;
        }
        if (position_ + count > Size()) memoryBlockSetSize(block_.get(), int32_t(position_ + count));
        if (count) std::memcpy(Block().data + position_, from, count);
        position_ += count;
        return true;
    }

    int64_t Position() override { return position_; }
    bool SetPosition(int64_t offset) override {
        if (offset < 0) {
            lastError_ = EINVAL;
            return false;
        }
        position_ = offset;
        return true;
    }
    int64_t Length() override { return int64_t(Size()); }
    bool SetLength(int64_t length) override {
        if (length < 0 || length > INT32_MAX || !Block().owned) {
            lastError_ = EINVAL;
            return false;
        }
        memoryBlockSetSize(block_.get(), int32_t(length));
        return true;
    }
    bool Close() override { return true; }
    int32_t LastError() const override { return lastError_; }

private:
    MemoryBlockFields& Block() const { return *ObjectFields<MemoryBlockFields>(block_.get()); }
    size_t Size() const { return Block().owned && Block().data ? size_t(Block().size) : 0; }

    rt::Ref<> block_;
    int64_t position_ = 0;  // may lie past the end, and past what a size_t holds
    int32_t lastError_ = 0;
};

} // namespace

RuntimeClass* RuntimeBinaryStreamClass() {
    static const PropertyDefinition properties[] = {
        {"LittleEndian%b%", int32_t(sizeof(RuntimeObject) + offsetof(BinaryStreamFields, littleEndian))},
    };
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "BinaryStream",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(BinaryStreamFields)),
        .finalizer = &finalizeBinary,
        .properties = properties,
    });
    return c;
}

RuntimeObject* NewBinaryStream(std::unique_ptr<BinaryStore> contents) {
    RuntimeObject* stream = RuntimeNewObject(RuntimeBinaryStreamClass());
    adoptStore(stream, std::move(contents));
    return stream;
}

extern "C" int32_t BinaryStreamReadByte(RuntimeObject* stream) { return readValue<uint8_t>(stream); }
extern "C" int32_t BinaryStreamReadUInt8(RuntimeObject* stream) { return readValue<uint8_t>(stream); }
extern "C" int32_t BinaryStreamReadInt8(RuntimeObject* stream) { return readValue<int8_t>(stream); }
extern "C" int32_t BinaryStreamReadShort(RuntimeObject* stream) { return readValue<int16_t>(stream); }
extern "C" int32_t BinaryStreamReadInt16(RuntimeObject* stream) { return readValue<int16_t>(stream); }
extern "C" int32_t BinaryStreamReadUInt16(RuntimeObject* stream) { return readValue<uint16_t>(stream); }
extern "C" int32_t BinaryStreamReadLong(RuntimeObject* stream) { return readValue<int32_t>(stream); }
extern "C" uint32_t BinaryStreamReadUInt32(RuntimeObject* stream) { return readValue<uint32_t>(stream); }
extern "C" int64_t BinaryStreamReadInt64(RuntimeObject* stream) { return readValue<int64_t>(stream); }
extern "C" uint64_t BinaryStreamReadUInt64(RuntimeObject* stream) { return readValue<uint64_t>(stream); }
extern "C" float BinaryStreamReadFloat(RuntimeObject* stream) { return readValue<float>(stream); }
extern "C" double BinaryStreamReadDouble(RuntimeObject* stream) { return readValue<double>(stream); }
extern "C" bool BinaryStreamReadBoolean(RuntimeObject* stream) { return readValue<uint8_t>(stream) != 0; }

extern "C" RTString BinaryStreamReadPString(RuntimeObject* stream, RuntimeObject* encoding) {
    BinaryStore* found = store(stream);
    uint8_t count;
    if (!found || found->Read(&count, 1) != 1) return nullptr;
    return readBytes(*found, count, encoding);
}

extern "C" RTString BinaryStreamRead(RuntimeObject* stream, int32_t count, RuntimeObject* encoding) {
    BinaryStore* found = store(stream);
    if (!found || count <= 0) return nullptr;
    int64_t left = found->Length() - found->Position();
    if (left <= 0) return nullptr;
    return readBytes(*found, size_t(std::min<int64_t>(count, left)), encoding);
}

extern "C" void BinaryStreamWriteByte(RuntimeObject* stream, int32_t value) { writeValue(stream, uint8_t(value)); }
extern "C" void BinaryStreamWriteUInt8(RuntimeObject* stream, int32_t value) { writeValue(stream, uint8_t(value)); }
extern "C" void BinaryStreamWriteInt8(RuntimeObject* stream, int32_t value) { writeValue(stream, int8_t(value)); }
extern "C" void BinaryStreamWriteShort(RuntimeObject* stream, int32_t value) { writeValue(stream, int16_t(value)); }
extern "C" void BinaryStreamWriteInt16(RuntimeObject* stream, int32_t value) { writeValue(stream, int16_t(value)); }
extern "C" void BinaryStreamWriteUInt16(RuntimeObject* stream, int32_t value) { writeValue(stream, uint16_t(value)); }
extern "C" void BinaryStreamWriteLong(RuntimeObject* stream, int32_t value) { writeValue(stream, value); }
extern "C" void BinaryStreamWriteUInt32(RuntimeObject* stream, uint32_t value) { writeValue(stream, value); }
extern "C" void BinaryStreamWriteInt64(RuntimeObject* stream, int64_t value) { writeValue(stream, value); }
extern "C" void BinaryStreamWriteUInt64(RuntimeObject* stream, uint64_t value) { writeValue(stream, value); }
extern "C" void BinaryStreamWriteFloat(RuntimeObject* stream, double value) { writeValue(stream, float(value)); }
extern "C" void BinaryStreamWriteDouble(RuntimeObject* stream, double value) { writeValue(stream, value); }
extern "C" void BinaryStreamWriteBoolean(RuntimeObject* stream, bool value) { writeValue(stream, uint8_t(value ? 1 : 0)); }

extern "C" void BinaryStreamWritePString(RuntimeObject* stream, RTString s) {
    BinaryStore* found = store(stream);
    if (!found) return;
    uint8_t count = uint8_t(std::min<uint32_t>(StringLength(s), 255));
    std::string record(1, char(count));
    record.append(StringBytes(s), count);
    (void)found->Write(record.data(), record.size());
}

extern "C" void BinaryStreamWrite(RuntimeObject* stream, RTString s) {
    if (BinaryStore* found = store(stream)) (void)found->Write(StringBytes(s), StringLength(s));
}

extern "C" int64_t BinaryStreamGetPosition(RuntimeObject* stream) {
    BinaryStore* found = store(stream);
    return found ? found->Position() : 0;
}

extern "C" void BinaryStreamSetPosition(RuntimeObject* stream, int64_t position) {
    if (BinaryStore* found = store(stream)) (void)found->SetPosition(position);
}

extern "C" int64_t BinaryStreamGetLength(RuntimeObject* stream) {
    BinaryStore* found = store(stream);
    return found ? found->Length() : 0;
}

extern "C" void BinaryStreamSetLength(RuntimeObject* stream, int64_t length) {
    if (BinaryStore* found = store(stream)) (void)found->SetLength(length);
}

extern "C" bool BinaryStreamEOF(RuntimeObject* stream) {
    BinaryStore* found = store(stream);
    return !found || found->Position() >= found->Length();
}

extern "C" void BinaryStreamFlush(RuntimeObject* stream) {
    if (BinaryStore* found = store(stream)) found->Flush();
}

extern "C" void BinaryStreamClose(RuntimeObject* stream) {
    BinaryStore* found = store(stream);
    if (!found) return;
    (void)found->Close();
    fields(stream)->keptError = found->LastError();
    adoptStore(stream, nullptr);
}

extern "C" int32_t BinaryStreamLastErrorGetter(RuntimeObject* stream) {
    if (!stream) {
        RUNTIME_ASSERT_FAILED("runFileAccess", "stream", "No binary stream to get last error code on!");
        return 0;
    }
    BinaryStore* found = fields(stream)->store;
    return found ? found->LastError() : fields(stream)->keptError;
}

extern "C" void BinaryStreamHandleCtor(RuntimeObject* stream, intptr_t handle, int32_t type) {
    if (!StreamConstructorTarget(stream)) return;
    adoptStore(stream, std::make_unique<FileStore>(FileFromHandle(handle, type)));
}

extern "C" void BinaryStringStringCtor(RuntimeObject* stream, RTString s) {
    if (!StreamConstructorTarget(stream)) return;
    adoptStore(stream, std::make_unique<BytesStore>(std::string(StringBytes(s), StringLength(s))));
}

extern "C" void BinaryStringMemoryBlockCtor(RuntimeObject* stream, RuntimeObject* block) {
    if (!StreamConstructorTarget(stream)) return;
    if (!block) RaiseNilObjectException();
    fields(stream)->littleEndian = ObjectFields<MemoryBlockFields>(block)->littleEndian;
    adoptStore(stream, std::make_unique<MemoryBlockStore>(block));
}
