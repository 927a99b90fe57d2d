// The run's debug file: DebugNNN.Txt in the state folder (Places.h), the first free
// number from 001 (a fourth digit and more once 999 are kept), kept after a
// run that fails.
#pragma once
#include <cstdint>

#include "Common/TextOutputStream.h"
#include "Common/String.h"

/// The name of debug file `number`: "Debug" + at least three digits + ".Txt".
rt::String DebugFileName(int32_t number);

/// Creates the run's debug file and gives its stream, empty when it cannot be made; `name` receives the name tried last and `error` the
/// system's error number of a failure.
rt::TextOutputStream CreateDebugFile(rt::String& name, int32_t& error);

/// Deletes the debug file of a run that ended well.
void DeleteDebugFile();

/// Says where the trace of a failed run is kept, or that there is none.
void ReportKeptDebugFile();
