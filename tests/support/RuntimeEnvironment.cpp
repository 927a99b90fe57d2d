// Builds the runtime's own classes before any test runs: their records and
// names live for the whole process and must not count as a test's leaks.
#include <gtest/gtest.h>

#include "Common/objects.h"

namespace {

class RuntimeEnvironment : public testing::Environment {
public:
    void SetUp() override { RuntimeInitExternalClasses(); }
};

const auto* const kRegistered = testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

} // namespace
