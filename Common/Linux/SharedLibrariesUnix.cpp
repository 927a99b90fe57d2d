#include "Common/Linux/SharedLibrariesUnix.h"

#include <dlfcn.h>

void* OpenSharedLibrary(const std::string& name) { return dlopen(name.c_str(), RTLD_NOW); }

void* SharedLibrarySymbol(void* library, const std::string& symbol) { return dlsym(library, symbol.c_str()); }
