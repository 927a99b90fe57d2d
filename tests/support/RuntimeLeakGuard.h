// The counts of live strings, objects and arrays, compared around every test
// by the unit tests' main (TestMain.cpp), and around a part of one by
// RuntimeLeakGuard.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Common/array.h"
#include "Common/objects.h"
#include "Universal/VELQstring.h"

struct LiveRecords {
    int64_t strings, objects, arrays;

    /// The counts now. The conversion cache holds references by design; it is
    /// emptied first, so that only records someone holds are counted.
    static LiveRecords Count() {
        RuntimeClearStringConversionCache();
        return {RuntimeLiveStringCount(), RuntimeLiveObjectCount(), RuntimeLiveArrayCount()};
    }

    /// Adds a failure for each kind whose count differs from `before`'s, naming `where`.
    void ExpectSameAs(const LiveRecords& before, const std::string& where) const {
        EXPECT_EQ(strings, before.strings) << where << ": strings leaked or over-released";
        EXPECT_EQ(objects, before.objects) << where << ": objects leaked or over-released";
        EXPECT_EQ(arrays, before.arrays) << where << ": arrays leaked or over-released";
    }
};

/// Checks that the code within its scope gives back every record it made.
class RuntimeLeakGuard {
public:
    ~RuntimeLeakGuard() { LiveRecords::Count().ExpectSameAs(before_, "within the guard"); }

private:
    LiveRecords before_ = LiveRecords::Count();
};

/// Said by a test whose records are meant to live for the whole process, such
/// as the class records it defines and their names: the check after the test
/// then passes it over, and the reason stands in the test's report.
inline void HoldsRecordsForTheProcess(const char* why) { testing::Test::RecordProperty("holds_records", why); }

/// Whether `test` said it holds records for the process.
inline bool HoldsRecordsForTheProcess(const testing::TestInfo& test) {
    const testing::TestResult& result = *test.result();
    for (int i = 0; i < result.test_property_count(); ++i)
        if (std::string(result.GetTestProperty(i).key()) == "holds_records") return true;
    return false;
}
