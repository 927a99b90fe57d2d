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
class Timer {
public:
    /// A timer (period 1000 ms, mode off, enabled) whose Action calls `action`.
    explicit Timer(std::function<void()> action)
        : ref_(Ref<>::adopt(NewCallableObject(callableClass(), std::move(action)))) {}

    /// Takes over the reference an entry point handed out.
    static Timer adopt(RuntimeObject* h) noexcept { return Timer(Ref<>::adopt(h)); }
    /// Adds a reference to a borrowed timer.
    static Timer retain(RuntimeObject* h) noexcept { return Timer(Ref<>::retain(h)); }

    RuntimeObject* get() const noexcept { return ref_.get(); }
    explicit operator bool() const noexcept { return bool(ref_); }

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
    explicit Timer(Ref<> ref) noexcept : ref_(std::move(ref)) {}
    const TimerFields& fields() const { return *ObjectFields<TimerFields>(get()); }
    static RuntimeClass* callableClass() {
        static RuntimeClass* c = DefineCallableSubclass("CallableTimer", TimerClass(), kTimerEventAction);
        return c;
    }

    Ref<> ref_;
};

} // namespace rt
