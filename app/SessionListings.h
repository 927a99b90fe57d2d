// What a session keeps between its requests: the permission list taken apart
// once, and each listed folder's names read once. Each is used again only
// while one `stat` a request shows it unchanged, so a request sees a file
// added or removed before it exactly as a fresh walk would. All of it goes
// with the session.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Common/Linux/FolderNames.h"
#include "Common/String.h"
#include "app/PermissionLines.h"

/// OkFile.Txt as the session read it last.
struct PermissionList {
    std::string path;  // absolute
    std::optional<PathStamp> stamp;
    std::vector<PermissionLine> lines;
};

/// A folder a permission line names, as this request finds it.
struct ListedFolder {
    std::string path;       // absolute, without a final "/" (but the root's)
    rt::String grantFolder; // the folder as the mailer is told it
    bool usable = false;    // a folder now
    bool program = false;   // the program's own folder or one of its files' folders, never served
    bool place = false;     // one of the folders of the program's files
    int64_t checkedFor = -1;  // the request whose stat the two flags above give
    std::optional<PathStamp> stamp;
    std::optional<FolderNames> names;
    // Entry indexes by the hash of the matcher's folding of their names,
    // sorted, made on the first request for an exact name: 12 bytes an entry.
    std::vector<std::pair<uint64_t, uint32_t>> byFoldedName;
};

/// The session's listed folders, by the folder text of the permission lines.
class FolderListings {
public:
    /// The folder `folder` of a permission line as request `request` finds
    /// it: looked at with one `stat` per request, however many lines name it.
    ListedFolder& Check(const rt::String& folder, const rt::String& separator, int64_t request);
    /// The folder's names, read again only when the folder changed since
    /// they were read; none when it cannot be read.
    static const FolderNames* Names(ListedFolder& folder);
    /// The indexes of the entries whose name is `name` under the matcher's
    /// folding, in directory order.
    static std::vector<uint32_t> Named(ListedFolder& folder, std::string_view name);

private:
    std::unordered_map<std::string, ListedFolder> folders_;
    std::optional<PathStamp> program_;
    bool programKnown_ = false;
};
