// A run cut short by SIGTERM, SIGINT, SIGQUIT or SIGHUP. The runtime notes the signal
// and the run meets it at its next safe point as an Interrupted exception, so
// that the session can still close its packet and response list whole.
#pragma once

/// Thrown at the first safe point after a termination signal arrived.
struct Interrupted {
    int signal;
};

/// Makes termination signals reach the run as Interrupted instead of ending the process.
void InterruptRunOnSignals();
