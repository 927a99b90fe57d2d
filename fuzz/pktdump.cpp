// pktdump's packet reader over arbitrary bytes: a malformed packet ends in a
// fault message, never outside the bytes it was given.
#define PKTDUMP_NO_MAIN
#include "tools/pktdump.cpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dumpPacket(std::vector<uint8_t>(data, data + size), "fuzz", Options{});
    return 0;
}
