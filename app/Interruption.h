// A run cut short by SIGTERM, SIGINT, SIGQUIT or SIGHUP. The runtime notes the
// signal, and the run meets it at its next safe point as an Interrupted
// failure, so that the session can still close its packet and response list whole.
#pragma once
#include "app/RunFailure.h"

/// Makes termination signals reach the run's safe points instead of ending the process.
void InterruptRunOnSignals();

/// A safe point of a loop over outside data: the runtime's background work,
/// then Interrupted once a termination signal has arrived. The signal stays:
/// every later safe point meets it too, so no caller that must let a failure
/// go can lose it.
RunResult<> SafePoint();
