// The process and its place among others: standard descriptors, finding a
// program on PATH, and detaching from the terminal as a daemon. Signals are in
// Signals.h beside this file.
#pragma once
#include <string>

/// Opens descriptors 0, 1 and 2 on /dev/null where the parent left them closed.
void OpenMissingStandardDescriptors();

/// `which` without a shell: the first PATH entry holding an executable regular
/// file `name`, an empty entry being the working folder; empty when none does
/// or the path found is `maximumLength` bytes or longer.
std::string FindInSearchPath(const char* name, size_t maximumLength);

/// Forks twice around a new session so that no terminal can reach the process,
/// then moves to "/" with standard descriptors on /dev/null. Only the last
/// child returns (true); a parent ends at once. False when a step fails.
bool DetachAsDaemon();

/// Ends the process with `status` at once: no exit handlers, no flushing of streams.
[[noreturn]] void EndProcessAtOnce(int status);
