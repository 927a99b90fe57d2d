// The limits the settings put on a file about to be granted: an update
// request's time, the session's bytes and the caller's day. Each refusal is said on standard output, in the
// report, the log and the debug file, with the limit and what is left of it.
#pragma once
#include <cstdint>

#include "Common/String.h"
#include "app/RunFailure.h"

struct Session;

enum class LimitCheck {
    Send,      // within every limit (and counted against the caller's day)
    KeepBack,  // this file is not newer or older as asked, or passes a byte limit; another may still go
    Stop,      // no file can go any more: the session's requests end here (session.stopWhy says why)
};

/// Checks the file `name` (at `path`, of `size` bytes, modified at `modified`
/// Unix seconds) found for `request`.
RunResult<LimitCheck> CheckLimits(Session& session, const rt::String& request, const rt::String& name,
                                  const rt::String& path, int64_t size, int64_t modified);
