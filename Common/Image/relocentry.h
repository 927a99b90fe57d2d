// The entry-point table: every runtime operation a code image may call, under
// every name it goes by. A code image reaches the runtime only through it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

/// One entry of the fixed table: a name, its function, two words that are 0.
struct EntryPoint {
    const char* name;
    void* function;
    void* reserved1;
    void* reserved2;
};

/// The fixed table built into the runtime.
std::span<const EntryPoint> RuntimeFixedEntryPoints();

/// Registers `function` under `name` at run time. A null function is ignored; a
/// name already present with another function is reported and not added.
void RuntimeRegisterEntryPoint(const char* name, void* function);

/// Run-time lookup through the hashed name index (exact name); null when absent.
void* RuntimeLookupEntryPoint(const char* name);

/// Linking's lookup: the first entry, fixed table first, whose name equals
/// `name` without regard to ASCII letter case; null when absent.
void* RuntimeFindEntryPointForLinking(const char* name);
