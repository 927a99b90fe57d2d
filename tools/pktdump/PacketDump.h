// The packet reader of pktdump: prints a FidoNet type-2 packet as a sysop
// reads it, or one summary line per message. The packet fuzzer drives it too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pktdump {

struct Options {
    bool summary = false;
    std::string charset;  // the encoding of the names and texts; empty: shown as they are
};

/// Dumps the packet held in `bytes` to standard output; `path` names it in
/// the fault message on standard error. 0, or 1 for a malformed or truncated packet.
int dumpPacket(std::vector<uint8_t> bytes, const char* path, const Options& options);

} // namespace pktdump
