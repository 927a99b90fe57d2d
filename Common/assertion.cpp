#include "Common/assertion.h"

#include <cstdio>

namespace {

const char* errorCodeName(int32_t code) {
    switch (code) {
    case kPluginTocLoadFailure: return "Plugin TOC Load Failure";
    case kInvalidClassDefinition: return "Invalid Class Definition";
    case kUnknownClass: return "Unknown Class";
    case kFailedAssertion: return "Failed Assertion";
    case kUnableToWriteToHandle: return "Unable to Write to Handle";
    // kMissingPlatformLibrary names a library of another platform; on Linux
    // it has no name and prints like an unknown code.
    case kCannotConnectToDebugger: return "Cannot Connect to Debugger";
    case kUnhandledExceptionError: return "Unhandled Exception";
    default: return nullptr;
    }
}

// glibc prints a null %s argument as "(null)"; the report relies on that text
// but must not rely on the library for it.
const char* orNull(const char* text) { return text ? text : "(null)"; }

} // namespace

extern "C" void RuntimeAssertionReport(int32_t, int32_t code, const char* file, int32_t line,
                                       const char* condition, const char* message) {
    std::printf("Runtime Error %d:%s\n\nPlease report what caused this error\nalong with the "
                "information below.\n\n%s: %d\nFailure Condition: %s\n%s\n\n",
                code, orNull(errorCodeName(code)), orNull(file), line, orNull(condition),
                orNull(message));
    std::fflush(stdout);
}
