#include "app/Output.h"

#include "Common/StandardStreams.h"
#include "Common/exceptions.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "app/App.h"

void StdOut(const rt::String& line) { RuntimeConsolePrint(line.get()); }

void Debug(RuntimeObject* app, const rt::String& line) {
    TextOutputStreamWriteLine(Require(AppState(app)->DbgFile), line.get());
}

RuntimeObject* Require(RuntimeObject* obj) {
    if (!obj) RaiseNilObjectException();
    return obj;
}
