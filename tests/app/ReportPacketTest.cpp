#include <cstring>

#include "AppFixture.h"
#include "Common/Date.h"
#include "Common/FolderItem.h"
#include "app/PacketHeaders.h"
#include "app/ReportPacket.h"
#include "support/TestDates.h"

namespace {

class InitMsg : public AppFixture {};

} // namespace

TEST(PacketDate, IsTheTwentyByteTextOfTheMessageHeader) {
    EXPECT_EQ(PacketDateText(DateAt("2007-03-03 14:05:09")).str(), "03 Mar 07  14:05:09");
    EXPECT_EQ(PacketDateText(DateAt("1999-12-31 23:59:58")).str(), "31 Dec 99  23:59:58");
    EXPECT_EQ(PacketDateText(DateAt("2010-01-01 00:00:00")).str(), "01 Jan 10  00:00:00");
}

TEST(PacketName, IsTheLowThirtyTwoBitsOfTheSecondsInHexadecimal) {
    rt::Date date = rt::Date::now();
    struct Row {
        double seconds;
        const char* name;
    };
    const Row rows[] = {{3260000000.0, "C24FA700.Pkt"}, {4294967296.0 + 255, "FF.Pkt"}, {268435455.0, "FFFFFFF.Pkt"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dateTotalSecondsSetter(date.get(), row.seconds);
        EXPECT_EQ(PacketFileName(date).str(), row.name);
    }
    EXPECT_EQ(NextPacketFileName("C24FA700.Pkt").str(), "C24FA701.Pkt");
    EXPECT_EQ(NextPacketFileName("FFFFFFFF.Pkt").str(), "0.Pkt");
}

TEST(PacketHeaders, SerialiseFieldByFieldInEitherByteOrder) {
    PktHdrType header{};
    header.OrigNode = 0x1234;
    header.CapValid = 0x0100;
    header.ProdCodeLo = 0xAB;
    std::memcpy(header.Password, "PASSWORD", 8);
    header.ProdData[3] = 0x7F;
    std::string little = SerializePacketHeader(header, ByteOrder::LittleEndian);
    std::string big = SerializePacketHeader(header, ByteOrder::BigEndian);
    ASSERT_EQ(little.size(), 58u);
    ASSERT_EQ(big.size(), 58u);
    EXPECT_EQ(little.substr(0, 2), "\x34\x12");
    EXPECT_EQ(big.substr(0, 2), "\x12\x34");
    EXPECT_EQ(little.substr(40, 2), std::string("\x00\x01", 2));
    // Byte fields stand as they are in both orders.
    for (const std::string& bytes : {little, big}) {
        EXPECT_EQ(uint8_t(bytes[24]), 0xAB);
        EXPECT_EQ(bytes.substr(26, 8), "PASSWORD");
        EXPECT_EQ(uint8_t(bytes[57]), 0x7F);
    }

    PkdMsgType message{};
    message.MsgType = 2;
    std::memcpy(message.DateTime, "03 Mar 07  14:05:09", 20);
    std::string packed = SerializeMessageHeader(message, ByteOrder::BigEndian);
    ASSERT_EQ(packed.size(), 34u);
    EXPECT_EQ(packed.substr(0, 2), std::string("\x00\x02", 2));
    EXPECT_EQ(packed.substr(14), std::string("03 Mar 07  14:05:09\0", 20));
}

TEST(PacketHeaders, PutEveryWordFieldAtItsOwnOffset) {
    // Each field gets a value of its own, so that two fields trading places
    // (the origin and destination zones, say) show at once.
    struct Row {
        const char* name;
        uint16_t PktHdrType::*field;
        size_t offset;
    };
    const Row rows[] = {
        {"OrigNode", &PktHdrType::OrigNode, 0},   {"DestNode", &PktHdrType::DestNode, 2},
        {"Year", &PktHdrType::Year, 4},           {"Month", &PktHdrType::Month, 6},
        {"Day", &PktHdrType::Day, 8},             {"Hour", &PktHdrType::Hour, 10},
        {"Minute", &PktHdrType::Minute, 12},      {"Second", &PktHdrType::Second, 14},
        {"Baud", &PktHdrType::Baud, 16},          {"PktType", &PktHdrType::PktType, 18},
        {"OrigNet", &PktHdrType::OrigNet, 20},    {"DestNet", &PktHdrType::DestNet, 22},
        {"QOrigZone", &PktHdrType::QOrigZone, 34}, {"QDestZone", &PktHdrType::QDestZone, 36},
        {"AuxNet", &PktHdrType::AuxNet, 38},      {"CapValid", &PktHdrType::CapValid, 40},
        {"CapWord", &PktHdrType::CapWord, 44},    {"OrigZone", &PktHdrType::OrigZone, 46},
        {"DestZone", &PktHdrType::DestZone, 48},  {"OrigPoint", &PktHdrType::OrigPoint, 50},
        {"DestPoint", &PktHdrType::DestPoint, 52},
    };
    PktHdrType header{};
    for (size_t i = 0; i < std::size(rows); ++i) header.*rows[i].field = uint16_t(0x0101 * (i + 1) + 0x1000);
    std::string little = SerializePacketHeader(header, ByteOrder::LittleEndian);
    std::string big = SerializePacketHeader(header, ByteOrder::BigEndian);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        uint16_t value = header.*row.field;
        EXPECT_EQ(uint8_t(little[row.offset]) | uint8_t(little[row.offset + 1]) << 8, value);
        EXPECT_EQ(uint8_t(big[row.offset]) << 8 | uint8_t(big[row.offset + 1]), value);
    }
}

TEST_F(InitMsg, FillsBothHeadersFromTheTwoAddressesAndOneDate) {
    RTString name = nullptr;
    EXPECT_FALSE(AppInitMsg(app(), rt::String("1:2/3.4").get(), rt::String("2:5020/100.7@fidonet").get(), &name));
    rt::String packetName = rt::String::adopt(name);
    const PktHdrType& h = state()->PktHdr;
    const PkdMsgType& m = state()->PkdMsg;
    EXPECT_EQ(h.OrigZone, 1);
    EXPECT_EQ(h.QOrigZone, 1);
    EXPECT_EQ(h.OrigNet, 2);
    EXPECT_EQ(h.OrigNode, 3);
    EXPECT_EQ(h.OrigPoint, 4);
    EXPECT_EQ(h.DestZone, 2);
    EXPECT_EQ(h.QDestZone, 2);
    EXPECT_EQ(h.DestNet, 5020);
    EXPECT_EQ(h.DestNode, 100);
    EXPECT_EQ(h.DestPoint, 7);
    EXPECT_EQ(h.PktType, 2);
    EXPECT_EQ(h.CapWord, 0x0001);
    EXPECT_EQ(h.CapValid, 0x0100);
    EXPECT_EQ(m.MsgType, 2);
    EXPECT_EQ(m.OrigNet, 2);
    EXPECT_EQ(m.DestNode, 100);
    EXPECT_LE(h.Month, 11);
    EXPECT_EQ(m.DateTime[19], 0);
    std::string dateText(reinterpret_cast<const char*>(m.DateTime), 19);
    // The header holds the full year; the date text its last two digits.
    EXPECT_GE(h.Year, 2000);
    EXPECT_EQ(h.Year % 100, std::stoi(dateText.substr(7, 2)));
    EXPECT_EQ(std::stoi(dateText.substr(0, 2)), h.Day);
    EXPECT_TRUE(packetName.str().ends_with(".Pkt"));
    EXPECT_NE(trace().find("Addresses OK\nHeaders for " + packetName.str() + " built\n"), std::string::npos);
}

TEST_F(InitMsg, ARejectedAddressStopsBeforeTheHeadersAreFinished) {
    RTString name = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(AppInitMsg(app(), rt::String("2:5020/9999").get(), rt::String("").get(), &name));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "   Bad Fido Address \n");
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(state()->PktHdr.OrigNode, 9999);  // the own address was stored
    EXPECT_EQ(state()->PktHdr.PktType, 0);
    EXPECT_EQ(trace().find("Addresses OK"), std::string::npos);
}

TEST_F(InitMsg, APointRequesterGetsItsPointInTheHeaderAndTheKludgeLines) {
    struct Row {
        const char* own;
        const char* requester;
        uint16_t destPoint;
        std::string textStart;  // what follows the subject's NUL
    };
    const Row rows[] = {
        {"2:5020/9999", "2:5020/1", 0, ""},
        {"2:5020/9999.3", "2:5020/1", 0, ""},
        {"2:5020/9999", "2:5020/1.5@fidonet", 5, "\x01" "TOPT 5\r"},
        {"2:5020/9999.3", "2:5020/1.65535", 65535, "\x01" "FMPT 3\r\x01" "TOPT 65535\r"},
        {"2:5020/9999", "2:5020/1.0", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.own) + " to " + row.requester);
        RTString name = nullptr;
        ASSERT_FALSE(AppInitMsg(app(), rt::String(row.own).get(), rt::String(row.requester).get(), &name));
        RuntimeUnlockString(name);
        rt::BinaryStream packet = rt::FolderItem::at(rt::String(path("report.pkt"))).createBinaryFile();
        WritePacketStart(app(), packet, rt::String(row.own));
        WritePacketEnd(packet);
        packet.close();
        std::string bytes = readFile("report.pkt");
        ASSERT_GT(bytes.size(), 92u);
        EXPECT_EQ(uint8_t(bytes[52]) | uint8_t(bytes[53]) << 8, row.destPoint);
        std::string subject = std::string("File Request Report From ") + row.own + '\0';
        size_t text = bytes.find(subject);
        ASSERT_NE(text, std::string::npos);
        EXPECT_EQ(bytes.substr(text + subject.size()), row.textStart + std::string(3, '\0'));
    }
}
