// Running out of memory: every allocation an entry point makes, refused in turn
// through the allocation layer's test seam, raises OutOfMemoryException and
// leaves the records it was given as they were, with nothing leaked.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Common/Arrays.h"
#include "Common/MemoryBlock.h"
#include "Common/String.h"
#include "Common/array.h"
#include "Common/exceptions.h"
#include "Common/objects.h"
#include "Common/runMemoryBlock.h"
#include "Universal/RecordMemory.h"
#include "support/RuntimeLeakGuard.h"

namespace {

/// Refuses record allocations while it lives.
class Refusal {
public:
    explicit Refusal(uint32_t skipped, uint32_t refused = 1) { RefuseRecordAllocations(skipped, refused); }
    ~Refusal() { RefuseRecordAllocations(0, 0); }
};

/// The records an operation works on, made anew for each attempt.
struct Subject {
    rt::Array<rt::String> strings = rt::Array<rt::String>::ofSize(16);  // its buffer full
    rt::MemoryBlock block = rt::MemoryBlock::ofSize(4);
    rt::String left{"left "}, right{"right"};

    Subject() {
        for (int32_t i = 0; i < strings.size(); ++i) strings.set(i, rt::String("s" + std::to_string(i)));
        for (int32_t i = 0; i < block.size(); ++i) block.setByte(i, i + 1);
    }

    std::string describe() const {
        std::string text;
        for (const rt::String& s : strings) text.append(s.bytes()) += ",";
        text += "|block";
        for (int32_t i = 0; i < block.size(); ++i) text += " " + std::to_string(block.byte(i));
        return text + "|" + std::string(left.bytes()) + std::string(right.bytes());
    }
};

template <typename R, typename... Args>
R call(RuntimeArray* a, ArraySlot slot, Args... args) {
    return reinterpret_cast<R (*)(RuntimeArray*, Args...)>(a->operations->slots[slot])(a, args...);
}

struct Operation {
    const char* what;
    void (*run)(Subject&);
};

const Operation kOperations[] = {
    {"array insert", [](Subject& s) { call<void>(s.strings.get(), kSlotInsert, 0, s.left.get()); }},
    {"array append", [](Subject& s) { call<void>(s.strings.get(), kSlotInsert, 16, s.left.get()); }},
    {"array resize larger", [](Subject& s) { ArrayResize(s.strings.get(), 31); }},
    {"array resize smaller", [](Subject& s) { ArrayResize(s.strings.get(), 3); }},
    {"array remove", [](Subject& s) { call<void>(s.strings.get(), kSlotRemove, 5); }},
    {"array creation", [](Subject&) { RuntimeUnlockArray(CreateArray(2, kArrayInt32, 3, 4)); }},
    {"string concatenation", [](Subject& s) { RuntimeUnlockString(RuntimeAddString(s.left.get(), s.right.get())); }},
    {"string from bytes", [](Subject&) { RuntimeUnlockString(StringFromBytes("bytes", 5, kEncodingUTF8)); }},
    {"memory block size", [](Subject& s) { memoryBlockSetSize(s.block.get(), 64); }},
    {"memory block creation", [](Subject&) { RuntimeUnlockObject(newMemoryBlock(8)); }},
    {"memory block from string", [](Subject& s) { RuntimeUnlockObject(MemoryBlockFromStringOperator(s.left.get())); }},
    {"object creation", [](Subject&) {
         RuntimeUnlockObject(RuntimeNewObject(RuntimeExceptionClass(ExceptionKind::KeyNotFoundException)));
     }},
    // A class record stays for the process; made here it is one more unused class.
    {"class record", [](Subject&) { RuntimeNewClass(nullptr, 1, 0, 1, 0, 1); }},
};

} // namespace

TEST(RecordMemory, EveryRefusedAllocationRaisesAndLeavesTheRecordsWhole) {
    for (const Operation& operation : kOperations) {
        SCOPED_TRACE(operation.what);
        uint32_t refusals = 0;
        for (uint32_t skipped = 0;; ++skipped) {
            SCOPED_TRACE("allocations let through first: " + std::to_string(skipped));
            ASSERT_LT(skipped, 16u) << "the operation never ends";
            RuntimeLeakGuard guard;
            Subject subject;
            const std::string before = subject.describe();
            bool raised = false, refused = false;
            {
                Refusal refusal(skipped);
                try {
                    operation.run(subject);
                } catch (const rt::RaisedException& e) {
                    EXPECT_TRUE(e.is(ExceptionKind::OutOfMemoryException));
                    raised = true;
                }
                refused = !RecordAllocationRefusalPending();
            }
            if (!refused) {
                EXPECT_FALSE(raised);
                break;  // every allocation the operation makes was refused once
            }
            EXPECT_TRUE(raised) << "a refused allocation went unreported";
            if (!raised) break;
            EXPECT_EQ(subject.describe(), before);
            ++refusals;
        }
        EXPECT_GT(refusals, 0u) << "the operation allocates nothing";
    }
}

TEST(RecordMemory, BuffersPastThe32BitLengthFieldsAreRefused) {
    const Operation rows[] = {
        {"array resize", [](Subject& s) { ArrayResize(s.strings.get(), INT32_MAX - 1); }},
        {"array creation", [](Subject&) { RuntimeUnlockArray(CreateArray(2, kArrayInt32, 65535, 65535)); }},
    };
    for (const Operation& row : rows) {
        SCOPED_TRACE(row.what);
        RuntimeLeakGuard guard;
        Subject subject;
        const std::string before = subject.describe();
        try {
            row.run(subject);
            ADD_FAILURE() << "nothing was raised";
        } catch (const rt::RaisedException& e) {
            EXPECT_TRUE(e.is(ExceptionKind::OutOfMemoryException));
        }
        EXPECT_EQ(subject.describe(), before);
    }
}

TEST(RecordMemoryDeathTest, RunningOutWhileRaisingEndsTheProcessWithAMessage) {
    rt::String left("left "), right("right");
    EXPECT_EXIT(
        {
            RefuseRecordAllocations(0, UINT32_MAX);
            RuntimeAddString(left.get(), right.get());
        },
        testing::ExitedWithCode(1), "Out of memory, and not even the OutOfMemoryException could be made");
}
