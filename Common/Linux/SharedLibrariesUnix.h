// Shared libraries that code images import functions from.
#pragma once
#include <string>

/// The library `name`, loaded with every symbol bound now; null when it cannot be loaded.
void* OpenSharedLibrary(const std::string& name);
/// The address of `symbol` in an open library; null when it has none.
void* SharedLibrarySymbol(void* library, const std::string& symbol);
