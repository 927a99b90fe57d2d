// Mutex: a critical section that also excludes other processes, through an
// exclusive flock on a lock file in the temporary folder.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/Ref.h"
#include "Common/exceptions.h"
#include "Common/runBinaryStream.h"
#include "Common/runFolderItem.h"
#include "Universal/VELQstring.h"

namespace {

constexpr const char* kTemporaryFolder = "/tmp/";
// How long a thread waiting for a lock that another process holds sleeps
// between tries; nothing in this process could wake it earlier.
constexpr int32_t kOtherProcessPollMilliseconds = 10;
// Opening and locking is tried again when the file was replaced in between.
constexpr int kLockAttempts = 8;

MutexFields& fields(RuntimeObject* mutex) {
    if (!mutex) RaiseNilObjectException();
    return *ObjectFields<MutexFields>(mutex);
}

std::string lockFilePath(const MutexFields& f) {
    RTString path = fileAbsolutePathGetter(f.lockFile);
    std::string text(StringBytes(path), StringLength(path));
    RuntimeUnlockString(path);
    return text;
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

// Creates the lock file holding "?" (left as it is when it exists); gives its path.
// Links are not followed: a link planted under the name must not lead a write elsewhere.
std::string makeLockFile(RTString name) {
    std::string path;
    int fd;
    if (StringLength(name) == 0) {
        path = std::string(kTemporaryFolder) + "qarvex-mutex-XXXXXX";
        fd = mkostemp(path.data(), O_CLOEXEC);
    } else {
        path = kTemporaryFolder + lockFileName(name);
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    }
    if (fd >= 0) {
        ssize_t written = write(fd, "?", 1);
        (void)written;  // the byte is a marker only; the lock works without it
        close(fd);
    }
    return path;
}

// Opens the lock file and takes the exclusive file lock without waiting; the
// descriptor holding it, or -1. A lock on a file that was deleted or replaced
// meanwhile excludes nobody, so that case tries again on the new file.
int takeFileLock(const std::string& path) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) return -1;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return -1;
        }
        struct stat held, named;
        if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
            return fd;
        close(fd);
    }
    return -1;
}

// The single try of taking the lock: on success the stream holds it.
bool tryTakeLock(MutexFields& f) {
    int fd = takeFileLock(lockFilePath(f));
    if (fd < 0) return false;
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
    if (!f.lockFile) return;
    std::string path = lockFilePath(f);
    if (f.stream) {
        unlink(path.c_str());
        releaseStream(f);
    } else if (int fd = takeFileLock(path); fd >= 0) {
        unlink(path.c_str());
        close(fd);
    }
    RuntimeUnlockObject(std::exchange(f.lockFile, nullptr));
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
    std::string path = makeLockFile(name);
    RTString pathText = StringFromBytes(path.data(), path.size(), kEncodingUTF8);
    RuntimeObject* item = RuntimeGetFolderItem(pathText, kNativePath);
    RuntimeUnlockString(pathText);
    RuntimeUnlockObject(std::exchange(f.lockFile, item));
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
