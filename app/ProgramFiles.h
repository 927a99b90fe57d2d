// The files the program keeps for itself. Each is named here once; a path
// without a folder lies in the program folder (the executable's).
#pragma once
#include <vector>

#include "Common/String.h"

/// The permission list, with the passwords of its protected lines.
rt::String PermissionListPath();

/// The session log.
rt::String SessionLogPath();

/// Every file the program keeps (permission list, log, a debug file): the
/// folders that hold them are never served.
std::vector<rt::String> ProgramFilePaths();
