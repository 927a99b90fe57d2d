// qarvex --check: the permission list checked the way serving reads it.
#pragma once
#include <cstdint>

#include "Universal/Forward.h"

/// Checks the permission list and prints each finding with its line number;
/// gives the exit status, 0 when the list holds no error and 1 when it does
/// or cannot be read. Writes no file: a check changes nothing.
int32_t CheckPermissionList(RuntimeObject* app);

/// Whether users other than the permission list's owner and group may read
/// it, though it holds the passwords of protected lines.
bool PermissionListReadableByOthers();
