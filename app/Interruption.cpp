#include "app/Interruption.h"

#include "Common/RuntimeMain.h"
#include "Common/runtimemainloop.h"

namespace {

// The termination signal the run met, 0 before one arrives. The runtime calls
// the handler at RuntimeBackgroundTask on this thread, not in the signal handler.
int gSignal = 0;

} // namespace

void InterruptRunOnSignals() {
    RuntimeSetTerminationHandler([](int signal) { gSignal = signal; });
}

RunResult<> SafePoint() {
    RuntimeBackgroundTask();
    if (gSignal) return Interrupted{gSignal};
    return {};
}
