// Builds the runtime's own classes and its process-wide objects before any
// test runs: they live for the whole process and must not count as a test's leaks.
#include <gtest/gtest.h>

#include "Common/StandardStreams.h"
#include "Common/objects.h"

namespace {

class RuntimeEnvironment : public testing::Environment {
public:
    void SetUp() override {
        RuntimeInitExternalClasses();
        for (RuntimeObject* (*get)() : {&RuntimeGetStdOut, &RuntimeGetStdErr, &RuntimeGetStdIn})
            RuntimeUnlockObject(get());
    }
};

const auto* const kRegistered = testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

} // namespace
