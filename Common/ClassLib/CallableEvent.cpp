#include "Common/ClassLib/CallableEvent.h"

#include <utility>

namespace {

using Callable = std::function<void()>;

// The callable sits after the base class's fields, pointer-aligned.
int32_t callableOffset(const RuntimeClass* callableClass) {
    constexpr int32_t kAlign = int32_t(alignof(Callable*));
    return (callableClass->superclass->instanceSize + kAlign - 1) / kAlign * kAlign;
}

Callable*& callableOf(RuntimeObject* obj) {
    return *reinterpret_cast<Callable**>(reinterpret_cast<char*>(obj) + callableOffset(obj->classRecord));
}

void raiseEvent(RuntimeObject* obj) {
    if (Callable* callable = callableOf(obj)) (*callable)();
}

void destroyCallable(RuntimeObject* obj) { delete std::exchange(callableOf(obj), nullptr); }

} // namespace

RuntimeClass* DefineCallableSubclass(const char* name, RuntimeClass* base, int32_t event) {
    RuntimeClass* c = RuntimeDefineClass({.name = name, .superclass = base, .instanceSize = base->instanceSize});
    c->instanceSize = callableOffset(c) + int32_t(sizeof(Callable*));
    c->destructor = &destroyCallable;
    c->events[event].routine = reinterpret_cast<void*>(&raiseEvent);
    return c;
}

RuntimeObject* NewCallableObject(RuntimeClass* callableClass, std::function<void()> callable) {
    RuntimeObject* obj = RuntimeNewObject(callableClass);
    callableOf(obj) = new Callable(std::move(callable));
    return obj;
}
