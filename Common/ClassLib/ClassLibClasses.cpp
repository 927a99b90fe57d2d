#include "Common/ClassLib/ClassLibClasses.h"

#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ClassLib/RuntimeTimer.h"

void RuntimeInitClassLibClasses() {
    ThreadClass();
    SemaphoreClass();
    CriticalSectionClass();
    MutexClass();
    TimerClass();
}
