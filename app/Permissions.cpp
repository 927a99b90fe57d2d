// The permission pass: for one request, every line of OkFile.Txt is taken,
// its folder searched, and each fitting file granted, refused for its password
// or stopped by the session's file limit. The list and the folders' names are
// read once a session and used again while unchanged (SessionListings); only
// a name that fits is looked at further.
#include <algorithm>
#include <cstring>

#include "Common/Linux/PathAccess.h"
#include "Common/runFolderItem.h"
#include "Common/StringFunctions.h"
#include "Universal/DateImp/Clocks.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/Descriptions.h"
#include "app/FileFailure.h"
#include "app/Interruption.h"
#include "app/LimitRefusals.h"
#include "app/ListedFolders.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/Places.h"
#include "app/ReportLines.h"
#include "app/SafeText.h"
#include "app/Session.h"
#include "app/SessionLog.h"
#include "app/WildcardMatch.h"

namespace {

// A permission line names a path (up to PATH_MAX) with its tokens: a longer
// line is no permission, and reading it whole would let one line take any
// amount of memory.
constexpr size_t kPermissionLineBytes = 8192;

// The granted file of the same device and inode, if one left in this session
// already: two lines that both fit a file, or two requests for it, send it once.
const std::pair<PathStamp, int64_t>* alreadySent(const Session& session, const PathStamp& file) {
    auto found = std::ranges::find_if(session.sent, [&](const auto& sent) { return sent.first.SameFile(file); });
    return found == session.sent.end() ? nullptr : &*found;
}

// A file that fits the request in the line's folder or one below it.
struct Found {
    ListedFolder* folder;  // the session's listing, which outlives the pass
    rt::String name;
    PathStamp stamp;
    bool below;            // in a subfolder: the report shows its full path
};

// Grants one file; gives false when the session's file limit was reached
// already, or a limit stopped the session's files here.
RunResult<bool> grant(Session& session, const rt::String& request, const Found& found,
                      const rt::String& separator) {
    RuntimeObject* app = session.app;
    const PathStamp& file = found.stamp;
    rt::String path = found.folder->grantFolder + separator + found.name;
    if (const auto* sent = alreadySent(session, file)) {
        // A file an earlier request had is found for this one too, so it is
        // not told it found nothing; but it is neither sent nor counted again.
        if (sent->second != session.requestNumber) ++session.foundCount;
        Debug(app, rt::String("Already sent ") + path);
        return true;
    }
    if (session.fileCount >= session.settings->maxFiles) {
        StdOut("   File Request Limit Exceeded");
        WriteLimitLine(session.packet, request);
        TRY(LogIt(app, rt::String("File Request Limit Exceeded")));
        Debug(app, "File Request Limit Exceeded");
        return false;
    }
    switch (TRY(CheckLimits(session, request, found.name, path, file.size, file.modified.tv_sec))) {
    case LimitCheck::KeepBack: return true;
    case LimitCheck::Stop: return false;
    case LimitCheck::Send: break;
    }
    ++session.fileCount;
    ++session.foundCount;
    session.sent.emplace_back(file, session.requestNumber);
    session.responseList.writeLine(rt::String("+") + path);
    TRY(CheckTextWrites(session.responseList, session.responsePath));
    TRY(LogIt(app, rt::String("Sending ") + path));
    Debug(app, rt::String("Sending ") + path);
    session.byteCount += file.size;
    rt::String description;
    if (session.settings->descriptions) {
        description = TRY(DescriptionOf(found.folder->path, found.name));
        if (!description.empty()) Debug(app, rt::String("Description: ") + description);
    }
    WriteGrantedLine(session.packet, request, found.below ? path : found.name, file.size, description);
    return true;
}

// Reads OkFile.Txt and takes its lines apart, unless the list read before is
// still the file as it is. A list that cannot be read is said everywhere, the
// caller told that nothing could be served, and Reported.
RunResult<> currentPermissionList(Session& session, const rt::String& separator) {
    PermissionList& list = session.permissions;
    RuntimeObject* app = session.app;
    if (list.path.empty()) {
        rt::FolderItem item = rt::FolderItem::at(PermissionListPath());
        if (item) list.path = item.absolutePath().str();
    }
    std::optional<PathStamp> now = list.path.empty() ? std::nullopt : StampOf(list.path);
    if (now && list.stamp && now->Unchanged(*list.stamp)) return {};
    list.stamp.reset();
    list.lines.clear();
    ErrorOr<rt::TextInputStream, FileFailure> opened = OpenTextToRead(PermissionListPath());
    if (opened.isError()) {
        StdOut("   OkFile.Txt Not Found");
        Debug(app, "OkFile.Txt Not Found");
        LogReason(app, "OkFile.Txt Not Found");
        ReportFailure(app, opened.error());
        WriteNotServedLine(session.packet, NotServed::All);
        return Reported{};
    }
    rt::TextInputStream okFile = opened.releaseValue();
    for (bool first = true; !okFile.eof(); first = false) {
        bool cut = false;
        rt::String read = okFile.readLine(kPermissionLineBytes, cut);
        TRY(SafePoint());
        if (cut) {
            rt::String message = rt::String("Line Too Long in OkFile: ") + Excerpt(read);
            StdOut(rt::String("   ") + message);
            Debug(app, message);
            TRY(LogIt(app, message));
            continue;
        }
        rt::String text = StripCommentAndTrim(first ? WithoutByteOrderMark(read) : read);
        if (text.empty()) continue;
        PermissionLine line = ParsePermissionLine(text, separator);
        if (line.namesFiles) session.filesHint = true;
        // The token lists are what --check reports on; serving reads the
        // folder, mask and password alone, and a list of 100,000 lines is
        // held for the whole session.
        line.pathTokens = {};
        line.ignored = {};
        // Lines in a row mostly share their folder: one copy of it serves them all.
        if (!list.lines.empty() && list.lines.back().folder.bytes() == line.folder.bytes())
            line.folder = list.lines.back().folder;
        list.lines.push_back(std::move(line));
    }
    okFile.close();
    list.stamp = now;
    return {};
}

// The entries of the folder that may fit both the line's mask and `target`:
// those of the folding of either when it has no wildcards, else all of them.
std::vector<uint32_t> candidates(ListedFolder& folder, const FolderNames& names, const rt::String& mask,
                                 const rt::String& target) {
    for (const rt::String* exact : {&target, &mask})
        if (MatchesOnlyItsOwnFolding(exact->bytes())) return FolderListings::Named(folder, exact->bytes());
    std::vector<uint32_t> all(names.entries.size());
    for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
}

// Where the files a folder's search finds go: granted as they are found, or,
// for an area whose conditions weigh them all, collected first.
struct Finds {
    const rt::String& request;
    const rt::String& separator;
    std::vector<Found>* collected = nullptr;
};

// Searches one listed folder for the files that fit both the line's mask and
// the target, may leave and pass the line's password. Gives false when the
// session's limits stopped it.
RunResult<bool> searchFolder(Session& session, ListedFolder& folder, const PermissionLine& line,
                             const rt::String& target, const rt::String& password, bool below, const Finds& finds) {
    RuntimeObject* app = session.app;
    const FolderNames* names = FolderListings::Names(folder);
    if (!names) {
        // A folder that is there but cannot be read is no empty one: the
        // sysop must hear of it, and the requester that the sysop did.
        int error = FolderAccessError(folder.path);
        rt::String message = rt::String("Unreadable Path in OkFile: ") +
                             (below ? rt::String(folder.path) : line.folder) + rt::String("/: ") +
                             rt::String(error ? std::strerror(error) : "cannot be read");
        StdOut(rt::String("   ") + message);
        Debug(app, message);
        TRY(LogIt(app, message));
        session.sysopTold = true;
        return true;
    }
    std::vector<uint32_t> fitting;
    double started = RuntimeMicroseconds();
    for (uint32_t index : candidates(folder, *names, line.mask, target)) {
        std::string_view name = names->NameOf(names->entries[index]);
        if (FitsMask(name, line.mask.bytes()) && FitsMask(name, target.bytes())) fitting.push_back(index);
    }
    AppAddMatchTime(app, started);
    for (uint32_t index : fitting) {
        const FolderNames::Entry& entry = names->entries[index];
        TRY(SafePoint());
        if (names->IsFolder(folder.path, entry)) continue;
        rt::String name(names->NameOf(entry));
        std::string path = folder.path == "/" ? "/" : folder.path + "/";
        rt::FolderItem file = rt::FolderItem::trueAt(rt::String(path + name.str()));
        if (!file) continue;
        if (rt::String why = WhyNotServable(file, name); !why.empty()) {
            Debug(app, rt::String("Skipped ") + name + rt::String(": ") + why);
            continue;
        }
        Debug(app, rt::String("Found ") + name);
        if (!line.password.empty() && !equalsIgnoringCase(password, line.password)) {
            Debug(app, "File Found.  Bad Password.");
            session.badPassword = true;
            continue;
        }
        if (line.lastTokenIsPlus) continue;
        std::optional<PathStamp> stamp = StampOf(path + name.str());
        if (!stamp) continue;
        Found fits{&folder, name, *stamp, below};
        if (finds.collected) finds.collected->push_back(fits);
        else if (!TRY(grant(session, finds.request, fits, finds.separator))) return false;
    }
    return true;
}

// The folders below `folder` to `depth` levels, searched as it is; links to
// folders are not followed, so the walk stays in the area's own tree.
RunResult<> searchBelow(Session& session, ListedFolder& folder, int32_t depth, const PermissionLine& line,
                        const rt::String& target, const rt::String& password, const Finds& finds) {
    const FolderNames* names = depth > 0 ? FolderListings::Names(folder) : nullptr;
    if (!names) return {};
    std::vector<std::string> subfolders;
    for (const FolderNames::Entry& entry : names->entries) {
        std::string_view name = names->NameOf(entry);
        if (name != "." && name != ".." && names->IsOwnFolder(folder.path, entry)) subfolders.emplace_back(name);
    }
    for (const std::string& name : subfolders) {
        TRY(SafePoint());
        if (session.PastDeadline()) return {};
        ListedFolder& below = session.folders.Check(rt::String(folder.path == "/" ? "/" + name : folder.path + "/" + name),
                                                     finds.separator, session.requestNumber);
        if (!below.usable || below.program || !MailerCanCarry(below.grantFolder)) continue;
        // The finds are collected here, so no limit can stop this search.
        TRY(searchFolder(session, below, line, target, password, true, finds));
        TRY(searchBelow(session, below, depth - 1, line, target, password, finds));
    }
    return {};
}

// Whether the area lets this caller have its files; when not, the request
// hears why, once for the line.
RunResult<bool> areaAdmits(Session& session, const AreaSetting& area, const rt::String& request) {
    const SrifCaller& caller = SrifCallerOf();
    const char* refusal = area.listedOnly && !caller.listed            ? "Listed Nodes Only"
                          : area.protectedOnly && !caller.protectedSession ? "Password-Protected Sessions Only"
                                                                          : nullptr;
    if (!refusal) return true;
    rt::String message = rt::String("Not Sent (") + request + rt::String("): area ") + rt::String(area.folder) +
                         rt::String(" is for ") + rt::String(refusal);
    StdOut(rt::String("   ") + message);
    Debug(session.app, message);
    TRY(LogIt(session.app, message));
    WriteAreaRefusedLine(session.packet, request, refusal);
    session.keptBack = true;
    return false;
}

// Grants what one line found: every file, or a magic name's newest in an
// area that asks for it. Gives false when the session's limits stopped it.
RunResult<bool> grantFound(Session& session, const PermissionLine& line, const AreaSetting& area,
                           std::vector<Found>& found, const rt::String& request, const rt::String& separator) {
    if (found.empty()) return true;
    if (!TRY(areaAdmits(session, area, request))) return true;
    if (area.newest && !line.magicName.empty()) {
        auto newer = [](const Found& a, const Found& b) {
            return a.stamp.modified.tv_sec != b.stamp.modified.tv_sec ? a.stamp.modified.tv_sec < b.stamp.modified.tv_sec
                                                                      : a.stamp.modified.tv_nsec < b.stamp.modified.tv_nsec;
        };
        Found newest = *std::max_element(found.begin(), found.end(), newer);
        found = {newest};
    }
    for (const Found& file : found)
        if (!TRY(grant(session, request, file, separator))) return false;
    return true;
}

} // namespace

RunResult<PassEnd> RunPermissionPass(Session& session, const rt::String& request, const rt::String& password) {
    RuntimeObject* app = session.app;
    rt::String separator = AppState(app)->FileSep;
    TRY(currentPermissionList(session, separator));
    ++session.requestNumber;
    Debug(app, "Reading OkFile");
    for (const PermissionLine& line : session.permissions.lines) {
        TRY(SafePoint());
        if (session.PastDeadline()) return PassEnd::OutOfTime;
        rt::String target;
        if (line.magicName.empty()) target = request;
        else if (equalsIgnoringCase(line.magicName, request)) target = line.mask;

        ListedFolder& folder = session.folders.Check(line.folder, separator, session.requestNumber);
        if (!folder.usable) {
            rt::String bad = line.folder + separator;
            StdOut(rt::String("   Bad Path in OkFile: ") + bad);
            Debug(app, rt::String("Bad Path in OkFile: ") + bad);
            TRY(LogIt(app, rt::String("Bad Path in OkFile: ") + bad));
            continue;
        }
        if (target.empty()) continue;
        if (folder.program) {
            Debug(app, rt::String("Program folder never served: ") + WithPasswordsHidden(line.text, PasswordTokens::All));
            continue;
        }
        // A mailer cuts a response line at its first blank: a file there
        // would be named by the cut path.
        if (!MailerCanCarry(folder.grantFolder)) {
            Debug(app, rt::String("Folder path a mailer cannot carry, never served: ") + folder.grantFolder);
            continue;
        }
        DebugPart(app, rt::String("Looking for '") + target + rt::String("'  Path=") + line.folder +
                           rt::String("   Mask=") + line.mask);
        Debug(app, line.password.empty() ? rt::String(" ") : rt::String("   Password=") + kHiddenPassword);
        const AreaSetting* area = AreaOf(*session.settings, line.folder);
        if (!area) {
            if (!TRY(searchFolder(session, folder, line, target, password, false, Finds{request, separator})))
                return PassEnd::FileLimitExceeded;
            continue;
        }
        std::vector<Found> found;
        Finds finds{request, separator, &found};
        TRY(searchFolder(session, folder, line, target, password, false, finds));
        TRY(searchBelow(session, folder, area->depth, line, target, password, finds));
        if (!TRY(grantFound(session, line, *area, found, request, separator))) return PassEnd::FileLimitExceeded;
    }
    Debug(app, "Done With OkFile");
    return PassEnd::Done;
}
