#include "Common/Image/relocentry.h"
#include "Common/runtimemainloop.h"

#include <strings.h>

#include <cstring>
#include <vector>

#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ClassLib/RuntimeTimer.h"
#include "Common/ConsoleApplication.h"
#include "Common/DateCommon.h"
#include "Common/RuntimeMain.h"
#include "Common/StandardStreams.h"
#include "Common/array.h"
#include "Common/assertion.h"
#include "Common/basicstr.h"
#include "Common/exceptions.h"
#include "Common/Image/loaderX86.h"
#include "Common/objects.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Universal/BackslashEscape.h"
#include "Universal/DateImp/Clocks.h"
#include "Common/runMemoryBlock.h"
#include "Universal/NumberText.h"
#include "Universal/StringCase.h"
#include "Universal/StringFields.h"
#include "Universal/StringFormat.h"
#include "Universal/StringSearch.h"
#include "Universal/StringTrim.h"
#include "Universal/StringUtils.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/VELQstring.h"

namespace {

#define ENTRY_POINT(function) {#function, reinterpret_cast<void*>(&function), nullptr, nullptr},
#define ENTRY_POINT_AS(name, function) {name, reinterpret_cast<void*>(&function), nullptr, nullptr},

const EntryPoint kFixedTable[] = {
#include "Common/Image/EntryPoints/Objects.inc"
#include "Common/Image/EntryPoints/Exceptions.inc"
#include "Common/Image/EntryPoints/Arrays.inc"
#include "Common/Image/EntryPoints/Strings.inc"
#include "Common/Image/EntryPoints/StringFunctions.inc"
#include "Common/Image/EntryPoints/Encodings.inc"
#include "Common/Image/EntryPoints/FolderItems.inc"
#include "Common/Image/EntryPoints/Streams.inc"
#include "Common/Image/EntryPoints/Dates.inc"
#include "Common/Image/EntryPoints/MemoryBlocks.inc"
#include "Common/Image/EntryPoints/Application.inc"
#include "Common/Image/EntryPoints/Threads.inc"
#include "Common/Image/EntryPoints/Timers.inc"
#include "Common/Image/EntryPoints/Loader.inc"
};

#undef ENTRY_POINT
#undef ENTRY_POINT_AS

struct RegisteredEntry {
    const char* name;  // owned copy
    void* function;
};

/// Entries registered at run time. Grows by its current capacity, at least 16.
struct GrowableTable {
    RegisteredEntry* entries = nullptr;
    size_t count = 0;
    size_t capacity = 0;

    void append(const char* name, void* function) {
        if (count == capacity) {
            size_t growth = capacity < 16 ? 16 : capacity;
            auto* grown = new RegisteredEntry[capacity + growth];
            std::copy(entries, entries + count, grown);
            delete[] entries;
            entries = grown;
            capacity += growth;
        }
        entries[count++] = {strdup(name), function};
    }
};

/// The hashed name index for run-time lookups: 256 buckets to start, doubled
/// when it holds more than three quarters of its bucket count.
class NameIndex {
public:
    void* find(const char* name) const {
        if (buckets_.empty()) return nullptr;
        for (const Node& node : buckets_[hash(name) & (buckets_.size() - 1)])
            if (std::strcmp(node.name, name) == 0) return node.function;
        return nullptr;
    }

    void insert(const char* name, void* function) {
        if (buckets_.empty()) buckets_.resize(256);
        if (4 * (size_ + 1) > 3 * buckets_.size()) rehash(buckets_.size() * 2);
        buckets_[hash(name) & (buckets_.size() - 1)].push_back({name, function});
        ++size_;
    }

    bool built() const { return !buckets_.empty(); }

private:
    struct Node {
        const char* name;
        void* function;
    };

    static size_t hash(const char* name) {
        size_t h = 2166136261u;  // FNV-1a
        for (; *name; ++name) h = (h ^ uint8_t(*name)) * 16777619u;
        return h;
    }

    void rehash(size_t bucketCount) {
        std::vector<std::vector<Node>> old(bucketCount);
        old.swap(buckets_);
        for (auto& bucket : old)
            for (const Node& node : bucket) buckets_[hash(node.name) & (bucketCount - 1)].push_back(node);
    }

    std::vector<std::vector<Node>> buckets_;
    size_t size_ = 0;
};

GrowableTable gGrowable;
NameIndex gIndex;

// The index is built on first use from both tables; later registrations are
// added to it as they come. A name standing twice keeps its first function.
NameIndex& index() {
    if (!gIndex.built()) {
        for (const EntryPoint& entry : kFixedTable)
            if (!gIndex.find(entry.name)) gIndex.insert(entry.name, entry.function);
        for (size_t i = 0; i < gGrowable.count; ++i)
            if (!gIndex.find(gGrowable.entries[i].name))
                gIndex.insert(gGrowable.entries[i].name, gGrowable.entries[i].function);
    }
    return gIndex;
}

} // namespace

std::span<const EntryPoint> RuntimeFixedEntryPoints() { return kFixedTable; }

void RuntimeRegisterEntryPoint(const char* name, void* function) {
    if (!function) return;
    if (void* existing = index().find(name)) {
        if (existing != function)
            RUNTIME_ASSERT_FAILED("relocentry", "functionPtr == oldEntry->code", nullptr);
        return;
    }
    gGrowable.append(name, function);
    gIndex.insert(gGrowable.entries[gGrowable.count - 1].name, function);
}

void* RuntimeLookupEntryPoint(const char* name) { return index().find(name); }

void* RuntimeFindEntryPointForLinking(const char* name) {
    for (const EntryPoint& entry : kFixedTable)
        if (strcasecmp(entry.name, name) == 0) return entry.function;
    for (size_t i = 0; i < gGrowable.count; ++i)
        if (strcasecmp(gGrowable.entries[i].name, name) == 0) return gGrowable.entries[i].function;
    return nullptr;
}
