// Checks that a test gives back every string, object and array it made.
#pragma once
#include <gtest/gtest.h>

#include "Common/array.h"
#include "Common/objects.h"
#include "Universal/VELQstring.h"

class RuntimeLeakGuard {
public:
    RuntimeLeakGuard()
        : strings_(RuntimeLiveStringCount()), objects_(RuntimeLiveObjectCount()), arrays_(RuntimeLiveArrayCount()) {}
    ~RuntimeLeakGuard() {
        EXPECT_EQ(RuntimeLiveStringCount(), strings_) << "strings leaked or over-released";
        EXPECT_EQ(RuntimeLiveObjectCount(), objects_) << "objects leaked or over-released";
        EXPECT_EQ(RuntimeLiveArrayCount(), arrays_) << "arrays leaked or over-released";
    }

private:
    int64_t strings_, objects_, arrays_;
};
