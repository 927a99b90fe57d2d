// LogIt and the UnhandledException event: the session log that grows across
// runs, and the report of an exception nothing handled.
#include "Common/ConsoleApplication.h"
#include "Common/Date.h"
#include "Common/StandardStreams.h"
#include "Common/exceptions.h"
#include "Common/FolderItem.h"
#include "Universal/StringFormat.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/DebugFile.h"
#include "app/FileFailure.h"
#include "app/KeptFiles.h"
#include "app/NewFiles.h"
#include "app/Output.h"
#include "app/Places.h"
#include "app/SessionLog.h"
#include "app/SafeText.h"
#include "app/ReportPacket.h"

namespace {

// The log stream opened by the first LogIt of the process and closed by "End".
rt::TextOutputStream gLog;

// Its full path, for the line that reports a failed write.
std::string gLogPath;

rt::String twoDigits(int32_t value) { return rt::format(double(value), "00"); }

rt::String stampedLine(const rt::Date& date, const rt::String& event) {
    rt::String month = rt::mid(kMonthTable, date.month() * 5, 5);
    return rt::String("  ") + twoDigits(date.day()) + month + twoDigits(date.hour()) + rt::String(":") +
           twoDigits(date.minute()) + rt::String(":") + twoDigits(date.second()) + rt::String(" FREQ ") + event;
}

// The log is made readable by its owner and group only: it names what callers
// asked for. A log that exists already is appended to as it is.
RunResult<> openLog() {
    rt::String name = LogPath();
    if (ErrorOr<CreatedFile, FileFailure> created = CreateNewFile(name, CreatedMode::OwnerAndGroup))
        CloseDescriptor(created.value().descriptor);
    rt::FolderItem item = TRY(ItemOrFail(name, FileAction::Open));
    gLogPath = FullPath(name, item).str();
    gLog = item.appendToTextFile();
    if (!gLog) return FileFailure{FileAction::Open, rt::String(gLogPath), item.lastErrorCode()};
    if (item.length() == 0)
        gLog.writeLine("  QARVEX - File Request Processor - free software for FidoNet sysops, no warranty");
    gLog.writeLine(" ");
    return {};
}

} // namespace

RunResult<> LogIt(RuntimeObject*, const rt::String& event) {
    rt::Date now = rt::Date::now();
    if (!gLog) TRY(openLog());
    gLog.writeLine(Escaped(stampedLine(now, event)));
    TRY(CheckTextWrites(gLog, rt::String(gLogPath)));
    if (equalsIgnoringCase(event, "End")) {
        gLog.close();
        gLog = {};
    }
    return {};
}

void AppLogIt(RuntimeObject* app, RTString event) { FailedAtBoundary(app, LogIt(app, rt::String::retain(event))); }

void AppUnhandledException(RuntimeObject* app, RuntimeObject* exc) {
    // The banner's own line ends are meant; the message is escaped like any line.
    RuntimeConsolePrint(rt::String("\r\n ***  Unhandled Exception  ****").get());
    StdOut(rt::String::retain(ObjectFields<ExceptionFields>(Require(exc))->message));
    RuntimeConsolePrint(rt::String(" ******************************\r\n").get());
    // A run cut short by an exception failed: the mailer must not read it as success.
    ObjectFields<ConsoleApplicationFields>(app)->exitCode = 1;
    Debug(app, " ***  Unhandled Exception  ****");
    LogReason(app, rt::String("Unhandled Exception: ") + rt::String::retain(ObjectFields<ExceptionFields>(exc)->message));
    ReportKeptDebugFile();
}
