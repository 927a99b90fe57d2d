// The files the program keeps for itself: the permission list with its
// passwords, the session log, the debug files and the program. None of them
// is ever served, written over or deleted, whatever name or link reaches it.
#pragma once
#include "Common/String.h"

/// Whether `path` reaches a kept file: the same file (device and inode, by any
/// name, through any link), or a name where one of them lies or would be made.
bool IsKeptFile(const rt::String& path);
