// The permission pass: for one request, every line of OkFile.Txt is read, its
// folder searched, and each fitting file granted, refused for its password or
// stopped by the session's file limit.
#include "Common/runFolderItem.h"
#include "Common/runtimemainloop.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/FileFailure.h"
#include "app/ListedFolders.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/Places.h"
#include "app/ReportLines.h"
#include "app/Session.h"

namespace {

// A session grants at most this many files.
constexpr int32_t kFileLimit = 16;

struct PermissionLine {
    rt::String magicName;
    rt::String folder;
    rt::String mask;
    rt::String password;
    bool lastTokenIsPlus = false;
};

PermissionLine parseLine(const rt::String& text, const rt::String& separator, Session& session) {
    PermissionLine line;
    rt::String pathToken;
    std::vector<rt::String> tokens = SplitAtSpaces(text);
    for (const rt::String& token : tokens) {
        rt::String first = FirstCharacter(token);
        if (equalsIgnoringCase(first, "@")) {
            line.magicName = rt::mid(token, 2);
            if (equalsIgnoringCase(line.magicName, "Files")) session.filesHint = true;
        } else if (equalsIgnoringCase(first, "!")) {
            line.password = token;
        } else if (!equalsIgnoringCase(first, "+") && !equalsIgnoringCase(first, "$")) {
            pathToken = token;
        }
    }
    line.lastTokenIsPlus = equalsIgnoringCase(FirstCharacter(tokens.back()), "+");
    FolderAndMask parts = SplitFolderAndMask(pathToken, separator);
    line.folder = WithoutFinalSeparator(parts.folder, separator);
    line.mask = parts.mask;
    return line;
}

// The folder as the mailer must be told it. A relative folder (or none) names
// one in the application folder, but the mailer would take it against its own
// working folder, so it is given absolute.
rt::String folderForMailer(const rt::String& folder, const rt::FolderItem& item, const rt::String& separator) {
    if (equalsIgnoringCase(FirstCharacter(folder), separator)) return folder;
    rt::String absolute = item.absolutePath();
    return rt::leftBytes(absolute, int32_t(absolute.length()) - 1);  // its trailing "/" goes
}

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
        ReportFailure(app, failure);
        return PassEnd::PermissionListMissing;
    }
    Debug(app, "Reading OkFile");
    while (!okFile.eof()) {
        rt::String text = StripCommentAndTrim(okFile.readLine());
        RuntimeBackgroundTask();
        if (text.empty()) continue;
        PermissionLine line = parseLine(text, separator, session);

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
        rt::String grantFolder = folderForMailer(line.folder, folder, separator);

        if (IsProgramFolder(folder)) {
            Debug(app, rt::String("Program folder never served: ") + text);
            continue;
        }
        DebugPart(app, rt::String("Looking for '") + target + rt::String("'  Path=") + line.folder +
                           rt::String("   Mask=") + line.mask);
        Debug(app, line.password.empty() ? rt::String(" ") : rt::String("   Password=") + line.password);

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
