// Memory for a code image: its code and data blocks, and the small routines the
// linker places beside the code (jump slots and reports of missing imports).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

/// Page-aligned, zero-filled, readable and writable memory that lives until the
/// process ends. On a 64-bit build it lies below 2 GiB, so that the image's
/// 4-byte fields can hold its addresses. Null when the system refuses it.
uint8_t* AllocateImageMemory(size_t size);

/// Makes the first `size` bytes at `code` readable, writable and executable;
/// gives the system error number, or 0 on success.
int MakeImageCodeExecutable(uint8_t* code, size_t size);

/// An address image code can reach a runtime function through. On a 32-bit
/// build that is the function itself; on a 64-bit build, a jump slot below
/// 2 GiB, since the function may lie anywhere in the address space.
uint32_t ImageCallTarget(void* function);

/// A routine below 2 GiB that, when image code calls it, prints `message` in
/// the assertion report of module loaderX86 and ends the process with status 1.
/// It stands in for an import the linker could not resolve.
uint32_t ImageMissingImportTarget(const std::string& message);
