#include "Common/Image/FrameWalk.h"

#include <cstring>

#include "Common/Image/HandlerRecords.h"
#include "Common/Image/ImageUnwind.h"
#include "Common/exceptions.h"
#include "Common/Image/loaderX86.h"
#include "Common/Linux/ThreadsUnix.h"
#include "Common/objects.h"

namespace {

constexpr uintptr_t kMaxFrameDistance = 4096;

// The highest address of the calling thread's stack.
uintptr_t stackTop() {
    thread_local uintptr_t top = 0;
    if (!top) top = CurrentThreadStackTop();
    return top;
}

// Where the walk stands: a frame record and the link and return address it
// holds. The reads stay on the stack between the first frame and the stack
// top, where compiled code of any kind may have left anything, so they are not
// instrumented.
struct ChainPosition {
    uintptr_t at, link, returnAddress;

    // Moves to the frame record the link names.
    __attribute__((no_sanitize("address"))) void step() {
        at = link;
        const auto* record = reinterpret_cast<const uintptr_t*>(at);
        link = record[0];
        returnAddress = record[1];
    }
};

// Whether the chain goes on from the frame record at `at` to `link`: not when
// the link is zero, misaligned, below the frame, too far above it or past the
// stack top.
bool linkHolds(uintptr_t at, uintptr_t link, uintptr_t top) {
    return link != 0 && link % sizeof(void*) == 0 && link > at && link <= top - 2 * sizeof(void*) &&
           link - at <= kMaxFrameDistance;
}

// The handler record in the image code from `returnAddress` (in image code)
// to the end of the image function it lies in, found in the code as built.
std::optional<uintptr_t> handlerAfter(uintptr_t returnAddress) {
    std::span<const uint8_t> scan = RuntimeImageScanCode();
    size_t offset = returnAddress - reinterpret_cast<uintptr_t>(RuntimeImageCodeBlock().data());
    std::optional<size_t> record = FindHandlerRecord(scan.data() + offset, scan.size() - offset);
    if (!record) return std::nullopt;
    return returnAddress + *record;
}

} // namespace

std::vector<std::string> ImageStackNames(const ImageCallFrame& first) {
    std::vector<std::string> names;
    uintptr_t top = stackTop();
    for (ChainPosition p{first.at, first.link, first.returnAddress};; p.step()) {
        if (std::optional<CodeAddressName> named = RuntimeNameCodeAddress(p.returnAddress);
            named && !named->name.empty())
            names.push_back(named->name);
        if (!linkHolds(p.at, p.link, top)) return names;
    }
}

namespace {

// Where the walk from `first` ends, found without changing anything.
struct WalkEnd {
    FrameWalkResult result;
    uintptr_t* returnSlot;  // Diverted: the return address to divert; LeftImage: the image's return into C++ code
    uintptr_t link;         // Diverted: the handling function's frame pointer
    uintptr_t record;       // Diverted: where the handler record lies
};

WalkEnd walkFrom(const ImageCallFrame& first) {
    uintptr_t top = stackTop();
    // The first return address is the caller's to divert; each further one lies
    // in its frame record, just above the link.
    auto* returnSlot = const_cast<uintptr_t*>(&first.returnAddress);
    for (ChainPosition p{first.at, first.link, first.returnAddress};;
         p.step(), returnSlot = reinterpret_cast<uintptr_t*>(p.at + sizeof(void*))) {
        if (!RuntimeIsImageCode(p.returnAddress)) return {FrameWalkResult::LeftImage, returnSlot, 0, 0};
        if (!linkHolds(p.at, p.link, top)) return {FrameWalkResult::Ended, nullptr, 0, 0};
        if (std::optional<uintptr_t> record = handlerAfter(p.returnAddress))
            return {FrameWalkResult::Diverted, returnSlot, p.link, *record};
    }
}

} // namespace

FrameWalkResult PlanImageDelivery(const ImageCallFrame& first, uintptr_t& exitSlot) {
    WalkEnd end = walkFrom(first);
    exitSlot = reinterpret_cast<uintptr_t>(end.returnSlot);
    return end.result;
}

FrameWalkResult DeliverThroughImageFrames(RuntimeObject* exc, ImageCallFrame& first) {
    WalkEnd end = walkFrom(first);
    if (end.result == FrameWalkResult::LeftImage) RaiseInCallerOnReturn(end.returnSlot, exc);
    if (end.result != FrameWalkResult::Diverted) return end.result;
    int16_t slotOffset;
    std::memcpy(&slotOffset, reinterpret_cast<const void*>(end.record + 11), 2);
    if (slotOffset != 0) {
        RuntimeLockObject(exc);
        std::memcpy(reinterpret_cast<void*>(end.link + slotOffset), &exc, sizeof exc);
    }
    uintptr_t landing = end.record + kHandlerRecordSize;
    std::memcpy(end.returnSlot, &landing, sizeof landing);
    return FrameWalkResult::Diverted;
}
