// Checks that a test gives back every string and object it made: the counts of
// live records when the guard ends equal those when it began.
#pragma once
#include <gtest/gtest.h>

#include "Common/objects.h"
#include "Universal/VELQstring.h"

class StringLeakGuard {
public:
    // The conversion cache holds references by design; it is emptied on both
    // sides so that only the test's own strings are counted.
    StringLeakGuard() {
        RuntimeClearStringConversionCache();
        strings_ = RuntimeLiveStringCount();
        objects_ = RuntimeLiveObjectCount();
    }
    ~StringLeakGuard() {
        RuntimeClearStringConversionCache();
        EXPECT_EQ(RuntimeLiveStringCount(), strings_) << "string records leaked or over-released";
        EXPECT_EQ(RuntimeLiveObjectCount(), objects_) << "objects leaked or over-released";
    }

private:
    int64_t strings_;
    int64_t objects_;
};
