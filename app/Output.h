// The processor's three ways of telling what it does: progress lines on
// standard output, the trace in the debug file, and (in SessionLog) the log.
// Each escapes control bytes, so nothing from outside reaches them raw.
#pragma once
#include "Universal/Forward.h"
#include "Common/String.h"

/// Writes one progress line to standard output.
void StdOut(const rt::String& line);
/// Writes one trace line to the run's debug file; nothing when the run has none.
void Debug(RuntimeObject* app, const rt::String& line);
/// Writes trace text without a line end (the next Debug ends the line).
void DebugPart(RuntimeObject* app, const rt::String& text);
/// Raises NilObjectException for a nil object, as compiled code does before using one.
RuntimeObject* Require(RuntimeObject* obj);
