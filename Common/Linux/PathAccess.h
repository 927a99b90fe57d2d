// Whether the user running the program may use a path: asked of the kernel,
// so that a check can give the system's own reason for a refusal.
#pragma once
#include <string>

/// 0 when the user running the program may list the folder at `path` and
/// open what it holds (read and search); otherwise the system's error number.
int FolderAccessError(const std::string& path);
