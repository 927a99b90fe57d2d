// What one file request session holds while the run serves its requests.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "Common/BinaryStream.h"
#include "Common/FolderItem.h"
#include "Common/TextOutputStream.h"
#include "Common/String.h"
#include "app/RunFailure.h"
#include "app/SessionListings.h"
#include "app/Settings.h"

/// An update request's condition: the file goes only when its modification
/// time (Unix seconds) is newer (+) or older (-) than `time`.
struct UpdateCondition {
    enum Kind { None, Newer, Older } kind = None;
    int64_t time = 0;
};

struct Session {
    RuntimeObject* app = nullptr;
    const Settings* settings = nullptr;
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
    // The current request's update condition, when update requests are honoured.
    UpdateCondition update;
    // The current request's outcome.
    int32_t foundCount = 0;
    bool badPassword = false;
    // Set when a setting kept back a file the request found; its refusal
    // was reported with the file, so the request is not "not found".
    bool keptBack = false;
    // The Limit line that governs the caller (none when no line fits it), and
    // the address its day is counted under.
    const CallerLimit* callerLimit = nullptr;
    std::string caller;
    // Why a limit ended the session's requests, when one did; the file limit's reason otherwise.
    rt::String stopWhy;
    // The requests that ended "Bad or Missing Password" so far.
    int64_t badPasswordCount = 0;
    // Set when a listed folder could not be read: the report says that some
    // requests could not be served and that the sysop has been told (the log).
    bool sysopTold = false;
    // Set when a permission line names the magic "Files"; kept for the whole run.
    bool filesHint = false;

    // Read once, used by every request while unchanged; released with the session.
    PermissionList permissions;
    FolderListings folders;
    int64_t requestNumber = 0;  // the permission passes run so far
    // The files granted, by device and inode, so that none is sent twice, and
    // the request (its pass number) that had each.
    std::vector<std::pair<PathStamp, int64_t>> sent;

    // The wall time (RuntimeMicroseconds) past which no request is served, and its seconds.
    double deadline = 0;
    int32_t seconds = 0;
    bool PastDeadline() const;
};

/// The seconds a session may serve: `configured`, but never more than the
/// SRIF's `Time` minutes when they are given (not negative).
int32_t SessionSeconds(int32_t configured, int32_t srifMinutes);

/// How a permission pass that did not fail ended: every line taken, or the
/// session's requests stopped here.
enum class PassEnd {
    Done,
    FileLimitExceeded,  // the file limit, or a limit that session.stopWhy names
    OutOfTime,
};

/// Serves one file request session after InitSRIF: the packet, the response
/// list and every request, for at most `seconds` of wall time. A file that
/// cannot be made or written fails it and takes the packet and response list
/// back; an interruption, or a session Reported (refused, or missing its
/// request list or OkFile.Txt), closes both whole.
RunResult<> ServeSession(RuntimeObject* app, const rt::String& ownAddress, int32_t seconds);

/// Runs one permission pass for a request: grants the files OkFile.Txt allows
/// it. An OkFile.Txt that cannot be read is Reported.
RunResult<PassEnd> RunPermissionPass(Session& session, const rt::String& request, const rt::String& password);
