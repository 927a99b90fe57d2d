// Each case runs a whole process life (entry sequence, Run, quit, exit) in a
// child process of its own, since the application state lives once per process.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Common/ConsoleApplication.h"
#include "Common/RuntimeMain.h"
#include "Common/array.h"
#include "Common/exceptions.h"
#include "Common/runtimemainloop.h"
#include "Universal/VELQstring.h"
#include "support/ScratchFolder.h"

namespace {

// What the test application's Run does, chosen per case.
enum class Behaviour { ReturnOne, QuitWithFive, RaiseNilObject, QuitQuietlyThenRaise, RunTwice, LeaveATask, Signalled };
Behaviour gBehaviour;

void report(const std::string& line) {
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
}

int32_t onRun(RuntimeObject*, RuntimeArray* args) {
    int32_t last = RuntimeUBound(args);
    auto get = reinterpret_cast<RTString (*)(RuntimeArray*, int32_t)>(args->operations->slots[kSlotGet]);
    std::string seen = "args";
    for (int32_t i = 0; i <= last; ++i) {
        RTString arg = get(args, i);
        seen += " [" + std::string(StringBytes(arg), StringLength(arg)) + "]";
        RuntimeUnlockString(arg);
    }
    report(seen);
    switch (gBehaviour) {
    case Behaviour::ReturnOne: return 1;
    case Behaviour::QuitWithFive:
        ApplicationQuit(5, true);
        report("still running after quit");
        return 1;
    case Behaviour::RaiseNilObject: RaiseNilObjectException();
    case Behaviour::QuitQuietlyThenRaise:
        ApplicationQuit(3, false);
        RaiseOutOfBoundsException();
    case Behaviour::Signalled:
        raise(SIGTERM);
        report("signal noted");
        RuntimeBackgroundTask();
        report("still running after the safe point");
        return 1;
    case Behaviour::RunTwice: report("second run gives " + std::to_string(RuntimeRun())); return 2;
    case Behaviour::LeaveATask: {
        static RuntimeClass* taskClass = [] {
            RuntimeClass* c = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
            c->instanceSize = sizeof(RuntimeObject);
            c->destructor = [](RuntimeObject*) { report("task destroyed"); };
            return c;
        }();
        RuntimeObject* task = RuntimeNewObject(taskClass);
        RuntimeAddShutdownTask(task);
        RuntimeUnlockObject(task);
        report("run ends");
        return 0;
    }
    }
    return 0;
}

void onUnhandledException(RuntimeObject*, RuntimeObject* exc) {
    report("event: " + std::string(StringBytes(exc->classRecord->name)));
}

RuntimeClass* registerTestApplication() {
    static const MethodDefinition noMethods[] = {{"Placeholder%%o<TestApp>", nullptr}};
    RuntimeClass* c = RuntimeDefineClass({.name = "TestApp",
                                          .superclass = ConsoleApplicationClass(),
                                          .instanceSize = ConsoleApplicationClass()->instanceSize,
                                          .methods = std::span(noMethods, 0)});
    c->events[kEventRun].routine = reinterpret_cast<void*>(&onRun);
    c->events[kEventUnhandledException].routine = reinterpret_cast<void*>(&onUnhandledException);
    return c;
}

[[noreturn]] void runProcess(Behaviour behaviour) {
    gBehaviour = behaviour;
    char program[] = "/opt/qarvex/qarvex";
    char mode[] = "SRIF";
    char address[] = "2:5020/1";
    char* argv[] = {program, mode, address, nullptr};
    std::_Exit(RuntimeMain(3, argv, [] { return RuntimeRunEntrySequence(&registerTestApplication); }));
}

class ConsoleApplicationProcess : public testing::Test {
protected:
    // A fresh process per case; a binary run by an emulator cannot start itself
    // again, so there the case runs in a fork of the test process instead.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, *QARVEX_EMULATOR ? "fast" : "threadsafe"); }
};

} // namespace

TEST_F(ConsoleApplicationProcess, RunSeesTheCommandLineWithAnEmptyLastElementAndItsResultIsTheStatus) {
    EXPECT_EXIT(runProcess(Behaviour::ReturnOne), testing::ExitedWithCode(1),
                "^args \\[/opt/qarvex/qarvex\\] \\[SRIF\\] \\[2:5020/1\\] \\[\\]\n$");
}

TEST_F(ConsoleApplicationProcess, QuitInsideRunEndsItAndFixesTheStatus) {
    EXPECT_EXIT(runProcess(Behaviour::QuitWithFive), testing::ExitedWithCode(5), "^args [^\n]*\n$");
}

TEST_F(ConsoleApplicationProcess, AnExceptionEscapingRunReachesTheEventThenTheDefaultReport) {
    EXPECT_EXIT(runProcess(Behaviour::RaiseNilObject), testing::ExitedWithCode(0),
                "event: NilObjectException\nException Message: \nException Error Number: 0\n"
                "An exception of class NilObjectException was not handled.  The application must shut down.$");
}

TEST_F(ConsoleApplicationProcess, AfterQuitAnExceptionReachesTheEventButPrintsNoReport) {
    EXPECT_EXIT(runProcess(Behaviour::QuitQuietlyThenRaise), testing::ExitedWithCode(3),
                "event: OutOfBoundsException\n$");
}

TEST_F(ConsoleApplicationProcess, ASecondRunDoesNothing) {
    EXPECT_EXIT(runProcess(Behaviour::RunTwice), testing::ExitedWithCode(2), "second run gives 0\n$");
}

TEST_F(ConsoleApplicationProcess, ShutdownTasksAreDestroyedAfterTheRun) {
    EXPECT_EXIT(runProcess(Behaviour::LeaveATask), testing::ExitedWithCode(0), "run ends\ntask destroyed\n$");
}

TEST(ExecutablePath, SlashPathsStayAndBareNamesAreFoundAlongPath) {
    ScratchFolder folder;
    std::string bin = folder.path("bin");
    std::string real = folder.path("lib/tool");
    WriteFile(real, "");
    ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
    chmod(real.c_str(), 0755);
    ASSERT_EQ(symlink("../lib/tool", (bin + "/tool").c_str()), 0);

    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", ("/nonexistent::" + bin).c_str(), 1);
    // A relative link target is taken against the link's own folder.
    EXPECT_EQ(RuntimeResolveExecutablePath("tool"), bin + "/../lib/tool");
    EXPECT_EQ(RuntimeResolveExecutablePath("./relative/prog"), "./relative/prog");
    EXPECT_EQ(RuntimeResolveExecutablePath("not-there"), "");
    // A name is looked up, never run through a shell.
    EXPECT_EQ(RuntimeResolveExecutablePath("$(touch pwned)"), "");
    EXPECT_NE(access("pwned", F_OK), 0);
    setenv("PATH", savedPath.c_str(), 1);
}

TEST_F(ConsoleApplicationProcess, ATerminationSignalEndsTheProcessWithStatusZeroAtTheNextSafePoint) {
    // The handler only notes the signal; the background step then ends the process.
    EXPECT_EXIT(runProcess(Behaviour::Signalled), testing::ExitedWithCode(0), "^args [^\n]*\nsignal noted\n$");
}
