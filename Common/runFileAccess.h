// The text stream classes of the runtime, TextInputStream and TextOutputStream,
// over the line reader of Universal/FileStreams.h and the file object of
// Universal/FileIO/file.h. Read and write failures never raise: they give short
// results and leave errno in the stream's LastErrorCode.
// Siblings: BinaryStream in runBinaryStream.h, standard input and output in
// StandardStreams.h, the C++ handles in TextInputStream.h and
// TextOutputStream.h; folder items open the streams (runFolderItem.h).
#pragma once
#include <cstdint>
#include <memory>

#include "Universal/Forward.h"
#include "Common/objects.h"

class UnixDataFile;
class TextReader;

/// The fields of a TextInputStream after the object header.
struct TextInputStreamFields {
    TextReader* reader;        // owned; null once closed
    RuntimeObject* encoding;   // the `Encoding` property: UTF-8 when made
    int32_t keptError;         // the file's last error code, kept at closing
};

/// The fields of a TextOutputStream after the object header.
struct TextOutputStreamFields {
    UnixDataFile* file;        // owned; null once closed
    RTString delimiter;        // the `Delimiter` property: empty when made
    int32_t keptError;
};

/// Handle types of the handle constructors.
enum StreamHandleType : int32_t {
    kHandleFilePointer = 2,  // a FILE* used as it is
    kHandleDescriptor = 3,   // a descriptor opened with fdopen "r+"
};

RuntimeClass* RuntimeTextInputStreamClass();
RuntimeClass* RuntimeTextOutputStreamClass();

/// A new stream owning `file` (an open file); one reference for the caller.
RuntimeObject* NewTextInputStream(std::unique_ptr<UnixDataFile> file);
RuntimeObject* NewTextOutputStream(std::unique_ptr<UnixDataFile> file);
/// Whether a constructor was given an object to make; reports a nil one ("obj").
bool StreamConstructorTarget(RuntimeObject* stream);
/// The open file behind a handle constructor's handle; raises on a bad type or a failure.
std::unique_ptr<UnixDataFile> FileFromHandle(intptr_t handle, int32_t type);
/// The next line like ReadLine, of which at most `limit` bytes are kept: the
/// rest of a longer line is read past and `cut` set. For text from outside,
/// where one line must not take the memory of the whole file.
RTString TextInputStreamReadLineWithin(RuntimeObject* stream, size_t limit, bool* cut);

extern "C" {
/// The next line without its ending, labelled with `encoding` (else the stream's); a new string.
RTString TextInputStreamReadLine(RuntimeObject* stream, RuntimeObject* encoding);
/// Up to count bytes; nil for a count of 0 or at the end; a new string.
RTString TextInputStreamRead(RuntimeObject* stream, int32_t count, RuntimeObject* encoding);
/// The rest of the file; a new string.
RTString TextInputStreamReadAll(RuntimeObject* stream, RuntimeObject* encoding);
/// The buffer is used up and the file is at its end (always after a failed read or Close).
bool TextInputStreamEOF(RuntimeObject* stream);
/// The file position less the unread bytes in the buffer.
int64_t TextInputStreamGetPosition(RuntimeObject* stream);
/// Seeks and refills the buffer from there.
void TextInputStreamSetPosition(RuntimeObject* stream, int64_t position);
/// Closes the file, keeping its last error code.
void TextInputStreamClose(RuntimeObject* stream);
/// The file's last error code, or the kept one after closing.
int32_t TextInputStreamLastErrorGetter(RuntimeObject* stream);
/// Constructor over a FILE* (type 2) or a descriptor (type 3); raises on failure.
void TextInputStreamHandleCtor(RuntimeObject* stream, intptr_t handle, int32_t type);

/// Writes the bytes of s.
void TextOutputStreamWrite(RuntimeObject* stream, RTString s);
/// Writes the bytes of s and the line ending (the Delimiter, else LF) in one write.
void TextOutputStreamWriteLine(RuntimeObject* stream, RTString s);
void TextOutputStreamFlush(RuntimeObject* stream);
/// Flushes and closes, keeping the last error code.
void TextOutputStreamClose(RuntimeObject* stream);
int32_t TextOutputStreamLastErrorGetter(RuntimeObject* stream);
/// Constructor over a FILE* (type 2) or a descriptor (type 3); raises on failure.
void TextOutputStreamHandleCtor(RuntimeObject* stream, intptr_t handle, int32_t type);

/// CR, CR LF and LF in ASCII; each a new string for the caller.
RTString getMacEndOfLine();
RTString getWin32EndOfLine();
RTString getUNIXEndOfLine();
/// The platform's line ending, LF; a new string for the caller.
RTString RuntimeEndOfLine();
/// LF followed by s; a new reference for the caller.
RTString RuntimeEndOfLineAdd(RTString s);
/// s followed by LF; a new reference for the caller.
RTString RuntimeEndOfLineAddRight(RTString s);
/// -1, 0 or 1: LF against s, byte by byte and case-sensitive, the shorter being smaller.
int32_t RuntimeEndOfLineCompare(RTString s);
/// s with CR LF, then CR, made LF and every LF made `ending`, in their common
/// encoding; a new reference for the caller.
RTString RuntimeReplaceLineEndings(RTString s, RTString ending);
}
