// InitMsg and the report packet's layout: a type-2 packet holding one netmail
// message whose text the run adds line by line.
#include "app/ReportPacket.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "Common/Date.h"
#include "Common/basicstr.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Universal/NumberText.h"
#include "Universal/StringFormat.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "Universal/VELQstring.h"
#include "app/App.h"
#include "app/Output.h"
#include "app/SafeText.h"

const char* const kMonthTable = "     Jan  Feb  Mar  Apr  May  Jun  Jul  Aug  Sep  Oct  Nov  Dec ";

namespace {

constexpr int32_t kDateTimeOffset = 14;
constexpr int32_t kDateTimeWidth = 20;

rt::String twoDigits(int32_t value) { return rt::format(double(value), "00"); }

rt::String packetString(const std::string& bytes) {
    return rt::String::adopt(RuntimeGetStructureContents(bytes.data(), int32_t(bytes.size())));
}

void writeText(const rt::BinaryStream& packet, const rt::String& text) { packet.write(text); }

// Tossers reject a message whose names are longer than 35 bytes or whose
// subject is longer than 71 (36 and 72 with the NUL), so the fields are cut there.
constexpr int32_t kNameLimit = 35;
constexpr int32_t kSubjectLimit = 71;

// The field's text cut to `limit` bytes, then its NUL.
rt::String nulTerminated(const rt::String& text, int32_t limit) {
    return rt::leftBytes(text, limit) + rt::String::adopt(StringDBCSChr(0));
}

// "\x01NAME number" and the CR that ends every line of the message text.
rt::String kludgeLine(const char* name, uint16_t number) {
    return rt::String("\x01" + std::string(name) + " " + std::to_string(number) + "\r");
}

// The kludge lines that open the text of a report to a point: FMPT when our
// own address is a point, then TOPT; the packed message header has no point
// fields. A report to a node carries none, so its bytes stay as they were.
rt::String pointKludges(const PktHdrType& header) {
    if (header.DestPoint == 0) return rt::String();
    rt::String kludges;
    if (header.OrigPoint != 0) kludges = kludgeLine("FMPT", header.OrigPoint);
    return kludges + kludgeLine("TOPT", header.DestPoint);
}

} // namespace

rt::String PacketDateText(const rt::Date& date) {
    rt::String month = rt::mid(kMonthTable, date.month() * 5, 5);
    rt::String year = rt::right(twoDigits(date.year()), 2);
    return twoDigits(date.day()) + month + year + rt::String("  ") + twoDigits(date.hour()) + rt::String(":") +
           twoDigits(date.minute()) + rt::String(":") + twoDigits(date.second());
}

rt::String PacketFileName(const rt::Date& date) {
    double seconds = date.totalSeconds();
    // The value converted to an unsigned 64-bit integer, then cut to its low 32 bits.
    uint64_t whole = seconds <= 0 || !std::isfinite(seconds) ? 0 : uint64_t(seconds);
    return rt::String::adopt(RuntimeHexUInt64(whole & 0xFFFFFFFFu)) + rt::String(".Pkt");
}

rt::String NextPacketFileName(const rt::String& name) {
    std::string text = name.str();
    uint32_t number = uint32_t(std::strtoul(text.substr(0, text.find('.')).c_str(), nullptr, 16));
    return rt::String::adopt(RuntimeHexUInt64(uint32_t(number + 1))) + rt::String(".Pkt");
}

bool AppInitMsg(RuntimeObject* app, RTString ownAddress, RTString remoteAddress, RTString* packetName) {
    Debug(app, "Start .Pkt Initialization");
    AppFields* f = AppState(app);
    PktHdrType& h = f->PktHdr;
    PkdMsgType& m = f->PkdMsg;

    uint16_t zone = 0, net = 0, node = 0, point = 0;
    if (AppParseAddr(app, ownAddress, &zone, &net, &node, &point)) return true;
    h.QOrigZone = h.OrigZone = zone;
    h.OrigNet = m.OrigNet = net;
    h.OrigNode = m.OrigNode = node;
    h.OrigPoint = point;

    if (AppParseAddr(app, remoteAddress, &zone, &net, &node, &point)) return true;
    h.QDestZone = h.DestZone = zone;
    h.DestNet = m.DestNet = net;
    h.DestNode = m.DestNode = node;
    // A point's tosser refuses a packet addressed to its boss node, so the
    // point goes into the header (and into a TOPT line of the text).
    h.DestPoint = point;
    Debug(app, "Addresses OK");

    h.PktType = 2;
    h.CapWord = 0x0001;
    h.CapValid = 0x0100;
    m.MsgType = 2;

    // One date for the name, the header fields and the date text, so they agree.
    rt::Date now = rt::Date::now();
    rt::String name = PacketFileName(now);
    name.assignTo(*packetName);

    h.Day = uint16_t(now.day());
    h.Month = uint16_t(now.month() - 1);
    h.Year = uint16_t(now.year());  // the full year, as tossers read it
    h.Hour = uint16_t(now.hour());
    h.Minute = uint16_t(now.minute());
    h.Second = uint16_t(now.second());

    rt::String dateText = PacketDateText(now) + rt::String::adopt(StringDBCSChr(0));
    RuntimeSetStructureString(&m, kDateTimeOffset, kDateTimeWidth, dateText.get());

    Debug(app, rt::String("Headers for ") + name + rt::String(" built"));
    return false;
}

void WritePacketStart(RuntimeObject* app, const rt::BinaryStream& packet, const rt::String& ownAddress) {
    AppFields* f = AppState(app);
    writeText(packet, packetString(SerializePacketHeader(f->PktHdr, ByteOrder::LittleEndian)));
    writeText(packet, packetString(SerializeMessageHeader(f->PkdMsg, ByteOrder::LittleEndian)));
    // The Sysop name comes from the remote: a NUL inside it would end the field early.
    writeText(packet, nulTerminated(Replaced(f->SysOp), kNameLimit));
    writeText(packet, nulTerminated("FileRequest Robot", kNameLimit));
    writeText(packet, nulTerminated(Replaced(rt::String("File Request Report From ") + ownAddress), kSubjectLimit));
    rt::String kludges = pointKludges(f->PktHdr);
    if (!kludges.empty()) writeText(packet, kludges);
}

void WritePacketEnd(const rt::BinaryStream& packet) {
    for (int i = 0; i < 3; ++i) packet.writeByte(0);
}
