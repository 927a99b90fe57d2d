// How exceptions cross between C++ code and image code. Runtime exceptions
// travel as C++ exceptions; image code carries no unwind information of its
// own, so the loader describes each image's code block with one frame
// description whose personality hands an arriving exception to the frame walk.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "Universal/Forward.h"
#include "Common/Image/FrameWalk.h"

/// Describes the code block at `code` to the C++ unwinder: frames of image
/// functions, linked by their frame pointers, whose personality delivers
/// runtime exceptions by the frame walk. The description lives as long as the
/// process.
void RegisterImageFrames(const uint8_t* code, size_t size);

/// Makes the return through `returnSlot` (the return address of an image
/// function called by C++ code) raise `exc` in that C++ caller instead, as if
/// the call had raised it. Takes its own reference to `exc`.
void RaiseInCallerOnReturn(uintptr_t* returnSlot, RuntimeObject* exc);

/// The innermost call from image code on the stack, as seen from `frame`, the
/// own frame of a runtime function: that function's own call when image code
/// made it, else the one the C++ unwinder finds further out; none when no image
/// code is on the stack.
std::optional<ImageCallFrame> InnermostImageCall(void** frame);
