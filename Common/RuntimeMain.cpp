#include "Common/RuntimeMain.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ConsoleApplication.h"
#include "Common/Linux/SymbolicLinks.h"
#include "Common/objects.h"
#include "Common/runFolderItem.h"
#include "Universal/VELQstring.h"
#include "Common/exceptions.h"

namespace {

// The main thread's stack, as far as compiled code may use it.
constexpr size_t kMainStackSize = 262144;
constexpr size_t kPathBufferSize = 2048;

std::string gExecutablePath;

// `which` semantics without a shell: the first PATH entry holding an
// executable regular file of that name. An empty entry is the working folder.
std::string searchPath(const char* name) {
    const char* path = std::getenv("PATH");
    if (!path || !*name) return {};
    std::string entries = path;
    size_t start = 0;
    while (start <= entries.size()) {
        size_t end = entries.find(':', start);
        if (end == std::string::npos) end = entries.size();
        std::string folder = entries.substr(start, end - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate.size() < kPathBufferSize ? candidate : std::string();
        start = end + 1;
    }
    return {};
}

// The signal that arrived and is not yet handled; 0 for none.
volatile sig_atomic_t gPendingSignal = 0;

void endProcess(int) {
    RuntimeReleaseApplicationObject();
    RuntimeRunShutdownTasks();
    std::exit(0);
}

RuntimeTerminationHandler gTerminationHandler = &endProcess;

void onTerminationSignal(int signal) { gPendingSignal = signal; }

// No SA_RESTART: a system call the signal interrupts returns, so a program
// waiting for input reaches its next safe point.
void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = &onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal : {SIGTERM, SIGQUIT, SIGHUP}) sigaction(signal, &action, nullptr);
    // A write beyond the file size limit or into a closed pipe then fails with
    // EFBIG or EPIPE, which the writer sees and reports, instead of ending the process.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int signal : {SIGXFSZ, SIGPIPE}) sigaction(signal, &ignore, nullptr);
}

// Descriptors 0, 1 and 2 that the parent left closed are opened on /dev/null
// before anything else is, so no file the program opens takes their place and
// receives progress lines meant for standard output.
void openMissingStandardDescriptors() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            int opened = open("/dev/null", O_RDWR);
            if (opened >= 0 && opened != descriptor) {
                dup2(opened, descriptor);
                close(opened);
            }
        }
}

} // namespace

void RuntimeSetTerminationHandler(RuntimeTerminationHandler handler) {
    gTerminationHandler = handler ? handler : &endProcess;
}

bool RuntimeTerminationPending() { return gPendingSignal != 0; }

extern "C" void RuntimeHandlePendingSignal() {
    if (int signal = gPendingSignal) {
        gPendingSignal = 0;
        gTerminationHandler(signal);
    }
}

std::string RuntimeResolveExecutablePath(const char* argv0) {
    if (!argv0) return {};
    std::string path = std::strchr(argv0, '/') ? std::string(argv0) : searchPath(argv0);
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
        RuntimeInitExternalClasses();
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
    openMissingStandardDescriptors();
    RuntimeSetCommandLine(argc, argv);
    RuntimeSetUnhandledExceptionHook(&RuntimeDefaultUnhandledExceptionHook);
    char stackTop;
    RuntimeInitStackLimit(&stackTop, kMainStackSize);
    RuntimeInitMainThread();

    gExecutablePath = RuntimeResolveExecutablePath(argc > 0 ? argv[0] : nullptr);
    RuntimeSetExecutablePath(gExecutablePath);
    std::vector<char*> arguments(argv, argv + argc);
    if (argc > 0) arguments[0] = gExecutablePath.data();
    RuntimeSetCommandLine(argc, arguments.data());

    installSignalHandlers();
    int32_t exitCode = entry();
    RuntimeRunShutdownTasks();
    return exitCode;
}
