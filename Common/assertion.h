// The runtime's report of a failed internal check. The runtime never stops on
// a failed check: it prints the report to standard output and goes on.
#pragma once
#include <cstdint>

#include "Universal/Forward.h"

/// Error codes of the assertion report; every check of the runtime uses kFailedAssertion.
enum RuntimeErrorCode : int32_t {
    kPluginTocLoadFailure = 1,
    kInvalidClassDefinition = 2,
    kUnknownClass = 3,
    kFailedAssertion = kFailedAssertionCode,
    kUnableToWriteToHandle = 5,
    kMissingPlatformLibrary = 6,
    kCannotConnectToDebugger = 7,
    kUnhandledExceptionError = 8,
};

extern "C" {
/// Prints the assertion report to standard output and returns. `unused` is the
/// fixed first value 131; a null `message`, and a code with no name, print "(null)".
void RuntimeAssertionReport(int32_t unused, int32_t code, const char* file, int32_t line,
                            const char* condition, const char* message);
}

/// Reports a failed check from runtime module `module` at the calling line.
#define RUNTIME_ASSERT_FAILED(module, condition, message) \
    RuntimeAssertionReport(131, kFailedAssertion, (module), __LINE__, (condition), (message))

/// Reports `condition` (as its source text) when it does not hold; yields whether it held.
#define RUNTIME_CHECK(module, condition, message) \
    ((condition) ? true : (RUNTIME_ASSERT_FAILED((module), #condition, (message)), false))
