#include "Universal/StringBlocks.h"

#include <cstdlib>
#include <new>

#include "Universal/RecordMemory.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer every block goes back to free at once, so a use after
// release is still caught.
constexpr size_t kPooledClasses = 0;
#else
constexpr size_t kPooledClasses = 4;  // 16, 32, 48 and 64 bytes
#endif
constexpr size_t kClassBytes = 16;
// Enough blocks kept per class for a burst of work; the rest go back to free.
constexpr size_t kMaximumKept = 4096;

struct FreeBlock {
    FreeBlock* next;
};

// Unguarded like the reference counts: strings are used by one thread at a time.
struct FreeList {
    FreeBlock* head = nullptr;
    size_t count = 0;
};
FreeList gFreeLists[kPooledClasses > 0 ? kPooledClasses : 1];

size_t classOf(size_t size) { return (size - 1) / kClassBytes; }

void* takeFrom(FreeList& list) {
    FreeBlock* block = list.head;
    list.head = block->next;
    --list.count;
    return block;
}

// A block from a list is an allocation all the same, which the test seam may
// refuse. Out of line, so that the taking of a block, the most frequent
// allocation of all, keeps no call of its own.
[[gnu::noinline, gnu::cold]] void* takeUnlessRefused(FreeList& list) {
    return RecordAllocationRefused() ? nullptr : takeFrom(list);
}

} // namespace

void* string_blocks::Take(size_t size) {
    size_t sizeClass = classOf(size);
    if (sizeClass < kPooledClasses) {
        FreeList& list = gFreeLists[sizeClass];
        if (list.head) [[likely]] {
            if (RecordAllocationRefusalPending()) [[unlikely]]
                return takeUnlessRefused(list);
            return takeFrom(list);
        }
        size = (sizeClass + 1) * kClassBytes;
    }
    ErrorOr<void*> block = AllocateRecordMemory(size);
    return block.isError() ? nullptr : block.value();
}

void FreeStringBlock(void* block, size_t size) {
    size_t sizeClass = classOf(size);
    if (sizeClass < kPooledClasses && gFreeLists[sizeClass].count < kMaximumKept) {
        FreeList& list = gFreeLists[sizeClass];
        list.head = new (block) FreeBlock{list.head};
        ++list.count;
        return;
    }
    std::free(block);
}
