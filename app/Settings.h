// qarvex.conf: the sysop's settings beside the permission list, one
// "Key value" a line, read once a run. A setting left out, or the whole file
// absent, leaves the behaviour it governs as it is without one.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Common/String.h"
#include "Universal/Forward.h"
#include "app/AddressPattern.h"
#include "app/RunFailure.h"

/// The files a session grants when no MaxFiles is set.
inline constexpr int32_t kSessionFileLimit = 16;
/// The wall time a session may serve when no SessionSeconds is set.
inline constexpr int32_t kDefaultSessionSeconds = 60;
/// What a count a setting leaves unlimited holds.
inline constexpr int64_t kUnlimited = -1;

/// A `Limit` line: what the callers its pattern names may take in one UTC day.
struct CallerLimit {
    std::string pattern;  // as written
    AddressPattern parsed;
    int64_t files = 0;
    int64_t bytes = 0;
};

/// An `Area` line: conditions for the permission lines whose folder is `folder`.
struct AreaSetting {
    std::string folder;            // as the permission lines write it, without a final "/"
    bool listedOnly = false;       // only callers in the nodelist (SystemStatus LISTED)
    bool protectedOnly = false;    // only sessions with the node's password (RemoteStatus PROTECTED)
    int32_t depth = 0;             // subfolders searched below it
    bool newest = false;           // a magic name gives only its newest file
    int32_t line = 0;              // where the file sets it
};

/// The deepest subfolder an Area may search: a tree deeper than this is no file area.
inline constexpr int32_t kMostAreaDepth = 10;

struct Settings {
    int32_t maxFiles = kSessionFileLimit;
    int64_t maxBytes = kUnlimited;
    int64_t badPasswords = kUnlimited;
    int32_t sessionSeconds = kDefaultSessionSeconds;
    bool updateRequests = false;
    bool descriptions = false;  // a granted file's report line carries its description
    std::vector<AreaSetting> areas;
    std::vector<CallerLimit> limits;  // in the file's order: the first that fits a caller governs it
};

/// One thing wrong with a line of the file, which leaves the line unused.
struct SettingsFinding {
    int32_t line;
    std::string text;
};

/// Takes one line of the file (as read, comment and blanks included) into
/// `settings`; a line it cannot use adds a finding and changes nothing.
void ReadSettingLine(Settings& settings, std::string_view line, int32_t number,
                     std::vector<SettingsFinding>& findings);

/// Reads the settings file into `settings`; gives whether there is one (an
/// empty one is). An absent or empty file is no fault; one that is there but
/// cannot be read fails.
RunResult<bool> ReadSettingsFile(Settings& settings, std::vector<SettingsFinding>& findings);

/// The Area for the permission lines of `folder`; nullptr when none names it.
const AreaSetting* AreaOf(const Settings& settings, const rt::String& folder);

/// The settings of this run, read on first use; each finding goes to the
/// debug file and the log. A file that is there but cannot be read fails the
/// run: serving without the limits the sysop set is no answer.
RunResult<const Settings*> RunSettings(RuntimeObject* app);
