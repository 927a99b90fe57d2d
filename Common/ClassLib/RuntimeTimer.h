// Timers: objects that raise their Action event after a period, once or
// repeatedly. They have no thread of their own; the background step and
// DoEvents run the timer pass that fires the ones that are due.
#pragma once
#include <cstdint>
#include <vector>

#include "Common/objects.h"

/// Values of Timer.Mode; any value above kTimerMultiple also repeats.
enum TimerMode : int32_t {
    kTimerOff = 0,
    kTimerSingle = 1,
    kTimerMultiple = 2,
};

/// The fields of a Timer after the object header.
struct TimerFields {
    RuntimeObject* next;  // process-wide timer list, newest first
    int32_t mode;
    int32_t period;       // milliseconds, at least 1
    int32_t lastReset;    // timer clock of the last firing or reset
    uint8_t enabled;
    std::vector<RuntimeObject*>* receivers;  // told of each firing; one reference each
};

/// Event slot of Timer.Action; its handler is `void (*)(RuntimeObject* timer)`.
inline constexpr int32_t kTimerEventAction = 0;
using TimerActionHandler = void (*)(RuntimeObject* timer);

/// What the runtime may wait when no timer is known to be due.
inline constexpr int32_t kTimerIdleWaitMilliseconds = 20000;

/// The Timer class, built on first use.
RuntimeClass* TimerClass();

/// The timer clock: 60 Hz ticks times 1000/60, kept to a signed 32-bit count.
int32_t TimerMillisecondsClock();
/// Whether any timer exists.
bool RuntimeTimersExist();
/// Fires every timer that is due and works out when the next one will be.
void RuntimeTimerPass();
/// Milliseconds until the next timer is due, or kTimerIdleWaitMilliseconds when none is known.
int32_t RuntimeTimerWaitTime();

extern "C" {
/// Constructor of Timer: period 1000, enabled, restarted now, at the head of the timer list.
void RuntimeTimerConstructor(RuntimeObject* timer);
/// Destructor of Timer: off the timer list; lets the receivers go.
void RuntimeTimerDestructor(RuntimeObject* timer);
/// Timer.Reset: the period starts again now.
void RuntimeTimerReset(RuntimeObject* timer);
/// Timer.Enabled; the period starts again now.
void TimerEnabledSetter(RuntimeObject* timer, bool enabled);
/// Timer.Mode; the period starts again now.
void timerModeSetter(RuntimeObject* timer, int32_t mode);
/// Timer.Period: values below 1 are stored as 1.
void timerPeriodSetter(RuntimeObject* timer, int32_t period);
/// Adds an object whose PerformAction method runs before each Action event (the timer keeps a reference).
void TimerAddActionNotificationReceiver(RuntimeObject* timer, RuntimeObject* receiver);
/// Removes a receiver added before, letting its reference go.
void TimerRemoveActionNotificationReceiver(RuntimeObject* timer, RuntimeObject* receiver);
}
