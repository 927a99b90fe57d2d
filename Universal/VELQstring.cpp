#include "Universal/VELQstring.h"

#include <cctype>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
int64_t gLiveStrings = 0;
} // namespace

RTString StringAllocate(uint32_t length, uint32_t encoding) {
    if (length == 0) return nullptr;
    void* block = std::malloc(offsetof(StringRecord, text) + size_t(length) + 1);
    if (!block) throw std::bad_alloc();
    auto* record = static_cast<StringRecord*>(block);
    record->refCount = 1;
    record->shortLengthByte = &record->shortLength;
    record->bufferSize = length + 2;
    record->length = length;
    record->encoding = encoding;
    record->shortLength = length < 256 ? uint8_t(length) : uint8_t(255);
    record->text[length] = '\0';
    ++gLiveStrings;
    return record;
}

RTString StringFromBytes(const void* data, size_t length, uint32_t encoding) {
    RTString record = StringAllocate(uint32_t(length), encoding);
    if (record) std::memcpy(record->text, data, length);
    return record;
}

int64_t RuntimeLiveStringCount() { return gLiveStrings; }

extern "C" RTString RuntimeLockString(RTString s) {
    if (s) ++s->refCount;
    return s;
}

extern "C" void RuntimeUnlockString(RTString s) {
    if (!s || --s->refCount != 0) return;
    --gLiveStrings;
    std::free(s);
}

extern "C" void RuntimeLockUnlockStrings(RTString newValue, RTString oldValue) {
    if (newValue == oldValue) return;
    RuntimeLockString(newValue);
    RuntimeUnlockString(oldValue);
}

extern "C" int32_t RuntimeStringCompare(RTString a, RTString b) {
    if (a == b) return 0;
    if (!a) return -1;
    if (!b) return 1;
    uint32_t common = std::min(a->length, b->length);
    for (uint32_t i = 0; i < common; ++i) {
        int x = toupper(uint8_t(a->bytes()[i])), y = toupper(uint8_t(b->bytes()[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a->length == b->length ? 0 : a->length < b->length ? -1 : 1;
}
