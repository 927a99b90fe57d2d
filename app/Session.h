// What one file request session holds while the run serves its requests.
#pragma once
#include <cstdint>

#include "Common/Ref.h"
#include "Universal/String.h"

struct Session {
    RuntimeObject* app = nullptr;
    rt::Ref<> packet;        // BinaryStream of the report packet
    rt::Ref<> responseList;  // TextOutputStream
    int32_t fileCount = 0;
    // The byte total is 64 bits wide, so a session of more than 2 GiB reports its true size.
    int64_t byteCount = 0;
    // The current request's outcome.
    int32_t foundCount = 0;
    bool badPassword = false;
    // Set when a permission line names the magic "Files"; kept for the whole run.
    bool filesHint = false;
};

/// How a permission pass ended.
enum class PassEnd {
    Done,
    FileLimitExceeded,
    PermissionListMissing,
};

/// Runs one permission pass for a request: grants the files OkFile.Txt allows it.
PassEnd RunPermissionPass(Session& session, const rt::String& request, const rt::String& password);
