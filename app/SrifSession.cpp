// One file request session in SRIF mode: the report packet and the response
// list are made, every request of the list is served, and both files are
// closed whole, or taken back when the session cannot finish them.
#include <cerrno>
#include <cctype>
#include <charconv>
#include <climits>
#include <optional>
#include <string_view>

#include "Universal/DateImp/Clocks.h"
#include "Common/StringFunctions.h"
#include "Universal/StringSearch.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/CallerCounts.h"
#include "app/FidoAddress.h"
#include "app/FileFailure.h"
#include "app/Interruption.h"
#include "app/KeptFiles.h"
#include "app/ListedFolders.h"
#include "app/NewFiles.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/ReportLines.h"
#include "app/ReportPacket.h"
#include "app/SafeText.h"
#include "app/Session.h"
#include "app/SessionLog.h"

namespace {

// The work one session may ask for: the request lines past this many are
// counted and reported, not served.
constexpr int32_t kRequestLimit = 256;

// A request line holds a name (at most 255 bytes), a password and an update
// token: a longer one is no request, and is read past rather than held.
constexpr size_t kRequestLineBytes = 1024;

using rt::decimal;

// An update token: "+" or "-" and the Unix time in decimal digits.
std::optional<UpdateCondition> updateToken(std::string_view token) {
    if (token.size() < 2 || (token[0] != '+' && token[0] != '-')) return std::nullopt;
    UpdateCondition condition{token[0] == '+' ? UpdateCondition::Newer : UpdateCondition::Older};
    std::string_view digits = token.substr(1);
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), condition.time);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isdigit(uint8_t(digits[0])))
        return std::nullopt;
    return condition;
}

// The request list line: the name, then an optional "!password" token and an
// optional update token (the last of each wins).
void parseRequest(const rt::String& line, rt::String& name, rt::String& password, UpdateCondition* update = nullptr) {
    std::vector<rt::String> tokens = SplitAtSpaces(line);
    name = tokens.empty() ? rt::String() : tokens[0];
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (equalsIgnoringCase(FirstCharacter(tokens[i]), "!")) password = tokens[i];
        else if (auto condition = update ? updateToken(tokens[i].bytes()) : std::nullopt) *update = *condition;
    }
}

bool holds(const rt::String& text, const char* part) {
    return rt::inStr(1, text, part) != 0;
}

// Reports the refusal of a request name no file here can have, and gives
// whether it was refused: a path, a control byte, or more bytes than any
// file name holds. A refused request searches no folder, and its refusal is
// all that is said of it.
RunResult<bool> refuseName(Session& session, const rt::String& name) {
    rt::String refusal;
    if (holds(name, "/") || holds(name, "..") || HoldsControl(name)) {
        refusal = "Invalid Characters in Request";
        WriteInvalidCharactersLine(session.packet, name);
    } else if (name.length() > NAME_MAX) {
        refusal = "Request Name Too Long";
        WriteTooLongLine(session.packet, name);
    } else {
        return false;
    }
    StdOut(rt::String("   Requested File (") + name + rt::String(") Refused: ") + refusal);
    Debug(session.app, rt::String("Refused: ") + refusal);
    TRY(LogIt(session.app, rt::String("Refused ") + name + rt::String(": ") + refusal));
    return true;
}

// The report packet lies in the response list's folder.
rt::String packetPath(const rt::String& responseList, const rt::String& separator, const rt::String& packetName) {
    int32_t last = LastSeparator(responseList, separator);
    if (last == 0) return packetName;
    return rt::leftBytes(responseList, last) + packetName;
}

RunResult<> writeOutcome(Session& session, const rt::String& name) {
    RuntimeObject* app = session.app;
    if (session.foundCount == 0 && session.badPassword) {
        StdOut(rt::String("   Requested File (") + name + rt::String(") Bad or Missing Password"));
        WriteBadPasswordLine(session.packet, name);
        TRY(LogIt(app, rt::String("Bad or Missing Password")));
        ++session.badPasswordCount;
    } else if (session.foundCount == 0 && session.keptBack) {
        StdOut(rt::String("   Requested File (") + name + rt::String(") Not Sent"));
    } else if (session.foundCount == 0) {
        StdOut(rt::String("   Requested File (") + name + rt::String(") Not Found"));
        WriteNotFoundLine(session.packet, name);
        TRY(LogIt(app, rt::String("File Not Found")));
        Debug(app, "Requested file not found");
    } else {
        StdOut(rt::String("   Requested File (") + name + rt::String(")    Found ") + decimal(session.foundCount));
    }
    session.foundCount = 0;
    session.badPassword = false;
    session.keptBack = false;
    return {};
}

// The lines of the list the session did not reach, `current` (0 or 1: a
// request cut short) and those left unread, reported with `why` when there
// are any. The rest is read past in bounded pieces, as a line is never held whole.
RunResult<> reportUnserved(Session& session, const rt::TextInputStream& requestList, int64_t current,
                           const rt::String& why) {
    int64_t rest = current;
    for (bool cut = false; !requestList.eof();) {
        rt::String line = requestList.readLine(kRequestLineBytes, cut);
        TRY(SafePoint());
        // Blank lines ask for nothing, so they are not counted among the requests.
        rt::String name, password;
        if (!cut) parseRequest(line, name, password);
        if (cut || !name.empty()) ++rest;
    }
    if (rest == 0) return {};
    rt::String message = rt::String("Requests Not Processed: ") + decimal(rest) + rt::String(" (") + why +
                         rt::String(")");
    StdOut(rt::String("   ") + message);
    Debug(session.app, message);
    WriteNotProcessedLine(session.packet, rest, why);
    return LogIt(session.app, message);
}

rt::String outOfTime(const Session& session) {
    return rt::String("time limit of ") + decimal(session.seconds) + rt::String(" seconds reached");
}

// Refuses a request line longer than any request can be, by an excerpt.
RunResult<> refuseLongLine(Session& session, const rt::String& line) {
    rt::String excerpt = Excerpt(WithPasswordsHidden(line, PasswordTokens::AfterName));
    rt::String message = rt::String("Request Line Too Long: ") + excerpt;
    StdOut(rt::String("   ") + message);
    Debug(session.app, message);
    TRY(LogIt(session.app, message));
    WriteLineTooLongLine(session.packet, excerpt);
    return {};
}

// Serves the requests of the list one by one; gives the microseconds their
// search took when the list was read to its end.
RunResult<int32_t> serveRequests(Session& session, const rt::TextInputStream& requestList, double searchStart) {
    RuntimeObject* app = session.app;
    int32_t served = 0;
    for (bool first = true; !requestList.eof(); first = false) {
        if (served == kRequestLimit) {
            TRY(reportUnserved(session, requestList, 0, rt::String("at most ") + decimal(kRequestLimit) +
                                                            rt::String(" a session")));
            break;
        }
        if (session.PastDeadline()) {
            TRY(reportUnserved(session, requestList, 0, outOfTime(session)));
            break;
        }
        if (int64_t most = session.settings->badPasswords;
            most != kUnlimited && session.badPasswordCount >= most) {
            TRY(reportUnserved(session, requestList, 0, rt::String("bad password limit of ") + decimal(most) +
                                                            rt::String(" a session reached")));
            break;
        }
        bool cut = false;
        rt::String line = requestList.readLine(kRequestLineBytes, cut);
        if (cut) {
            ++served;
            TRY(refuseLongLine(session, line));
            TRY(CheckBinaryWrites(session.packet, session.packetPath));
            continue;
        }
        if (first) line = WithoutByteOrderMark(line);
        rt::String name, password;
        session.update = {};
        parseRequest(line, name, password, session.settings->updateRequests ? &session.update : nullptr);
        // A blank line asks for nothing: it is neither served nor counted.
        if (name.empty()) continue;
        ++served;
        rt::String shown = rt::String("File Request: ") + Excerpt(WithPasswordsHidden(line, PasswordTokens::AfterName));
        TRY(LogIt(app, shown));
        Debug(app, shown);
        if (TRY(refuseName(session, name))) {
            TRY(CheckBinaryWrites(session.packet, session.packetPath));
            continue;
        }
        switch (TRY(RunPermissionPass(session, name, password))) {
        case PassEnd::FileLimitExceeded:
            TRY(reportUnserved(session, requestList, 0,
                               !session.stopWhy.empty()
                                   ? session.stopWhy
                                   : rt::String("at most ") + decimal(session.settings->maxFiles) +
                                         rt::String(" files a session")));
            return 0;
        case PassEnd::OutOfTime:
            TRY(reportUnserved(session, requestList, 1, outOfTime(session)));
            return 0;
        case PassEnd::Done: break;
        }
        TRY(writeOutcome(session, name));
        TRY(CheckBinaryWrites(session.packet, session.packetPath));
    }
    Debug(app, "No more requests to process");
    return MicrosecondsBetween(searchStart, RuntimeMicroseconds());
}

// Ends the message and the packet and closes both files for the mailer,
// checking that every byte reached them.
RunResult<> closeOutputs(Session& session) {
    if (rt::BinaryStream packet = std::exchange(session.packet, {})) {
        WritePacketEnd(packet);
        packet.close();
        TRY(CheckBinaryWrites(packet, session.packetPath));
    }
    if (rt::TextOutputStream list = std::exchange(session.responseList, {})) {
        list.close();
        TRY(CheckTextWrites(list, session.responsePath));
    }
    return {};
}

// Takes back the packet and response list of a session that could not
// finish them, so the mailer never sends a cut packet or a file named by a
// cut line.
void discardOutputs(Session& session) {
    if (rt::BinaryStream packet = std::exchange(session.packet, {})) packet.close();
    if (rt::TextOutputStream list = std::exchange(session.responseList, {})) list.close();
    // Only files this run made go. A response list that stood before is
    // emptied instead: it must not name the packet taken back.
    if (session.packetItem) session.packetItem.remove();
    if (!session.responseItem) return;
    if (session.responseCreated) session.responseItem.remove();
    else EmptyStandingFile(session.responseItem);
}

RunResult<> finishOutputs(Session& session) {
    RunResult<> closed = closeOutputs(session);
    if (closed.isError()) discardOutputs(session);
    return closed;
}

// Creates the report packet beside the response list and writes its fixed part.
RunResult<> createPacket(Session& session, const rt::String& packetName, const rt::String& ownAddress) {
    RuntimeObject* app = session.app;
    AppFields& f = *AppState(app);
    rt::String separator = f.FileSep;
    rt::String responseName = f.RspFileName;
    // The packet is created before its path is shown: when another session
    // took the name, the next number is used, and that is the path to show.
    rt::String name = packetName;
    rt::String reportPath = packetPath(responseName, separator, name);
    ErrorOr<CreatedFile, FileFailure> created = CreateNewFile(reportPath, CreatedMode::UmaskApplies);
    while (created.isError() && created.error().error == EEXIST) {
        name = NextPacketFileName(name);
        reportPath = packetPath(responseName, separator, name);
        created = CreateNewFile(reportPath, CreatedMode::UmaskApplies);
    }
    StdOut(rt::String("   Request File   ") + f.ReqFileName);
    StdOut(rt::String("   Response File  ") + responseName);
    StdOut(rt::String("   Report File    ") + reportPath);
    if (created.isError()) {
        session.packetPath = created.error().path;
        Debug(app, rt::String("Unable to create ") + reportPath);
        return created.releaseError();
    }
    session.packetItem = created.value().item;
    session.packetPath = FullPath(reportPath, session.packetItem);
    session.packet = BinaryStreamOver(created.value().descriptor);
    WritePacketStart(app, session.packet, ownAddress);
    WriteReportHeading(session.packet);
    return {};
}

// Creates the response list; its first line names the packet by its full
// path, as the mailer takes a relative one against its own working folder.
RunResult<> createResponseList(Session& session) {
    RuntimeObject* app = session.app;
    rt::String responseName = AppState(app)->RspFileName;
    errno = 0;
    // The list's own name: a link planted there is refused, never followed.
    rt::FolderItem item = rt::FolderItem::trueAt(responseName);
    int32_t error = item ? 0 : errno ? errno : EINVAL;
    session.responsePath = FullPath(responseName, item);
    if (item) {
        int descriptor = OpenOutputFile(item.absolutePath().str(), session.responseCreated);
        if (descriptor >= 0) session.responseList = TextStreamOver(descriptor);
        else error = errno;
    }
    if (!session.responseList) {
        Debug(app, rt::String("Unable to create ") + responseName);
        return FileFailure{FileAction::Create, session.responsePath, error};
    }
    session.responseItem = item;
    session.responseList.writeLine(rt::String("-") + session.packetPath);
    return CheckTextWrites(session.responseList, session.responsePath);
}

// Serves the request list with the packet made; on a normal end closes both
// outputs whole, on a failure leaves them to the session.
RunResult<> serveWithOutputs(Session& session) {
    RuntimeObject* app = session.app;
    AppFields& f = *AppState(app);
    TRY(createResponseList(session));
    rt::String requestName = f.ReqFileName;
    ErrorOr<rt::TextInputStream, FileFailure> opened = OpenTextToRead(requestName);
    // An empty list asks for nothing: the session ends well with nothing
    // granted. Taken as a failure, it would keep a debug file for every such call.
    bool nothingAsked = opened.isError() && opened.error().error == 0;
    if (opened.isError() && !nothingAsked) {
        StdOut(rt::String("   ") + requestName + rt::String(" Not Found"));
        Debug(app, requestName + rt::String(" Not Found"));
        LogReason(app, requestName + rt::String(" Not Found"));
        ReportFailure(app, opened.error());
        return Reported{};
    }
    rt::TextInputStream requestList = opened.isError() ? rt::TextInputStream() : opened.releaseValue();
    Debug(app, nothingAsked ? "Empty .Req File, nothing requested" : "Reading .Req File");
    double searchStart = RuntimeMicroseconds();
    int32_t searchMicroseconds = requestList ? TRY(serveRequests(session, requestList, searchStart)) : 0;
    StdOut(rt::String("Match Timer = ") + rt::str(f.T_Match / 1000000.0));
    StdOut(rt::String("Total Search Time = ") + rt::str(searchMicroseconds / 1000000.0));
    StdOut(rt::String(">> F'Req Processing Complete. Queue'd = ") + decimal(session.fileCount));
    WriteTotals(session.packet, session.fileCount, session.byteCount);
    if (session.sysopTold) WriteNotServedLine(session.packet, NotServed::Some);
    if (session.filesHint) WriteFilesHint(session.packet);
    Debug(app, "Finished building .Pkt");
    if (requestList) requestList.close();
    TRY(finishOutputs(session));
    return LogIt(app, rt::String("End"));
}

// A request information file that names a kept file as its request list
// (deleted after the session) or its response list (written over) is refused
// whole: no run writes over or deletes what the program keeps.
RunResult<> refuseKeptFiles(RuntimeObject* app) {
    AppFields& f = *AppState(app);
    const std::pair<const char*, const rt::String&> lists[] = {{"Request List ", f.ReqFileName},
                                                               {"Response List ", f.RspFileName}};
    for (const auto& [what, path] : lists) {
        if (path.empty() || !IsKeptFile(path)) continue;
        rt::String message = rt::String(what) + path + rt::String(" Is a File QARVEX Keeps, Session Refused");
        StdOut(rt::String("   ") + message);
        Debug(app, message);
        TRY(LogIt(app, message));
        return Reported{};
    }
    return {};
}

// A session refused for an address says so in the log too, with the line
// standard output showed, so the sysop learns of a caller it turned away.
RunResult<> logBadAddress(RuntimeObject* app, const rt::String& own, const rt::String& requester) {
    ErrorOr<FidoAddress, BadAddress> read = ParseAddress(own);
    if (!read.isError()) read = ParseAddress(requester);
    rt::String rest = read.isError() ? read.error().rest : rt::String();
    return LogIt(app, rt::String("Session Refused: Bad Fido Address ") + Excerpt(rest));
}

} // namespace

bool Session::PastDeadline() const { return RuntimeMicroseconds() >= deadline; }

int32_t SessionSeconds(int32_t configured, int32_t srifMinutes) {
    if (srifMinutes < 0 || int64_t(srifMinutes) * 60 >= configured) return configured;
    return srifMinutes * 60;
}

RunResult<> ServeSession(RuntimeObject* app, const rt::String& ownAddress, int32_t seconds) {
    AppFields& f = *AppState(app);
    Session session;
    session.app = app;
    session.settings = TRY(RunSettings(app));
    session.callerLimit = LimitOf(session.settings->limits, SrifCallerOf().akas, session.caller);
    session.seconds = seconds;
    session.deadline = RuntimeMicroseconds() + seconds * 1e6;

    TRY(LogIt(app, rt::String("Processing File Request From ") + Excerpt(f.FidoAddr)));
    TRY(refuseKeptFiles(app));
    RTString packetNameRecord = nullptr;
    bool bad = AppInitMsg(app, ownAddress.get(), f.FidoAddr.get(), &packetNameRecord);
    rt::String packetName = rt::String::adopt(packetNameRecord);
    if (bad) {
        TRY(logBadAddress(app, ownAddress, f.FidoAddr));
        return Reported{};
    }
    RunResult<> served = createPacket(session, packetName, ownAddress);
    if (!served.isError()) served = serveWithOutputs(session);
    if (!served.isError()) return served;
    // A file that cannot be written takes both outputs back. Otherwise what
    // was granted so far is whole: the packet is ended and the list closed.
    if (std::holds_alternative<FileFailure>(served.error())) discardOutputs(session);
    else TRY(finishOutputs(session));
    return served;
}
