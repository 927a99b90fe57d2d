// How app code fails. Whatever can fail gives ErrorOr<T, RunFailure>: its
// value, or why the run cannot go on. TRY hands a failure up unchanged, so it
// reaches the Run event, which reports it once and ends by the error exit.
// Only the methods of App's class table keep their True-for-failure Booleans,
// as the table fixes them; they turn a result into one at their boundary.
#pragma once
#include <cstdint>
#include <variant>

#include "Universal/ErrorOr.h"
#include "Universal/Forward.h"
#include "Common/String.h"

/// What the run could not do with a file.
enum class FileAction { Open, Create, Write };

/// A file the run could not use: its session's packet and response list are taken back.
struct FileFailure {
    FileAction action;
    rt::String path;  // the full path
    int32_t error;    // the C library's error number; 0 for a file that is empty
};

/// A termination signal (SIGTERM, SIGINT, SIGQUIT, SIGHUP) met at a safe
/// point: the session closes what it granted so far whole.
struct Interrupted {
    int signal;
};

/// A failure said already where it was found (a file the run reads is
/// missing, a session is refused): nothing is left to say, and a session
/// closes its packet and response list whole, so the caller hears why.
struct Reported {};

/// Why the run cannot go on.
using RunFailure = std::variant<FileFailure, Interrupted, Reported>;

/// The result of app code that can fail.
template <typename T = void>
using RunResult = ErrorOr<T, RunFailure>;

/// Says a failure on standard output, in the debug file and in the log, as
/// the run ends by it; a failure Reported already says nothing more.
void ReportRunFailure(RuntimeObject* app, const RunFailure& failure);

/// The Boolean of a class-table method: True when `result` failed, said first.
bool FailedAtBoundary(RuntimeObject* app, const RunResult<>& result);
