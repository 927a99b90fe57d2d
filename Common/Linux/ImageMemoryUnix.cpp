#include "Common/Linux/ImageMemoryUnix.h"

#include <sys/mman.h>

#include <cerrno>

ErrorOr<uint8_t*> MapLowPages(size_t size, PageAccess access) {
    int protection = PROT_READ | PROT_WRITE | (access == PageAccess::ReadWriteExecute ? PROT_EXEC : 0);
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#if UINTPTR_MAX > 0xFFFFFFFFu
    flags |= MAP_32BIT;
#endif
    void* memory = mmap(nullptr, size ? size : 1, protection, flags, -1, 0);
    if (memory == MAP_FAILED) return SystemError{errno};
    return static_cast<uint8_t*>(memory);
}

ErrorOr<void> MakePagesExecutable(uint8_t* code, size_t size) {
    if (mprotect(code, size, PROT_READ | PROT_WRITE | PROT_EXEC) != 0) return SystemError{errno};
    return {};
}
