// The frame-pointer walk over image code: the names of the image methods on
// the stack, and the delivery of an exception to the handler record of the
// innermost image function that has one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Common/Forward.h"

/// Names of the image methods whose frames lie on the chain that starts at
/// `frame` (a raising function's own frame), innermost first.
std::vector<std::string> ImageStackNames(void** frame);

/// What the frame walk found for an exception.
enum class FrameWalkResult {
    Diverted,   // a handler record took it: the raising function must return
    LeftImage,  // the chain left image code intact: C++ handlers around the image take it
    Ended,      // the chain broke inside image code: nothing handles it
};

/// Walks the chain from `frame` (the raising function's own frame, called from
/// image code) for a handler record. When one is found at H in the code after a
/// return address: stores `exc` with one new reference in the handling
/// function's exception slot, when it names one, and sets that return address to
/// H + 13, so that returning from the frames between arrives at the landing code.
FrameWalkResult DeliverThroughImageFrames(RuntimeObject* exc, void** frame);

/// Whether the return address of `frame` (a function's own frame) lies in image code.
bool CalledFromImageCode(void** frame);
