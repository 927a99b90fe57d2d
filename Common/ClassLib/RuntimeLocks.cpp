// Semaphore and CriticalSection.
#include "Common/ClassLib/RuntimeLocks.h"

#include "Common/exceptions.h"

namespace {

SemaphoreFields& semaphoreFields(RuntimeObject* semaphore) {
    if (!semaphore) RaiseNilObjectException();
    return *ObjectFields<SemaphoreFields>(semaphore);
}

CriticalSectionFields& sectionFields(RuntimeObject* section) {
    if (!section) RaiseNilObjectException();
    return *ObjectFields<CriticalSectionFields>(section);
}

void initializeSemaphore(RuntimeObject* semaphore) {
    SemaphoreFields& f = semaphoreFields(semaphore);
    f.count = 1;
    f.maximum = 1;
}

// Lets the first waiter go and gives it the baton's next turn, when one waits.
void handToFirstWaiter(WaitQueue& queue) {
    if (ReleaseFirstWaiter(queue)) RuntimeYieldBaton();
}

const MethodDefinition kSemaphoreMethods[] = {
    {"Constructor%%o<Semaphore>i4", reinterpret_cast<void*>(&Semaphore_Constructor)},
    {"Signal%%o<Semaphore>", reinterpret_cast<void*>(&Semaphore_Signal)},
    {"TrySignal%b%o<Semaphore>", reinterpret_cast<void*>(&Semaphore_TrySignal)},
    {"Release%%o<Semaphore>", reinterpret_cast<void*>(&semaphore_release)},
};

const MethodDefinition kCriticalSectionMethods[] = {
    {"Enter%%o<CriticalSection>", reinterpret_cast<void*>(&criticalsection_enter)},
    {"TryEnter%b%o<CriticalSection>", reinterpret_cast<void*>(&CriticalSection_TryEnter)},
    {"Leave%%o<CriticalSection>", reinterpret_cast<void*>(&criticalsection_leave)},
};

} // namespace

RuntimeClass* SemaphoreClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "Semaphore",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(SemaphoreFields)),
        .initializer = &initializeSemaphore,
        .methods = kSemaphoreMethods,
    });
    return c;
}

RuntimeClass* CriticalSectionClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "CriticalSection",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(CriticalSectionFields)),
        .methods = kCriticalSectionMethods,
    });
    return c;
}

extern "C" void Semaphore_Constructor(RuntimeObject* semaphore, int32_t initialCount) {
    SemaphoreFields& f = semaphoreFields(semaphore);
    if (initialCount <= 0)
        RuntimeRaiseMessage(ExceptionKind::IllegalLockingException, "Illegal initialCount for the Semaphore.", 1);
    f.count = initialCount;
    f.maximum = initialCount;
}

extern "C" void Semaphore_Signal(RuntimeObject* semaphore) {
    SemaphoreFields& f = semaphoreFields(semaphore);
    if (--f.count >= 0) return;
    WaitInQueue(f.waiters, [&](WaitOutcome outcome) {
        // An ended waiter gives back the unit it took or was about to take.
        ++f.count;
        if (outcome == WaitOutcome::Released) ReleaseFirstWaiter(f.waiters);
    });
}

extern "C" bool Semaphore_TrySignal(RuntimeObject* semaphore) {
    SemaphoreFields& f = semaphoreFields(semaphore);
    if (f.count - 1 < 0) return false;
    --f.count;
    return true;
}

extern "C" void semaphore_release(RuntimeObject* semaphore) {
    SemaphoreFields& f = semaphoreFields(semaphore);
    if (++f.count > f.maximum) {
        f.count = f.maximum;
        RuntimeRaiseMessage(ExceptionKind::IllegalLockingException, "Called Semaphore.Release too many times.", 0);
    }
    handToFirstWaiter(f.waiters);
}

extern "C" void criticalsection_enter(RuntimeObject* section) {
    CriticalSectionFields& f = sectionFields(section);
    ThreadRecord* me = RuntimeCurrentThreadRecord();
    // Waiting again when another thread took the section between the release
    // and this thread's turn keeps a section from having two owners.
    while (f.owner && f.owner != me) {
        WaitInQueue(f.waiters, [&](WaitOutcome outcome) {
            if (outcome == WaitOutcome::Released && !f.owner) ReleaseFirstWaiter(f.waiters);
        });
    }
    f.owner = me;
    ++f.entryCount;
}

extern "C" bool CriticalSection_TryEnter(RuntimeObject* section) {
    CriticalSectionFields& f = sectionFields(section);
    ThreadRecord* me = RuntimeCurrentThreadRecord();
    if (f.owner && f.owner != me) return false;
    f.owner = me;
    ++f.entryCount;
    return true;
}

namespace {

// Leaves once for the calling thread; false when it is not inside. A waiter
// let go gets the baton at once.
bool leaveSection(RuntimeObject* section, KillDelivery delivery) {
    CriticalSectionFields& f = sectionFields(section);
    if (f.owner != RuntimeCurrentThreadRecord()) return false;
    if (--f.entryCount > 0) return true;
    f.owner = nullptr;
    if (ReleaseFirstWaiter(f.waiters)) RuntimeYieldBaton(delivery);
    return true;
}

} // namespace

bool CriticalSectionLeaveIfInside(RuntimeObject* section) noexcept {
    return leaveSection(section, KillDelivery::AtNextYield);
}

extern "C" void criticalsection_leave(RuntimeObject* section) {
    if (!leaveSection(section, KillDelivery::Now))
        RuntimeRaiseMessage(ExceptionKind::IllegalLockingException,
                            "The thread which Entered the CriticalSection must be the thread to Leave the CriticalSection",
                            2);
}
