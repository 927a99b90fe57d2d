// Address patterns of the settings: "*" parts and the point a pattern leaves out.
#include <gtest/gtest.h>

#include "app/AddressPattern.h"

TEST(AddressPattern, StarsTakeAnyNumberAndAMissingPointIsZero) {
    struct Row {
        const char* pattern;
        bool valid;
        FidoAddress address;
        bool fits;
    };
    const Row rows[] = {
        {"2:5020/*", true, {2, 5020, 7, 0}, true},
        {"2:5020/*", true, {2, 5020, 7, 1}, false},
        {"2:5020/*.*", true, {2, 5020, 7, 1}, true},
        {"*:*/*.*", true, {65535, 0, 0, 65535}, true},
        {"2:5020/1", true, {2, 5021, 1, 0}, false},
        {"2:*/1.0", true, {2, 5021, 1, 0}, true},
        {"2:5020", false, {}, false},
        {"2/5020:1", false, {}, false},
        {"2:5020/65536", false, {}, false},
        {"2:50*/1", false, {}, false},
        {"2:5020/1.", false, {}, false},
        {"2:5020/1@fidonet", false, {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        std::optional<AddressPattern> pattern = ParseAddressPattern(row.pattern);
        ASSERT_EQ(pattern.has_value(), row.valid);
        if (pattern) {
            EXPECT_EQ(Fits(*pattern, row.address), row.fits);
        }
    }
}
