#include "Universal/RecordMemory.h"

namespace record_memory {

std::atomic<bool> gRefusalArmed{false};

namespace {
// Read and counted down only while armed, which a test does on its own thread.
uint32_t gSkipped = 0;
uint32_t gRefused = 0;
} // namespace

bool RefuseThisAllocation() {
    if (gSkipped > 0) {
        --gSkipped;
        return false;
    }
    if (--gRefused == 0) gRefusalArmed.store(false, std::memory_order_relaxed);
    return true;
}

} // namespace record_memory

void RefuseRecordAllocations(uint32_t skipped, uint32_t refused) {
    record_memory::gSkipped = skipped;
    record_memory::gRefused = refused;
    record_memory::gRefusalArmed.store(refused > 0, std::memory_order_relaxed);
}
