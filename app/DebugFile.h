// The run's debug file: DebugNNN.Txt in the state folder (Places.h), the first free
// number from 001 (a fourth digit and more once 999 are kept), kept after a
// run that fails; the newest 100 kept files stay, older ones go.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "Common/FolderItem.h"
#include "Common/TextOutputStream.h"
#include "Common/String.h"
#include "app/RunFailure.h"

/// How many kept debug files stay: the newest, counted with the one just kept.
inline constexpr size_t kKeptDebugFiles = 100;

/// The name of debug file `number`: "Debug" + at least three digits + ".Txt".
rt::String DebugFileName(int32_t number);

/// Whether `name` is a debug file's: "Debug", three or more digits, ".Txt".
bool IsDebugFileName(std::string_view name);

/// The folder the debug files lie in.
rt::FolderItem DebugFolder();

/// The debug files in DebugFolder, as their own items (a link not followed).
std::vector<rt::FolderItem> DebugFiles();

/// Creates the run's debug file, readable by its owner and group only, and
/// gives its stream; the failure names the file tried last.
ErrorOr<rt::TextOutputStream, FileFailure> CreateDebugFile();

/// Deletes the debug file of a run that ended well.
void DeleteDebugFile();

/// Says where the trace of a failed run is kept, or that there is none, and
/// removes the kept debug files past the newest kKeptDebugFiles.
void ReportKeptDebugFile();
