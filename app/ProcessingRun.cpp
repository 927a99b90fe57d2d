// The Run event: one whole processing run, from the debug file to the exit
// code. TEST mode checks the permission list; SRIF mode serves one session.
#include "Common/DateCommon.h"
#include "Common/StandardStreams.h"
#include "Common/array.h"
#include "Common/runFolderItem.h"
#include "Common/runtimemainloop.h"
#include "Universal/Clocks.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Universal/NumberText.h"
#include "Universal/StringSearch.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/DebugFile.h"
#include "app/NewFiles.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/ReportLines.h"
#include "app/ReportPacket.h"
#include "app/Session.h"

namespace {

// The exit status of a run that ended without success, so that the mailer and
// the sysop's scripts see the failure.
constexpr int32_t kErrorExitStatus = 1;

struct Run {
    RuntimeObject* app;
    std::vector<rt::String> args;  // the arguments, the runtime's empty last element dropped
    rt::String debugFileName;
    bool testMode = false;
    bool success = false;
};

rt::String argumentAt(RuntimeArray* args, int32_t index) {
    auto get = reinterpret_cast<RTString (*)(RuntimeArray*, int32_t)>(args->operations->slots[kSlotGet]);
    return rt::String::adopt(get(args, index));
}

rt::String decimal(int64_t value) { return rt::String::adopt(StringStrInt64(value)); }

AppFields& state(RuntimeObject* app) { return *AppState(app); }

void setProperty(RTString& property, const rt::String& value) {
    RuntimeLockUnlockStrings(value.get(), property);
    property = value.get();
}

// The request list line: the name, then an optional "!password" token (the last one wins).
void parseRequest(const rt::String& line, rt::String& name, rt::String& password) {
    std::vector<rt::String> tokens = SplitAtSpaces(line);
    name = tokens.empty() ? rt::String() : tokens[0];
    for (size_t i = 1; i < tokens.size(); ++i)
        if (FirstCharacter(tokens[i]) == rt::String("!")) password = tokens[i];
}

bool holds(const rt::String& text, const char* part) {
    return StringInStr(1, text.get(), rt::String(part).get()) != 0;
}

// The report packet lies in the response list's folder.
rt::String packetPath(const rt::String& responseList, const rt::String& separator, const rt::String& packetName) {
    int32_t last = LastSeparator(responseList, separator);
    if (last == 0) return packetName;
    return rt::String::adopt(StringLeft(responseList.get(), last)) + packetName;
}

// Serves the requests of the list one by one. Gives false when OkFile.Txt
// could not be used, which ends the run by its error exit.
bool serveRequests(Session& session, RuntimeObject* requestList, int32_t& searchMicroseconds, double searchStart) {
    RuntimeObject* app = session.app;
    while (!TextInputStreamEOF(requestList)) {
        rt::String line = rt::String::adopt(TextInputStreamReadLine(requestList, nullptr));
        AppLogIt(app, (rt::String("File Request: ") + line).get());
        Debug(app, rt::String("File Request: ") + line);
        rt::String name, password;
        parseRequest(line, name, password);
        if (holds(name, "/") || holds(name, "..")) {
            WriteInvalidCharactersLine(session.packet.get(), name);
            name = rt::String();
        }
        switch (RunPermissionPass(session, name, password)) {
        case PassEnd::PermissionListMissing: return false;
        case PassEnd::FileLimitExceeded: return true;
        case PassEnd::Done: break;
        }
        if (session.foundCount == 0 && session.badPassword) {
            StdOut(rt::String("   Requested File (") + name + rt::String(") Bad or Missing Password"));
            WriteBadPasswordLine(session.packet.get(), name);
            AppLogIt(app, rt::String("Bad or Missing Password").get());
        } else if (session.foundCount == 0) {
            StdOut(rt::String("   Requested File (") + name + rt::String(") Not Found"));
            WriteNotFoundLine(session.packet.get(), name);
            AppLogIt(app, rt::String("File Not Found").get());
            Debug(app, "Requested file not found");
        } else {
            StdOut(rt::String("   Requested File (") + name + rt::String(")    Found ") + decimal(session.foundCount));
        }
        session.foundCount = 0;
        session.badPassword = false;
    }
    Debug(app, "No more requests to process");
    searchMicroseconds = MicrosecondsBetween(searchStart, RuntimeMicroseconds());
    return true;
}

// SRIF mode after InitSRIF: the session from the packet to the totals. Gives
// whether it ended well.
bool serveSession(Run& run) {
    RuntimeObject* app = run.app;
    AppFields& f = state(app);
    const rt::String& ownAddress = run.args[2];
    Session session;
    session.app = app;

    AppLogIt(app, (rt::String("Processing File Request From ") + rt::String::retain(f.FidoAddr)).get());
    RTString packetNameRecord = nullptr;
    bool bad = AppInitMsg(app, ownAddress.get(), f.FidoAddr, &packetNameRecord);
    rt::String packetName = rt::String::adopt(packetNameRecord);
    if (bad) return false;

    rt::String separator = rt::String::retain(f.FileSep);
    rt::String responseName = rt::String::retain(f.RspFileName);
    rt::String requestName = rt::String::retain(f.ReqFileName);
    // The packet is created before its path is shown: when another session
    // took the name, the next number is used, and that is the path to show.
    rt::String reportPath = packetPath(responseName, separator, packetName);
    rt::Ref<> packetItem;
    NewFile created;
    while ((created = CreateNewFile(reportPath, packetItem)) == NewFile::NameTaken) {
        packetName = NextPacketFileName(packetName);
        reportPath = packetPath(responseName, separator, packetName);
    }
    StdOut(rt::String("   Request File   ") + requestName);
    StdOut(rt::String("   Response File  ") + responseName);
    StdOut(rt::String("   Report File    ") + reportPath);
    if (created == NewFile::NoItem) {
        Debug(app, rt::String("Unable to create ") + reportPath);
        return false;
    }
    session.packet = rt::Ref<>::adopt(created == NewFile::Created ? OpenNewBinaryFile(packetItem.get()) : nullptr);
    Require(session.packet.get());
    WritePacketStart(app, session.packet.get(), ownAddress);
    WriteReportHeading(session.packet.get());

    // From here on an error exit still ends the message and the packet, so the
    // mailer never sends a truncated packet.
    auto endPacket = [&session] {
        WritePacketEnd(session.packet.get());
        BinaryStreamClose(session.packet.get());
    };

    rt::Ref<> responseItem = rt::Ref<>::adopt(RuntimeGetFolderItem(responseName.get(), kNativePath));
    if (!responseItem) {
        Debug(app, rt::String("Unable to create ") + responseName);
        endPacket();
        return false;
    }
    session.responseList = rt::Ref<>::adopt(FolderItemCreateTextFile(responseItem.get()));
    TextOutputStreamWriteLine(Require(session.responseList.get()), (rt::String("-") + reportPath).get());

    rt::Ref<> requestItem = rt::Ref<>::adopt(RuntimeGetFolderItem(requestName.get(), kNativePath));
    if (!requestItem || !FolderItemIsCurrentlyReadable(requestItem.get()) || fileSizeGetter(requestItem.get()) == 0) {
        StdOut(rt::String("   ") + requestName + rt::String(" Not Found"));
        Debug(app, requestName + rt::String(" Not Found"));
        endPacket();
        TextOutputStreamClose(session.responseList.get());
        return false;
    }
    Debug(app, "Reading .Req File");
    rt::Ref<> requestList = rt::Ref<>::adopt(FolderItemOpenTextFile(requestItem.get()));
    Require(requestList.get());
    double searchStart = RuntimeMicroseconds();
    int32_t searchMicroseconds = 0;

    if (!serveRequests(session, requestList.get(), searchMicroseconds, searchStart)) {
        endPacket();
        TextOutputStreamClose(session.responseList.get());
        return false;
    }

    StdOut(rt::String("Match Timer = ") + rt::String::adopt(StringStrDouble(f.T_Match / 1000000.0)));
    StdOut(rt::String("Total Search Time = ") + rt::String::adopt(StringStrDouble(searchMicroseconds / 1000000.0)));
    StdOut(rt::String(">> F'Req Processing Complete. Queue'd = ") + decimal(session.fileCount));
    WriteTotals(session.packet.get(), session.fileCount, session.byteCount);
    if (session.filesHint) WriteFilesHint(session.packet.get());
    WritePacketEnd(session.packet.get());
    Debug(app, "Finished building .Pkt");
    TextInputStreamClose(requestList.get());
    BinaryStreamClose(session.packet.get());
    TextOutputStreamClose(session.responseList.get());
    AppLogIt(app, rt::String("End").get());
    return true;
}

// Runs the chosen mode. Gives false when the arguments are too few for it.
bool runMode(Run& run) {
    RuntimeObject* app = run.app;
    const rt::String& mode = run.args[1];
    if (mode == rt::String("TEST")) {
        run.testMode = true;
        run.success = !AppTestOkFile(app);
    } else if (mode == rt::String("SRIF")) {
        if (run.args.size() < 4) return false;
        if (!AppInitSRIF(app, run.args[3].get())) run.success = serveSession(run);
    } else {
        StdOut(rt::String("   Bad startup mode: ") + mode);
        Debug(app, rt::String("Bad startup mode: ") + mode);
    }
    return true;
}

int32_t notEnoughArguments(RuntimeObject* app) {
    StdOut("   Not enough command line arguments supplied");
    Debug(app, "Not enough command line arguments supplied");
    return 1;
}

int32_t finish(Run& run) {
    RuntimeObject* app = run.app;
    AppFields& f = state(app);
    if (run.testMode) {
        RuntimeStdOutputStreamWrite(rt::Ref<>::adopt(RuntimeGetStdOut()).get(), rt::String("\r\nHit Enter").get());
        // One character, waited for: the sysop's Enter.
        rt::String::adopt(RuntimeStdInputRead(rt::Ref<>::adopt(RuntimeGetStdIn()).get(), 1, nullptr));
    } else {
        rt::String requestName = rt::String::retain(f.ReqFileName);
        // An empty name is the application folder itself, which holds the program and is never removed.
        if (!(requestName == rt::String("Test.Req")) && !requestName.empty())
            if (rt::Ref<> item = rt::Ref<>::adopt(RuntimeGetFolderItem(requestName.get(), kNativePath)))
                FolderItemDelete(item.get());
    }
    TextOutputStreamClose(Require(f.DbgFile));
    if (run.success) {
        DeleteDebugFile(run.debugFileName);
        return 0;
    }
    StdOut(rt::String(">> Error Exit.  See ") + run.debugFileName + rt::String(" For more information"));
    return kErrorExitStatus;
}

} // namespace

int32_t AppRun(RuntimeObject* app, RuntimeArray* argumentArray) {
    Run run{app, {}, {}};
    rt::Ref<> started = rt::Ref<>::adopt(RuntimeNewObject(DateClass()));
    AppFields& f = state(app);

    RuntimeUnlockObject(f.DbgFile);
    f.DbgFile = CreateDebugFile(run.debugFileName);
    Debug(app, rt::String("Start QARVEX ") + rt::String::adopt(dateSQLDateTimeGetter(started.get())));

    int32_t last = RuntimeUBound(argumentArray);
    for (int32_t i = 0; i <= last; ++i)
        Debug(app, rt::String("Arg ") + decimal(i) + rt::String(" = ") + argumentAt(argumentArray, i));
    setProperty(f.FileSep, "/");

    if (last >= 0 && argumentAt(argumentArray, last).empty()) --last;  // the runtime's empty last element
    for (int32_t i = 0; i <= last; ++i) run.args.push_back(argumentAt(argumentArray, i));
    if (last < 1) return notEnoughArguments(app);
    StdOut(rt::String(">> Starting File Request Processing (") + run.args[1] + rt::String(" Mode)"));
    if (!runMode(run)) return notEnoughArguments(app);
    return finish(run);
}
