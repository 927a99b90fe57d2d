// Standard output, standard error and standard input as runtime objects, and
// the print and input statements over them. Streams over files are in
// runFileAccess.h (text) and runBinaryStream.h (binary).
#pragma once
#include <cstdint>

#include "Common/objects.h"

/// The StandardOutputStream and StandardInputStream classes, built on first use.
RuntimeClass* StandardOutputStreamClass();
RuntimeClass* StandardInputStreamClass();

extern "C" {
/// The standard-output object, made on first request; one reference for the caller.
RuntimeObject* RuntimeGetStdOut();
/// The standard-error object (a second StandardOutputStream); one reference for the caller.
RuntimeObject* RuntimeGetStdErr();
/// The standard-input object; one reference for the caller.
RuntimeObject* RuntimeGetStdIn();
/// Writes s (nothing for the empty string), then flushes.
void RuntimeStdOutputStreamWrite(RuntimeObject* stream, RTString s);
/// Writes s and a line feed in one write, then flushes.
void RuntimeStdOutputStreamWriteLine(RuntimeObject* stream, RTString s);
/// Flushes the stream.
void RuntimeStdOutFlush(RuntimeObject* stream);
/// The stream's error indicator.
bool RuntimeStdOutputError(RuntimeObject* stream);
/// The print statement: WriteLine on standard output.
void RuntimeConsolePrint(RTString s);
/// The input statement: ReadLine on standard input; a new string for the caller.
RTString RuntimeConsoleInput();
/// Reads one line (CR, LF, CR LF or NUL end it; 0xFF is skipped); a new string for the caller.
RTString RuntimeStdInputReadLine(RuntimeObject* stream);
/// Reads up to `count` bytes as they come, labelled with `encoding`; a new string for the caller.
RTString RuntimeStdInputRead(RuntimeObject* stream, int32_t count, RuntimeObject* encoding);
/// Whether standard input has reached its end.
bool RuntimeStdInputEof(RuntimeObject* stream);
/// Standard input's error indicator.
bool RuntimeStdInputError(RuntimeObject* stream);
}
