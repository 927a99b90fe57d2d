// Strings at the edges of the string core: fixed-width string fields of
// structures, raw structure contents, and C and length-prefixed (Pascal) strings.
#pragma once
#include <cstdint>

#include "Universal/Forward.h"

extern "C" {
/// The field of `width` bytes at base + offset less its trailing NUL bytes, code
/// unknown, one reference for the caller; empty for a null base or a width below 1.
RTString RuntimeGetStructureString(const void* base, int32_t offset, int32_t width);
/// Writes s into the field at base + offset: its first `width` bytes, or all of
/// it padded with zero bytes. A negative offset or null base is reported and writes nothing.
void RuntimeSetStructureString(void* base, int32_t offset, int32_t width, RTString s);
/// The `size` bytes at `pointer` unchanged, code unknown, one reference for the caller.
RTString RuntimeGetStructureContents(const void* pointer, int32_t size);
/// The bytes up to the NUL, code ASCII, one reference for the caller; empty for null.
RTString StringFromCString(const char* text);
/// The count byte's worth of bytes after it, code ASCII, one reference for the caller; empty for null.
RTString StringFromPString(const uint8_t* text);
/// s's NUL-terminated text, valid while s lives; a static empty text for the empty string.
const char* StringToCString(RTString s);
/// s's short-length byte and text (at most 255 bytes), valid while s lives; a static zero byte for the empty string.
const uint8_t* StringToPString(RTString s);
}
