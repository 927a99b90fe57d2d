// What one file request session holds while the run serves its requests.
#pragma once
#include <cstdint>

#include "Common/BinaryStream.h"
#include "Common/FolderItem.h"
#include "Common/TextOutputStream.h"
#include "Common/String.h"

struct Session {
    RuntimeObject* app = nullptr;
    // Both streams are empty once closed.
    rt::BinaryStream packet;
    rt::TextOutputStream responseList;
    // The two files the session made for the mailer, by full path, so that a
    // failed session can take them back.
    rt::FolderItem packetItem;
    rt::FolderItem responseItem;
    rt::String packetPath;
    rt::String responsePath;
    // Whether this run made the response list; one that stood before is never removed.
    bool responseCreated = false;
    int32_t fileCount = 0;
    // The byte total is 64 bits wide, so a session of more than 2 GiB reports its true size.
    int64_t byteCount = 0;
    // The current request's outcome.
    int32_t foundCount = 0;
    bool badPassword = false;
    // Set when a listed folder could not be read: the report says that some
    // requests could not be served and that the sysop has been told (the log).
    bool sysopTold = false;
    // Set when a permission line names the magic "Files"; kept for the whole run.
    bool filesHint = false;
};

/// How a permission pass ended.
enum class PassEnd {
    Done,
    FileLimitExceeded,
    PermissionListMissing,
};

/// Serves one file request session after InitSRIF: the packet, the response
/// list and every request. Gives whether it ended well; throws FileFailure when
/// a file cannot be made or written (the packet and response list are then
/// removed) and Interrupted on a termination signal (both are then closed whole).
bool ServeSession(RuntimeObject* app, const rt::String& ownAddress);

/// Runs one permission pass for a request: grants the files OkFile.Txt allows it.
PassEnd RunPermissionPass(Session& session, const rt::String& request, const rt::String& password);
