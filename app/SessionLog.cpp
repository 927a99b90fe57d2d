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
#include "app/Output.h"
#include "app/ReportPacket.h"

namespace {

// The log stream opened by the first LogIt of the process and closed by "End".
RuntimeObject* gLog = nullptr;

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
    rt::Ref<> item = rt::Ref<>::adopt(RuntimeGetFolderItem(rt::String("QARVEX.Log").get(), kNativePath));
    gLog = FolderItemAppendTextFile(Require(item.get()));
    Require(gLog);
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
    TextOutputStreamWriteLine(Require(gLog), stampedLine(now.get(), text).get());
    if (text == rt::String("End")) {
        TextOutputStreamClose(gLog);
        RuntimeUnlockObject(std::exchange(gLog, nullptr));
    }
}

void AppUnhandledException(RuntimeObject* app, RuntimeObject* exc) {
    StdOut(rt::String("\r\n ***  Unhandled Exception  ****"));
    StdOut(rt::String::retain(ObjectFields<ExceptionFields>(Require(exc))->message));
    StdOut(rt::String(" ******************************\r\n"));
    // A run cut short by an exception failed: the mailer must not read it as success.
    ObjectFields<ConsoleApplicationFields>(app)->exitCode = 1;
    // The exception may have come from the debug file itself never being made.
    if (AppState(app)->DbgFile) Debug(app, " ***  Unhandled Exception  ****");
}
