#include "Common/Linux/Signals.h"

#include <signal.h>

#include <initializer_list>

namespace {

// The signal that arrived and is not yet taken; 0 for none.
volatile sig_atomic_t gPendingSignal = 0;

void onTerminationSignal(int signal) { gPendingSignal = signal; }

} // namespace

void InstallRuntimeSignalHandlers() {
    // No SA_RESTART: a system call the signal interrupts returns, so a program
    // waiting for input reaches its next safe point.
    struct sigaction action {};
    action.sa_handler = &onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal : {SIGTERM, SIGQUIT, SIGHUP}) sigaction(signal, &action, nullptr);
    // An interrupt from the terminal ends a run the same way, unless the
    // parent meant the process to ignore it (a background job of a shell).
    struct sigaction interrupt {};
    if (sigaction(SIGINT, nullptr, &interrupt) == 0 && interrupt.sa_handler != SIG_IGN)
        sigaction(SIGINT, &action, nullptr);
    // A write beyond the file size limit or into a closed pipe then fails with
    // EFBIG or EPIPE, which the writer sees and reports, instead of ending the process.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int signal : {SIGXFSZ, SIGPIPE}) sigaction(signal, &ignore, nullptr);
}

bool TerminationSignalPending() { return gPendingSignal != 0; }

int TakeTerminationSignal() {
    int signal = gPendingSignal;
    if (signal != 0) gPendingSignal = 0;
    return signal;
}
