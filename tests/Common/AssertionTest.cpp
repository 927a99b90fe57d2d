#include <gtest/gtest.h>

#include "Common/assertion.h"

TEST(AssertionReport, PrintsTheFixedFormatToStandardOutput) {
    testing::internal::CaptureStdout();
    RuntimeAssertionReport(131, kFailedAssertion, "relocentry", 42, "functionPtr == oldEntry->code", "extra");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Runtime Error 4:Failed Assertion\n\nPlease report what caused this error\n"
              "along with the information below.\n\nrelocentry: 42\n"
              "Failure Condition: functionPtr == oldEntry->code\nextra\n\n");
}

TEST(AssertionReport, AbsentMessageAndUnknownCodePrintAsNull) {
    testing::internal::CaptureStdout();
    RuntimeAssertionReport(131, 99, "objects", 7, "0", nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Runtime Error 99:(null)\n\nPlease report what caused this error\n"
              "along with the information below.\n\nobjects: 7\nFailure Condition: 0\n(null)\n\n");
}

TEST(AssertionReport, NamesEveryCodeOfTheTable) {
    const std::pair<int32_t, const char*> rows[] = {
        {1, "Plugin TOC Load Failure"}, {2, "Invalid Class Definition"}, {3, "Unknown Class"},
        {4, "Failed Assertion"},        {5, "Unable to Write to Handle"}, {7, "Cannot Connect to Debugger"},
        {8, "Unhandled Exception"},
    };
    for (const auto& [code, name] : rows) {
        SCOPED_TRACE(code);
        testing::internal::CaptureStdout();
        RuntimeAssertionReport(131, code, "f", 1, "c", "m");
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.substr(0, out.find('\n')), "Runtime Error " + std::to_string(code) + ":" + name);
    }
}
