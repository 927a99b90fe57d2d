// The two headers of the report packet: the type-2 packet header and the packed
// message header, and their serialisation in either byte order.
#pragma once
#include <cstdint>
#include <string>

/// Packet header, 58 bytes on the wire.
struct PktHdrType {
    uint16_t OrigNode;
    uint16_t DestNode;
    uint16_t Year;
    uint16_t Month;
    uint16_t Day;
    uint16_t Hour;
    uint16_t Minute;
    uint16_t Second;
    uint16_t Baud;
    uint16_t PktType;
    uint16_t OrigNet;
    uint16_t DestNet;
    uint8_t ProdCodeLo;
    uint8_t RevMajor;
    uint8_t Password[8];
    uint16_t QOrigZone;
    uint16_t QDestZone;
    uint16_t AuxNet;
    uint16_t CapValid;
    uint8_t ProdCodeHi;
    uint8_t RevMinor;
    uint16_t CapWord;
    uint16_t OrigZone;
    uint16_t DestZone;
    uint16_t OrigPoint;
    uint16_t DestPoint;
    uint8_t ProdData[4];
};

/// Packed message header, 34 bytes on the wire.
struct PkdMsgType {
    uint16_t MsgType;
    uint16_t OrigNode;
    uint16_t DestNode;
    uint16_t OrigNet;
    uint16_t DestNet;
    uint16_t Attribute;
    uint16_t Cost;
    uint8_t DateTime[20];
};

static_assert(sizeof(PktHdrType) == 58, "the packet header has no padding");
static_assert(sizeof(PkdMsgType) == 34, "the message header has no padding");

/// Byte order of a serialised header; the packet uses LittleEndian.
enum class ByteOrder { LittleEndian, BigEndian };

/// The header's 58 bytes; every u16 field in `order`, byte fields as they stand.
std::string SerializePacketHeader(const PktHdrType& header, ByteOrder order);
/// The header's 34 bytes; every u16 field in `order`, the date text as it stands.
std::string SerializeMessageHeader(const PkdMsgType& header, ByteOrder order);
