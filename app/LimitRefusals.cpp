#include "app/LimitRefusals.h"

#include <cstring>

#include "Common/StringFunctions.h"
#include "app/App.h"
#include "app/CallerCounts.h"
#include "app/Output.h"
#include "app/Places.h"
#include "app/ReportLines.h"
#include "app/SessionLog.h"
#include "app/Session.h"

namespace {

using rt::decimal;

// A file kept back by a byte limit: `left` bytes of `most` remain.
RunResult<> keepBack(Session& session, const rt::String& request, const rt::String& name, const rt::String& path,
                     int64_t size, const rt::String& limit, int64_t most, int64_t left, ByteLimit which) {
    rt::String why = limit + rt::String(" of ") + decimal(most) + rt::String(", ") + decimal(left) +
                     rt::String(" left");
    StdOut(rt::String("   Not Sent (") + name + rt::String("): ") + why);
    WriteByteLimitLine(session.packet, request, name, left, which);
    TRY(LogIt(session.app, rt::String("Not Sent ") + path + rt::String(": ") + why));
    Debug(session.app, rt::String("Not Sent, ") + decimal(size) + rt::String(" bytes: ") + why);
    session.keptBack = true;
    return {};
}

// An update request whose file is not newer (or older) than the time it gave.
RunResult<> notUpdated(Session& session, const rt::String& request, const rt::String& name, const rt::String& path,
                       int64_t modified) {
    bool newer = session.update.kind == UpdateCondition::Newer;
    rt::String why = rt::String(newer ? "not newer than " : "not older than ") + decimal(session.update.time) +
                     rt::String(" (modified ") + decimal(modified) + rt::String(")");
    StdOut(rt::String("   Not Sent (") + name + rt::String("): ") + why);
    WriteNotUpdatedLine(session.packet, request, name, newer);
    TRY(LogIt(session.app, rt::String("Not Sent ") + path + rt::String(": ") + why));
    Debug(session.app, rt::String("Not Sent: ") + why);
    session.keptBack = true;
    return {};
}

// The caller's day is used up, or its counts cannot be kept: nothing more goes.
RunResult<LimitCheck> stop(Session& session, const rt::String& request, const rt::String& message,
                           const rt::String& why) {
    StdOut(rt::String("   ") + message);
    WriteDailyLimitLine(session.packet, request, why);
    TRY(LogIt(session.app, message));
    Debug(session.app, message);
    session.keptBack = true;
    session.stopWhy = why;
    return LimitCheck::Stop;
}

} // namespace

RunResult<LimitCheck> CheckLimits(Session& session, const rt::String& request, const rt::String& name,
                                  const rt::String& path, int64_t size, int64_t modified) {
    const Settings& settings = *session.settings;
    if (const UpdateCondition& update = session.update;
        (update.kind == UpdateCondition::Newer && modified <= update.time) ||
        (update.kind == UpdateCondition::Older && modified >= update.time)) {
        TRY(notUpdated(session, request, name, path, modified));
        return LimitCheck::KeepBack;
    }
    if (settings.maxBytes != kUnlimited && size > settings.maxBytes - session.byteCount) {
        TRY(keepBack(session, request, name, path, size, "session byte limit", settings.maxBytes,
                     settings.maxBytes - session.byteCount, ByteLimit::Session));
        return LimitCheck::KeepBack;
    }
    const CallerLimit* limit = session.callerLimit;
    if (!limit) return LimitCheck::Send;
    ChargeResult charge = ChargeCaller(session.caller, *limit, size);
    rt::String caller(session.caller);
    if (charge.rebuilt) {
        rt::String message = rt::String("Caller Counts Damaged, Rebuilt: ") + CallerCountsPath();
        Debug(session.app, message);
        TRY(LogIt(session.app, message));
    }
    switch (charge.outcome) {
    case Charge::Counted: return LimitCheck::Send;
    case Charge::ByteLimit:
        TRY(keepBack(session, request, name, path, size, rt::String("daily byte limit for ") + caller, limit->bytes,
                     limit->bytes - charge.before.bytes, ByteLimit::Daily));
        return LimitCheck::KeepBack;
    case Charge::FileLimit:
        return stop(session, request,
                    rt::String("Daily File Limit Reached for ") + caller + rt::String(": ") +
                        decimal(charge.before.files) + rt::String(" of ") + decimal(limit->files) +
                        rt::String(" files taken today"),
                    rt::String("daily limit of ") + decimal(limit->files) + rt::String(" files reached"));
    case Charge::Fault: break;
    }
    // Without its counts no limit can hold: the sysop hears why, the caller that the sysop did.
    session.sysopTold = true;
    return stop(session, request,
                rt::String("Caller Counts Unusable: ") + CallerCountsPath() + rt::String(": ") +
                    rt::String(std::strerror(charge.error)),
                "caller counts unusable");
}
