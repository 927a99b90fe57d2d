#include "Common/ClassLib/CallableEvent.h"

#include <utility>

namespace {

using Callable = std::function<void()>;

// The callable sits after the base class's fields, pointer-aligned.
int32_t callableOffset(const RuntimeClass* base) {
    constexpr int32_t kAlign = int32_t(alignof(Callable*));
    return (base->instanceSize + kAlign - 1) / kAlign * kAlign;
}

Callable*& callableOf(RuntimeObject* obj) {
    int32_t offset = callableOffset(obj->classRecord->superclass);
    return *reinterpret_cast<Callable**>(reinterpret_cast<char*>(obj) + offset);
}

void raiseEvent(RuntimeObject* obj) {
    if (Callable* callable = callableOf(obj)) (*callable)();
}

void destroyCallable(RuntimeObject* obj) { delete std::exchange(callableOf(obj), nullptr); }

} // namespace

RuntimeClass* DefineCallableSubclass(const char* name, RuntimeClass* base, int32_t event) {
    const EventHandlerDefinition handlers[] = {{event, nullptr, reinterpret_cast<void*>(&raiseEvent)}};
    return RuntimeDefineClass({
        .name = name,
        .superclass = base,
        .instanceSize = callableOffset(base) + int32_t(sizeof(Callable*)),
        .destructor = &destroyCallable,
        .handlers = handlers,
    });
}

RuntimeObject* NewCallableObject(RuntimeClass* callableClass, std::function<void()> callable) {
    RuntimeObject* obj = RuntimeNewObject(callableClass);
    callableOf(obj) = new Callable(std::move(callable));
    return obj;
}
