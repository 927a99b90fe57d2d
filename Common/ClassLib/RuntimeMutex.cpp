// Mutex: a critical section that also excludes other processes, through an
// exclusive flock on a lock file in the temporary folder.
#include <memory>
#include <string>
#include <utility>

#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/Linux/LockFilesUnix.h"
#include "Common/Ref.h"
#include "Common/exceptions.h"
#include "Common/runBinaryStream.h"
#include "Universal/VELQstring.h"

namespace {

constexpr const char* kTemporaryFolder = "/tmp";
constexpr const char* kFreshNamePrefix = "qarvex-mutex-";
// How long a thread waiting for a lock that another process holds sleeps
// between tries; nothing in this process could wake it earlier.
constexpr int32_t kOtherProcessPollMilliseconds = 10;
// The error number of an IllegalLockingException for a lock file that cannot
// be used; 0 to 3 are the misuses of the locks.
constexpr int32_t kUnusableLockFileError = 4;

MutexFields& fields(RuntimeObject* mutex) {
    if (!mutex) RaiseNilObjectException();
    return *ObjectFields<MutexFields>(mutex);
}

// A name of the caller's choice becomes one file name inside the temporary
// folder, never a path leading out of it.
std::string lockFileName(RTString name) {
    std::string text(StringBytes(name), StringLength(name));
    for (char& c : text)
        if (c == '/' || c == '\0') c = '_';
    if (text == "." || text == "..") text.insert(0, "_");
    return text;
}

// A planted link, folder or FIFO, a file of another user or a name too long
// is the caller's error to see, not a lock to wait for forever.
[[noreturn]] void raiseUnusable(const LockFilePlace& place, const std::string& name, LockFileFault fault) {
    std::string text = std::string("The Mutex's lock file ") + kTemporaryFolder + "/" + name + " is " +
                       LockFileFaultText(fault);
    if (fault == LockFileFault::System) text += std::string(": ") + std::to_string(place.LastError());
    RuntimeRaiseMessage(ExceptionKind::IllegalLockingException, text, kUnusableLockFileError, kEncodingUTF8);
}

// The single try of taking the lock: on success the stream holds it; false
// while another process holds it.
bool tryTakeLock(MutexFields& f) {
    int fd;
    LockFileFault fault = f.lockFile->Take(fd);
    if (fault == LockFileFault::Busy) return false;
    if (fault != LockFileFault::None) raiseUnusable(*f.lockFile, f.lockFile->Name(), fault);
    auto stream = rt::Ref<>::adopt(RuntimeNewObject(RuntimeBinaryStreamClass()));  // released if construction raises
    BinaryStreamHandleCtor(stream.get(), fd, 3);
    f.stream = stream.release();
    f.lock.owner = RuntimeCurrentThreadRecord();
    ++f.lock.entryCount;
    return true;
}

void releaseStream(MutexFields& f) {
    RuntimeObject* stream = std::exchange(f.stream, nullptr);
    if (!stream) return;
    BinaryStreamClose(stream);
    RuntimeUnlockObject(stream);
}

// Deletes the lock file only while holding its lock, so that no other process
// can be holding a lock on a file that has gone and nobody else can find.
void destroyMutex(RuntimeObject* mutex) {
    MutexFields& f = fields(mutex);
    std::unique_ptr<LockFilePlace> place(std::exchange(f.lockFile, nullptr));
    if (!place) return;
    if (f.stream) {
        place->RemoveHeld();
        releaseStream(f);
    } else {
        place->RemoveUnlessLocked();
    }
}

const MethodDefinition kMutexMethods[] = {
    {"Constructor%%o<Mutex>s", reinterpret_cast<void*>(&MutexContructor)},
    {"Lock%%o<Mutex>", reinterpret_cast<void*>(&MutexLock)},
    {"TryLock%b%o<Mutex>", reinterpret_cast<void*>(&MutexTryLock)},
    {"Unlock%%o<Mutex>", reinterpret_cast<void*>(&MutexUnlock)},
};

} // namespace

RuntimeClass* MutexClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "Mutex",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(MutexFields)),
        .destructor = &destroyMutex,
        .methods = kMutexMethods,
    });
    return c;
}

extern "C" void MutexContructor(RuntimeObject* mutex, RTString name) {
    MutexFields& f = fields(mutex);
    auto place = std::make_unique<LockFilePlace>();
    std::string fileName = lockFileName(name);
    LockFileFault fault = place->Prepare(kTemporaryFolder, fileName, kFreshNamePrefix, '?');
    if (fault != LockFileFault::None) raiseUnusable(*place, fileName, fault);
    delete std::exchange(f.lockFile, place.release());
}

extern "C" void MutexLock(RuntimeObject* mutex) {
    MutexFields& f = fields(mutex);
    ThreadRecord* me = RuntimeCurrentThreadRecord();
    for (;;) {
        if (f.lock.owner == me) {
            ++f.lock.entryCount;
            return;
        }
        if (f.lock.owner) {
            WaitInQueue(f.lock.waiters, [&](WaitOutcome outcome) {
                if (outcome == WaitOutcome::Released && !f.lock.owner) ReleaseFirstWaiter(f.lock.waiters);
            });
            continue;
        }
        if (tryTakeLock(f)) return;
        // Held by another process, which cannot tell this one when it lets go.
        RuntimeSleepCurrentThread(kOtherProcessPollMilliseconds);
    }
}

extern "C" bool MutexTryLock(RuntimeObject* mutex) {
    MutexFields& f = fields(mutex);
    ThreadRecord* me = RuntimeCurrentThreadRecord();
    if (f.lock.owner == me) {
        ++f.lock.entryCount;
        return true;
    }
    return !f.lock.owner && tryTakeLock(f);
}

extern "C" void MutexUnlock(RuntimeObject* mutex) {
    MutexFields& f = fields(mutex);
    if (f.lock.owner != RuntimeCurrentThreadRecord())
        RuntimeRaiseMessage(ExceptionKind::IllegalLockingException,
                            "The thread which Signaled the Mutex must be the thread to Release the Mutex", 3);
    if (--f.lock.entryCount > 0) return;
    releaseStream(f);
    f.lock.owner = nullptr;
    ThreadRecord* waiter = ReleaseFirstWaiter(f.lock.waiters);
    if (waiter && waiter->blockCount == 0) RuntimeYieldBaton();
}
