// A relocatable ELF object (32-bit x86 or x86-64) read into the parts the
// image tool needs: its sections, its symbols and its relocations.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ObjectSection {
    std::string name;
    uint32_t type;     // SHT_*
    uint64_t flags;    // SHF_*
    uint64_t alignment;
    std::vector<uint8_t> bytes;  // zero-filled for a section without contents
};

struct ObjectSymbol {
    std::string name;
    uint32_t section;  // 0: undefined
    uint64_t value;
    uint8_t type;      // STT_*
};

/// Relocation kinds the tool can place, the same on both word sizes.
enum class RelocationKind {
    Absolute32,  // the field receives S + A
    Relative32,  // the field receives S + A - P
    Absolute64,  // an 8-byte field receives S + A
};

struct ObjectRelocation {
    uint32_t section;  // the section patched
    uint64_t offset;   // the field's offset in that section
    uint32_t symbol;
    int64_t addend;    // explicit, or read from the field
    RelocationKind kind;
};

struct ElfObject {
    bool wide = false;  // ELF64 x86-64 rather than ELF32 x86
    std::vector<ObjectSection> sections;
    std::vector<ObjectSymbol> symbols;
    std::vector<ObjectRelocation> relocations;
};

/// Reads `bytes` as a relocatable object; throws std::runtime_error naming the
/// fault when it is not one, or holds a relocation the image format cannot carry.
ElfObject ReadElfObject(const std::vector<uint8_t>& bytes);
