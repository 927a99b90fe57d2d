// qarvex --check: the permission list and the settings checked the way serving reads them.
#pragma once
#include <cstdint>

#include "Universal/Forward.h"
#include "app/RunFailure.h"

/// Checks the permission list, then the settings file when there is one, and
/// prints each finding with its line number; gives the exit status, 0 when
/// neither holds an error and 1 when one does or cannot be read. Writes no file: a check changes nothing.
RunResult<int32_t> CheckPermissionList(RuntimeObject* app);

/// Whether users other than the permission list's owner and group may read
/// it, though it holds the passwords of protected lines.
bool PermissionListReadableByOthers();
