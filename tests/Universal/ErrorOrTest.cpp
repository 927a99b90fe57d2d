#include "Universal/ErrorOr.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace {

ErrorOr<int> half(int n) {
    if (n % 2) return SystemError{n};
    return n / 2;
}

// Halves twice through TRY: the first odd number ends the chain with its error.
ErrorOr<std::string> quarter(int n) {
    int q = TRY(half(TRY(half(n))));
    return std::to_string(q);
}

// A caller whose error is wider than its callee's: TRY passes the narrower one on.
ErrorOr<void, std::variant<SystemError, std::string>> checkEven(int n) {
    TRY(half(n));
    return {};
}

} // namespace

TEST(ErrorOr, TryPassesTheFirstErrorOnAndTheValueThrough) {
    struct Row {
        int n;
        const char* value;  // null: an error
        int error;
    };
    const Row rows[] = {{8, "2", 0}, {0, "0", 0}, {7, 0, 7}, {6, 0, 3}, {-4, "-1", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.n);
        ErrorOr<std::string> result = quarter(row.n);
        ASSERT_EQ(result.isError(), row.value == nullptr);
        if (row.value) EXPECT_EQ(result.value(), row.value);
        else EXPECT_EQ(result.error().number, row.error);
        auto even = checkEven(row.n);
        ASSERT_EQ(even.isError(), row.n % 2 != 0);
        if (even.isError()) {
            EXPECT_EQ(std::get<SystemError>(even.error()).number, row.n);
        }
    }
}
