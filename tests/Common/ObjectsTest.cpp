#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Common/Ref.h"
#include "Common/exceptions.h"
#include "Common/objects.h"
#include "support/RuntimeLeakGuard.h"

namespace {

std::vector<std::string> gCalls;

struct LinkFields {
    RuntimeObject* next;
};

RuntimeClass* newClass(RuntimeClass* base, int32_t fieldBytes = 0) {
    RuntimeClass* c = RuntimeNewClass(base, base ? base->methodCount : 0, 0, base ? base->eventCount : 0, 0,
                                      base ? base->propertyCount : 0);
    c->instanceSize = int32_t(sizeof(RuntimeObject)) + fieldBytes;
    return c;
}

} // namespace

TEST(ObjectClasses, NewClassCopiesTheBaseTablesAndLinksTheList) {
    RuntimeClass* base = RuntimeNewClass(nullptr, 2, 0, 1, 2, 1);
    base->methods[0].routine = reinterpret_cast<void*>(0x10);
    base->methods[1].routine = reinterpret_cast<void*>(0x20);
    base->events[0].routine = reinterpret_cast<void*>(0x30);
    base->third[0].routine = reinterpret_cast<void*>(0x40);
    base->third[1].routine = reinterpret_cast<void*>(0x50);
    base->properties[0].fieldOffset = 28;

    RuntimeClass* derived = RuntimeNewClass(base, 3, 0, 2, 1, 2);
    EXPECT_EQ(derived->superclass, base);
    EXPECT_EQ(derived->nextClass, base);
    EXPECT_EQ(derived->methods[1].routine, reinterpret_cast<void*>(0x20));
    EXPECT_EQ(derived->methods[2].routine, nullptr);
    EXPECT_EQ(derived->events[0].routine, reinterpret_cast<void*>(0x30));
    EXPECT_EQ(derived->third[0].routine, reinterpret_cast<void*>(0x40));  // as many as the smaller count
    EXPECT_EQ(derived->properties[0].fieldOffset, 28);
    EXPECT_EQ(derived->thirdCount, 1);
}

TEST(ObjectClasses, SmallerCountsThanTheBaseAreReportedAndTheCopyStaysInTheBlock) {
    RuntimeClass* base = RuntimeNewClass(nullptr, 8, 2, 4, 0, 6);
    for (int i = 0; i < 8; ++i) base->methods[i].routine = reinterpret_cast<void*>(uintptr_t(i + 1));
    testing::internal::CaptureStdout();
    RuntimeClass* derived = RuntimeNewClass(base, 1, 0, 1, 0, 1);
    std::string report = testing::internal::GetCapturedStdout();
    for (const char* condition : {"out->methodCount >= base->methodCount", "out->interfaceCount >= base->interfaceCount",
                                  "out->eventCount >= base->eventCount", "out->propertyCount >= base->propertyCount"}) {
        SCOPED_TRACE(condition);
        EXPECT_NE(report.find(std::string("Failure Condition: ") + condition + "\n"), std::string::npos);
    }
    // The base's eight methods were copied whole; the sanitizer build proves the block held them.
    EXPECT_EQ(derived->methods[7].routine, reinterpret_cast<void*>(uintptr_t(8)));
}

TEST(ObjectClasses, NewVtableGivesNilForNoEntries) {
    EXPECT_EQ(RuntimeNewVtable(0), nullptr);
    EXPECT_EQ(RuntimeNewVtable(-3), nullptr);
    VtableEntry* table = RuntimeNewVtable(3);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[2].routine, nullptr);
    std::free(table);  // a code image keeps its tables for good; the test gives this one back
}

TEST(ObjectLifetime, InitializersRunFromTheRootDown) {
    RuntimeClass* root = newClass(nullptr);
    root->initializer = [](RuntimeObject*) { gCalls.push_back("root"); };
    RuntimeClass* middle = newClass(root);
    RuntimeClass* leaf = newClass(middle);
    leaf->initializer = [](RuntimeObject*) { gCalls.push_back("leaf"); };
    gCalls.clear();
    auto obj = rt::Ref<>::adopt(RuntimeNewObject(leaf));
    EXPECT_EQ(gCalls, (std::vector<std::string>{"root", "leaf"}));
    EXPECT_EQ(obj->refCount, 1);
    EXPECT_EQ(obj->classRecord, leaf);
    EXPECT_EQ(RuntimeFirstLiveObject(), obj.get());
}

TEST(ObjectLifetime, DestructorsRunFromTheClassUpThenFinalizersThenTheMemoryGoes) {
    RuntimeClass* root = newClass(nullptr);
    root->destructor = [](RuntimeObject*) { gCalls.push_back("root destructor"); };
    root->finalizer = [](RuntimeObject*) { gCalls.push_back("root finalizer"); };
    RuntimeClass* leaf = newClass(root);
    leaf->destructor = [](RuntimeObject* o) { gCalls.push_back("leaf destructor " + std::to_string(o->refCount)); };
    leaf->finalizer = [](RuntimeObject*) { gCalls.push_back("leaf finalizer"); };
    gCalls.clear();
    RuntimeObject* obj = RuntimeNewObject(leaf);
    RuntimeLockObject(obj);
    RuntimeUnlockObject(obj);
    EXPECT_TRUE(gCalls.empty());
    RuntimeUnlockObject(obj);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"leaf destructor 1", "root destructor", "leaf finalizer",
                                                "root finalizer"}));
}

TEST(ObjectLifetime, ADestructorThatStoresTheObjectResurrectsIt) {
    static RuntimeObject* saved = nullptr;
    RuntimeClass* c = newClass(nullptr);
    c->destructor = [](RuntimeObject* o) {
        saved = o;
        RuntimeLockObject(o);
    };
    RuntimeObject* obj = RuntimeNewObject(c);
    RuntimeUnlockObject(obj);
    ASSERT_EQ(saved, obj);
    EXPECT_EQ(obj->refCount, 1);
    c->destructor = nullptr;  // let it go this time
    RuntimeUnlockObject(saved);
}

TEST(ObjectLifetime, ReleasingTheHeadOfALongChainFreesItWithoutNesting) {
    static int deepest = 0;
    static int depth = 0;
    RuntimeClass* c = newClass(nullptr, sizeof(LinkFields));
    c->finalizer = [](RuntimeObject* o) {
        ++depth;
        deepest = std::max(deepest, depth);
        RuntimeUnlockObject(ObjectFields<LinkFields>(o)->next);
        --depth;
    };
    RuntimeObject* head = nullptr;
    for (int i = 0; i < 200000; ++i) {
        RuntimeObject* link = RuntimeNewObject(c);
        ObjectFields<LinkFields>(link)->next = head;
        head = link;
    }
    deepest = 0;
    RuntimeUnlockObject(head);
    EXPECT_EQ(deepest, 1);
}

TEST(ObjectLifetime, LockAndUnlockIgnoreNilAndObjectsBeingDestroyed) {
    RuntimeLockObject(nullptr);
    RuntimeUnlockObject(nullptr);
    RuntimeClass* c = newClass(nullptr);
    static int destructorRuns = 0;
    c->destructor = [](RuntimeObject* o) {
        ++destructorRuns;
        o->refCount = 0;  // seen as being destroyed from here on
        RuntimeLockObject(o);
        RuntimeUnlockObject(o);
        o->refCount = 1;
    };
    destructorRuns = 0;
    RuntimeUnlockObject(RuntimeNewObject(c));
    EXPECT_EQ(destructorRuns, 1);
}

TEST(ObjectLifetime, LockUnlockObjectsIsAnAssignment) {
    RuntimeClass* c = newClass(nullptr);
    RuntimeObject* a = RuntimeNewObject(c);
    RuntimeObject* b = RuntimeNewObject(c);
    RuntimeLockUnlockObjects(a, a);
    EXPECT_EQ(a->refCount, 1);
    RuntimeLockObject(b);
    RuntimeLockUnlockObjects(a, b);
    EXPECT_EQ(a->refCount, 2);
    EXPECT_EQ(b->refCount, 1);
    RuntimeUnlockObject(a);
    RuntimeUnlockObject(a);
    RuntimeUnlockObject(b);
}

TEST(ObjectLifetime, NewObjectOfNilRaisesAndOfAnInterfaceIsReported) {
    try {
        RuntimeNewObject(nullptr);
        FAIL() << "no exception";
    } catch (const rt::RaisedException& e) {
        EXPECT_TRUE(e.is(ExceptionKind::NilObjectException));
    }
    RuntimeClass* iface = newClass(nullptr);
    iface->isAnInterface = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(RuntimeNewObject(iface), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Failure Condition: !parent->isAnInterface"),
              std::string::npos);
}

TEST(ObjectTypes, IsaFollowsSuperclassesAndInterfaces) {
    RuntimeClass* iface = newClass(nullptr);
    iface->isAnInterface = 1;
    RuntimeClass* other = newClass(nullptr);
    other->isAnInterface = 1;
    RuntimeClass* root = newClass(nullptr);
    RuntimeClass* leaf = RuntimeNewClass(root, 0, 1, 0, 0, 0);
    leaf->interfaces[0].interfaceClass = iface;
    leaf->instanceSize = sizeof(RuntimeObject);
    auto obj = rt::Ref<>::adopt(RuntimeNewObject(leaf));
    auto plain = rt::Ref<>::adopt(RuntimeNewObject(root));
    EXPECT_TRUE(RuntimeObjectIsa(obj.get(), leaf));
    EXPECT_TRUE(RuntimeObjectIsa(obj.get(), root));
    EXPECT_TRUE(RuntimeObjectIsa(obj.get(), iface));
    EXPECT_FALSE(RuntimeObjectIsa(obj.get(), other));
    EXPECT_FALSE(RuntimeObjectIsa(plain.get(), leaf));
    EXPECT_FALSE(RuntimeObjectIsa(nullptr, root));
    EXPECT_TRUE(RuntimeObjectIsa(plain.get(), nullptr));
}

TEST(ObjectEvents, HandlersComeFromTheObjectsEventTable) {
    RuntimeClass* base = RuntimeNewClass(nullptr, 0, 0, 2, 0, 0);
    base->instanceSize = sizeof(RuntimeObject);
    RuntimeClass* derived = RuntimeNewClass(base, 0, 0, 2, 0, 0);
    derived->instanceSize = sizeof(RuntimeObject);
    derived->events[1].routine = reinterpret_cast<void*>(0x1234);
    auto obj = rt::Ref<>::adopt(RuntimeNewObject(derived));
    EXPECT_EQ(RuntimeFindEventHandler(obj.get(), 1), reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(RuntimeFindEventHandler(obj.get(), 0), nullptr);
    EXPECT_EQ(RuntimeFindEventHandler(obj.get(), 2), nullptr);
    EXPECT_EQ(RuntimeFindEventHandler(nullptr, 0), nullptr);
    RuntimeClass* eventless = newClass(nullptr);
    auto quiet = rt::Ref<>::adopt(RuntimeNewObject(eventless));
    EXPECT_EQ(RuntimeFindEventHandler(quiet.get(), 0), nullptr);
}

TEST(ObjectClasses, DefinedClassesHandleInheritedEventsWithoutTouchingTheBase) {
    HoldsRecordsForTheProcess("class records and their names live for the process");
    const MethodDefinition baseEvents[] = {{"Run%%o<Base>", nullptr}, {"Stop%%o<Base>", nullptr}};
    RuntimeClass* base = RuntimeDefineClass(
        {.name = "EventBase", .superclass = nullptr, .instanceSize = int32_t(sizeof(RuntimeObject)),
         .events = baseEvents});
    void* const run = reinterpret_cast<void*>(0x1234);
    void* const stop = reinterpret_cast<void*>(0x5678);
    const EventHandlerDefinition handlers[] = {{0, "#Run%%o<Derived>", run}, {1, nullptr, stop}};
    const MethodDefinition ownEvents[] = {{"Pause%%o<Derived>", nullptr}};
    RuntimeClass* derived = RuntimeDefineClass({.name = "EventDerived", .superclass = base,
                                                .instanceSize = base->instanceSize, .events = ownEvents,
                                                .handlers = handlers});
    auto signature = [](const VtableEntry& entry) { return std::string(StringBytes(entry.signature)); };
    ASSERT_EQ(derived->eventCount, 3);
    EXPECT_EQ(derived->events[0].routine, run);
    EXPECT_EQ(signature(derived->events[0]), "#Run%%o<Derived>");
    EXPECT_EQ(derived->events[1].routine, stop);
    EXPECT_EQ(derived->events[1].signature, base->events[1].signature);
    EXPECT_EQ(signature(derived->events[2]), "Pause%%o<Derived>");
    EXPECT_EQ(base->events[0].routine, nullptr);
    EXPECT_EQ(signature(base->events[0]), "Run%%o<Base>");
}

TEST(ObjectHandles, RefAdoptRetainAndSelfAssignment) {
    RuntimeClass* c = newClass(nullptr);
    auto a = rt::Ref<>::adopt(RuntimeNewObject(c));
    {
        auto b = rt::Ref<>::retain(a.get());
        EXPECT_EQ(a->refCount, 2);
        b = b;
        EXPECT_EQ(a->refCount, 2);
        rt::Ref<> moved = std::move(b);
        EXPECT_EQ(a->refCount, 2);
    }
    EXPECT_EQ(a->refCount, 1);
}

TEST(ExternalClasses, AreRegisteredByNameWithSignatures) {
    RuntimeInitExternalClasses();
    RuntimeClass* exception = RuntimeFindExternalClass("RuntimeException");
    ASSERT_NE(exception, nullptr);
    EXPECT_EQ(RuntimeFindExternalClass("NilObjectException")->superclass, exception);
    EXPECT_EQ(RuntimeFindExternalClass("NoSuchClass"), nullptr);
    ASSERT_EQ(exception->propertyCount, 2);
    EXPECT_EQ(std::string(StringBytes(exception->properties[1].signature)), "Message%s%");
    RTString signature = RuntimeMakeSignature("ParseAddr", "b", "o<App>s&u2&u2&u2&u2");
    EXPECT_EQ(std::string(StringBytes(signature)), "ParseAddr%b%o<App>s&u2&u2&u2&u2");
    RuntimeUnlockString(signature);
}
