// The permission pass: for one request, every line of OkFile.Txt is read, its
// folder searched, and each fitting file granted, refused for its password or
// stopped by the session's file limit.
#include <cstring>

#include "Common/Linux/PathAccess.h"
#include "Common/runFolderItem.h"
#include "Common/runtimemainloop.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/FileFailure.h"
#include "app/KeptFiles.h"
#include "app/ListedFolders.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/Places.h"
#include "app/ReportLines.h"
#include "app/SafeText.h"
#include "app/Session.h"

namespace {

// A session grants at most this many files.
constexpr int32_t kFileLimit = 16;

// Grants one file, or gives the limit signal when 16 were granted already.
bool grant(Session& session, const rt::String& request, const rt::String& folder, const rt::FolderItem& entry,
           const rt::String& separator, const rt::TextInputStream& okFile) {
    RuntimeObject* app = session.app;
    if (session.fileCount >= kFileLimit) {
        StdOut("   File Request Limit Exceeded");
        WriteLimitLine(session.packet, request);
        AppLogIt(app, rt::String("File Request Limit Exceeded"));
        Debug(app, "File Request Limit Exceeded");
        okFile.close();
        return false;
    }
    ++session.fileCount;
    ++session.foundCount;
    rt::String name = entry.name();
    rt::String path = folder + separator + name;
    session.responseList.writeLine(rt::String("+") + path);
    CheckTextWrites(session.responseList, session.responsePath);
    AppLogIt(app, rt::String("Sending ") + path);
    Debug(app, rt::String("Sending ") + path);
    int64_t length = entry.length();
    session.byteCount += length;
    WriteGrantedLine(session.packet, request, name, length);
    return true;
}

} // namespace

PassEnd RunPermissionPass(Session& session, const rt::String& request, const rt::String& password) {
    RuntimeObject* app = session.app;
    rt::String separator = rt::String::retain(AppState(app)->FileSep);
    FileFailure failure;
    rt::TextInputStream okFile = OpenTextToRead(PermissionListPath(), failure);
    if (!okFile) {
        StdOut("   OkFile.Txt Not Found");
        Debug(app, "OkFile.Txt Not Found");
        LogReason(app, "OkFile.Txt Not Found");
        ReportFailure(app, failure);
        return PassEnd::PermissionListMissing;
    }
    Debug(app, "Reading OkFile");
    for (bool first = true; !okFile.eof(); first = false) {
        rt::String raw = okFile.readLine();
        rt::String text = StripCommentAndTrim(first ? WithoutByteOrderMark(raw) : raw);
        RuntimeBackgroundTask();
        if (text.empty()) continue;
        PermissionLine line = ParsePermissionLine(text, separator);
        if (line.namesFiles) session.filesHint = true;

        rt::String target;
        if (line.magicName.empty()) target = request;
        else if (equalsIgnoringCase(line.magicName, request)) target = line.mask;

        rt::FolderItem folder = rt::FolderItem::get(line.folder);
        if (!folder || !folder.directory()) {
            rt::String bad = line.folder + separator;
            StdOut(rt::String("   Bad Path in OkFile: ") + bad);
            Debug(app, rt::String("Bad Path in OkFile: ") + bad);
            AppLogIt(app, rt::String("Bad Path in OkFile: ") + bad);
            continue;
        }
        if (target.empty()) continue;
        rt::String grantFolder = FolderForMailer(line.folder, folder, separator);

        if (IsProgramFolder(folder)) {
            Debug(app, rt::String("Program folder never served: ") + WithPasswordsHidden(text, PasswordTokens::All));
            continue;
        }
        // A mailer cuts a response line at its first blank: a file there
        // would be named by the cut path.
        if (!MailerCanCarry(grantFolder)) {
            Debug(app, rt::String("Folder path a mailer cannot carry, never served: ") + grantFolder);
            continue;
        }
        if (int error = FolderAccessError(folder.absolutePath().str())) {
            rt::String message = rt::String("Unreadable Path in OkFile: ") + line.folder + separator +
                                 rt::String(": ") + rt::String(std::strerror(error));
            StdOut(rt::String("   ") + message);
            Debug(app, message);
            AppLogIt(app, message);
            session.sysopTold = true;
            continue;
        }
        DebugPart(app, rt::String("Looking for '") + target + rt::String("'  Path=") + line.folder +
                           rt::String("   Mask=") + line.mask);
        Debug(app, line.password.empty() ? rt::String(" ") : rt::String("   Password=") + kHiddenPassword);

        int32_t count = folder.count();
        for (int32_t i = 1; i <= count; ++i) {
            rt::FolderItem entry = ListedFile(folder, i);
            RuntimeBackgroundTask();
            if (!entry) continue;
            rt::String name = entry.name();
            if (!AppItsaMatch(app, name, line.mask) || !AppItsaMatch(app, name, target)) continue;
            if (rt::String why = WhyNotServable(entry, name); !why.empty()) {
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
            if (!grant(session, request, grantFolder, entry, separator, okFile))
                return PassEnd::FileLimitExceeded;
        }
    }
    Debug(app, "Done With OkFile");
    okFile.close();
    return PassEnd::Done;
}
