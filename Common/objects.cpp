#include "Common/objects.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Universal/RecordMemory.h"
#include "Universal/VELQstring.h"

namespace {

RuntimeClass* gClassList = nullptr;
RuntimeObject* gLiveObjects = nullptr;
int64_t gLiveObjectCount = 0;

// Objects whose memory is to be freed by the free already in progress; a
// finalizer that releases the last reference of another object lands here
// instead of nesting, so long chains never deepen the stack.
bool gFreeing = false;
std::vector<RuntimeObject*>* gPendingFrees = nullptr;

constexpr size_t kFixedClassSize = offsetof(RuntimeClass, interfaces);

// Reports counts below the base class's. The block is sized for the larger of
// each pair, so the copy of the base's tables that follows stays inside it.
void checkCountsAgainstBase(const RuntimeClass* base, int32_t methods, int32_t interfaces,
                            int32_t events, int32_t properties) {
    if (methods < base->methodCount)
        RUNTIME_ASSERT_FAILED("objects", "out->methodCount >= base->methodCount", nullptr);
    if (interfaces < base->interfaceCount)
        RUNTIME_ASSERT_FAILED("objects", "out->interfaceCount >= base->interfaceCount", nullptr);
    if (events < base->eventCount)
        RUNTIME_ASSERT_FAILED("objects", "out->eventCount >= base->eventCount", nullptr);
    if (properties < base->propertyCount)
        RUNTIME_ASSERT_FAILED("objects", "out->propertyCount >= base->propertyCount", nullptr);
}

int32_t atLeast(int32_t count, int32_t floor) { return count > floor ? count : floor; }

void copyEntries(void* to, const void* from, int32_t count, size_t entrySize) {
    if (count > 0) std::memcpy(to, from, size_t(count) * entrySize);
}

void freeObjectMemory(RuntimeObject* obj) {
    for (RuntimeClass* c = obj->classRecord; c; c = c->superclass)
        if (c->finalizer) c->finalizer(obj);
    if (obj->eventTable != obj->classRecord->events) std::free(obj->eventTable);
    if (obj->previousLive) obj->previousLive->nextLive = obj->nextLive;
    else gLiveObjects = obj->nextLive;
    if (obj->nextLive) obj->nextLive->previousLive = obj->previousLive;
    std::free(obj);
    --gLiveObjectCount;
}

void freeObject(RuntimeObject* obj) {
    if (gFreeing) {
        if (!gPendingFrees) {
            gPendingFrees = new std::vector<RuntimeObject*>();
            gPendingFrees->reserve(16);
        }
        gPendingFrees->push_back(obj);
        return;
    }
    gFreeing = true;
    freeObjectMemory(obj);
    while (gPendingFrees && !gPendingFrees->empty()) {
        RuntimeObject* next = gPendingFrees->back();
        gPendingFrees->pop_back();
        freeObjectMemory(next);
    }
    gFreeing = false;
}

void runInitializers(RuntimeClass* c, RuntimeObject* obj) {
    if (!c) return;
    runInitializers(c->superclass, obj);  // root first
    if (c->initializer) c->initializer(obj);
}

std::unordered_map<std::string, RuntimeClass*>& externalClasses() {
    static auto* classes = [] {
        auto* map = new std::unordered_map<std::string, RuntimeClass*>();
        map->reserve(256);
        return map;
    }();
    return *classes;
}

} // namespace

extern "C" RuntimeClass* RuntimeNewClass(RuntimeClass* base, int32_t methodCount,
                                         int32_t interfaceCount, int32_t eventCount,
                                         int32_t thirdCount, int32_t propertyCount) {
    methodCount = atLeast(methodCount, 0);
    interfaceCount = atLeast(interfaceCount, 0);
    eventCount = atLeast(eventCount, 0);
    thirdCount = atLeast(thirdCount, 0);
    propertyCount = atLeast(propertyCount, 0);
    int32_t methodRoom = methodCount, interfaceRoom = interfaceCount, eventRoom = eventCount,
            propertyRoom = propertyCount;
    if (base) {
        checkCountsAgainstBase(base, methodCount, interfaceCount, eventCount, propertyCount);
        methodRoom = atLeast(methodCount, base->methodCount);
        interfaceRoom = atLeast(interfaceCount, base->interfaceCount);
        eventRoom = atLeast(eventCount, base->eventCount);
        propertyRoom = atLeast(propertyCount, base->propertyCount);
    }
    size_t size = kFixedClassSize + sizeof(InterfaceEntry) * size_t(interfaceRoom) +
                  sizeof(VtableEntry) * size_t(methodRoom + eventRoom + thirdCount) +
                  sizeof(PropertyEntry) * size_t(propertyRoom);
    auto* out = static_cast<RuntimeClass*>(ValueOrRaiseOutOfMemory(AllocateZeroedRecordMemory(1, size)));
    char* cursor = reinterpret_cast<char*>(out) + kFixedClassSize + sizeof(InterfaceEntry) * size_t(interfaceRoom);
    out->methods = reinterpret_cast<VtableEntry*>(cursor);
    cursor += sizeof(VtableEntry) * size_t(methodRoom);
    out->events = reinterpret_cast<VtableEntry*>(cursor);
    cursor += sizeof(VtableEntry) * size_t(eventRoom);
    out->third = reinterpret_cast<VtableEntry*>(cursor);
    cursor += sizeof(VtableEntry) * size_t(thirdCount);
    out->properties = reinterpret_cast<PropertyEntry*>(cursor);
    out->methodCount = methodCount;
    out->interfaceCount = interfaceCount;
    out->eventCount = eventCount;
    out->thirdCount = thirdCount;
    out->propertyCount = propertyCount;
    if (base) {
        copyEntries(out->methods, base->methods, base->methodCount, sizeof(VtableEntry));
        copyEntries(out->interfaces, base->interfaces, base->interfaceCount, sizeof(InterfaceEntry));
        copyEntries(out->events, base->events, base->eventCount, sizeof(VtableEntry));
        copyEntries(out->properties, base->properties, base->propertyCount, sizeof(PropertyEntry));
        copyEntries(out->third, base->third, std::min(thirdCount, base->thirdCount), sizeof(VtableEntry));
    }
    out->superclass = base;
    out->nextClass = gClassList;
    gClassList = out;
    return out;
}

extern "C" VtableEntry* RuntimeNewVtable(int32_t count) {
    if (count <= 0) return nullptr;
    return static_cast<VtableEntry*>(
        ValueOrRaiseOutOfMemory(AllocateZeroedRecordMemory(size_t(count), sizeof(VtableEntry))));
}

extern "C" RuntimeObject* RuntimeNewObject(RuntimeClass* parent) {
    if (!parent) RaiseNilObjectException();
    if (parent->isAnInterface) {
        RUNTIME_ASSERT_FAILED("objects", "!parent->isAnInterface", nullptr);
        return nullptr;
    }
    size_t size = parent->instanceSize > int32_t(sizeof(RuntimeObject)) ? size_t(parent->instanceSize)
                                                                       : sizeof(RuntimeObject);
    auto* obj = static_cast<RuntimeObject*>(ValueOrRaiseOutOfMemory(AllocateZeroedRecordMemory(1, size)));
    obj->nextLive = gLiveObjects;
    if (gLiveObjects) gLiveObjects->previousLive = obj;
    gLiveObjects = obj;
    ++gLiveObjectCount;
    obj->methodTable = parent->methods;
    obj->eventTable = parent->events;
    obj->classRecord = parent;
    obj->refCount = 1;
    try {
        runInitializers(parent, obj);
    } catch (...) {
        // An initializer that raises (its own record could not be had) leaves
        // no half-made object behind: the finalizers release what was made.
        obj->refCount = 0;
        freeObject(obj);
        throw;
    }
    return obj;
}

extern "C" void RuntimeLockObject(RuntimeObject* obj) {
    if (obj && obj->refCount != 0) ++obj->refCount;
}

extern "C" void RuntimeUnlockObject(RuntimeObject* obj) {
    if (!obj || obj->refCount <= 0) return;
    if (--obj->refCount != 0) return;
    obj->refCount = 1;  // destructors may use the object
    for (RuntimeClass* c = obj->classRecord; c; c = c->superclass) {
        if (!c->destructor) continue;
        c->destructor(obj);
        if (obj->refCount > 1) {  // a destructor stored a new reference: it lives on
            --obj->refCount;
            return;
        }
    }
    obj->refCount = 0;
    freeObject(obj);
}

extern "C" void RuntimeLockUnlockObjects(RuntimeObject* newObject, RuntimeObject* oldObject) {
    if (newObject == oldObject) return;
    RuntimeLockObject(newObject);
    RuntimeUnlockObject(oldObject);
}

extern "C" bool RuntimeObjectIsa(RuntimeObject* obj, RuntimeClass* classRecord) {
    if (!obj) return false;
    if (!classRecord) return true;
    RuntimeClass* own = obj->classRecord;
    if (classRecord->isAnInterface) {
        for (int32_t i = 0; i < own->interfaceCount; ++i)
            if (own->interfaces[i].interfaceClass == classRecord) return true;
        return false;
    }
    for (RuntimeClass* c = own; c; c = c->superclass)
        if (c == classRecord) return true;
    return false;
}

void* RuntimeFindEventHandler(RuntimeObject* obj, int32_t index) {
    if (!obj || !obj->eventTable || !obj->classRecord) return nullptr;
    if (index < 0 || index >= obj->classRecord->eventCount) return nullptr;
    return obj->eventTable[index].routine;
}

int64_t RuntimeLiveObjectCount() { return gLiveObjectCount; }
RuntimeObject* RuntimeFirstLiveObject() { return gLiveObjects; }

RTString RuntimeMakeSignature(const char* name, const char* resultType, const char* parameterTypes) {
    std::string text = std::string(name) + "%" + resultType + "%" + parameterTypes;
    return StringFromBytes(text.data(), text.size(), kEncodingUTF8);
}

void RuntimeRegisterExternalClass(RuntimeClass* classRecord) {
    externalClasses()[std::string(StringBytes(classRecord->name), StringLength(classRecord->name))] = classRecord;
}

RuntimeClass* RuntimeFindExternalClass(const char* name) {
    auto found = externalClasses().find(name);
    return found == externalClasses().end() ? nullptr : found->second;
}

RuntimeClass* RuntimeDefineClass(const ClassDefinition& d) {
    RuntimeClass* base = d.superclass;
    int32_t inheritedMethods = base ? base->methodCount : 0;
    int32_t inheritedEvents = base ? base->eventCount : 0;
    int32_t inheritedProperties = base ? base->propertyCount : 0;
    RuntimeClass* c = RuntimeNewClass(base, inheritedMethods + int32_t(d.methods.size()),
                                      base ? base->interfaceCount : 0,
                                      inheritedEvents + int32_t(d.events.size()),
                                      base ? base->thirdCount : 0,
                                      inheritedProperties + int32_t(d.properties.size()));
    c->name = StringFromBytes(d.name, std::strlen(d.name), kEncodingUTF8);
    c->instanceSize = d.instanceSize;
    c->initializer = d.initializer;
    c->destructor = d.destructor;
    c->finalizer = d.finalizer;
    auto signature = [](const char* text) { return StringFromBytes(text, std::strlen(text), kEncodingUTF8); };
    auto fill = [&](VtableEntry* table, std::span<const MethodDefinition> defs) {
        for (const MethodDefinition& def : defs) {
            table->routine = def.routine;
            table->signature = signature(def.signature);
            ++table;
        }
    };
    fill(c->methods + inheritedMethods, d.methods);
    fill(c->events + inheritedEvents, d.events);
    for (const EventHandlerDefinition& handler : d.handlers) {
        if (!RUNTIME_CHECK("objects", handler.event >= 0 && handler.event < inheritedEvents, nullptr)) continue;
        VtableEntry& entry = c->events[handler.event];
        entry.routine = handler.routine;
        // No release of the inherited signature: that string is the superclass's.
        if (handler.signature) entry.signature = signature(handler.signature);
    }
    PropertyEntry* property = c->properties + inheritedProperties;
    for (const PropertyDefinition& def : d.properties) {
        *property++ = {signature(def.signature), def.fieldOffset, 1, 1};
    }
    RuntimeRegisterExternalClass(c);
    return c;
}
