// How exceptions cross between C++ code and image code. Runtime exceptions
// travel as C++ exceptions; image code carries no unwind information of its
// own, so the loader describes each image's code block with one frame
// description whose personality hands an arriving exception to the frame walk.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Common/Forward.h"

/// Describes the code block at `code` to the C++ unwinder: frames of image
/// functions, linked by their frame pointers, whose personality delivers
/// runtime exceptions by the frame walk. The description lives as long as the
/// process.
void RegisterImageFrames(const uint8_t* code, size_t size);

/// Makes the return through `returnSlot` (the return address of an image
/// function called by C++ code) raise `exc` in that C++ caller instead, as if
/// the call had raised it. Takes its own reference to `exc`.
void RaiseInCallerOnReturn(uintptr_t* returnSlot, RuntimeObject* exc);
