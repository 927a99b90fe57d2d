#include "Common/RuntimeMain.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "Common/ConsoleApplication.h"
#include "Common/CoreClasses.h"
#include "Common/Linux/ProcessControl.h"
#include "Common/Linux/Signals.h"
#include "Common/Linux/SymbolicLinks.h"
#include "Common/objects.h"
#include "Common/runFolderItem.h"
#include "Universal/VELQstring.h"
#include "Common/exceptions.h"

namespace {

// The main thread's stack, as far as compiled code may use it.
constexpr size_t kMainStackSize = 262144;
// A program found on PATH has a path shorter than this, or none.
constexpr size_t kPathBufferSize = 2048;

std::string gExecutablePath;

void endProcess(int) {
    RuntimeReleaseApplicationObject();
    RuntimeRunShutdownTasks();
    std::exit(0);
}

RuntimeTerminationHandler gTerminationHandler = &endProcess;

} // namespace

void RuntimeSetTerminationHandler(RuntimeTerminationHandler handler) {
    gTerminationHandler = handler ? handler : &endProcess;
}

bool RuntimeTerminationPending() { return TerminationSignalPending(); }

extern "C" void RuntimeHandlePendingSignal() {
    if (int signal = TakeTerminationSignal()) gTerminationHandler(signal);
}

std::string RuntimeResolveExecutablePath(const char* argv0) {
    if (!argv0) return {};
    std::string path = std::strchr(argv0, '/') ? std::string(argv0) : FindInSearchPath(argv0, kPathBufferSize);
    return path.empty() ? path : FollowLinks(path);
}

const std::string& RuntimeExecutablePath() { return gExecutablePath; }

// Kept for the images that call it first: RuntimeMain has fixed the
// application folder from the executable's path before any entry sequence runs.
extern "C" void RuntimeInit() {}

int32_t RuntimeRunEntrySequence(RuntimeClassRegistrar registerClasses) {
    RuntimeInit();
    RuntimeClass* applicationClass = registerClasses();
    try {
        RuntimeInitCoreClasses();
        RuntimeAllocatePluginEntrypointsTable(0);
        RuntimeObject* app = RuntimeNewObject(applicationClass);
        RuntimeRegisterConsoleAppObject(app, false);
        RuntimeUnlockObject(app);
        RuntimeRun();
    } catch (const rt::RaisedException& raised) {
        RuntimeUnhandledException(raised.object());
    }
    return RuntimeExit();
}

int RuntimeMain(int argc, char** argv, RuntimeEntryRoutine entry) {
    OpenMissingStandardDescriptors();
    RuntimeSetCommandLine(argc, argv);
    RuntimeSetUnhandledExceptionHook(&RuntimeDefaultUnhandledExceptionHook);
    char stackTop;
    RuntimeInitStackLimit(&stackTop, kMainStackSize);

    gExecutablePath = RuntimeResolveExecutablePath(argc > 0 ? argv[0] : nullptr);
    RuntimeSetExecutablePath(gExecutablePath);
    std::vector<char*> arguments(argv, argv + argc);
    if (argc > 0) arguments[0] = gExecutablePath.data();
    RuntimeSetCommandLine(argc, arguments.data());

    InstallRuntimeSignalHandlers();
    int32_t exitCode = entry();
    RuntimeRunShutdownTasks();
    return exitCode;
}
