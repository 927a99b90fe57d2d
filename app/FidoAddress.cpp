// ParseAddr: a FidoNet address text, zone:net/node[.point][@domain], as four
// 16-bit numbers. A number out of range or a part that is no number rejects
// the address: a wrapped number would address the report to another system.
#include "app/FidoAddress.h"

#include <algorithm>
#include <string_view>

#include "app/App.h"
#include "app/Output.h"
#include "app/SafeText.h"

namespace {

constexpr uint32_t kLargest = 65535;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the number that opens `rest` up to `end` (or to the end of `rest`
// when `end` is 0); false when it is empty, holds a non-digit or is too large.
bool readNumber(std::string_view& rest, char end, uint16_t& value) {
    size_t stop = end ? rest.find(end) : rest.size();
    if (stop == std::string_view::npos) stop = rest.size();
    std::string_view digits = rest.substr(0, stop);
    if (digits.empty()) return false;
    uint32_t number = 0;
    for (char c : digits) {
        if (!isDigit(c)) return false;
        number = number * 10 + uint32_t(c - '0');
        if (number > kLargest) return false;
    }
    value = uint16_t(number);
    rest.remove_prefix(stop);
    return true;
}

// A domain is one word: no blank and no control byte.
bool isDomain(std::string_view domain) {
    if (domain.empty()) return false;
    for (char c : domain)
        if (uint8_t(c) <= 0x20 || uint8_t(c) == 0x7F) return false;
    return true;
}

} // namespace

ErrorOr<FidoAddress, BadAddress> ParseAddress(const rt::String& text) {
    FidoAddress address;
    std::string_view rest = text.bytes();
    auto fault = [&]() { return BadAddress{rt::String::fromBytes(rest, text.encoding())}; };
    // A missing separator shows what follows the last one read, as ever.
    if (rest.find(':') == std::string_view::npos) return fault();
    if (!readNumber(rest, ':', address.zone)) return fault();
    rest.remove_prefix(1);
    if (rest.find('/') == std::string_view::npos) return fault();
    if (!readNumber(rest, '/', address.net)) return fault();
    rest.remove_prefix(1);
    size_t nodeEnd = std::min(rest.find_first_of(".@"), rest.size());
    std::string_view node = rest.substr(0, nodeEnd);
    if (!readNumber(node, 0, address.node)) return fault();
    rest.remove_prefix(nodeEnd);
    address.point = 0;
    if (!rest.empty() && rest[0] == '.') {
        rest.remove_prefix(1);
        if (!readNumber(rest, '@', address.point)) return fault();
    }
    if (!rest.empty() && !isDomain(rest.substr(1))) return fault();
    return address;
}

bool AppParseAddr(RuntimeObject* app, RTString address, uint16_t* zone, uint16_t* net, uint16_t* node,
                  uint16_t* point) {
    Debug(app, "Start Address Parse");
    ErrorOr<FidoAddress, BadAddress> read = ParseAddress(rt::String::retain(address));
    if (read.isError()) {
        StdOut(rt::String("   Bad Fido Address ") + Excerpt(read.error().rest));
        Debug(app, rt::String("Bad Fido Address ") + Excerpt(read.error().rest));
        return true;
    }
    const FidoAddress& parsed = read.value();
    *zone = parsed.zone;
    *net = parsed.net;
    *node = parsed.node;
    *point = parsed.point;
    Debug(app, "End Address Parse");
    return false;
}
