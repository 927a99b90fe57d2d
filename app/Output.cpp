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
    if (const rt::TextOutputStream& file = AppState(app)->DbgFile) file.writeLine(Escaped(line));
}

void DebugPart(RuntimeObject* app, const rt::String& text) {
    if (const rt::TextOutputStream& file = AppState(app)->DbgFile) file.write(Escaped(text));
}

RuntimeObject* Require(RuntimeObject* obj) {
    if (!obj) RaiseNilObjectException();
    return obj;
}
