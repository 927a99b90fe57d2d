#include "app/RunFailure.h"

#include "Common/StringFunctions.h"
#include "app/FileFailure.h"
#include "app/Output.h"

namespace {

// A run cut short by a signal says so on standard output, in the debug file
// and in the log.
void reportInterruption(RuntimeObject* app, const Interrupted& interrupted) {
    rt::String message = rt::String("Session Interrupted by Signal ") + rt::decimal(interrupted.signal);
    StdOut(rt::String("   ") + message);
    Debug(app, message);
    LogReason(app, message);
}

} // namespace

void ReportRunFailure(RuntimeObject* app, const RunFailure& failure) {
    if (const FileFailure* file = std::get_if<FileFailure>(&failure)) ReportFailure(app, *file);
    else if (const Interrupted* interrupted = std::get_if<Interrupted>(&failure)) reportInterruption(app, *interrupted);
}

bool FailedAtBoundary(RuntimeObject* app, const RunResult<>& result) {
    if (!result.isError()) return false;
    ReportRunFailure(app, result.error());
    return true;
}
