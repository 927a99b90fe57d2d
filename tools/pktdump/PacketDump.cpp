// pktdump: prints a FidoNet type-2 packet as a sysop reads it: the packet
// header's fields, then each message with its addresses, date, names, subject
// and text, one line per CR-ended line, kludge lines decoded; or one summary
// line per message. A malformed or truncated packet ends the dump with a
// message naming the fault and exit status 1.
#include "tools/pktdump/PacketDump.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <map>
#include <sstream>
#include <stdexcept>

#include "Universal/TextEncodingUtil.h"

namespace pktdump {
namespace {

constexpr size_t kPacketHeaderSize = 58;
constexpr size_t kMessageHeaderSize = 34;
constexpr size_t kDateTimeSize = 20;

class Fault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Reader {
public:
    explicit Reader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    size_t offset() const { return at_; }
    size_t remaining() const { return bytes_.size() - at_; }

    uint16_t u16(size_t at) const { return uint16_t(bytes_[at] | bytes_[at + 1] << 8); }
    uint8_t u8(size_t at) const { return bytes_[at]; }

    void need(size_t count, const std::string& what) const {
        if (remaining() < count)
            throw Fault("truncated " + what + " at offset " + std::to_string(at_) + " (" +
                        std::to_string(remaining()) + " of " + std::to_string(count) + " bytes)");
    }

    size_t take(size_t count, const std::string& what) {
        need(count, what);
        size_t start = at_;
        at_ += count;
        return start;
    }

    // A NUL-terminated field; the terminator is consumed, not returned.
    std::string text(const std::string& what) {
        size_t start = at_;
        while (at_ < bytes_.size() && bytes_[at_] != 0) ++at_;
        if (at_ == bytes_.size())
            throw Fault("unterminated " + what + " starting at offset " + std::to_string(start));
        std::string value(bytes_.begin() + long(start), bytes_.begin() + long(at_));
        ++at_;
        return value;
    }

    std::string raw(size_t at, size_t count) const {
        return std::string(bytes_.begin() + long(at), bytes_.begin() + long(at + count));
    }

private:
    std::vector<uint8_t> bytes_;
    size_t at_ = 0;
};

std::string address(unsigned zone, unsigned net, unsigned node, unsigned point) {
    std::string text = std::to_string(zone) + ":" + std::to_string(net) + "/" + std::to_string(node);
    if (point) text += "." + std::to_string(point);
    return text;
}

std::string hex16(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// Control bytes other than the line structure are shown as <XX>, so that a
// dump never writes raw control characters to the terminal.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "<%02X>", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out;
}


void printHeader(const Reader& r, size_t h, uint16_t originZone, uint16_t destinationZone) {
    std::printf("Packet header\n");
    std::printf("  Origin       %s\n", address(originZone, r.u16(h + 20), r.u16(h + 0), r.u16(h + 50)).c_str());
    std::printf("  Destination  %s\n",
                address(destinationZone, r.u16(h + 22), r.u16(h + 2), r.u16(h + 52)).c_str());
    std::printf("  Date fields  year %u, month %u (0-based), day %u, %02u:%02u:%02u\n", r.u16(h + 4), r.u16(h + 6),
                r.u16(h + 8), r.u16(h + 10), r.u16(h + 12), r.u16(h + 14));
    std::printf("  Type         %u\n", r.u16(h + 18));
    std::printf("  Baud         %u\n", r.u16(h + 16));
    std::printf("  Product      code %u/%u, revision %u.%u\n", r.u8(h + 24), r.u8(h + 42), r.u8(h + 25),
                r.u8(h + 43));
    std::string password = r.raw(h + 26, 8);
    password = password.substr(0, password.find('\0'));
    std::printf("  Password     %s\n", password.empty() ? "(none)" : printable(password).c_str());
    std::printf("  Capability   word %s, validation %s\n", hex16(r.u16(h + 44)).c_str(), hex16(r.u16(h + 40)).c_str());
    std::printf("  Aux net      %u\n", r.u16(h + 38));
}

void dumpHeader(const Reader& r, size_t h, uint16_t& originZone, uint16_t& destinationZone, const Options& options) {
    originZone = r.u16(h + 46) ? r.u16(h + 46) : r.u16(h + 34);
    destinationZone = r.u16(h + 48) ? r.u16(h + 48) : r.u16(h + 36);
    if (!options.summary) printHeader(r, h, originZone, destinationZone);
    if (r.u16(h + 18) != 2) throw Fault("packet type is " + std::to_string(r.u16(h + 18)) + ", not 2");
}

// The names, subject and text in the terminal's encoding. Conversion was
// checked when the options were read, so it cannot fail here.
std::string terminalText(const std::string& text, const Options& options) {
    if (options.charset.empty()) return text;
    std::string out;
    return TextEncodingConvertNamed(text, options.charset.c_str(), nl_langinfo(CODESET), out) ? out : text;
}

// The kludge lines of a message text (lines opening with 0x01), by name: the
// rest of the line after the name and one blank.
std::map<std::string, std::string> kludges(const std::string& body) {
    std::map<std::string, std::string> found;
    std::istringstream lines(body);
    std::string line;
    while (std::getline(lines, line, '\r')) {
        if (line.empty() || line[0] != '\x01') continue;
        size_t blank = line.find(' ');
        std::string name = line.substr(1, blank == std::string::npos ? std::string::npos : blank - 1);
        found.emplace(name, blank == std::string::npos ? "" : line.substr(blank + 1));
    }
    return found;
}

unsigned number(const std::string& text) {
    unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    return value > 0xFFFF ? 0 : unsigned(value);
}

// Zone and point of a message's two ends: the packet header's zones, the
// message header's nets and nodes, then what INTL, FMPT and TOPT say.
struct Ends {
    std::string from, to;
};

Ends messageEnds(const Reader& r, size_t m, uint16_t originZone, uint16_t destinationZone,
                 const std::map<std::string, std::string>& kl) {
    unsigned fromZone = originZone, toZone = destinationZone, fromPoint = 0, toPoint = 0;
    if (auto intl = kl.find("INTL"); intl != kl.end()) {
        // "INTL <to zone:net/node> <from zone:net/node>"
        std::istringstream fields(intl->second);
        std::string to, from;
        fields >> to >> from;
        if (to.find(':') != std::string::npos) toZone = number(to);
        if (from.find(':') != std::string::npos) fromZone = number(from);
    }
    if (auto fmpt = kl.find("FMPT"); fmpt != kl.end()) fromPoint = number(fmpt->second);
    if (auto topt = kl.find("TOPT"); topt != kl.end()) toPoint = number(topt->second);
    return {address(fromZone, r.u16(m + 6), r.u16(m + 2), fromPoint),
            address(toZone, r.u16(m + 8), r.u16(m + 4), toPoint)};
}

// What a kludge line says, in full addresses; empty for kludges shown as they are.
std::string decoded(const std::string& line, const Ends& ends) {
    auto is = [&](const char* name) {
        size_t length = std::strlen(name);
        return line.compare(1, length, name) == 0 && (line.size() == length + 1 || line[length + 1] == ' ');
    };
    if (is("TOPT")) return "to " + ends.to;
    if (is("FMPT")) return "from " + ends.from;
    if (is("INTL")) return "to " + ends.to + ", from " + ends.from;
    if (is("MSGID")) {
        std::istringstream fields(line.substr(std::min(line.size(), size_t(7))));
        std::string origin, serial;
        if (!(fields >> origin >> serial)) return "";
        return "from " + origin + ", serial " + serial;
    }
    return "";
}

void dumpMessage(Reader& r, int number, uint16_t originZone, uint16_t destinationZone, const Options& options) {
    size_t m = r.take(kMessageHeaderSize, "message header");
    std::string date = r.raw(m + 14, kDateTimeSize);
    if (date.find('\0') == std::string::npos) throw Fault("message date is not NUL-terminated");
    date = date.substr(0, date.find('\0'));
    std::string to = r.text("to-name");
    std::string from = r.text("from-name");
    std::string subject = r.text("subject");
    std::string body = r.text("message text");
    Ends ends = messageEnds(r, m, originZone, destinationZone, kludges(body));

    if (options.summary) {
        std::printf("%d  %s -> %s  %s  %s -> %s  %s\n", number, ends.from.c_str(), ends.to.c_str(),
                    printable(date).c_str(), printable(terminalText(from, options)).c_str(),
                    printable(terminalText(to, options)).c_str(), printable(terminalText(subject, options)).c_str());
        return;
    }
    std::printf("\nMessage %d (offset %zu)\n", number, m);
    std::printf("  From         %s, %s\n", printable(terminalText(from, options)).c_str(), ends.from.c_str());
    std::printf("  To           %s, %s\n", printable(terminalText(to, options)).c_str(), ends.to.c_str());
    std::printf("  Date         %s\n", printable(date).c_str());
    std::printf("  Attribute    %s, cost %u\n", hex16(r.u16(m + 10)).c_str(), r.u16(m + 12));
    std::printf("  Subject      %s\n", printable(terminalText(subject, options)).c_str());
    std::printf("  Text\n");
    size_t start = 0;
    while (start < body.size()) {
        size_t end = body.find('\r', start);
        std::string line = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string shown = printable(terminalText(line, options));
        if (!line.empty() && line[0] == '\x01') {
            std::string meaning = decoded(line, ends);
            if (!meaning.empty()) shown += "   (" + meaning + ")";
        }
        if (end == std::string::npos) {
            std::printf("  | %s   (no CR at the end)\n", shown.c_str());
            break;
        }
        std::printf("  | %s\n", shown.c_str());
        start = end + 1;
    }
}

} // namespace

int dumpPacket(std::vector<uint8_t> bytes, const char* path, const Options& options) {
    Reader r(std::move(bytes));
    try {
        size_t h = r.take(kPacketHeaderSize, "packet header");
        uint16_t originZone, destinationZone;
        dumpHeader(r, h, originZone, destinationZone, options);
        int messages = 0;
        for (;;) {
            r.need(2, "packet: no end-of-packet mark");
            uint16_t type = r.u16(r.offset());
            if (type == 0) {
                r.take(2, "end-of-packet mark");
                break;
            }
            if (type != 2)
                throw Fault("message type " + std::to_string(type) + " at offset " + std::to_string(r.offset()) +
                            ", not 2");
            dumpMessage(r, ++messages, originZone, destinationZone, options);
        }
        if (!options.summary) {
            std::printf("\nEnd of packet: %d message%s", messages, messages == 1 ? "" : "s");
            if (r.remaining()) std::printf(", %zu trailing byte(s) after the end mark", r.remaining());
            std::printf("\n");
        }
        return 0;
    } catch (const Fault& fault) {
        std::fflush(stdout);
        std::fprintf(stderr, "pktdump: %s: %s\n", path, fault.what());
        return 1;
    }
}

} // namespace pktdump
