#include "app/Output.h"

#include "Common/StandardStreams.h"
#include "Common/exceptions.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "app/App.h"
#include "app/SafeText.h"

void StdOut(const rt::String& line) { RuntimeConsolePrint(Escaped(line).get()); }

// A run whose debug file could not be made goes on without its trace; the
// error exit says that no debug file was kept.
void Debug(RuntimeObject* app, const rt::String& line) {
    if (RuntimeObject* file = AppState(app)->DbgFile.get()) TextOutputStreamWriteLine(file, Escaped(line).get());
}

void DebugPart(RuntimeObject* app, const rt::String& text) {
    if (RuntimeObject* file = AppState(app)->DbgFile.get()) TextOutputStreamWrite(file, Escaped(text).get());
}

RuntimeObject* Require(RuntimeObject* obj) {
    if (!obj) RaiseNilObjectException();
    return obj;
}
