#include "Common/StandardStreams.h"

#include <cstdio>
#include <string>
#include <utility>

#include "Common/Linux/StandardInputUnix.h"
#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/VELQstring.h"

namespace {

struct OutputFields {
    bool isStandardOutput;  // false: standard error
};

struct InputFields {
    int32_t pendingByte;  // the byte read after a carriage return, or -1
};

constexpr int32_t kNoPendingByte = -1;

RuntimeObject* gStdOut = nullptr;
RuntimeObject* gStdErr = nullptr;
RuntimeObject* gStdIn = nullptr;

FILE* fileOf(RuntimeObject* stream) {
    if (!stream) RaiseNilObjectException();
    return ObjectFields<OutputFields>(stream)->isStandardOutput ? stdout : stderr;
}

// Text as the terminal takes it: bytes of the system encoding (UTF-8). Text in
// another encoding is converted first, so UTF-16 never reaches the terminal raw.
std::string terminalBytes(RTString s) {
    uint32_t code = StringEncodingCode(s);
    if (code == kEncodingUTF8 || code == kEncodingASCII || code == kEncodingUnknown)
        return std::string(StringBytes(s), StringLength(s));
    RTString converted = ConvertStringToCode(s, kEncodingUTF8);
    std::string bytes(StringBytes(converted), StringLength(converted));
    RuntimeUnlockString(converted);
    return bytes;
}

void writeBytes(RuntimeObject* stream, const std::string& bytes) {
    FILE* file = fileOf(stream);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
}

RuntimeObject* newOutputStream(bool isStandardOutput) {
    RuntimeObject* stream = RuntimeNewObject(StandardOutputStreamClass());
    ObjectFields<OutputFields>(stream)->isStandardOutput = isStandardOutput;
    return stream;
}

InputFields* inputFields(RuntimeObject* stream) {
    if (!stream) RaiseNilObjectException();
    return ObjectFields<InputFields>(stream);
}

int takeByte(InputFields* input) {
    if (input->pendingByte != kNoPendingByte) return std::exchange(input->pendingByte, kNoPendingByte);
    int byte = std::getc(stdin);
    return byte == EOF ? -1 : byte;
}

void initializeInput(RuntimeObject* stream) { ObjectFields<InputFields>(stream)->pendingByte = kNoPendingByte; }

const MethodDefinition kOutputMethods[] = {
    {"WriteLine%%o<StandardOutputStream>s", reinterpret_cast<void*>(&RuntimeStdOutputStreamWriteLine)},
    {"Write%%o<StandardOutputStream>s", reinterpret_cast<void*>(&RuntimeStdOutputStreamWrite)},
    {"Flush%%o<StandardOutputStream>", reinterpret_cast<void*>(&RuntimeStdOutFlush)},
    {"WriteError%b%o<StandardOutputStream>", reinterpret_cast<void*>(&RuntimeStdOutputError)},
};

const MethodDefinition kInputMethods[] = {
    {"ReadLine%s%o<StandardInputStream>", reinterpret_cast<void*>(&RuntimeStdInputReadLine)},
    {"Read%s%o<StandardInputStream>i4o<TextEncoding>", reinterpret_cast<void*>(&RuntimeStdInputRead)},
    {"EOF%b%o<StandardInputStream>", reinterpret_cast<void*>(&RuntimeStdInputEof)},
    {"ReadError%b%o<StandardInputStream>", reinterpret_cast<void*>(&RuntimeStdInputError)},
};

RuntimeObject* lockedSingleton(RuntimeObject*& slot, RuntimeObject* (*make)()) {
    if (!slot) slot = make();
    RuntimeLockObject(slot);
    return slot;
}

} // namespace

RuntimeClass* StandardOutputStreamClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "StandardOutputStream",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(OutputFields)),
        .methods = kOutputMethods,
    });
    return c;
}

RuntimeClass* StandardInputStreamClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "StandardInputStream",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(InputFields)),
        .initializer = &initializeInput,
        .methods = kInputMethods,
    });
    return c;
}

extern "C" RuntimeObject* RuntimeGetStdOut() {
    return lockedSingleton(gStdOut, [] { return newOutputStream(true); });
}

extern "C" RuntimeObject* RuntimeGetStdErr() {
    return lockedSingleton(gStdErr, [] { return newOutputStream(false); });
}

extern "C" RuntimeObject* RuntimeGetStdIn() {
    return lockedSingleton(gStdIn, [] { return RuntimeNewObject(StandardInputStreamClass()); });
}

extern "C" void RuntimeStdOutputStreamWrite(RuntimeObject* stream, RTString s) {
    writeBytes(stream, terminalBytes(s));
}

extern "C" void RuntimeStdOutputStreamWriteLine(RuntimeObject* stream, RTString s) {
    writeBytes(stream, terminalBytes(s) + "\n");
}

extern "C" void RuntimeStdOutFlush(RuntimeObject* stream) { std::fflush(fileOf(stream)); }

extern "C" bool RuntimeStdOutputError(RuntimeObject* stream) { return std::ferror(fileOf(stream)) != 0; }

extern "C" void RuntimeConsolePrint(RTString s) {
    RuntimeObject* out = RuntimeGetStdOut();
    RuntimeStdOutputStreamWriteLine(out, s);
    RuntimeUnlockObject(out);
}

extern "C" RTString RuntimeConsoleInput() {
    RuntimeObject* in = RuntimeGetStdIn();
    RTString line = RuntimeStdInputReadLine(in);
    RuntimeUnlockObject(in);
    return line;
}

extern "C" RTString RuntimeStdInputReadLine(RuntimeObject* stream) {
    InputFields* input = inputFields(stream);
    std::string line;
    for (int byte = takeByte(input); byte != -1; byte = takeByte(input)) {
        if (byte == '\n' || byte == '\0') break;
        if (byte == 0xFF) continue;
        if (byte == '\r') {
            int next = ReadStandardInputByteIfReady();
            if (next != -1 && next != '\n') input->pendingByte = next;
            break;
        }
        line.push_back(char(byte));
    }
    return StringFromBytes(line.data(), line.size(), kEncodingUTF8);
}

extern "C" RTString RuntimeStdInputRead(RuntimeObject* stream, int32_t count, RuntimeObject* encoding) {
    InputFields* input = inputFields(stream);
    std::string text;
    while (int32_t(text.size()) < count) {
        int byte = takeByte(input);
        if (byte == -1) break;
        text.push_back(char(byte));
    }
    return StringFromBytes(text.data(), text.size(), TextEncodingCode(encoding));
}

extern "C" bool RuntimeStdInputEof(RuntimeObject* stream) {
    return inputFields(stream)->pendingByte == kNoPendingByte && std::feof(stdin) != 0;
}

extern "C" bool RuntimeStdInputError(RuntimeObject* stream) {
    inputFields(stream);
    return std::ferror(stdin) != 0;
}
