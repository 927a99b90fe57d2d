#include "Common/basicstr.h"

#include <algorithm>
#include <cstring>

#include "Common/assertion.h"
#include "Universal/VELQstring.h"

namespace {
constexpr const char* kModule = "RuntimeStringFoundation";
} // namespace

extern "C" RTString RuntimeGetStructureString(const void* base, int32_t offset, int32_t width) {
    if (!base || width <= 0) return nullptr;
    const char* field = static_cast<const char*>(base) + offset;
    size_t length = size_t(width);
    while (length > 0 && field[length - 1] == '\0') --length;
    return StringFromBytes(field, length, kEncodingUnknown);
}

extern "C" void RuntimeSetStructureString(void* base, int32_t offset, int32_t width, RTString s) {
    // Writing through either would scribble over memory that is not the field.
    if (offset < 0) {
        RUNTIME_ASSERT_FAILED(kModule, "offset >= 0", nullptr);
        return;
    }
    if (!base) {
        RUNTIME_ASSERT_FAILED(kModule, "buf", nullptr);
        return;
    }
    if (width <= 0) return;
    char* field = static_cast<char*>(base) + offset;
    size_t copied = std::min(size_t(width), size_t(StringLength(s)));
    std::memcpy(field, StringBytes(s), copied);
    std::memset(field + copied, 0, size_t(width) - copied);
}

extern "C" RTString RuntimeGetStructureContents(const void* pointer, int32_t size) {
    if (!pointer || size <= 0) return nullptr;
    return StringFromBytes(pointer, size_t(size), kEncodingUnknown);
}

extern "C" RTString StringFromCString(const char* text) {
    if (!text) return nullptr;
    return StringFromBytes(text, std::strlen(text), kEncodingASCII);
}

extern "C" RTString StringFromPString(const uint8_t* text) {
    if (!text) return nullptr;
    return StringFromBytes(text + 1, text[0], kEncodingASCII);
}

extern "C" const char* StringToCString(RTString s) { return StringBytes(s); }

extern "C" const uint8_t* StringToPString(RTString s) {
    static const uint8_t kEmptyPascal = 0;
    return s ? s->shortLengthByte : &kEmptyPascal;
}
