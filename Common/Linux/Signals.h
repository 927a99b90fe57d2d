// Signals: termination signals caught into a pending flag that the runtime
// takes at its safe points, and the write signals turned into write errors.
// The rest of the process's dealings with the system are in ProcessControl.h.
#pragma once

/// Catches SIGTERM, SIGQUIT, SIGHUP and SIGINT (unless the parent left it
/// ignored) into the pending signal, without SA_RESTART, and lets SIGXFSZ and
/// SIGPIPE fail the write that caused them.
void InstallRuntimeSignalHandlers();

/// Whether a caught termination signal waits to be taken.
bool TerminationSignalPending();

/// The caught termination signal, cleared as it is taken; 0 for none.
int TakeTerminationSignal();
