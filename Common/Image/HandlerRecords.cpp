#include "Common/Image/HandlerRecords.h"

#include <cstring>

std::optional<size_t> FindHandlerRecord(const uint8_t* code, size_t size) {
    auto marker = [&](size_t at) {
        uint32_t value;
        std::memcpy(&value, code + at + 5, 4);  // little-endian code image
        return value;
    };
    int depth = 0;
    size_t p = 0;
    while (p < size) {
        uint8_t byte = code[p];
        if ((byte == 0xC9 || byte == 0x5D) && p + 1 < size && code[p + 1] == 0xC3) return std::nullopt;
        if ((byte == 0xE9 || byte == 0xEB) && p + 9 <= size) {
            switch (marker(p)) {
            case kRegionOpenMarker: ++depth; ++p; continue;
            case kRegionCloseMarker: if (depth > 0) --depth; ++p; continue;
            case kHandlerMarker:
                if (depth == 0) return p;
                ++p;
                continue;
            default: p += byte == 0xE9 ? 5 : 2; continue;
            }
        }
        ++p;
    }
    return std::nullopt;
}
