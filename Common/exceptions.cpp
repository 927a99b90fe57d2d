#include "Common/exceptions.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "Common/ConsoleApplication.h"
#include "Common/Ref.h"
#include "Common/Arrays.h"
#include "Common/array.h"
#include "Common/assertion.h"
#include "Universal/VELQstring.h"

namespace {

constexpr const char* kExceptionClassNames[] = {
    "RuntimeException",          "NilObjectException",          "OutOfBoundsException",
    "IllegalCastException",      "StackOverflowException",      "FunctionNotFoundException",
    "EndException",              "ThreadEndException",          "TypeMismatchException",
    "OutOfMemoryException",      "KeyNotFoundException",        "InvalidParentException",
    "ThreadAlreadyRunningException", "UnsupportedFormatException", "IllegalLockingException",
    "ServiceNotAvailableException", "NoOpenTransportException",  "RegistryAccessErrorException",
    "KeyChainException",         "OLEException",
};
static_assert(std::size(kExceptionClassNames) == kExceptionKindCount, "one class name per exception kind");

ExceptionHook gUnhandledHook = nullptr;
ExceptionHook gRaiseHook = nullptr;
ExceptionHook gUnhandledEventRaiser = nullptr;
ImageStackNamer gImageStackNamer = nullptr;
bool gInUnhandled = false;
bool gShutDown = false;

// Bytes left above the stack limit before StackOverflowException is raised.
constexpr uintptr_t kStackMargin = 8192;
thread_local uintptr_t tStackLimit = 0;

ExceptionFields* fields(RuntimeObject* exc) { return ObjectFields<ExceptionFields>(exc); }

const MethodDefinition kExceptionMethods[] = {
    {"Stack%A1s%o<RuntimeException>", reinterpret_cast<void*>(&RuntimeExceptionStack)},
};

const PropertyDefinition kExceptionProperties[] = {
    {"ErrorNumber%i4%", int32_t(sizeof(RuntimeObject) + offsetof(ExceptionFields, errorNumber))},
    {"Message%s%", int32_t(sizeof(RuntimeObject) + offsetof(ExceptionFields, message))},
};

constexpr int32_t kExceptionInstanceSize = int32_t(sizeof(RuntimeObject) + sizeof(ExceptionFields));

} // namespace

int32_t RuntimeFinishUnhandled(RuntimeObject* exc) {
    RuntimeUnhandledException(exc);
    // Without an application object no exit code was ever set; the run failed.
    int32_t exitCode = RuntimeApplicationObject() ? RuntimeExit() : 1;
    RuntimeRunShutdownTasks();
    return exitCode;
}

void RuntimeEndUnhandled(RuntimeObject* exc) { std::exit(RuntimeFinishUnhandled(exc)); }

namespace {

// Every exception is delivered through here, as a C++ exception: C++ handlers
// take it in C++ code, and where it reaches image code first, the frame
// description that the image layer gave the unwinder hands it to the frame walk.
[[noreturn]] void deliver(RuntimeObject* exc) { throw rt::RaisedException(exc); }

// Fills the stack array with the image methods on the stack, innermost first.
void recordStack(RuntimeObject* exc, void** frame) {
    RuntimeArray* stack = fields(exc)->stack;
    if (!stack) return;
    std::vector<std::string> names = gImageStackNamer ? gImageStackNamer(frame) : std::vector<std::string>();
    ArrayResize(stack, int32_t(names.size()) - 1);
    auto array = rt::Array<rt::String>::retain(stack);
    for (size_t i = 0; i < names.size(); ++i)
        array.set(int32_t(i), rt::String::adopt(StringFromBytes(names[i].data(), names[i].size(), kEncodingASCII)));
}

// Writes the default report of an exception nothing handled to standard error.
void writeDefaultReport(RuntimeObject* exc) {
    RTString message = fields(exc)->message;
    std::string report = "Exception Message: ";
    report.append(StringBytes(message), StringLength(message));
    report += "\nException Error Number: " + std::to_string(fields(exc)->errorNumber) + "\n";
    std::string sentence = "An exception of class %1 was not handled.  The application must shut down.";
    RTString className = exc->classRecord->name;
    sentence.replace(sentence.find("%1"), 2, std::string(StringBytes(className), StringLength(className)));
    report += sentence;
    std::fwrite(report.data(), 1, report.size(), stderr);
    std::fflush(stderr);
}

} // namespace

RuntimeClass* RuntimeExceptionClass(ExceptionKind kind) {
    // Every other kind is a plain subclass of RuntimeException, which holds the fields.
    static const std::array<RuntimeClass*, kExceptionKindCount> classes = [] {
        std::array<RuntimeClass*, kExceptionKindCount> made{};
        made[0] = RuntimeDefineClass({
            .name = kExceptionClassNames[0],
            .superclass = nullptr,
            .instanceSize = kExceptionInstanceSize,
            .initializer = &RuntimeExceptionInitializer,
            .finalizer = &RuntimeExceptionFinalizer,
            .methods = kExceptionMethods,
            .properties = kExceptionProperties,
        });
        for (size_t slot = 1; slot < made.size(); ++slot) {
            made[slot] = RuntimeDefineClass({
                .name = kExceptionClassNames[slot],
                .superclass = made[0],
                .instanceSize = kExceptionInstanceSize,
            });
        }
        return made;
    }();
    return classes[size_t(kind)];
}

extern "C" void RuntimeExceptionInitializer(RuntimeObject* exc) {
    fields(exc)->stack = CreateArray(1, kArrayString, -1);
}

extern "C" void RuntimeExceptionFinalizer(RuntimeObject* exc) {
    RuntimeUnlockString(std::exchange(fields(exc)->message, nullptr));
    RuntimeUnlockArray(std::exchange(fields(exc)->stack, nullptr));
}

extern "C" RuntimeArray* RuntimeExceptionStack(RuntimeObject* exc) {
    if (!exc) RaiseNilObjectException();
    return RuntimeLockArray(fields(exc)->stack);
}

// Kept out of line: the stack array names the image methods from this
// function's own frame outwards.
extern "C" __attribute__((noinline)) void RuntimeRaiseException(RuntimeObject* exc) {
    if (!exc) return;
    recordStack(exc, static_cast<void**>(__builtin_frame_address(0)));
    if (gRaiseHook) gRaiseHook(exc);
    deliver(exc);
}

extern "C" void RuntimeReraiseException(RuntimeObject* exc) {
    if (!exc) return;
    deliver(exc);
}

void RuntimeRaiseNew(ExceptionKind kind, RTString message, int32_t errorNumber) {
    // The raised value holds a reference of its own; this one goes with the handle.
    auto exc = rt::Ref<>::adopt(RuntimeNewObject(RuntimeExceptionClass(kind)));
    fields(exc.get())->errorNumber = errorNumber;
    RuntimeLockUnlockStrings(message, fields(exc.get())->message);
    fields(exc.get())->message = message;
    RuntimeRaiseException(exc.get());
    __builtin_unreachable();
}

void RuntimeRaiseMessage(ExceptionKind kind, std::string_view text, int32_t errorNumber, uint32_t encoding) {
    // The exception holds the message with a reference of its own.
    auto message = rt::String::adopt(StringFromBytes(text.data(), text.size(), encoding));
    RuntimeRaiseNew(kind, message.get(), errorNumber);
}

extern "C" void RaiseNilObjectException() { RuntimeRaiseNew(ExceptionKind::NilObjectException); }

namespace {
// Set while this thread makes and raises an OutOfMemoryException.
thread_local bool tRaisingOutOfMemory = false;
} // namespace

void RaiseOutOfMemoryException() {
    if (tRaisingOutOfMemory) {
        // The exception itself could not be made: there is nothing left to
        // report with but the standard error and the process's status.
        std::fflush(stdout);
        std::fputs("Out of memory, and not even the OutOfMemoryException could be made. "
                   "The application must shut down.\n",
                   stderr);
        std::_Exit(1);
    }
    struct Raising {
        Raising() { tRaisingOutOfMemory = true; }
        ~Raising() { tRaisingOutOfMemory = false; }  // as the raised exception leaves
    } raising;
    RuntimeRaiseNew(ExceptionKind::OutOfMemoryException);
}

extern "C" void RaiseOutOfBoundsException() { RuntimeRaiseNew(ExceptionKind::OutOfBoundsException); }

extern "C" void RuntimeRaiseFunctionNotFoundException(RTString functionName, RTString libraryName) {
    std::string text = "Could not load ";
    text.append(StringBytes(functionName), StringLength(functionName));
    text += " from ";
    text.append(StringBytes(libraryName), StringLength(libraryName));
    RuntimeRaiseMessage(ExceptionKind::FunctionNotFoundException, text, 0, StringEncodingCode(functionName));
}

extern "C" void RuntimeUnhandledException(RuntimeObject* exc) {
    if (!gUnhandledHook) {
        RUNTIME_ASSERT_FAILED("exceptions", "0", nullptr);
        return;
    }
    gUnhandledHook(exc);
}

void RuntimeDefaultUnhandledExceptionHook(RuntimeObject* exc) {
    gInUnhandled = true;
    if (RuntimeObjectIsa(exc, RuntimeExceptionClass(ExceptionKind::ThreadEndException))) return;
    bool isEnd = RuntimeObjectIsa(exc, RuntimeExceptionClass(ExceptionKind::EndException));
    if (!isEnd && gUnhandledEventRaiser) {
        // An exception raised by the event itself must not cut the report short.
        try {
            gUnhandledEventRaiser(exc);
        } catch (const rt::RaisedException&) {
        }
    }
    gInUnhandled = false;
    if (gShutDown) return;
    if (!isEnd) writeDefaultReport(exc);
    gShutDown = true;
}

void RuntimeSetUnhandledExceptionHook(ExceptionHook hook) { gUnhandledHook = hook; }
void RuntimeSetRaiseHook(ExceptionHook hook) { gRaiseHook = hook; }
void RuntimeSetUnhandledEventRaiser(ExceptionHook raiser) { gUnhandledEventRaiser = raiser; }
void RuntimeSetImageStackNamer(ImageStackNamer namer) { gImageStackNamer = namer; }
bool RuntimeInUnhandledException() { return gInUnhandled; }
bool RuntimeIsShutDown() { return gShutDown; }
void RuntimeSetShutDown() { gShutDown = true; }

void RuntimeInitStackLimit(const void* stackTop, size_t stackSize) {
    tStackLimit = reinterpret_cast<uintptr_t>(stackTop) - stackSize;
}

extern "C" void RuntimeStackCheck() {
    auto position = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (tStackLimit != 0 && position - kStackMargin < tStackLimit)
        RuntimeRaiseNew(ExceptionKind::StackOverflowException);
}

namespace rt {

bool RaisedException::is(ExceptionKind kind) const noexcept {
    return RuntimeObjectIsa(object(), RuntimeExceptionClass(kind));
}
int32_t RaisedException::errorNumber() const noexcept { return fields(object())->errorNumber; }
RTString RaisedException::message() const noexcept { return fields(object())->message; }

} // namespace rt
