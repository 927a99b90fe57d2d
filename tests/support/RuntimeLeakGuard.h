// Checks that a test gives back every string, object and array it made: the
// counts of live records when the guard ends equal those when it began.
#pragma once
#include <gtest/gtest.h>

#include "Common/array.h"
#include "Common/objects.h"
#include "Universal/VELQstring.h"

class RuntimeLeakGuard {
public:
    // The conversion cache holds references by design; it is emptied on both
    // sides so that only the test's own records are counted.
    RuntimeLeakGuard() {
        RuntimeClearStringConversionCache();
        strings_ = RuntimeLiveStringCount();
        objects_ = RuntimeLiveObjectCount();
        arrays_ = RuntimeLiveArrayCount();
    }
    ~RuntimeLeakGuard() {
        RuntimeClearStringConversionCache();
        EXPECT_EQ(RuntimeLiveStringCount(), strings_) << "strings leaked or over-released";
        EXPECT_EQ(RuntimeLiveObjectCount(), objects_) << "objects leaked or over-released";
        EXPECT_EQ(RuntimeLiveArrayCount(), arrays_) << "arrays leaked or over-released";
    }

private:
    int64_t strings_, objects_, arrays_;
};
