// pktdump's packet reader over arbitrary bytes: a malformed packet ends in a
// fault message, never outside the bytes it was given.
#include "tools/pktdump/PacketDump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pktdump::dumpPacket(std::vector<uint8_t>(data, data + size), "fuzz", pktdump::Options{});
    return 0;
}
