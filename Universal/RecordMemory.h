// Memory for the runtime's records: string blocks, objects and class records,
// array headers and element buffers, memory block buffers. Each function gives
// back the memory or SystemError{ENOMEM} and leaves the decision to its caller;
// an entry point that cannot deliver its record then raises
// OutOfMemoryException through RaiseOutOfMemoryException (Forward.h), the one
// policy for running out.
#pragma once
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Universal/ErrorOr.h"
#include "Universal/Forward.h"

/// The value of `result`, or, when memory ran out, OutOfMemoryException.
template <typename T>
T ValueOrRaiseOutOfMemory(ErrorOr<T> result) {
    if (result.isError()) [[unlikely]]
        RaiseOutOfMemoryException();
    return result.releaseValue();
}

/// The test seam: a way to make the allocators run out on cue. Of the record
/// allocations from now on, the `skipped` next ones succeed, the `refused` after
/// them fail with ENOMEM, and the rest succeed again. Inert until called; a
/// call replaces the one before.
void RefuseRecordAllocations(uint32_t skipped, uint32_t refused = 1);

namespace record_memory {
extern std::atomic<bool> gRefusalArmed;
bool RefuseThisAllocation();
} // namespace record_memory

/// Whether the test seam still has a refusal to make.
inline bool RecordAllocationRefusalPending() { return record_memory::gRefusalArmed.load(std::memory_order_relaxed); }

/// Whether the test seam refuses the allocation being made. Every record
/// allocation asks once; unarmed it costs one load and a branch never taken.
inline bool RecordAllocationRefused() {
    if (record_memory::gRefusalArmed.load(std::memory_order_relaxed)) [[unlikely]]
        return record_memory::RefuseThisAllocation();
    return false;
}

// The allocators are inline: an ErrorOr handed back from out of line passes
// through memory on its way, one more cost on every record made.

/// `size` bytes, uninitialised; freed with std::free.
inline ErrorOr<void*> AllocateRecordMemory(size_t size) {
    void* block = RecordAllocationRefused() ? nullptr : std::malloc(size);
    if (!block) [[unlikely]]
        return SystemError{ENOMEM};
    return block;
}

/// `count` × `size` bytes, zero-filled; freed with std::free.
inline ErrorOr<void*> AllocateZeroedRecordMemory(size_t count, size_t size) {
    void* block = RecordAllocationRefused() ? nullptr : std::calloc(count, size);
    if (!block) [[unlikely]]
        return SystemError{ENOMEM};
    return block;
}

/// `block` moved to `size` bytes (more than 0), its contents kept; on an error
/// `block` is untouched and still the caller's.
inline ErrorOr<void*> ResizeRecordMemory(void* block, size_t size) {
    void* moved = RecordAllocationRefused() ? nullptr : std::realloc(block, size);
    if (!moved) [[unlikely]]
        return SystemError{ENOMEM};
    return moved;
}
