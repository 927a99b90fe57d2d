// Where qarvex keeps its own files: the permission list and settings, the log,
// the debug files and the callers' day counts. A build without an install
// layout keeps them all in the folder
// of its executable (relative names, which the runtime takes from there); an
// installed build is given absolute folders when it is configured
// (QARVEX_CONFIG_DIR, QARVEX_LOG_DIR, QARVEX_STATE_DIR), as a Unix daemon
// keeps configuration, logs and state apart from its read-only program.
#pragma once
#include <string>

#include "Common/FolderItem.h"
#include "Common/String.h"

/// The permission list's path: "OkFile.Txt", or the configuration folder's.
rt::String PermissionListPath();

/// The settings file's path: "qarvex.conf" beside the permission list.
rt::String SettingsPath();

/// The per-caller day counts' path: "qarvex.counts", or in the state folder.
rt::String CallerCountsPath();

/// The session log's path: "QARVEX.Log", or the log folder's.
rt::String LogPath();

/// The path of the debug file named `name`: the name itself, or in the state folder.
rt::String DebugFilePath(const rt::String& name);

/// Whether `folder` is one of the folders the three files live in, which hold
/// passwords and traces and so are never served.
bool IsPlaceFolder(const rt::FolderItem& folder);

/// The places in force, one line each, for `--version`; usable before the runtime starts.
std::string PlacesText();
