#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Common/Ref.h"
#include "Common/array.h"
#include "Common/exceptions.h"
#include "Universal/VELQstring.h"
#include "support/RuntimeLeakGuard.h"

namespace {

std::string text(RTString s) { return std::string(StringBytes(s), StringLength(s)); }

// Restores the process-wide hooks and flags a test changes.
class HookGuard {
public:
    ~HookGuard() {
        RuntimeSetUnhandledExceptionHook(nullptr);
        RuntimeSetUnhandledEventRaiser(nullptr);
        RuntimeSetRaiseHook(nullptr);
    }
};

rt::Ref<> newException(ExceptionKind kind) {
    return rt::Ref<>::adopt(RuntimeNewObject(RuntimeExceptionClass(kind)));
}

} // namespace

TEST(ExceptionClasses, EveryKindHasItsNameAndDerivesFromRuntimeException) {
    const char* names[] = {"RuntimeException", "NilObjectException", "OutOfBoundsException", "IllegalCastException",
                           "StackOverflowException", "FunctionNotFoundException", "EndException",
                           "ThreadEndException", "TypeMismatchException", "OutOfMemoryException",
                           "KeyNotFoundException", "InvalidParentException", "ThreadAlreadyRunningException",
                           "UnsupportedFormatException", "IllegalLockingException", "ServiceNotAvailableException",
                           "NoOpenTransportException", "RegistryAccessErrorException", "KeyChainException",
                           "OLEException"};
    RuntimeClass* base = RuntimeExceptionClass(ExceptionKind::RuntimeException);
    for (int32_t kind = 0; kind < kExceptionKindCount; ++kind) {
        SCOPED_TRACE(names[kind]);
        RuntimeClass* c = RuntimeExceptionClass(ExceptionKind(kind));
        EXPECT_EQ(text(c->name), names[kind]);
        EXPECT_EQ(c->instanceSize, base->instanceSize);
        EXPECT_EQ(c->superclass, kind == 0 ? nullptr : base);
    }
}

TEST(ExceptionObjects, StartWithZeroNumberEmptyMessageAndAnEmptyStack) {
    auto exc = newException(ExceptionKind::IllegalCastException);
    auto* f = ObjectFields<ExceptionFields>(exc.get());
    EXPECT_EQ(f->errorNumber, 0);
    EXPECT_EQ(f->message, nullptr);
    RuntimeArray* stack = RuntimeExceptionStack(exc.get());
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(RuntimeUBound(stack), -1);
    EXPECT_EQ(stack->refCount, 2);
    RuntimeUnlockArray(stack);
}

TEST(ExceptionRaising, DeliversToCxxWithOneReferenceAndNilDoesNothing) {
    RuntimeRaiseException(nullptr);
    RuntimeReraiseException(nullptr);
    auto exc = newException(ExceptionKind::TypeMismatchException);
    try {
        RuntimeRaiseException(exc.get());
        FAIL();
    } catch (const rt::RaisedException& raised) {
        EXPECT_EQ(raised.object(), exc.get());
        EXPECT_EQ(exc->refCount, 2);
        EXPECT_TRUE(raised.is(ExceptionKind::RuntimeException));
        EXPECT_FALSE(raised.is(ExceptionKind::NilObjectException));
    }
    EXPECT_EQ(exc->refCount, 1);
}

TEST(ExceptionRaising, TheRaiseHookSeesEveryRaiseButNotReraises) {
    HookGuard hooks;
    static int seen = 0;
    seen = 0;
    RuntimeSetRaiseHook([](RuntimeObject*) { ++seen; });
    auto exc = newException(ExceptionKind::RuntimeException);
    EXPECT_THROW(RuntimeRaiseException(exc.get()), rt::RaisedException);
    EXPECT_THROW(RuntimeReraiseException(exc.get()), rt::RaisedException);
    EXPECT_EQ(seen, 1);
}

// The leak check around every test catches a reference taken or given back twice.
TEST(ExceptionRaising, ARaisedValueHoldsItsOwnReference) {
    rt::RaisedException first(newException(ExceptionKind::NilObjectException).get());
    rt::RaisedException copy = first;
    rt::RaisedException other(newException(ExceptionKind::RuntimeException).get());
    other = copy;
    other = static_cast<const rt::RaisedException&>(other);
    rt::RaisedException moved = std::move(copy);
    EXPECT_TRUE(other.is(ExceptionKind::NilObjectException));
    EXPECT_EQ(other.object(), first.object());
    EXPECT_EQ(moved.object(), first.object());
}

TEST(ExceptionRaising, InnermostCleanupRunsFirstAndReraiseContinuesOutwards) {
    std::vector<std::string> order;
    try {
        try {
            try {
                RaiseOutOfBoundsException();
            } catch (const rt::RaisedException& e) {
                order.push_back("inner");
                RuntimeReraiseException(e.object());
            }
        } catch (const rt::RaisedException& e) {
            order.push_back("middle");
            RuntimeReraiseException(e.object());
        }
    } catch (const rt::RaisedException& e) {
        order.push_back("outer");
        EXPECT_TRUE(e.is(ExceptionKind::OutOfBoundsException));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"inner", "middle", "outer"}));
}

TEST(ExceptionRaising, FreshExceptionsCarryTheirMessageAndNumber) {
    try {
        RaiseNilObjectException();
    } catch (const rt::RaisedException& e) {
        EXPECT_TRUE(e.is(ExceptionKind::NilObjectException));
        EXPECT_EQ(e.errorNumber(), 0);
        EXPECT_EQ(e.message(), nullptr);
    }
    RTString function = StringFromBytes("Frob", 4, kEncodingUTF8);
    RTString library = StringFromBytes("libfrob.so.1", 12, kEncodingUTF8);
    try {
        RuntimeRaiseFunctionNotFoundException(function, library);
    } catch (const rt::RaisedException& e) {
        EXPECT_TRUE(e.is(ExceptionKind::FunctionNotFoundException));
        EXPECT_EQ(text(e.message()), "Could not load Frob from libfrob.so.1");
    }
    RuntimeUnlockString(function);
    RuntimeUnlockString(library);
    RTString message = StringFromBytes("disk full", 9, kEncodingUTF8);
    try {
        RuntimeRaiseNew(ExceptionKind::RuntimeException, message, 28);
    } catch (const rt::RaisedException& e) {
        EXPECT_EQ(e.errorNumber(), 28);
        EXPECT_EQ(e.message(), message);
    }
    RuntimeUnlockString(message);
}

TEST(ExceptionRaising, MessagesFromTextKeepTheirBytesEncodingAndNumber) {
    struct Row {
        const char* name;
        ExceptionKind kind;
        std::string_view text;
        int32_t errorNumber;
        uint32_t encoding;
    };
    const Row rows[] = {
        {"plain ASCII", ExceptionKind::IllegalLockingException, "Called Semaphore.Release too many times.", 0,
         kEncodingASCII},
        {"UTF-8 with a number", ExceptionKind::RuntimeException, "Datei \xC3\xBC", 9, kEncodingUTF8},
        {"empty text", ExceptionKind::ThreadAlreadyRunningException, "", 0, kEncodingASCII},
        {"NUL inside", ExceptionKind::RuntimeException, std::string_view("a\0b", 3), 2, kEncodingASCII},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RuntimeLeakGuard guard;  // the message goes with the exception
        bool caught = false;
        try {
            RuntimeRaiseMessage(row.kind, row.text, row.errorNumber, row.encoding);
        } catch (const rt::RaisedException& e) {
            caught = true;
            EXPECT_TRUE(e.is(row.kind));
            EXPECT_EQ(text(e.message()), row.text);
            EXPECT_EQ(StringEncodingCode(e.message()), row.encoding);
            EXPECT_EQ(e.errorNumber(), row.errorNumber);
        }
        EXPECT_TRUE(caught);
    }
}

TEST(ExceptionUnhandled, WithoutAHookTheAssertionReportIsPrinted) {
    HookGuard hooks;
    auto exc = newException(ExceptionKind::RuntimeException);
    testing::internal::CaptureStdout();
    RuntimeUnhandledException(exc.get());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Failure Condition: 0\n(null)\n"), std::string::npos);
}

TEST(ExceptionUnhandled, DefaultReportForANilObjectExceptionIsThreeLinesWithoutALineEnd) {
    HookGuard hooks;
    RuntimeSetUnhandledExceptionHook(&RuntimeDefaultUnhandledExceptionHook);
    static std::vector<RuntimeObject*> eventSeen;
    eventSeen.clear();
    RuntimeSetUnhandledEventRaiser([](RuntimeObject* exc) { eventSeen.push_back(exc); });
    auto exc = newException(ExceptionKind::NilObjectException);
    bool wasShutDown = RuntimeIsShutDown();
    testing::internal::CaptureStderr();
    RuntimeUnhandledException(exc.get());
    std::string report = testing::internal::GetCapturedStderr();
    if (!wasShutDown) {
        EXPECT_EQ(report, "Exception Message: \nException Error Number: 0\nAn exception of class "
                          "NilObjectException was not handled.  The application must shut down.");
    }
    EXPECT_TRUE(RuntimeIsShutDown());
    EXPECT_EQ(eventSeen, std::vector<RuntimeObject*>{exc.get()});
    EXPECT_FALSE(RuntimeInUnhandledException());

    // Once shut down, the event still hears of exceptions but nothing more is printed.
    testing::internal::CaptureStderr();
    RuntimeUnhandledException(exc.get());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(eventSeen.size(), 2u);
}

TEST(ExceptionUnhandled, EndAndThreadEndExceptionsPrintNothingAndSkipTheEvent) {
    HookGuard hooks;
    RuntimeSetUnhandledExceptionHook(&RuntimeDefaultUnhandledExceptionHook);
    static int events = 0;
    events = 0;
    RuntimeSetUnhandledEventRaiser([](RuntimeObject*) { ++events; });
    auto end = newException(ExceptionKind::EndException);
    auto threadEnd = newException(ExceptionKind::ThreadEndException);
    testing::internal::CaptureStderr();
    RuntimeUnhandledException(end.get());
    RuntimeUnhandledException(threadEnd.get());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(events, 0);
    // A ThreadEndException stops before the in-unhandled flag is cleared.
    EXPECT_TRUE(RuntimeInUnhandledException());
    RuntimeUnhandledException(end.get());
    EXPECT_FALSE(RuntimeInUnhandledException());
}

TEST(ExceptionStack, CheckRaisesStackOverflowNearTheLimit) {
    char here = 0;
    RuntimeInitStackLimit(&here, 256 * 1024);
    EXPECT_NO_THROW(RuntimeStackCheck());
    // A limit just below this frame leaves less than the 8,192-byte margin.
    RuntimeInitStackLimit(&here, 4096);
    try {
        RuntimeStackCheck();
        ADD_FAILURE() << "no StackOverflowException";
    } catch (const rt::RaisedException& e) {
        EXPECT_TRUE(e.is(ExceptionKind::StackOverflowException));
    }
    RuntimeInitStackLimit(nullptr, 0);
}

namespace {

std::vector<std::string> gCleanups;

// A function's cleanup, as compiled code runs it while an exception passes.
struct Cleanup {
    const char* name;
    ~Cleanup() { gCleanups.push_back(name); }
};

void third() {
    Cleanup cleanup{"third"};
    RaiseNilObjectException();
}
void second() {
    Cleanup cleanup{"second"};
    third();
}
void first() {
    Cleanup cleanup{"first"};
    second();
}

// Recurses until the stack check stops it; the bound only keeps a broken check
// from running into the real end of the stack.
int recurse(int depth) {
    volatile char frame[1024];
    frame[0] = char(depth);
    RuntimeStackCheck();
    return depth > 100000 ? depth : recurse(depth + 1) + frame[0];
}

} // namespace

TEST(ExceptionRaising, AHandlerThreeCallsUpCatchesAfterTheInnerCleanups) {
    gCleanups.clear();
    bool caught = false;
    try {
        first();
    } catch (const rt::RaisedException& e) {
        caught = e.is(ExceptionKind::NilObjectException);
        EXPECT_EQ(gCleanups, (std::vector<std::string>{"third", "second", "first"}));
    }
    EXPECT_TRUE(caught);
}

TEST(ExceptionStack, DeepRecursionRaisesStackOverflowInsteadOfCrashing) {
    char here = 0;
    RuntimeInitStackLimit(&here, 256 * 1024);
    bool overflowed = false;
    try {
        recurse(0);
    } catch (const rt::RaisedException& e) {
        overflowed = e.is(ExceptionKind::StackOverflowException);
    }
    RuntimeInitStackLimit(nullptr, 0);
    EXPECT_TRUE(overflowed);
}
