// Memory for string records. Most strings are short (names, tokens, the fields
// of a split), so blocks of up to 64 bytes are kept on free lists by size and
// reused instead of going back to malloc and free each time.
#pragma once
#include <cstddef>

#include "Universal/ErrorOr.h"

/// A block of at least `size` bytes for a string record, freed with
/// FreeStringBlock and the same size; ENOMEM when memory ran out.
ErrorOr<void*> AllocateStringBlock(size_t size);
/// Gives back a block from AllocateStringBlock of the same `size`.
void FreeStringBlock(void* block, size_t size);
