#include "Common/ClassLib/RuntimeTimer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "Common/ClassLib/BackgroundWork.h"
#include "Common/Ref.h"
#include "Common/exceptions.h"
#include "Universal/DateImp/Clocks.h"
#include "Universal/VELQstring.h"

namespace {

constexpr int32_t kDefaultPeriod = 1000;

RuntimeObject* gTimers = nullptr;  // newest first; the list holds no references
int32_t gLastPass = 0;
int32_t gNextDue = 0;  // 0: not known
// Set while a pass runs actions, so that an action calling DoEvents cannot
// start a second pass over the same list.
bool gHold = false;

TimerFields& fields(RuntimeObject* timer) {
    if (!timer) RaiseNilObjectException();
    return *ObjectFields<TimerFields>(timer);
}

bool isListed(RuntimeObject* timer) {
    for (RuntimeObject* t = gTimers; t; t = fields(t).next)
        if (t == timer) return true;
    return false;
}

void restart(TimerFields& f) {
    int32_t now = TimerMillisecondsClock();
    f.lastReset = now;
    gNextDue = now;
}

// The receiver's PerformAction method, found by its name in the object's method table.
using PerformActionRoutine = void (*)(RuntimeObject* receiver);
PerformActionRoutine performActionOf(RuntimeObject* receiver) {
    constexpr std::string_view kName = "PerformAction%";
    if (!receiver || !receiver->methodTable) return nullptr;
    for (int32_t i = 0; i < receiver->classRecord->methodCount; ++i) {
        const VtableEntry& entry = receiver->methodTable[i];
        std::string_view signature(StringBytes(entry.signature), StringLength(entry.signature));
        if (signature.starts_with(kName)) return reinterpret_cast<PerformActionRoutine>(entry.routine);
    }
    return nullptr;
}

// Tells the receivers, then raises Action. A receiver may remove itself meanwhile.
void fire(RuntimeObject* timer) {
    std::vector<rt::Ref<>> receivers;
    if (const auto* list = fields(timer).receivers)
        for (RuntimeObject* r : *list) receivers.push_back(rt::Ref<>::retain(r));
    for (const rt::Ref<>& receiver : receivers)
        if (PerformActionRoutine perform = performActionOf(receiver.get())) perform(receiver.get());
    if (auto action = reinterpret_cast<TimerActionHandler>(RuntimeFindEventHandler(timer, kTimerEventAction)))
        action(timer);
}

// Fires a due timer, holding a reference meanwhile; false when its action
// removed it from the list, which ends the pass.
bool fireAndCheckListed(RuntimeObject* timer) {
    rt::Ref<> held = rt::Ref<>::retain(timer);
    fire(timer);
    // With the last reference in hand, letting it go destroys and unlists the timer.
    return timer->refCount > 1 && isListed(timer);
}

struct HoldGuard {
    HoldGuard() { gHold = true; }
    ~HoldGuard() { gHold = false; }
};

const MethodDefinition kTimerEvents[] = {
    {"Action%%o<Timer>", nullptr},
};

const MethodDefinition kTimerMethods[] = {
    {"Reset%%o<Timer>", reinterpret_cast<void*>(&RuntimeTimerReset)},
    {"=Enabled%%o<Timer>b", reinterpret_cast<void*>(&TimerEnabledSetter)},
    {"=Mode%%o<Timer>i4", reinterpret_cast<void*>(&timerModeSetter)},
    {"=Period%%o<Timer>i4", reinterpret_cast<void*>(&timerPeriodSetter)},
    {"AddActionNotificationReceiver%%o<Timer>o<Object>",
     reinterpret_cast<void*>(&TimerAddActionNotificationReceiver)},
    {"RemoveActionNotificationReceiver%%o<Timer>o<Object>",
     reinterpret_cast<void*>(&TimerRemoveActionNotificationReceiver)},
};

const PropertyDefinition kTimerProperties[] = {
    {"Mode%i4%", int32_t(sizeof(RuntimeObject) + offsetof(TimerFields, mode))},
    {"Period%i4%", int32_t(sizeof(RuntimeObject) + offsetof(TimerFields, period))},
    {"Enabled%b%", int32_t(sizeof(RuntimeObject) + offsetof(TimerFields, enabled))},
};

} // namespace

RuntimeClass* TimerClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "Timer",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(TimerFields)),
        .initializer = &RuntimeTimerConstructor,
        .destructor = &RuntimeTimerDestructor,
        .methods = kTimerMethods,
        .events = kTimerEvents,
        .properties = kTimerProperties,
    });
    return c;
}

int32_t TimerMillisecondsClock() { return int32_t(uint32_t(int64_t(RuntimeTicks()) * 50 / 3)); }

bool RuntimeTimersExist() { return gTimers != nullptr; }

void RuntimeTimerPass() {
    if (!gTimers || gHold) return;
    int32_t now = TimerMillisecondsClock();
    if (now == gLastPass) return;
    gLastPass = now;
    gNextDue = 0;
    bool dueKnown = false;
    HoldGuard hold;
    for (RuntimeObject* timer = gTimers; timer;) {
        TimerFields& f = fields(timer);
        if (f.enabled && f.mode != kTimerOff) {
            if (f.period < now - f.lastReset) {
                f.lastReset = now;
                if (f.mode == kTimerSingle) f.mode = kTimerOff;
                if (!fireAndCheckListed(timer)) {
                    gNextDue = now;  // the rest of the list is still to be looked at
                    return;
                }
            }
            if (f.mode > kTimerOff) {
                int32_t due = f.lastReset + f.period;
                if (!dueKnown || due - now < gNextDue - now) gNextDue = due;
                dueKnown = true;
            }
        }
        timer = f.next;
    }
}

int32_t RuntimeTimerWaitTime() {
    if (gNextDue == 0) return kTimerIdleWaitMilliseconds;
    return gNextDue - TimerMillisecondsClock();
}

extern "C" void RuntimeTimerConstructor(RuntimeObject* timer) {
    TimerFields& f = fields(timer);
    f.period = kDefaultPeriod;
    f.enabled = 1;
    restart(f);
    f.next = gTimers;
    gTimers = timer;
    RuntimeUpdateBackgroundWork();
}

extern "C" void RuntimeTimerDestructor(RuntimeObject* timer) {
    TimerFields& f = fields(timer);
    for (RuntimeObject** link = &gTimers; *link; link = &fields(*link).next) {
        if (*link != timer) continue;
        *link = f.next;
        break;
    }
    f.next = nullptr;
    if (auto* receivers = std::exchange(f.receivers, nullptr)) {
        for (RuntimeObject* r : *receivers) RuntimeUnlockObject(r);
        delete receivers;
    }
    RuntimeUpdateBackgroundWork();
}

extern "C" void RuntimeTimerReset(RuntimeObject* timer) { fields(timer).lastReset = TimerMillisecondsClock(); }

extern "C" void TimerEnabledSetter(RuntimeObject* timer, bool enabled) {
    TimerFields& f = fields(timer);
    f.enabled = enabled;
    restart(f);
}

extern "C" void timerModeSetter(RuntimeObject* timer, int32_t mode) {
    TimerFields& f = fields(timer);
    f.mode = mode;
    restart(f);
}

extern "C" void timerPeriodSetter(RuntimeObject* timer, int32_t period) { fields(timer).period = std::max(period, 1); }

extern "C" void TimerAddActionNotificationReceiver(RuntimeObject* timer, RuntimeObject* receiver) {
    TimerFields& f = fields(timer);
    if (!receiver) return;
    if (!f.receivers) f.receivers = new std::vector<RuntimeObject*>();
    RuntimeLockObject(receiver);
    f.receivers->push_back(receiver);
}

extern "C" void TimerRemoveActionNotificationReceiver(RuntimeObject* timer, RuntimeObject* receiver) {
    TimerFields& f = fields(timer);
    if (!f.receivers) return;
    auto found = std::find(f.receivers->begin(), f.receivers->end(), receiver);
    if (found == f.receivers->end()) return;
    f.receivers->erase(found);
    RuntimeUnlockObject(receiver);
}
