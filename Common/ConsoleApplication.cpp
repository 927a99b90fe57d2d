#include "Common/ConsoleApplication.h"

#include <utility>
#include <vector>

#include "Common/Linux/ProcessControl.h"
#include "Common/Arrays.h"
#include "Common/array.h"
#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Common/runtimemainloop.h"
#include "Universal/VELQstring.h"

namespace {

RuntimeObject* gApplication = nullptr;
int32_t gExitCode = 0;
bool gRunOnce = false;
bool gQuitRequested = false;
bool gQuitting = false;
int gArgc = 0;
char** gArgv = nullptr;

// Objects to destroy at exit, newest first.
struct ShutdownTask {
    RuntimeObject* object;
    ShutdownTask* next;
};
ShutdownTask* gShutdownTasks = nullptr;

ConsoleApplicationFields* fields(RuntimeObject* app) { return ObjectFields<ConsoleApplicationFields>(app); }

template <typename Handler>
Handler handlerOf(RuntimeObject* obj, int32_t event) {
    return reinterpret_cast<Handler>(RuntimeFindEventHandler(obj, event));
}

bool isService(RuntimeObject* obj) { return RuntimeObjectIsa(obj, ServiceApplicationClass()); }

void setApplication(RuntimeObject* obj) {
    RuntimeLockUnlockObjects(obj, gApplication);
    gApplication = obj;
}

// The application's UnhandledException event, as the unhandled-exception hook raises it.
void raiseUnhandledExceptionEvent(RuntimeObject* exc) {
    if (auto handler = handlerOf<UnhandledExceptionEventHandler>(gApplication, kEventUnhandledException))
        handler(gApplication, exc);
}

// The command line as Run sees it: argc + 1 elements, the last one empty.
rt::Array<rt::String> buildArgumentArray() {
    auto args = rt::Array<rt::String>::ofSize(gArgc + 1);
    for (int i = 0; i < gArgc; ++i) args.set(i, rt::String(gArgv[i]));
    return args;
}

void runStep() {
    RuntimeObject* app = gApplication;
    if (!app) {
        RUNTIME_ASSERT_FAILED("ConsoleApplication", "app",
                              "Trying to call the Run event before making the console application object.");
        return;
    }
    if (isService(app)) {
        auto dontDaemonize = handlerOf<DontDaemonizeEventHandler>(app, kEventDontDaemonize);
        if (!dontDaemonize || !dontDaemonize(app)) DaemonizeApp(app);
    }
    auto run = handlerOf<RunEventHandler>(app, kEventRun);
    if (!run) return;
    rt::Array<rt::String> args = buildArgumentArray();
    int32_t result = run(app, args.get());
    if (!gQuitRequested) fields(app)->exitCode = result;
    gExitCode = fields(app)->exitCode;
}

// The main-loop entry: runs one routine of the run.
void callMainLoop(void (*fp)()) {
    if (!RUNTIME_CHECK("runtimemainloop", fp, nullptr)) return;
    fp();
}

const MethodDefinition kConsoleApplicationEvents[] = {
    {"Run%i4%o<ConsoleApplication>A1s", nullptr},
    {"UnhandledException%%o<ConsoleApplication>o<RuntimeException>", nullptr},
};

const MethodDefinition kConsoleApplicationMethods[] = {
    {"DoEvents%%o<ConsoleApplication>i4", reinterpret_cast<void*>(&RuntimeDoEvents)},
    {"Daemonize%b%o<ConsoleApplication>", reinterpret_cast<void*>(&DaemonizeApp)},
    {"YieldToNextThread%%o<ConsoleApplication>", reinterpret_cast<void*>(&YieldToNextThread)},
    {"_AddPollableObject%%o<ConsoleApplication>o<Object>", nullptr},
    {"_RemovePollableObject%%o<ConsoleApplication>o<Object>", nullptr},
};

const MethodDefinition kServiceApplicationEvents[] = {
    {"Stop%%o<ServiceApplication>b", nullptr},
    {"Pause%%o<ServiceApplication>", nullptr},
    {"Resume%%o<ServiceApplication>", nullptr},
    {"DontDaemonize%b%o<ServiceApplication>", nullptr},
};

// A service application's fields beyond the console application's.
constexpr int32_t kServiceApplicationExtraBytes = 60;
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(RuntimeObject) + sizeof(ConsoleApplicationFields) + kServiceApplicationExtraBytes == 88);
#endif

} // namespace

RuntimeClass* ConsoleApplicationClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "ConsoleApplication",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(ConsoleApplicationFields)),
        .initializer = &ConsoleApplicationInitializer,
        .methods = kConsoleApplicationMethods,
        .events = kConsoleApplicationEvents,
    });
    return c;
}

RuntimeClass* ServiceApplicationClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "ServiceApplication",
        .superclass = ConsoleApplicationClass(),
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(ConsoleApplicationFields)) +
                        kServiceApplicationExtraBytes,
        .events = kServiceApplicationEvents,
    });
    return c;
}

extern "C" void ConsoleApplicationInitializer(RuntimeObject* app) {
    fields(app)->exitCode = 0;
    setApplication(app);
}

extern "C" void RuntimeRegisterConsoleAppObject(RuntimeObject* obj, bool service) {
    if (obj) {
        setApplication(obj);
        RuntimeLockObject(obj);
        return;
    }
    RuntimeObject* created = RuntimeNewObject(service ? ServiceApplicationClass() : ConsoleApplicationClass());
    setApplication(created);
    RuntimeUnlockObject(created);
}

extern "C" int32_t RuntimeRun() {
    if (gRunOnce) return 0;
    gRunOnce = true;
    RuntimeSetUnhandledEventRaiser(&raiseUnhandledExceptionEvent);
    callMainLoop(&runStep);
    ApplicationQuit(gApplication ? fields(gApplication)->exitCode : gExitCode, true);
    return 0;
}

extern "C" int32_t RuntimeExit() {
    if (!RUNTIME_CHECK("ConsoleApplication", gApplication, nullptr)) return gExitCode;
    return fields(gApplication)->exitCode;
}

extern "C" bool ApplicationQuit(int32_t code, bool raiseEnd) {
    gQuitRequested = true;
    if (gQuitting) return false;
    gQuitting = true;
    if (gApplication) {
        fields(gApplication)->exitCode = code;
        gExitCode = code;
        if (isService(gApplication))
            if (auto stop = handlerOf<StopEventHandler>(gApplication, kEventStop)) stop(gApplication, false);
    }
    if (!RuntimeInUnhandledException() && raiseEnd) {
        RuntimeEndOtherThreads();
        RuntimeRaiseNew(ExceptionKind::EndException);
    }
    RuntimeSetShutDown();
    return false;
}

extern "C" bool VQ_ApplicationQuit(int32_t code) { return ApplicationQuit(code, true); }

extern "C" bool DaemonizeApp(RuntimeObject*) { return DetachAsDaemon(); }

extern "C" void YieldToNextThread(RuntimeObject*) { RuntimeYieldToOtherThreads(); }

extern "C" void* RuntimeAllocatePluginEntrypointsTable(int32_t count) {
    return count > 0 ? RuntimeNewVtable(count) : nullptr;
}

RuntimeObject* RuntimeApplicationObject() { return gApplication; }

void RuntimeSetCommandLine(int argc, char** argv) {
    gArgc = argc;
    gArgv = argv;
}

void RuntimeAddShutdownTask(RuntimeObject* obj) {
    if (!obj) return;
    RuntimeLockObject(obj);
    gShutdownTasks = new ShutdownTask{obj, gShutdownTasks};
}

void RuntimeRemoveShutdownTask(RuntimeObject* obj) {
    for (ShutdownTask** link = &gShutdownTasks; *link; link = &(*link)->next) {
        if ((*link)->object != obj) continue;
        ShutdownTask* task = *link;
        *link = task->next;
        RuntimeUnlockObject(task->object);
        delete task;
        return;
    }
}

void RuntimeRunShutdownTasks() {
    while (gShutdownTasks) RuntimeRemoveShutdownTask(gShutdownTasks->object);
}

void RuntimeReleaseApplicationObject() { RuntimeUnlockObject(std::exchange(gApplication, nullptr)); }
