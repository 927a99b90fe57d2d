#include "app/ProgramFiles.h"

#include "app/DebugFile.h"

rt::String PermissionListPath() { return "OkFile.Txt"; }

rt::String SessionLogPath() { return "QARVEX.Log"; }

std::vector<rt::String> ProgramFilePaths() { return {PermissionListPath(), SessionLogPath(), DebugFileName(1)}; }
