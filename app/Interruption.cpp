#include "app/Interruption.h"

#include "Common/RuntimeMain.h"

void InterruptRunOnSignals() {
    RuntimeSetTerminationHandler([](int signal) { throw Interrupted{signal}; });
}
