// The run's debug file: DebugNNN.Txt in the application folder, the first free
// number from 001, kept after a run that fails.
#pragma once
#include "Common/Forward.h"
#include "Universal/String.h"

/// Creates the run's debug file and gives its stream (one reference), nil when
/// it cannot be made; `name` receives the file's name.
RuntimeObject* CreateDebugFile(rt::String& name);

/// Deletes the debug file of a run that ended well.
void DeleteDebugFile(const rt::String& name);
