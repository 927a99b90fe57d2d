#include "Common/Image/ImageMemory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "Common/Linux/ImageMemoryUnix.h"
#include "Common/assertion.h"

namespace {

constexpr size_t kPageSize = 4096;
constexpr size_t kRoutineSize = 32;

uint32_t lowAddress(const void* p) { return uint32_t(reinterpret_cast<uintptr_t>(p)); }

// Pages of small executable routines, handed out one 32-byte piece at a time.
class RoutineArea {
public:
    uint8_t* next() {
        if (!page_ || used_ + kRoutineSize > kPageSize) {
            ErrorOr<uint8_t*> mapped = MapLowPages(kPageSize, PageAccess::ReadWriteExecute);
            if (!mapped) {
                std::fprintf(stderr, "Loader failed to map memory, error #%d\n", mapped.error().number);
                std::exit(1);
            }
            page_ = mapped.value();
            used_ = 0;
        }
        uint8_t* routine = page_ + used_;
        used_ += kRoutineSize;
        return routine;
    }

private:
    uint8_t* page_ = nullptr;
    size_t used_ = 0;
};

RoutineArea gRoutines;
std::deque<std::string> gMissingMessages;  // the texts the missing-import routines print

template <typename T>
uint8_t* put(uint8_t* at, T value) {
    std::memcpy(at, &value, sizeof value);
    return at + sizeof value;
}

extern "C" [[noreturn]] void reportMissingImport(const char* message) {
    RUNTIME_ASSERT_FAILED("loaderX86", "foundFunction", message);
    std::exit(1);
}

} // namespace

uint8_t* AllocateImageMemory(size_t size) {
    ErrorOr<uint8_t*> mapped = MapLowPages(size, PageAccess::ReadWrite);
    return mapped ? mapped.value() : nullptr;
}

int MakeImageCodeExecutable(uint8_t* code, size_t size) {
    if (size == 0) return 0;
    ErrorOr<void> made = MakePagesExecutable(code, size);
    return made ? 0 : made.error().number;
}

#if UINTPTR_MAX > 0xFFFFFFFFu

uint32_t ImageCallTarget(void* function) {
    uint8_t* slot = gRoutines.next();
    uint8_t* p = put<uint16_t>(slot, 0x25FF);  // jmp [rip + 0]
    p = put<uint32_t>(p, 0);
    put<uint64_t>(p, reinterpret_cast<uint64_t>(function));
    return lowAddress(slot);
}

uint32_t ImageMissingImportTarget(const std::string& message) {
    const char* text = gMissingMessages.emplace_back(message).c_str();
    uint8_t* routine = gRoutines.next();
    // mov rdi, text; mov rax, reportMissingImport; jmp rax. A jump keeps the
    // stack as the caller left it, as a direct call would.
    uint8_t* p = put<uint16_t>(routine, 0xBF48);
    p = put<uint64_t>(p, reinterpret_cast<uint64_t>(text));
    p = put<uint16_t>(p, 0xB848);
    p = put<uint64_t>(p, reinterpret_cast<uint64_t>(&reportMissingImport));
    put<uint16_t>(p, 0xE0FF);
    return lowAddress(routine);
}

#else

uint32_t ImageCallTarget(void* function) { return lowAddress(function); }

uint32_t ImageMissingImportTarget(const std::string& message) {
    const char* text = gMissingMessages.emplace_back(message).c_str();
    uint8_t* routine = gRoutines.next();
    // push text; mov eax, reportMissingImport; call eax
    uint8_t* p = put<uint8_t>(routine, 0x68);
    p = put<uint32_t>(p, lowAddress(text));
    p = put<uint8_t>(p, 0xB8);
    p = put<uint32_t>(p, lowAddress(reinterpret_cast<void*>(&reportMissingImport)));
    put<uint16_t>(p, 0xD0FF);
    return lowAddress(routine);
}

#endif
