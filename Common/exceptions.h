// Exceptions: the RuntimeException class family, raising and re-raising, the
// stack check, and the unhandled-exception processing with its default report.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Universal/Forward.h"
#include "Common/Ref.h"
#include "Common/objects.h"

/// The fields of a RuntimeException after the object header.
struct ExceptionFields {
    int32_t errorNumber;
    RTString message;
    RuntimeArray* stack;  // one-dimensional String array
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(RuntimeObject) + offsetof(ExceptionFields, errorNumber) == 24);
static_assert(sizeof(RuntimeObject) + offsetof(ExceptionFields, message) == 28);
static_assert(sizeof(RuntimeObject) + offsetof(ExceptionFields, stack) == 32);
static_assert(sizeof(RuntimeObject) + sizeof(ExceptionFields) == 36);
#endif

/// The exception classes of the runtime, in the order of their table.
enum class ExceptionKind : int32_t {
    RuntimeException,
    NilObjectException,
    OutOfBoundsException,
    IllegalCastException,
    StackOverflowException,
    FunctionNotFoundException,
    EndException,
    ThreadEndException,
    TypeMismatchException,
    OutOfMemoryException,
    KeyNotFoundException,
    InvalidParentException,
    ThreadAlreadyRunningException,
    UnsupportedFormatException,
    IllegalLockingException,
    ServiceNotAvailableException,
    NoOpenTransportException,
    RegistryAccessErrorException,
    KeyChainException,
    OLEException,
};
/// The number of kinds: one past the last.
inline constexpr int32_t kExceptionKindCount = int32_t(ExceptionKind::OLEException) + 1;

/// The class record of an exception kind, built on first use.
RuntimeClass* RuntimeExceptionClass(ExceptionKind kind);

using ExceptionHook = void (*)(RuntimeObject* exc);

extern "C" {
/// Records the stack, tells the raise hook and delivers exc; nil does nothing. exc is borrowed.
void RuntimeRaiseException(RuntimeObject* exc);
/// Delivers exc again, keeping the stack recorded at its first raise; nil does nothing.
void RuntimeReraiseException(RuntimeObject* exc);
/// Raises a new NilObjectException.
[[noreturn]] void RaiseNilObjectException();
/// Raises a new OutOfBoundsException.
[[noreturn]] void RaiseOutOfBoundsException();
/// Raises a FunctionNotFoundException whose message names the function and the library.
[[noreturn]] void RuntimeRaiseFunctionNotFoundException(RTString functionName, RTString libraryName);
/// The unhandled-exception processing: the installed hook, or the assertion report without one.
void RuntimeUnhandledException(RuntimeObject* exc);
/// Raises StackOverflowException when less than 8,192 bytes remain above the thread's stack limit.
void RuntimeStackCheck();
/// Constructor of RuntimeException: makes the empty stack array.
void RuntimeExceptionInitializer(RuntimeObject* exc);
/// Finalizer of RuntimeException: releases the message and the stack array.
void RuntimeExceptionFinalizer(RuntimeObject* exc);
/// The stack array, with one reference for the caller.
RuntimeArray* RuntimeExceptionStack(RuntimeObject* exc);
}

/// Creates an exception of `kind` with a message and error number and raises it.
[[noreturn]] void RuntimeRaiseNew(ExceptionKind kind, RTString message = nullptr, int32_t errorNumber = 0);
/// The same with the message made from `text` in `encoding`; the message is
/// released however the raise ends.
[[noreturn]] void RuntimeRaiseMessage(ExceptionKind kind, std::string_view text, int32_t errorNumber = 0,
                                      uint32_t encoding = kEncodingASCII);

/// The unhandled processing for exc, then what a normal run does at its end:
/// the shutdown tasks. Gives the exit code to end with: the application's, 1 without one.
int32_t RuntimeFinishUnhandled(RuntimeObject* exc);
/// RuntimeFinishUnhandled, then the end of the process with its exit code.
[[noreturn]] void RuntimeEndUnhandled(RuntimeObject* exc);

/// Installs the hook run by RuntimeUnhandledException (null removes it).
void RuntimeSetUnhandledExceptionHook(ExceptionHook hook);
/// Installs the hook told of every raise (a debugger's; null removes it).
void RuntimeSetRaiseHook(ExceptionHook hook);
/// The hook installed at start-up: the application's UnhandledException event, then the default report.
void RuntimeDefaultUnhandledExceptionHook(RuntimeObject* exc);
/// Raises the application's UnhandledException event; installed by the application layer.
void RuntimeSetUnhandledEventRaiser(ExceptionHook raiser);

/// The names of the image methods on the stack, innermost first, as seen from
/// `frame`, the own frame of the raising runtime function.
using ImageStackNamer = std::vector<std::string> (*)(void** frame);
/// Installed by the image layer once image code is linked: a raise then fills
/// the exception's Stack with the image methods it passes. Without one the
/// Stack stays empty, as no image code can be on the stack.
void RuntimeSetImageStackNamer(ImageStackNamer namer);

/// Process-wide flags of the unhandled-exception processing.
bool RuntimeInUnhandledException();
bool RuntimeIsShutDown();
void RuntimeSetShutDown();

/// Sets the stack limit of the calling thread: `stackTop` minus `stackSize` bytes.
void RuntimeInitStackLimit(const void* stackTop, size_t stackSize);

namespace rt {

/// A runtime exception travelling through C++ code. Holds one reference to the
/// exception object; copies add their own.
class RaisedException {
public:
    /// Takes a new reference to `exc` (borrowed).
    explicit RaisedException(RuntimeObject* exc) noexcept : object_(Ref<>::retain(exc)) {}

    /// The exception object, borrowed for the life of this value.
    RuntimeObject* object() const noexcept { return object_.get(); }
    /// Whether the exception is of `kind` or one of its subclasses.
    bool is(ExceptionKind kind) const noexcept;
    int32_t errorNumber() const noexcept;
    /// The message, borrowed.
    RTString message() const noexcept;

private:
    Ref<> object_;
};

// Both deliveries throw this type; its layout is one object pointer.
static_assert(sizeof(RaisedException) == sizeof(RuntimeObject*));

} // namespace rt
