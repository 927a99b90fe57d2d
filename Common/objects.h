// Objects and classes: the header every object starts with, the class record
// it belongs to, reference counting, destruction and type tests.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Universal/Forward.h"

using ObjectRoutine = void (*)(RuntimeObject*);

/// The header every object starts with; the object's own fields follow, zero-filled.
struct RuntimeObject {
    struct VtableEntry* methodTable;  // copied from the class at creation
    RuntimeClass* classRecord;
    struct VtableEntry* eventTable;   // normally the class's own event table
    int32_t refCount;                 // 1 at creation; 0 while being destroyed
    RuntimeObject* previousLive;      // live-object list, newest first
    RuntimeObject* nextLive;
};

/// A method, event or third-table entry: a routine and its signature string.
struct VtableEntry {
    void* routine;
    RTString signature;
};

/// A property entry: signature, field offset in the object, two words holding 1.
struct PropertyEntry {
    RTString signature;
    int32_t fieldOffset;
    int32_t flag1;
    int32_t flag2;
};

/// An interface entry; the first word names the interface's class record.
struct InterfaceEntry {
    RuntimeClass* interfaceClass;
    void* reserved[2];
};

/// A class record, allocated in one block with its tables: the fixed part, the
/// interface entries, then the method, event, third and property tables. Never freed.
struct RuntimeClass {
    RuntimeClass* superclass;
    RTString name;
    RuntimeClass* nextClass;  // process-wide list of classes, newest first
    int32_t instanceSize;     // header included
    uint8_t isAnInterface;
    ObjectRoutine initializer;
    ObjectRoutine destructor;
    ObjectRoutine finalizer;
    int32_t methodCount;
    VtableEntry* methods;
    int32_t eventCount;
    VtableEntry* events;
    int32_t thirdCount;
    VtableEntry* third;
    int32_t propertyCount;
    PropertyEntry* properties;
    int32_t interfaceCount;
    InterfaceEntry interfaces[];  // interfaceCount entries follow the fixed part
};

// Compiled code reads these records at fixed offsets: on the 32-bit build
// they are laid out byte for byte as images expect them.
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(RuntimeObject, methodTable) == 0);
static_assert(offsetof(RuntimeObject, classRecord) == 4);
static_assert(offsetof(RuntimeObject, eventTable) == 8);
static_assert(offsetof(RuntimeObject, refCount) == 12);
static_assert(offsetof(RuntimeObject, previousLive) == 16);
static_assert(offsetof(RuntimeObject, nextLive) == 20);
static_assert(sizeof(RuntimeObject) == 24);
static_assert(offsetof(VtableEntry, routine) == 0 && offsetof(VtableEntry, signature) == 4);
static_assert(sizeof(VtableEntry) == 8);
static_assert(offsetof(PropertyEntry, signature) == 0 && offsetof(PropertyEntry, fieldOffset) == 4);
static_assert(offsetof(PropertyEntry, flag1) == 8 && offsetof(PropertyEntry, flag2) == 12);
static_assert(sizeof(PropertyEntry) == 16);
static_assert(offsetof(InterfaceEntry, interfaceClass) == 0);
static_assert(sizeof(InterfaceEntry) == 12);
static_assert(offsetof(RuntimeClass, superclass) == 0);
static_assert(offsetof(RuntimeClass, name) == 4);
static_assert(offsetof(RuntimeClass, nextClass) == 8);
static_assert(offsetof(RuntimeClass, instanceSize) == 12);
static_assert(offsetof(RuntimeClass, isAnInterface) == 16);
static_assert(offsetof(RuntimeClass, initializer) == 20);
static_assert(offsetof(RuntimeClass, destructor) == 24);
static_assert(offsetof(RuntimeClass, finalizer) == 28);
static_assert(offsetof(RuntimeClass, methodCount) == 32 && offsetof(RuntimeClass, methods) == 36);
static_assert(offsetof(RuntimeClass, eventCount) == 40 && offsetof(RuntimeClass, events) == 44);
static_assert(offsetof(RuntimeClass, thirdCount) == 48 && offsetof(RuntimeClass, third) == 52);
static_assert(offsetof(RuntimeClass, propertyCount) == 56 && offsetof(RuntimeClass, properties) == 60);
static_assert(offsetof(RuntimeClass, interfaceCount) == 64);
static_assert(offsetof(RuntimeClass, interfaces) == 68);
#endif

extern "C" {
/// A new class record whose tables copy the superclass's; never freed.
RuntimeClass* RuntimeNewClass(RuntimeClass* superclass, int32_t methodCount, int32_t interfaceCount,
                              int32_t eventCount, int32_t thirdCount, int32_t propertyCount);
/// A zeroed table of `count` 8-byte entries, or nil for a count of 0 or less; never freed.
VtableEntry* RuntimeNewVtable(int32_t count);
/// A new object of `classRecord` with one reference for the caller; raises NilObjectException for nil.
RuntimeObject* RuntimeNewObject(RuntimeClass* classRecord);
/// Adds a reference unless obj is nil or being destroyed.
void RuntimeLockObject(RuntimeObject* obj);
/// Removes a reference; at zero runs destructors and frees the object.
void RuntimeUnlockObject(RuntimeObject* obj);
/// Assignment of `newObject` over `oldObject`: lock new, unlock old, unless they are the same.
void RuntimeLockUnlockObjects(RuntimeObject* newObject, RuntimeObject* oldObject);
/// Whether obj is of classRecord (or implements it, for an interface). nil obj: false; nil class: true.
bool RuntimeObjectIsa(RuntimeObject* obj, RuntimeClass* classRecord);
/// Builds the runtime's own classes and registers each by name.
void RuntimeInitExternalClasses();
}

/// The routine handling event `index` of obj, or null when there is none.
void* RuntimeFindEventHandler(RuntimeObject* obj, int32_t index);
/// The runtime class registered under `name` (exact name), or null.
RuntimeClass* RuntimeFindExternalClass(const char* name);
/// Registers a runtime class under its name, for lookups by name.
void RuntimeRegisterExternalClass(RuntimeClass* classRecord);
/// Number of objects alive now, for leak checks in tests.
int64_t RuntimeLiveObjectCount();
/// Head of the live-object list (newest first).
RuntimeObject* RuntimeFirstLiveObject();

/// Builds a signature string "name%result%params..." (UTF-8, one reference for the caller).
RTString RuntimeMakeSignature(const char* name, const char* resultType, const char* parameterTypes);

// ObjectFields (Universal/Forward.h) finds an object's fields after a header of this size.
static_assert(sizeof(RuntimeObject) == kObjectHeaderSize);

#include <span>

/// A method or event of a runtime class: its signature text and its routine (null for none).
struct MethodDefinition {
    const char* signature;
    void* routine;
};

/// A property of a runtime class: its signature text and the offset of its field.
struct PropertyDefinition {
    const char* signature;
    int32_t fieldOffset;
};

/// A handler for an event the class inherits: the event's index in the
/// superclass's table, the handler's signature text (null keeps the inherited
/// one) and its routine.
struct EventHandlerDefinition {
    int32_t event;
    const char* signature;
    void* routine;
};

/// Everything needed to build a runtime class: the only way the runtime and the
/// application set one up. Methods, events and properties listed here follow the
/// ones inherited from the superclass; `handlers` fill inherited events.
struct ClassDefinition {
    const char* name;
    RuntimeClass* superclass;
    int32_t instanceSize;
    ObjectRoutine initializer = nullptr;
    ObjectRoutine destructor = nullptr;
    ObjectRoutine finalizer = nullptr;
    std::span<const MethodDefinition> methods = {};
    std::span<const MethodDefinition> events = {};
    std::span<const PropertyDefinition> properties = {};
    std::span<const EventHandlerDefinition> handlers = {};
};

/// Builds a runtime class from its definition and registers it by name; never freed.
RuntimeClass* RuntimeDefineClass(const ClassDefinition& definition);
