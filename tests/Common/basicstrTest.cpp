#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Common/basicstr.h"
#include "Common/String.h"

TEST(StructureString, FieldLessTrailingNulBytes) {
    const struct {
        std::string field;
        int32_t offset, width;
        std::string expected;
    } rows[] = {
        {std::string(8, '\0'), 0, 8, ""},
        {std::string("AB\0\0\0", 5), 0, 5, "AB"},
        {std::string("xxA\0B\0\0", 7), 2, 5, std::string("A\0B", 3)},
        {"ABCD", 1, 2, "BC"},
        {"ABCD", 0, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        rt::String s = rt::String::adopt(RuntimeGetStructureString(row.field.data(), row.offset, row.width));
        EXPECT_EQ(s.str(), row.expected);
        if (!s.empty()) {
            EXPECT_EQ(s.encoding(), kEncodingUnknown);
        }
    }
}

TEST(StructureString, WritesTheFieldPaddedOrCut) {
    const struct {
        const char* text;
        int32_t width;
        std::string expected;
    } rows[] = {
        {"abc", 8, std::string("abc\0\0\0\0\0", 8) + "########"},
        {"abcdefghij", 8, "abcdefgh########"},
        {"", 4, std::string(4, '\0') + std::string(12, '#')},
        {"abc", 0, std::string(16, '#')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::string buffer(18, '#');
        rt::String s(row.text);
        RuntimeSetStructureString(buffer.data(), 2, row.width, s.get());
        EXPECT_EQ(buffer.substr(0, 2), "##");
        EXPECT_EQ(buffer.substr(2), row.expected);
    }
}

TEST(StructureString, NegativeOffsetOrNullBaseIsReportedAndWritesNothing) {
    std::string buffer(8, '#');
    rt::String s("abc");
    testing::internal::CaptureStdout();
    RuntimeSetStructureString(buffer.data() + 4, -4, 4, s.get());
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("RuntimeStringFoundation: "), std::string::npos);
    EXPECT_NE(report.find("Failure Condition: offset >= 0"), std::string::npos);
    EXPECT_EQ(buffer, std::string(8, '#'));

    testing::internal::CaptureStdout();
    RuntimeSetStructureString(nullptr, 0, 4, s.get());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Failure Condition: buf"), std::string::npos);
}

TEST(StructureString, ContentsKeepEveryByte) {
    const char raw[] = {'a', '\0', 'b', '\0'};
    rt::String s = rt::String::adopt(RuntimeGetStructureContents(raw, 4));
    EXPECT_EQ(s.str(), std::string(raw, 4));
    EXPECT_EQ(s.encoding(), kEncodingUnknown);
    EXPECT_EQ(RuntimeGetStructureContents(raw, 0), nullptr);
}

TEST(CString, ConversionsBothWays) {
    rt::String s = rt::String::adopt(StringFromCString("hello"));
    EXPECT_EQ(s.str(), "hello");
    EXPECT_EQ(s.encoding(), kEncodingASCII);
    EXPECT_EQ(StringFromCString(nullptr), nullptr);
    EXPECT_EQ(StringFromCString(""), nullptr);
    EXPECT_STREQ(StringToCString(s.get()), "hello");
    EXPECT_STREQ(StringToCString(nullptr), "");
}

TEST(PascalString, ConversionsBothWays) {
    const uint8_t pascal[] = {3, 'a', 'b', 'c', 'd'};
    rt::String s = rt::String::adopt(StringFromPString(pascal));
    EXPECT_EQ(s.str(), "abc");
    EXPECT_EQ(s.encoding(), kEncodingASCII);
    const uint8_t* back = StringToPString(s.get());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back), 4), "\x03" "abc");
    EXPECT_EQ(*StringToPString(nullptr), 0);
    rt::String longText = rt::String::fromBytes(std::string(300, 'x'), kEncodingASCII);
    EXPECT_EQ(*StringToPString(longText.get()), 255);
}
