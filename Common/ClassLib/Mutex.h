// rt::Mutex: an owning handle over a Mutex object, a lock that also excludes
// other processes using the same name.
#pragma once
#include <utility>

#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/Ref.h"
#include "Common/String.h"

namespace rt {

/// Owns one reference to a Mutex; letting the last one go deletes an unheld lock file.
class Mutex : public ObjectHandle<Mutex> {
public:
    using Handle::Handle;
    Mutex() noexcept = default;
    /// A new mutex of `name` in the temporary folder; an empty name gets a lock file of its own.
    static Mutex make(const String& name = {}) {
        Mutex mutex = adopt(RuntimeNewObject(MutexClass()));
        MutexContructor(mutex.get(), name.get());
        return mutex;
    }

    /// Locks, waiting while another thread or process holds the lock.
    void lock() const { MutexLock(get()); }
    bool tryLock() const { return MutexTryLock(get()); }
    /// Unlocks once; IllegalLockingException for a thread that does not hold it.
    void unlock() const { MutexUnlock(get()); }
};

} // namespace rt
