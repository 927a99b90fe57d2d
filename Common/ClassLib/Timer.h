// rt::Timer: an owning handle over a Timer object whose Action event calls a
// C++ callable. Timers fire from the background step and DoEvents.
#pragma once
#include <functional>
#include <utility>

#include "Common/ClassLib/CallableEvent.h"
#include "Common/ClassLib/RuntimeTimer.h"
#include "Common/Ref.h"

namespace rt {

/// Owns one reference to a Timer; the timer stops when the last reference goes.
class Timer : public ObjectHandle<Timer> {
public:
    using Handle::Handle;
    Timer() noexcept = default;
    /// A new timer (period 1000 ms, mode off, enabled) whose Action calls `action`.
    static Timer make(std::function<void()> action) {
        return adopt(NewCallableObject(callableClass(), std::move(action)));
    }
    int32_t mode() const { return fields().mode; }
    /// kTimerOff, kTimerSingle or kTimerMultiple; the period starts again.
    void setMode(int32_t mode) const { timerModeSetter(get(), mode); }
    int32_t period() const { return fields().period; }
    void setPeriod(int32_t milliseconds) const { timerPeriodSetter(get(), milliseconds); }
    bool enabled() const { return fields().enabled != 0; }
    void setEnabled(bool enabled) const { TimerEnabledSetter(get(), enabled); }
    /// The period starts again now.
    void reset() const { RuntimeTimerReset(get()); }

private:
    const TimerFields& fields() const { return *ObjectFields<TimerFields>(get()); }
    static RuntimeClass* callableClass() {
        static RuntimeClass* c = DefineCallableSubclass("CallableTimer", TimerClass(), kTimerEventAction);
        return c;
    }
};

} // namespace rt
