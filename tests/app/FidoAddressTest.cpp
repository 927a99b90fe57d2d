#include "AppFixture.h"

namespace {

class ParseAddr : public AppFixture {};

} // namespace

TEST_F(ParseAddr, AcceptedAddressesGiveTheirFourNumbers) {
    struct Row {
        const char* text;
        uint16_t zone, net, node, point;
    };
    const Row rows[] = {
        {"2:5020/100", 2, 5020, 100, 0},
        {"2:5020/100.7", 2, 5020, 100, 7},
        {"2:5020/100.7@fidonet", 2, 5020, 100, 7},
        {"2:5020/100@fido.net", 2, 5020, 100, 0},  // a full stop in the domain is no point
        {"1:2/3.4", 1, 2, 3, 4},
        {"0:0/0", 0, 0, 0, 0},
        {"65535:65535/65535.65535", 65535, 65535, 65535, 65535},
        {"00002:05020/0100", 2, 5020, 100, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        uint16_t zone = 9, net = 9, node = 9, point = 9;
        EXPECT_FALSE(AppParseAddr(app(), rt::String(row.text).get(), &zone, &net, &node, &point));
        EXPECT_EQ(zone, row.zone);
        EXPECT_EQ(net, row.net);
        EXPECT_EQ(node, row.node);
        EXPECT_EQ(point, row.point);
    }
    EXPECT_NE(trace().find("Start Address Parse\nEnd Address Parse\n"), std::string::npos);
}

TEST_F(ParseAddr, RejectionsShowWhatWasLeftUnconsumed) {
    struct Row {
        const char* text;
        const char* shown;
    };
    const Row rows[] = {
        {"5020/100", "5020/100"}, {"2:5020", "5020"}, {"", ""}, {"2:", ""},
        // Out of range: nothing wraps into another system's address.
        {"70000:1/1", "70000:1/1"}, {"65536:1/2", "65536:1/2"}, {"2:5020/99999", "99999"},
        {"2:65536/1", "65536/1"}, {"2:5020/1.65536", "65536"}, {"99999999999999999999:1/1", "99999999999999999999:1/1"},
        // Not numbers, or junk after them.
        {"2:x/y", "x/y"}, {"-1:2/3", "-1:2/3"}, {"1e3:2/3", "1e3:2/3"}, {":1/2", ":1/2"}, {"2:/3", "/3"},
        {"2:5020/", ""}, {"2:5020/1x", "1x"}, {"2:5020/1.", ""}, {"2:5020/1.2.3", "2.3"},
        {"2:5020/1@", "@"}, {"2:5020/1@a b", "@a b"}, {"2:5020/1 ", "1 "}, {" 2:5020/1", " 2:5020/1"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        uint16_t zone = 0, net = 0, node = 0, point = 0;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(AppParseAddr(app(), rt::String(row.text).get(), &zone, &net, &node, &point));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("   Bad Fido Address ") + row.shown + "\n");
        EXPECT_NE(trace().find(std::string("\nBad Fido Address ") + row.shown + "\n"), std::string::npos);
    }
}
