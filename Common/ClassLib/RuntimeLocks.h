// The locks of cooperative threads: Semaphore, the re-entrant CriticalSection,
// and Mutex, which also excludes other processes through a file lock. A thread
// that must wait is queued on the lock and blocked until a release lets it go.
#pragma once
#include <cstdint>

#include "Common/ClassLib/WaitQueue.h"
#include "Common/Linux/LockFilesUnix.h"
#include "Common/objects.h"

/// The fields of a Semaphore after the object header.
struct SemaphoreFields {
    int32_t count;    // 1 when made; below 0 while threads wait
    int32_t maximum;  // 1 when made
    WaitQueue waiters;
};

/// The fields of a CriticalSection after the object header.
struct CriticalSectionFields {
    ThreadRecord* owner;  // nil while free
    int32_t entryCount;
    WaitQueue waiters;
};

/// The fields of a Mutex after the object header.
struct MutexFields {
    CriticalSectionFields lock;
    // The lock file in the temporary folder, reached by its own name only:
    // a path resolved once would follow a link planted under the name.
    LockFilePlace* lockFile;
    RuntimeObject* stream;    // BinaryStream holding the file lock; nil while unlocked
};

/// Leaves once when the calling thread is inside; false, and nothing changes,
/// when it is not. Never raises: a kill that arrives while a waiter takes over
/// ends the thread at its next yield.
[[nodiscard]] bool CriticalSectionLeaveIfInside(RuntimeObject* section) noexcept;

/// The classes, built on first use and registered by name.
RuntimeClass* SemaphoreClass();
RuntimeClass* CriticalSectionClass();
RuntimeClass* MutexClass();

extern "C" {
/// Semaphore(initialCount): IllegalLockingException (1) for 0 or less.
void Semaphore_Constructor(RuntimeObject* semaphore, int32_t initialCount);
/// Takes one unit, waiting while there is none.
void Semaphore_Signal(RuntimeObject* semaphore);
/// Takes one unit when there is one; false otherwise.
bool Semaphore_TrySignal(RuntimeObject* semaphore);
/// Gives one unit back; IllegalLockingException (0) past the initial count.
void semaphore_release(RuntimeObject* semaphore);
/// Enters, waiting while another thread is inside; the owner may enter again.
void criticalsection_enter(RuntimeObject* section);
/// Enters unless another thread is inside.
bool CriticalSection_TryEnter(RuntimeObject* section);
/// Leaves once; IllegalLockingException (2) for a thread that is not inside.
void criticalsection_leave(RuntimeObject* section);
/// Mutex(name): the lock file of that name in the temporary folder, or a fresh one for "".
void MutexContructor(RuntimeObject* mutex, RTString name);
/// Locks, waiting while another thread or process holds the lock.
void MutexLock(RuntimeObject* mutex);
/// Locks unless another thread or process holds the lock.
bool MutexTryLock(RuntimeObject* mutex);
/// Unlocks once; IllegalLockingException (3) for a thread that does not hold it.
void MutexUnlock(RuntimeObject* mutex);
}
