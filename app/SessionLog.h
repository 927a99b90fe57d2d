// The session log that grows across runs: one time-stamped line an event.
#pragma once
#include "Universal/Forward.h"
#include "Common/String.h"
#include "app/RunFailure.h"

/// Appends one time-stamped line to the log, opened by the first line of the
/// process and closed by "End"; the file's failure when it cannot be written.
RunResult<> LogIt(RuntimeObject* app, const rt::String& event);
