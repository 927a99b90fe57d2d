// The processor's three ways of telling what it does: progress lines on
// standard output, the trace in the debug file, and (in SessionLog) the log.
#pragma once
#include "Common/Forward.h"
#include "Universal/String.h"

/// Writes one progress line to standard output.
void StdOut(const rt::String& line);
/// Writes one trace line to the run's debug file; a run without one raises NilObjectException.
void Debug(RuntimeObject* app, const rt::String& line);
/// Raises NilObjectException for a nil object, as compiled code does before using one.
RuntimeObject* Require(RuntimeObject* obj);
