#include "app/PacketHeaders.h"

namespace {

class Writer {
public:
    explicit Writer(ByteOrder order) : order_(order) {}

    void u16(uint16_t value) {
        char low = char(value & 0xFF), high = char(value >> 8);
        if (order_ == ByteOrder::LittleEndian) bytes_ += {low, high};
        else bytes_ += {high, low};
    }
    void u8(uint8_t value) { bytes_ += char(value); }
    template <size_t N>
    void raw(const uint8_t (&field)[N]) {
        bytes_.append(reinterpret_cast<const char*>(field), N);
    }
    std::string take() { return std::move(bytes_); }

private:
    ByteOrder order_;
    std::string bytes_;
};

} // namespace

std::string SerializePacketHeader(const PktHdrType& h, ByteOrder order) {
    Writer w(order);
    for (uint16_t field : {h.OrigNode, h.DestNode, h.Year, h.Month, h.Day, h.Hour, h.Minute, h.Second, h.Baud,
                           h.PktType, h.OrigNet, h.DestNet})
        w.u16(field);
    w.u8(h.ProdCodeLo);
    w.u8(h.RevMajor);
    w.raw(h.Password);
    for (uint16_t field : {h.QOrigZone, h.QDestZone, h.AuxNet, h.CapValid}) w.u16(field);
    w.u8(h.ProdCodeHi);
    w.u8(h.RevMinor);
    for (uint16_t field : {h.CapWord, h.OrigZone, h.DestZone, h.OrigPoint, h.DestPoint}) w.u16(field);
    w.raw(h.ProdData);
    return w.take();
}

std::string SerializeMessageHeader(const PkdMsgType& h, ByteOrder order) {
    Writer w(order);
    for (uint16_t field : {h.MsgType, h.OrigNode, h.DestNode, h.OrigNet, h.DestNet, h.Attribute, h.Cost})
        w.u16(field);
    w.raw(h.DateTime);
    return w.take();
}
