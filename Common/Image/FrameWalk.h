// The frame-pointer walk over image code: the names of the image methods on
// the stack, and the delivery of an exception to the handler record of the
// innermost image function that has one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Universal/Forward.h"

/// Where a walk starts: the call from image code into a runtime function
/// that the exception is leaving.
struct ImageCallFrame {
    uintptr_t at;             // where the runtime function's frame record lies, or would lie
    uintptr_t link;           // the calling image function's frame pointer
    uintptr_t returnAddress;  // where the call returns in image code; the walk may divert it
};

/// Names of the image methods whose frames lie on the chain that starts at
/// `first`, innermost first.
std::vector<std::string> ImageStackNames(const ImageCallFrame& first);

/// What the frame walk found for an exception.
enum class FrameWalkResult {
    Diverted,   // a handler record took it: image code resumes at `returnAddress`
    LeftImage,  // no image function took it: it goes on in the C++ caller of the image
    Ended,      // the chain broke inside image code: nothing handles it
};

/// What DeliverThroughImageFrames would find from `first`, changing nothing;
/// for LeftImage, `exitSlot` is the stack address holding the return from
/// image code into its C++ caller.
FrameWalkResult PlanImageDelivery(const ImageCallFrame& first, uintptr_t& exitSlot);

/// Walks the chain from `first` for a handler record. When one is found at H
/// in the code after a return address: stores `exc` with one new reference in
/// the handling function's exception slot, when it names one, and sets that
/// return address to H + 13, so that returning from the frames between arrives
/// at the landing code. When the chain leaves image code intact, the outermost
/// image function's return goes on raising `exc` in its C++ caller.
FrameWalkResult DeliverThroughImageFrames(RuntimeObject* exc, ImageCallFrame& first);
