// The FidoNet address parser over arbitrary text: an address it accepts,
// written back in its plain form, parses to the same four numbers.
#include <string>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RuntimeObject* app = FuzzApp();
    uint16_t zone = 0, net = 0, node = 0, point = 0;
    rt::String text = FuzzString(std::string(reinterpret_cast<const char*>(data), size));
    if (AppParseAddr(app, text.get(), &zone, &net, &node, &point)) return 0;

    std::string plain = std::to_string(zone) + ":" + std::to_string(net) + "/" + std::to_string(node) + "." +
                        std::to_string(point);
    uint16_t again[4] = {};
    FuzzCheck(!AppParseAddr(app, rt::String(plain).get(), &again[0], &again[1], &again[2], &again[3]),
              "a parsed address written back is accepted");
    FuzzCheck(again[0] == zone && again[1] == net && again[2] == node && again[3] == point,
              "a parsed address written back gives the same numbers");
    return 0;
}
