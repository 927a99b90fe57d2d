// rt::Semaphore: an owning handle over a Semaphore object; every operation is
// an entry point of RuntimeLocks.
#pragma once
#include <utility>

#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/Ref.h"

namespace rt {

/// Owns one reference to a Semaphore.
class Semaphore : public ObjectHandle<Semaphore> {
public:
    using Handle::Handle;
    Semaphore() noexcept = default;
    /// A new semaphore of `initialCount` units; IllegalLockingException for 0 or less.
    static Semaphore make(int32_t initialCount = 1) {
        Semaphore semaphore = adopt(RuntimeNewObject(SemaphoreClass()));
        Semaphore_Constructor(semaphore.get(), initialCount);
        return semaphore;
    }

    /// Takes a unit, waiting (other threads run) while there is none.
    void signal() const { Semaphore_Signal(get()); }
    bool trySignal() const { return Semaphore_TrySignal(get()); }
    /// Gives a unit back; IllegalLockingException past the initial count.
    void release() const { semaphore_release(get()); }
};

} // namespace rt
