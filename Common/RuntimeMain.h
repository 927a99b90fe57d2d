// Process entry: prepares the runtime, finds the program's own file, runs the
// application's entry sequence and ends the process with its exit code.
#pragma once
#include <cstdint>
#include <string>

#include "Universal/Forward.h"

/// The application's entry sequence; gives the exit code (RuntimeExit's result).
using RuntimeEntryRoutine = int32_t (*)();

extern "C" {
/// First call of the entry sequence; RuntimeMain has done its work already.
void RuntimeInit();
}

/// Registers the application's classes (its own class first) and gives the application class.
using RuntimeClassRegistrar = RuntimeClass* (*)();

/// The entry sequence of an application built together with the runtime, in the
/// order a code image's entry routine makes its calls: RuntimeInit, the class
/// registration, then inside one catch-all the runtime core's classes (an
/// image's entry routine asks for the class library's too), the application
/// object and RuntimeRun; gives RuntimeExit's result.
int32_t RuntimeRunEntrySequence(RuntimeClassRegistrar registerClasses);

/// Runs the process from entry to exit and gives the status to end it with.
int RuntimeMain(int argc, char** argv, RuntimeEntryRoutine entry);

/// The program's own path as process entry resolved it; empty before.
const std::string& RuntimeExecutablePath();

/// What the main thread does with SIGTERM, SIGINT, SIGQUIT or SIGHUP once it reaches a
/// safe point; gets the signal's number.
using RuntimeTerminationHandler = void (*)(int signal);

/// Replaces the handler for termination signals. The default releases the
/// application object, runs the shutdown tasks and ends the process with
/// status 0, which service managers expect of a stopped program.
void RuntimeSetTerminationHandler(RuntimeTerminationHandler handler);

/// Whether a termination signal arrived and waits for the next safe point.
bool RuntimeTerminationPending();

extern "C" {
/// A safe point: runs the termination handler once when a termination signal
/// has arrived since the last call. The signal handler itself only notes the
/// signal, so nothing that is not async-signal-safe runs inside it.
void RuntimeHandlePendingSignal();
}

/// The program's own path as the process found it: argv[0] when it holds a "/",
/// else the first executable of that name along PATH; then symbolic links are
/// followed. Empty when nothing is found.
std::string RuntimeResolveExecutablePath(const char* argv0);
