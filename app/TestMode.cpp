// TestOkFile: checks that every folder the permission list names exists and
// holds at least one plain file that fits the line's mask.
#include <cstring>

#include "Common/Linux/PathAccess.h"
#include "Common/runFolderItem.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Universal/NumberText.h"
#include "Universal/StringUtils.h"
#include "Common/Ref.h"
#include "app/App.h"
#include "app/ConfigCheck.h"
#include "app/FileFailure.h"
#include "app/Interruption.h"
#include "app/KeptFiles.h"
#include "app/ListedFolders.h"
#include "app/NeverServed.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/Places.h"
#include "app/SafeText.h"
#include "app/SessionLog.h"

namespace {

// The text of the line that names the folder to test. A magic-name line too
// short to hold its path gives the empty text: the program's folder.
rt::String entryText(const std::vector<rt::String>& tokens, const rt::String& line) {
    rt::String first = FirstCharacter(tokens[0]);
    if (equalsIgnoringCase(first, "@")) {
        size_t pathIndex = tokens.size() > 1 && equalsIgnoringCase(FirstCharacter(tokens[1]), "!") ? 2 : 1;
        return pathIndex < tokens.size() ? tokens[pathIndex] : rt::String();
    }
    // A line that opens with its password lists the path after it.
    if (equalsIgnoringCase(first, "!")) return tokens.size() > 1 ? tokens[1] : rt::String();
    if (equalsIgnoringCase(first, "$")) {
        StdOut("$ Function Requests Not Supported");
        return line;
    }
    if (equalsIgnoringCase(first, "+")) {
        StdOut("+ Function Requests Not Supported");
        return line;
    }
    return tokens[0];
}

// Shows one broken entry on standard output and in the debug file; gives the error it counts.
int brokenEntry(RuntimeObject* app, const rt::String& message) {
    StdOut(message);
    Debug(app, message);
    return 1;
}

// Tests one line; gives the number of errors it shows (0 or 1; a line whose
// folder holds files never served counts one, whatever else it shows).
RunResult<int> testLine(RuntimeObject* app, const rt::String& rawLine, const rt::String& separator) {
    rt::String line = StripCommentAndTrim(rawLine);
    if (line.empty()) return 0;
    FolderAndMask parts = SplitFolderAndMask(entryText(SplitAtSpaces(line), line), separator);
    rt::FolderItem folder = rt::FolderItem::at(WithoutFinalSeparator(parts.folder, separator));
    // A line without a folder ("/", a bare "@FILES") names the program's own.
    if (folder && folder.directory() && IsProgramFolder(folder))
        return brokenEntry(app, rt::String("Line ") + WithPasswordsHidden(line, PasswordTokens::All) +
                                    rt::String(" Names the Program Folder, Never Served"));
    // Text made of a line's tokens hides its passwords: a "$" or "+" line is shown whole.
    auto shown = [](const rt::String& text) { return WithPasswordsHidden(text, PasswordTokens::All); };
    if (!folder || !folder.exists()) return brokenEntry(app, shown(rt::String("Path ") + parts.folder + rt::String(" Not Found")));
    // A folder this user cannot read is no missing one: the system's reason says what to change.
    if (int error = folder.directory() ? FolderAccessError(folder.absolutePath().str()) : 0)
        return brokenEntry(app, shown(rt::String("Path ") + parts.folder + rt::String(": ") + rt::String(std::strerror(error))));
    int neverServed = TRY(NameNeverServed(app, folder, parts.mask)) > 0 ? 1 : 0;
    if (TRY(HoldsAFittingFile(app, folder, parts.mask))) return neverServed;
    return brokenEntry(app, shown(rt::String("File ") + parts.folder + rt::String("/") + parts.mask + rt::String(" Not Found")));
}

} // namespace

bool AppTestOkFile(RuntimeObject* app) { return FailedAtBoundary(app, TestPermissionList(app)); }

RunResult<> TestPermissionList(RuntimeObject* app) {
    TRY(LogIt(app, "Test Mode - Checking OkFile.Txt"));
    Debug(app, "Start Test Mode");
    ErrorOr<rt::TextInputStream, FileFailure> opened = OpenTextToRead(PermissionListPath());
    if (opened.isError()) {
        StdOut("OkFile.Txt Not Found");
        TRY(LogIt(app, "OkFile.Txt Not Found"));
        Debug(app, "OkFile.Txt Not Found");
        ReportFailure(app, opened.error());
        return Reported{};
    }
    rt::TextInputStream okFile = opened.releaseValue();
    StdOut("Testing OkFile.Txt entries");
    Debug(app, "Testing OkFile.Txt entries");
    if (PermissionListReadableByOthers()) {
        rt::String message("Warning: OkFile.Txt Is Readable by Every User, and It Holds Passwords");
        StdOut(message);
        Debug(app, message);
    }
    rt::String separator = AppState(app)->FileSep;
    int16_t errors = 0;
    for (bool first = true; !okFile.eof(); first = false) {
        rt::String line = okFile.readLine();
        if (first) line = WithoutByteOrderMark(line);
        errors = int16_t(errors + TRY(testLine(app, line, separator)));
        TRY(SafePoint());
    }
    okFile.close();
    if (errors > 0) {
        rt::String found = rt::String("Found ") + rt::String::adopt(StringStrInt32(errors)) + rt::String(" Errors");
        TRY(LogIt(app, found));
        Debug(app, found);
    } else {
        StdOut("No Errors");
        TRY(LogIt(app, "No Errors"));
        Debug(app, "No Errors");
    }
    TRY(LogIt(app, "End"));
    Debug(app, "End Test Mode");
    return {};
}
