#include "Common/ClassLib/BackgroundWork.h"

#include <time.h>

#include <cerrno>

#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ClassLib/RuntimeTimer.h"

namespace detail {
bool gBackgroundWorkPending = false;
}

void RuntimeUpdateBackgroundWork() {
    detail::gBackgroundWorkPending = RuntimeTimersExist() || RuntimeLiveThreadCount() > 1;
}

void RuntimeRunBackgroundWork() {
    RuntimeTimerPass();
    if (RuntimeLiveThreadCount() > 1) RuntimeYieldBaton();
}

void RuntimeBackgroundSleep(int32_t milliseconds) {
    if (milliseconds < 0) return;
    if (RuntimeLiveThreadCount() > 1) {
        RuntimeSleepCurrentThread(milliseconds);
        return;
    }
    timespec delay{milliseconds / 1000, long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}
