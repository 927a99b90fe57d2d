// LogIt and the UnhandledException event: the session log that grows across
// runs, and the report of an exception nothing handled.
#include "Common/ConsoleApplication.h"
#include "Common/DateCommon.h"
#include "Common/StandardStreams.h"
#include "Common/exceptions.h"
#include "Common/runFolderItem.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Universal/StringFormat.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/DebugFile.h"
#include "app/FileFailure.h"
#include "app/Output.h"
#include "app/SafeText.h"
#include "app/ReportPacket.h"

namespace {

// The log stream opened by the first LogIt of the process and closed by "End".
RuntimeObject* gLog = nullptr;

constexpr const char* kLogName = "QARVEX.Log";
// Its full path, for the line that reports a failed write.
std::string gLogPath;

rt::String twoDigits(int32_t value) {
    return rt::String::adopt(StringFormat(double(value), rt::String("00").get()));
}

rt::String stampedLine(RuntimeObject* date, const rt::String& event) {
    auto field = [date](DateField index) { return dateFieldGetter(date, index); };
    rt::String month = rt::String::adopt(StringDBCSMid3(rt::String(kMonthTable).get(), field(kDateMonth) * 5, 5));
    return rt::String("  ") + twoDigits(field(kDateDay)) + month + twoDigits(field(kDateHour)) + rt::String(":") +
           twoDigits(field(kDateMinute)) + rt::String(":") + twoDigits(field(kDateSecond)) + rt::String(" FREQ ") +
           event;
}

void openLog() {
    rt::Ref<> item = ItemOrFail(kLogName, FileAction::Open);
    gLogPath = FullPath(kLogName, item.get()).str();
    gLog = FolderItemAppendTextFile(item.get());
    if (!gLog) throw FileFailure{FileAction::Open, rt::String(gLogPath), FolderItemGetLastError(item.get())};
    if (fileSizeGetter(item.get()) == 0)
        TextOutputStreamWriteLine(gLog, rt::String("  QARVEX - File Request Processor - "
                                                   "free software for FidoNet sysops, no warranty")
                                            .get());
    TextOutputStreamWriteLine(gLog, rt::String(" ").get());
}

} // namespace

void AppLogIt(RuntimeObject*, RTString event) {
    rt::Ref<> now = rt::Ref<>::adopt(RuntimeNewObject(DateClass()));
    if (!gLog) openLog();
    rt::String text = rt::String::retain(event);
    TextOutputStreamWriteLine(gLog, Escaped(stampedLine(now.get(), text)).get());
    CheckTextWrites(gLog, rt::String(gLogPath));
    if (equalsIgnoringCase(text, "End")) {
        TextOutputStreamClose(gLog);
        RuntimeUnlockObject(std::exchange(gLog, nullptr));
    }
}

void AppUnhandledException(RuntimeObject* app, RuntimeObject* exc) {
    // The banner's own line ends are meant; the message is escaped like any line.
    RuntimeConsolePrint(rt::String("\r\n ***  Unhandled Exception  ****").get());
    StdOut(rt::String::retain(ObjectFields<ExceptionFields>(Require(exc))->message));
    RuntimeConsolePrint(rt::String(" ******************************\r\n").get());
    // A run cut short by an exception failed: the mailer must not read it as success.
    ObjectFields<ConsoleApplicationFields>(app)->exitCode = 1;
    Debug(app, " ***  Unhandled Exception  ****");
    ReportKeptDebugFile();
}
