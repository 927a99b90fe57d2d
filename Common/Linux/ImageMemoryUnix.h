// Memory for code images: pages the loader maps below 4 GiB, where 32-bit
// addresses in image code reach them, and the switch that lets code run there.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Universal/ErrorOr.h"

/// What may be done with mapped pages.
enum class PageAccess { ReadWrite, ReadWriteExecute };

/// `size` bytes (at least one page) of zeroed private memory below 4 GiB on a
/// 64-bit system; never unmapped.
ErrorOr<uint8_t*> MapLowPages(size_t size, PageAccess access);
/// Lets the code in `size` bytes at `code`, mapped by MapLowPages, run.
ErrorOr<void> MakePagesExecutable(uint8_t* code, size_t size);
