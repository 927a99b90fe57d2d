// Runtime subclasses whose event calls a C++ callable kept in the object: how
// the C++ facade gives a Thread its Run event and a Timer its Action event.
#pragma once
#include <functional>

#include "Common/objects.h"

/// A subclass of `base`, named `name`, whose event `event` (a handler taking
/// only the object) calls the object's callable; registered by name, never freed.
RuntimeClass* DefineCallableSubclass(const char* name, RuntimeClass* base, int32_t event);
/// A new object of a class from DefineCallableSubclass holding `callable`; one reference for the caller.
RuntimeObject* NewCallableObject(RuntimeClass* callableClass, std::function<void()> callable);
