// Forward declarations of the runtime's records, so that headers can name them
// without including each other; and the few things of the layers above that
// the services here call. This is the one header through which a lower layer
// reaches a higher one: text encodings are objects, Split gives a String array,
// a failed check prints the assertion report, and memory that runs out raises
// OutOfMemoryException, all defined in Common/.
#pragma once
#include <cstddef>
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

/// Bytes of the object header before an object's own fields: six words
/// (Common/objects.h checks this against the record).
inline constexpr size_t kObjectHeaderSize = 6 * sizeof(void*);

/// The object's fields after the header, typed.
template <typename Fields>
Fields* ObjectFields(RuntimeObject* obj) {
    return reinterpret_cast<Fields*>(reinterpret_cast<char*>(obj) + kObjectHeaderSize);
}

/// The code of the assertion report for a failed check (kFailedAssertion).
inline constexpr int32_t kFailedAssertionCode = 4;

extern "C" {
/// Common/objects.h: a new object with one reference for the caller.
RuntimeObject* RuntimeNewObject(RuntimeClass* classRecord);
/// Common/objects.h: adds a reference unless nil.
void RuntimeLockObject(RuntimeObject* obj);
/// Common/exceptions.h: raises NilObjectException.
[[noreturn]] void RaiseNilObjectException();
}

/// Common/exceptions.h: what an entry point does when it cannot have the memory
/// for the record it delivers: raises OutOfMemoryException, or, when making
/// that exception runs out as well, ends the process with status 1.
[[noreturn]] void RaiseOutOfMemoryException();

extern "C" {
/// Common/assertion.h: prints the assertion report to standard output and returns.
void RuntimeAssertionReport(int32_t unused, int32_t code, const char* file, int32_t line,
                            const char* condition, const char* message);
}

/// Common/array.h: a new one-dimensional String array of `upperBound` + 1
/// empty elements, one reference for the caller; `elements` gets where they lie.
RuntimeArray* NewStringArray(int32_t upperBound, RTString** elements);
/// Common/array.h: the elements of a one-dimensional String array and its upper
/// bound, read in place; null for nil or for an array of more dimensions.
RTString* StringArrayElements(RuntimeArray* array, int32_t& upperBound);
