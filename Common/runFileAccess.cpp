#include "Common/runFileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Universal/FileIO/file.h"
#include "Universal/FileStreams.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/VELQstring.h"

namespace {

TextInputStreamFields* inputFields(RuntimeObject* stream) { return ObjectFields<TextInputStreamFields>(stream); }
TextOutputStreamFields* outputFields(RuntimeObject* stream) { return ObjectFields<TextOutputStreamFields>(stream); }

// A nil stream is a programming error of the caller.
bool present(RuntimeObject* stream) {
    if (stream) return true;
    RUNTIME_ASSERT_FAILED("runFileAccess", "stream", nullptr);
    return false;
}

// The open reader, or null for a nil or closed stream.
TextReader* reader(RuntimeObject* stream) { return present(stream) ? inputFields(stream)->reader : nullptr; }
UnixDataFile* writer(RuntimeObject* stream) { return present(stream) ? outputFields(stream)->file : nullptr; }

void initializeInput(RuntimeObject* stream) {
    inputFields(stream)->encoding = TextEncodingForCode(kEncodingUTF8);
}

void finalizeInput(RuntimeObject* stream) {
    TextInputStreamFields* f = inputFields(stream);
    delete std::exchange(f->reader, nullptr);
    RuntimeUnlockObject(std::exchange(f->encoding, nullptr));
}

void finalizeOutput(RuntimeObject* stream) {
    TextOutputStreamFields* f = outputFields(stream);
    delete std::exchange(f->file, nullptr);
    RuntimeUnlockString(std::exchange(f->delimiter, nullptr));
}

// The code a read string carries: the encoding given to the call, else the
// stream's, else unknown.
uint32_t labelFor(RuntimeObject* stream, RuntimeObject* given) {
    return TextEncodingCode(given ? given : inputFields(stream)->encoding);
}

RTString labelled(const std::string& bytes, uint32_t code) { return StringFromBytes(bytes.data(), bytes.size(), code); }

void adoptReader(RuntimeObject* stream, std::unique_ptr<UnixDataFile> file) {
    delete std::exchange(inputFields(stream)->reader, new TextReader(std::move(file)));
}

void adoptWriter(RuntimeObject* stream, std::unique_ptr<UnixDataFile> file) {
    delete std::exchange(outputFields(stream)->file, file.release());
}

} // namespace

RuntimeClass* RuntimeTextInputStreamClass() {
    static const PropertyDefinition properties[] = {
        {"Encoding%o<TextEncoding>%", int32_t(sizeof(RuntimeObject) + offsetof(TextInputStreamFields, encoding))},
    };
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "TextInputStream",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(TextInputStreamFields)),
        .initializer = &initializeInput,
        .finalizer = &finalizeInput,
        .properties = properties,
    });
    return c;
}

RuntimeClass* RuntimeTextOutputStreamClass() {
    static const PropertyDefinition properties[] = {
        {"Delimiter%s%", int32_t(sizeof(RuntimeObject) + offsetof(TextOutputStreamFields, delimiter))},
    };
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "TextOutputStream",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(TextOutputStreamFields)),
        .finalizer = &finalizeOutput,
        .properties = properties,
    });
    return c;
}

RuntimeObject* NewTextInputStream(std::unique_ptr<UnixDataFile> file) {
    RuntimeObject* stream = RuntimeNewObject(RuntimeTextInputStreamClass());
    adoptReader(stream, std::move(file));
    return stream;
}

RuntimeObject* NewTextOutputStream(std::unique_ptr<UnixDataFile> file) {
    RuntimeObject* stream = RuntimeNewObject(RuntimeTextOutputStreamClass());
    adoptWriter(stream, std::move(file));
    return stream;
}

bool StreamConstructorTarget(RuntimeObject* stream) {
    if (stream) return true;
    RUNTIME_ASSERT_FAILED("runFileAccess", "obj", nullptr);
    return false;
}

std::unique_ptr<UnixDataFile> FileFromHandle(intptr_t handle, int32_t type) {
    auto file = std::make_unique<UnixDataFile>();
    bool opened = false;
    if (type == kHandleFilePointer) opened = file->AdoptStream(reinterpret_cast<FILE*>(handle));
    else if (type == kHandleDescriptor) opened = file->AdoptDescriptor(int(handle));
    else file->SetLastError(EINVAL);
    if (!opened) {
        RuntimeRaiseMessage(ExceptionKind::RuntimeException, "The handle passed into the stream was invalid",
                            file->LastError());
    }
    return file;
}

namespace {

RTString readLine(RuntimeObject* stream, RuntimeObject* encoding, size_t limit, bool* cut) {
    TextReader* found = reader(stream);
    if (!found) return nullptr;
    uint32_t code = labelFor(stream, encoding);
    return labelled(found->ReadLine(code == kEncodingUTF16 ? 2 : 1, limit, cut), code);
}

} // namespace

extern "C" RTString TextInputStreamReadLine(RuntimeObject* stream, RuntimeObject* encoding) {
    return readLine(stream, encoding, SIZE_MAX, nullptr);
}

RTString TextInputStreamReadLineWithin(RuntimeObject* stream, size_t limit, bool* cut) {
    *cut = false;
    return readLine(stream, nullptr, limit, cut);
}

extern "C" RTString TextInputStreamRead(RuntimeObject* stream, int32_t count, RuntimeObject* encoding) {
    TextReader* found = reader(stream);
    if (!found || count <= 0) return nullptr;
    return labelled(found->Read(size_t(count)), labelFor(stream, encoding));
}

extern "C" RTString TextInputStreamReadAll(RuntimeObject* stream, RuntimeObject* encoding) {
    TextReader* found = reader(stream);
    if (!found) return nullptr;
    return labelled(found->ReadAll(), labelFor(stream, encoding));
}

extern "C" bool TextInputStreamEOF(RuntimeObject* stream) {
    TextReader* found = reader(stream);
    return !found || found->AtEnd();
}

extern "C" int64_t TextInputStreamGetPosition(RuntimeObject* stream) {
    TextReader* found = reader(stream);
    return found ? found->Position() : 0;
}

extern "C" void TextInputStreamSetPosition(RuntimeObject* stream, int64_t position) {
    if (TextReader* found = reader(stream)) found->SetPosition(position);
}

extern "C" void TextInputStreamClose(RuntimeObject* stream) {
    TextReader* found = reader(stream);
    if (!found) return;
    found->File().Close();
    inputFields(stream)->keptError = found->File().LastError();
    delete std::exchange(inputFields(stream)->reader, nullptr);
}

extern "C" int32_t TextInputStreamLastErrorGetter(RuntimeObject* stream) {
    if (!present(stream)) return 0;
    TextReader* found = inputFields(stream)->reader;
    return found ? found->File().LastError() : inputFields(stream)->keptError;
}

extern "C" void TextInputStreamHandleCtor(RuntimeObject* stream, intptr_t handle, int32_t type) {
    if (!StreamConstructorTarget(stream)) return;
    adoptReader(stream, FileFromHandle(handle, type));
}

extern "C" void TextOutputStreamWrite(RuntimeObject* stream, RTString s) {
    if (UnixDataFile* file = writer(stream)) (void)file->Write(StringBytes(s), StringLength(s));
}

extern "C" void TextOutputStreamWriteLine(RuntimeObject* stream, RTString s) {
    UnixDataFile* file = writer(stream);
    if (!file) return;
    RTString delimiter = outputFields(stream)->delimiter;
    RTString ending = delimiter ? RuntimeLockString(delimiter) : StringFromBytes("\n", 1, kEncodingASCII);
    uint32_t lineCode = StringEncodingCode(s);
    RTString converted = StringEncodingCode(ending) == kEncodingUnknown || StringEncodingCode(ending) == lineCode
                             ? RuntimeLockString(ending)
                             : ConvertStringToCode(ending, lineCode);
    // One write for the line and its ending, so that a line appended beside
    // another process's lines arrives whole.
    std::string line(StringBytes(s), StringLength(s));
    line.append(StringBytes(converted), StringLength(converted));
    RuntimeUnlockString(converted);
    RuntimeUnlockString(ending);
    (void)file->Write(line.data(), line.size());
}

extern "C" void TextOutputStreamFlush(RuntimeObject* stream) {
    if (UnixDataFile* file = writer(stream)) file->Flush();
}

extern "C" void TextOutputStreamClose(RuntimeObject* stream) {
    UnixDataFile* file = writer(stream);
    if (!file) return;
    file->Close();
    outputFields(stream)->keptError = file->LastError();
    delete std::exchange(outputFields(stream)->file, nullptr);
}

extern "C" int32_t TextOutputStreamLastErrorGetter(RuntimeObject* stream) {
    if (!present(stream)) return 0;
    UnixDataFile* file = outputFields(stream)->file;
    return file ? file->LastError() : outputFields(stream)->keptError;
}

extern "C" void TextOutputStreamHandleCtor(RuntimeObject* stream, intptr_t handle, int32_t type) {
    if (!StreamConstructorTarget(stream)) return;
    adoptWriter(stream, FileFromHandle(handle, type));
}

namespace {

RTString asciiText(std::string_view text) { return StringFromBytes(text.data(), text.size(), kEncodingASCII); }

// Replaces every `from` unit sequence of `text` by `to`, stepping by whole units.
std::string replaceUnits(const std::string& text, const std::string& from, const std::string& to, size_t unitSize) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, from.size(), from) == 0) {
            out += to;
            at += from.size();
        } else {
            size_t step = std::min(unitSize, text.size() - at);
            out.append(text, at, step);
            at += step;
        }
    }
    return out;
}

// A line-ending character in a text of `unitSize`-byte units (host order).
std::string unitText(char c, size_t unitSize) {
    std::string unit(unitSize, '\0');
    uint16_t wide = uint8_t(c);
    std::memcpy(unit.data(), unitSize == 1 ? static_cast<const void*>(&c) : &wide, unitSize);
    return unit;
}

} // namespace

extern "C" RTString getMacEndOfLine() { return asciiText("\r"); }
extern "C" RTString getWin32EndOfLine() { return asciiText("\r\n"); }
extern "C" RTString getUNIXEndOfLine() { return asciiText("\n"); }
extern "C" RTString RuntimeEndOfLine() { return asciiText("\n"); }

extern "C" RTString RuntimeEndOfLineAdd(RTString s) {
    RTString lineFeed = RuntimeEndOfLine();
    RTString joined = RuntimeAddString(lineFeed, s);
    RuntimeUnlockString(lineFeed);
    return joined;
}

extern "C" RTString RuntimeEndOfLineAddRight(RTString s) {
    RTString lineFeed = RuntimeEndOfLine();
    RTString joined = RuntimeAddString(s, lineFeed);
    RuntimeUnlockString(lineFeed);
    return joined;
}

extern "C" int32_t RuntimeEndOfLineCompare(RTString s) {
    std::string_view lineFeed = "\n";
    int order = std::string_view(StringBytes(s), StringLength(s)).compare(lineFeed);
    return order < 0 ? 1 : order > 0 ? -1 : 0;
}

extern "C" RTString RuntimeReplaceLineEndings(RTString s, RTString ending) {
    RTString text = RuntimeLockString(s);
    RTString newEnding = RuntimeLockString(ending);
    uint32_t code = BringToCommonEncoding(text, newEnding);
    size_t unitSize = code == kEncodingUTF16 ? 2 : 1;
    std::string bytes(StringBytes(text), StringLength(text));
    std::string cr = unitText('\r', unitSize), lf = unitText('\n', unitSize);
    bytes = replaceUnits(bytes, cr + lf, lf, unitSize);
    bytes = replaceUnits(bytes, cr, lf, unitSize);
    bytes = replaceUnits(bytes, lf, std::string(StringBytes(newEnding), StringLength(newEnding)), unitSize);
    RuntimeUnlockString(text);
    RuntimeUnlockString(newEnding);
    return StringFromBytes(bytes.data(), bytes.size(), code);
}
