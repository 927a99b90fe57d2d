// Forward declarations of the runtime's records, so that headers can name them
// without including each other.
#pragma once
#include <cstdint>

struct StringRecord;   // Universal/VELQstring.h
struct RuntimeObject;  // Common/objects.h
struct RuntimeClass;   // Common/objects.h
struct RuntimeArray;   // Common/array.h

/// A string value: a record pointer, null being the empty string.
using RTString = StringRecord*;

/// Encoding codes the string core knows by value.
enum : uint32_t {
    kEncodingUnknown = 0x0000FFFF,
    kEncodingASCII = 0x00000600,
    kEncodingUTF8 = 0x08000100,
    kEncodingUTF16 = 0x00000100,
};
