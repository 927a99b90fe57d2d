#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "Common/ClassLib/CriticalSection.h"
#include "Common/ClassLib/Mutex.h"
#include "Common/ClassLib/Semaphore.h"
#include "Common/ClassLib/ThreadTestSupport.h"
#include "Common/exceptions.h"
#include "Universal/VELQstring.h"
#include "support/ScratchFolder.h"

namespace {

class LocksTest : public testing::Test {
protected:
    void SetUp() override { WarmUpThreadClasses(); }
};

// Runs `misuse` and checks the IllegalLockingException it must raise.
void ExpectLockingError(const std::function<void()>& misuse, int32_t errorNumber, const std::string& message) {
    try {
        misuse();
        ADD_FAILURE() << "no exception";
    } catch (const rt::RaisedException& raised) {
        EXPECT_TRUE(raised.is(ExceptionKind::IllegalLockingException));
        EXPECT_EQ(raised.errorNumber(), errorNumber);
        EXPECT_EQ(std::string(StringBytes(raised.message()), StringLength(raised.message())), message);
    }
}

TEST_F(LocksTest, MisuseRaisesWithItsNumberAndMessage) {
    struct Row {
        const char* name;
        std::function<void()> misuse;
        int32_t errorNumber;
        const char* message;
    };
    const Row rows[] = {
        {"semaphore of 0", [] { rt::Semaphore s = rt::Semaphore::make(0); }, 1, "Illegal initialCount for the Semaphore."},
        {"semaphore of -3", [] { rt::Semaphore s = rt::Semaphore::make(-3); }, 1, "Illegal initialCount for the Semaphore."},
        {"second release", [] {
             rt::Semaphore s = rt::Semaphore::make(1);
             s.signal();
             s.release();
             s.release();
         }, 0, "Called Semaphore.Release too many times."},
        {"leave unentered section", [] { rt::CriticalSection::make().leave(); }, 2,
         "The thread which Entered the CriticalSection must be the thread to Leave the CriticalSection"},
        {"unlock unlocked mutex", [] { rt::Mutex::make().unlock(); }, 3,
         "The thread which Signaled the Mutex must be the thread to Release the Mutex"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ExpectLockingError(row.misuse, row.errorNumber, row.message);
    }
}

TEST_F(LocksTest, ReleaseTooManyKeepsTheCountAtItsMaximum) {
    rt::Semaphore s = rt::Semaphore::make(2);
    EXPECT_THROW(s.release(), rt::RaisedException);
    EXPECT_TRUE(s.trySignal());
    EXPECT_TRUE(s.trySignal());
    EXPECT_FALSE(s.trySignal());
}

TEST_F(LocksTest, SemaphoreWaiterRunsOnlyAfterRelease) {
    rt::Semaphore s = rt::Semaphore::make(1);
    std::vector<std::string> events;
    s.signal();
    rt::Thread waiter = rt::Thread::make([&] {
        s.signal();
        events.push_back("waiter got it");
        s.release();
    });
    waiter.run();
    EXPECT_EQ(waiter.state(), kThreadStateWaiting);
    events.push_back("main releases");
    s.release();
    YieldUntilFinished(waiter);
    EXPECT_EQ(events, (std::vector<std::string>{"main releases", "waiter got it"}));
}

TEST_F(LocksTest, ReenteredSectionMustBeLeftAsOftenBeforeAWaiterRuns) {
    rt::CriticalSection section = rt::CriticalSection::make();
    std::vector<std::string> events;
    section.enter();
    section.enter();
    rt::Thread waiter = rt::Thread::make([&] {
        EXPECT_FALSE(section.tryEnter());
        rt::CriticalSection::Guard held(section);
        events.push_back("waiter inside");
    });
    waiter.run();
    section.leave();
    rt::Thread::yield();
    events.push_back("left once");
    section.leave();
    YieldUntilFinished(waiter);
    EXPECT_EQ(events, (std::vector<std::string>{"left once", "waiter inside"}));
    EXPECT_TRUE(section.tryEnter());
    section.leave();
}

// A guard's going never raises: it leaves only a section its thread is still
// inside, so one left by hand within its scope stays left.
TEST_F(LocksTest, AGuardsGoingNeverRaises) {
    static_assert(std::is_nothrow_destructible_v<rt::CriticalSection::Guard>);
    rt::CriticalSection section = rt::CriticalSection::make();
    {
        rt::CriticalSection::Guard held(section);
        section.leave();
    }
    bool entered = false;
    rt::Thread other = rt::Thread::make([&] { entered = section.tryEnter(); });
    other.run();
    YieldUntilFinished(other);
    EXPECT_TRUE(entered);
}

TEST_F(LocksTest, KilledWaiterLeavesTheQueue) {
    rt::Semaphore s = rt::Semaphore::make(1);
    s.signal();
    rt::Thread waiter = rt::Thread::make([&] { s.signal(); });
    waiter.run();
    waiter.kill();
    s.release();
    EXPECT_TRUE(s.trySignal());  // the unit did not go to the killed thread
}

TEST_F(LocksTest, MutexExcludesAnotherProcess) {
    std::string name = "qarvex-test-mutex-" + std::to_string(getpid());
    std::string path = "/tmp/" + name;
    auto otherProcessGetsIt = [&] {
        return RunInChild([&] { std::fputs(rt::Mutex::make(rt::String(name)).tryLock() ? "yes" : "no", stdout); })
                   .output == "yes";
    };
    {
        rt::Mutex mutex = rt::Mutex::make(rt::String(name));
        mutex.lock();
        EXPECT_TRUE(mutex.tryLock());  // the owner may lock again
        EXPECT_FALSE(otherProcessGetsIt());
        mutex.unlock();
        EXPECT_FALSE(otherProcessGetsIt());
        EXPECT_EQ(access(path.c_str(), F_OK), 0) << "a process that never held the lock deleted the file";
        mutex.unlock();
        EXPECT_TRUE(otherProcessGetsIt());
        mutex.lock();
        EXPECT_EQ(access(path.c_str(), F_OK), 0);
    }
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "lock file left behind";
}

TEST_F(LocksTest, MutexNameStaysInTheTemporaryFolder) {
    std::string name = "../qarvex-escape-" + std::to_string(getpid());
    {
        rt::Mutex mutex = rt::Mutex::make(rt::String(name));
        EXPECT_EQ(access(("/tmp/.._qarvex-escape-" + std::to_string(getpid())).c_str(), F_OK), 0);
        EXPECT_NE(access(("/" + name.substr(3)).c_str(), F_OK), 0);
    }
}

// Something another user could plant under a lock file's name in the
// temporary folder; each must be refused with its own message, and nothing it
// points at be created, written or deleted.
TEST_F(LocksTest, MutexRefusesWhatIsPlantedUnderItsName) {
    ScratchFolder scratch;
    scratch.writeFile("victim", "precious");
    const std::string victim = scratch.path("victim");
    const std::string name = "qarvex-test-planted-" + std::to_string(getpid());
    const std::string path = "/tmp/" + name;
    struct Row {
        const char* name;
        std::function<void()> plant;
        std::string lockName;
        const char* fault;
    };
    const Row rows[] = {
        {"link to a file", [&] { symlink(victim.c_str(), path.c_str()); }, name, "a symbolic link"},
        {"dangling link", [&] { symlink(scratch.path("made").c_str(), path.c_str()); }, name, "a symbolic link"},
        {"folder", [&] { mkdir(path.c_str(), 0755); }, name, "not a plain file"},
        {"fifo", [&] { mkfifo(path.c_str(), 0644); }, name, "not a plain file"},
        {"second name of a file", [&] { link(victim.c_str(), path.c_str()); }, name, "a file with other names"},
        {"another user's file", [&] {
             WriteFile(path, "x");
             if (chown(path.c_str(), 65534, 65534) != 0) std::filesystem::remove(path);
         }, name, "owned by another user"},
        {"name too long", [] {}, std::string(300, 'n'), "named beyond the limit of one file name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.plant();
        if (std::string(row.name) == "another user's file" && !std::filesystem::exists(path)) {
            std::puts("only root can plant another user's file; row skipped");
            continue;
        }
        ExpectLockingError([&] { rt::Mutex::make(rt::String(row.lockName)).lock(); }, 4,
                           "The Mutex's lock file /tmp/" + row.lockName + " is " + row.fault);
        EXPECT_EQ(ReadFile(victim), "precious");
        EXPECT_FALSE(std::filesystem::exists(scratch.path("made")));
        std::filesystem::remove(path);
    }
}

// A name replaced after the mutex was made: taking the lock refuses it, and
// letting the mutex go deletes neither the link nor what it points at.
TEST_F(LocksTest, MutexKeepsALinkPlantedAfterItWasMade) {
    ScratchFolder scratch;
    scratch.writeFile("victim", "precious");
    const std::string name = "qarvex-test-replaced-" + std::to_string(getpid());
    const std::string path = "/tmp/" + name;
    {
        rt::Mutex mutex = rt::Mutex::make(rt::String(name));
        std::filesystem::remove(path);
        std::filesystem::create_symlink(scratch.path("victim"), path);
        EXPECT_THROW(mutex.tryLock(), rt::RaisedException);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(scratch.readFile("victim"), "precious");
    std::filesystem::remove(path);
}

} // namespace
