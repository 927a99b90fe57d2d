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

} // namespace

ErrorOr<void*> AllocateStringBlock(size_t size) {
    size_t sizeClass = classOf(size);
    if (sizeClass < kPooledClasses) {
        FreeList& list = gFreeLists[sizeClass];
        if (FreeBlock* block = list.head) {
            // A block from the list is an allocation all the same: the test seam may refuse it.
            if (RecordAllocationRefused()) return SystemError{ENOMEM};
            list.head = block->next;
            --list.count;
            return block;
        }
        size = (sizeClass + 1) * kClassBytes;
    }
    return AllocateRecordMemory(size);
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
