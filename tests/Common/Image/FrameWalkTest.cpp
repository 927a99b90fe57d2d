#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "Common/array.h"
#include "Common/exceptions.h"
#include "Common/Image/loaderX86.h"
#include "Common/objects.h"
#include "Common/Image/relocentry.h"
#include "Universal/VELQstring.h"
#include "support/RuntimeLeakGuard.h"

// The image functions of tests/images/frames_*.S. Their landing codes report
// through functions the test enters into the entry-point table.
namespace {

std::string gNotes;
RuntimeObject* gCaught = nullptr;
int32_t gCaughtReferences = 0;
// The landing code lets the exception go: what the test looks at is kept.
RuntimeClass* gCaughtClass = nullptr;
std::vector<std::string> gCaughtStack;

std::vector<std::string> stackNames(RuntimeObject* exc) {
    RuntimeArray* stack = RuntimeExceptionStack(exc);
    std::vector<std::string> names;
    auto get = reinterpret_cast<RTString (*)(RuntimeArray*, int32_t)>(stack->operations->slots[kSlotGet]);
    for (int32_t i = 0; i <= RuntimeUBound(stack); ++i) {
        RTString name = get(stack, i);
        names.emplace_back(StringBytes(name), StringLength(name));
        RuntimeUnlockString(name);
    }
    RuntimeUnlockArray(stack);
    return names;
}

extern "C" void TestNote(int letter) { gNotes += char(letter); }
extern "C" void TestCaught(RuntimeObject* exc) {
    gCaught = exc;
    gCaughtReferences = exc->refCount;
    gCaughtClass = exc->classRecord;
    gCaughtStack = stackNames(exc);
}

using ImageFunction = int (*)(RuntimeObject*);

// Runtime code between image frames: a C++ frame whose destructor notes 'D'
// around a runtime entry point given nil, and one around a call back into the
// image function gCallBack.
ImageFunction gCallBack = nullptr;
struct NoteOnExit {
    ~NoteOnExit() { TestNote('D'); }
};
extern "C" void TestGuardedNil(RuntimeObject* exc) {
    NoteOnExit guard;
    RuntimeUnlockArray(RuntimeExceptionStack(exc));
}
extern "C" void TestCallBack(RuntimeObject* exc) {
    NoteOnExit guard;
    gCallBack(exc);
}
extern "C" void TestThrowCpp(RuntimeObject*) { throw std::runtime_error("not a runtime exception"); }

class FrameWalk : public testing::Test {
protected:
    void SetUp() override {
        RuntimeRegisterEntryPoint("TestNote", reinterpret_cast<void*>(&TestNote));
        RuntimeRegisterEntryPoint("TestCaught", reinterpret_cast<void*>(&TestCaught));
        RuntimeRegisterEntryPoint("TestGuardedNil", reinterpret_cast<void*>(&TestGuardedNil));
        RuntimeRegisterEntryPoint("TestCallBack", reinterpret_cast<void*>(&TestCallBack));
        RuntimeRegisterEntryPoint("TestThrowCpp", reinterpret_cast<void*>(&TestThrowCpp));
        ImageBlocks blocks = RuntimeReadImage(FRAME_TEST_IMAGE);
        symbols_ = blocks.symbols;
        code_ = RuntimeLinkImage(blocks);
        ASSERT_NE(code_, 0u);
        gNotes.clear();
        gCaught = nullptr;
        RuntimeInitExternalClasses();
    }

    // The image function of that name, found through the symbols block.
    ImageFunction function(const char* name) const {
        uint32_t count;
        std::memcpy(&count, symbols_.data(), 4);
        const char* names = reinterpret_cast<const char*>(symbols_.data() + 4 + 8 * count);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t offset, nameOffset;
            std::memcpy(&offset, symbols_.data() + 4 + 8 * i, 4);
            std::memcpy(&nameOffset, symbols_.data() + 8 + 8 * i, 4);
            if (std::strcmp(names + nameOffset, name) == 0) return reinterpret_cast<ImageFunction>(code_ + offset);
        }
        ADD_FAILURE() << "no image function " << name;
        return nullptr;
    }

    static RuntimeObject* newException() {
        return RuntimeNewObject(RuntimeExceptionClass(ExceptionKind::RuntimeException));
    }

    std::vector<uint8_t> symbols_;
    uintptr_t code_ = 0;
};

} // namespace

// Innermost cleanup first, each re-raise outwards, and the catching function's
// slot holds the exception with one reference of its own.
TEST_F(FrameWalk, CleanupsRunInnermostFirstAndTheCatcherGetsOneReference) {
    RuntimeObject* exc = newException();
    EXPECT_EQ(function("CatchAll")(exc), 1);
    EXPECT_EQ(gNotes, "RIO");  // RaiseIn goes on after its call; then Inner's and Outer's cleanups
    EXPECT_EQ(gCaught, exc);
    EXPECT_EQ(gCaughtReferences, 2);  // the test's and the slot's
    EXPECT_EQ(exc->refCount, 1);
    EXPECT_EQ(stackNames(exc), (std::vector<std::string>{"RaiseIn", "Inner", "Outer", "CatchAll"}));
    RuntimeUnlockObject(exc);
}

// Raised by runtime code that image code called, the exception passes the C++
// frames between (their destructors first) to the innermost image handler; a
// re-raise there goes on outwards through C++ frames that called back into the
// image.
TEST_F(FrameWalk, RuntimeRaisesReachImageHandlersAfterTheCppCleanups) {
    gCallBack = function("Inner");
    struct Row {
        const char* function;
        bool raisesNil;  // else RaiseIn raises the test's RuntimeException
        const char* notes;
        std::vector<std::string> stack;  // its innermost names: C++ frames may cut the chain short
    } rows[] = {
        {"CatchNilFromRuntime", true, "", {"CatchNilFromRuntime"}},
        {"CatchAroundGuard", true, "DI", {"InnerGuarded", "CatchAroundGuard"}},
        {"CatchAroundCallBack", false, "RIDO", {"RaiseIn", "Inner"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        RuntimeLeakGuard leaks;
        gNotes.clear();
        gCaught = nullptr;
        RuntimeObject* exc = row.raisesNil ? nullptr : newException();
        EXPECT_EQ(function(row.function)(exc), 1);
        EXPECT_EQ(gNotes, row.notes);
        ASSERT_NE(gCaught, nullptr);
        ExceptionKind kind = row.raisesNil ? ExceptionKind::NilObjectException : ExceptionKind::RuntimeException;
        EXPECT_EQ(gCaughtClass, RuntimeExceptionClass(kind));
        EXPECT_EQ(gCaughtReferences, row.raisesNil ? 1 : 2);  // the slot's, and the test's when it made it
        gCaughtStack.resize(std::min(gCaughtStack.size(), row.stack.size()));
        EXPECT_EQ(gCaughtStack, row.stack);
        if (exc) {
            EXPECT_EQ(gCaught, exc);
            EXPECT_EQ(exc->refCount, 1);
            RuntimeUnlockObject(exc);
        }
    }
}

// Without a handler in the image, the exception goes straight to the C++ code
// around it: nothing after the raise runs in image code.
TEST_F(FrameWalk, WithoutAHandlerTheCppCallerCatches) {
    RuntimeObject* exc = newException();
    try {
        function("RaiseIn")(exc);
        ADD_FAILURE() << "nothing was raised";
    } catch (const rt::RaisedException& raised) {
        EXPECT_EQ(raised.object(), exc);
    }
    EXPECT_EQ(gNotes, "");
    RuntimeUnlockObject(exc);
}

// A frame larger than 4 KiB, or a link of 0, ends the walk: the handler outside
// is never reached and the unhandled processing ends the process. The rules
// hold from the first image frame on when runtime code raised.
TEST_F(FrameWalk, ABrokenOrStretchedChainEndsTheWalk) {
    struct Row {
        const char* function;
        bool raisesNil;
        const char* report;
    } rows[] = {
        {"CatchAroundBigFrame", false, "unhandled RuntimeException"},
        {"CatchBrokenChain", false, "unhandled RuntimeException"},
        {"CatchAroundBigFrameAroundRuntime", true, "unhandled NilObjectException"},
    };
    // The hook tells the class of what reached the unhandled processing; the
    // default report's own wording is tested with the exceptions, and its
    // once-per-process rule would hide it here after an earlier test.
    ExceptionHook tell = [](RuntimeObject* exc) {
        RTString name = exc->classRecord->name;
        std::fprintf(stderr, "unhandled %.*s\n", int(StringLength(name)), StringBytes(name));
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        ImageFunction run = function(row.function);
        EXPECT_EXIT(
            {
                RuntimeSetUnhandledExceptionHook(tell);
                run(row.raisesNil ? nullptr : newException());
                std::exit(0);
            },
            testing::ExitedWithCode(1), row.report);
    }
}

// Image code has no way to take a C++ exception that carries no runtime
// exception: reaching an image frame, it ends the process as one leaving a
// noexcept function does, naming its type.
TEST_F(FrameWalk, AnotherCppExceptionEndsTheProcessAtImageCode) {
    ImageFunction run = function("CatchAroundCppThrow");
    EXPECT_DEATH(run(nullptr), "terminate called after throwing an instance of 'std::runtime_error'");
}
