// Memory for string records. Most strings are short (names, tokens, the fields
// of a split), so blocks of up to 64 bytes are kept on free lists by size and
// reused instead of going back to malloc and free each time.
#pragma once
#include <cerrno>
#include <cstddef>

#include "Universal/ErrorOr.h"

namespace string_blocks {
/// AllocateStringBlock's work, null standing for ENOMEM: an ErrorOr handed back
/// from out of line passes through memory, which the most frequent allocation
/// of all cannot afford, while a pointer stays in a register.
void* Take(size_t size);
} // namespace string_blocks

/// A block of at least `size` bytes for a string record, freed with
/// FreeStringBlock and the same size; ENOMEM when memory ran out.
inline ErrorOr<void*> AllocateStringBlock(size_t size) {
    void* block = string_blocks::Take(size);
    if (!block) [[unlikely]]
        return SystemError{ENOMEM};
    return block;
}

/// Gives back a block from AllocateStringBlock of the same `size`.
void FreeStringBlock(void* block, size_t size);
