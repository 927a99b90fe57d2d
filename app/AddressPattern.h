// Address patterns of the settings: zone:net/node[.point], each part a number
// or "*" for any number, so that one line can name a node, a net or everyone.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/FidoAddress.h"

struct AddressPattern {
    // Zone, net, node and point; kAnyNumber where the pattern has "*".
    static constexpr int32_t kAnyNumber = -1;
    std::array<int32_t, 4> parts{};
};

/// The pattern `text` writes, or none when it is no pattern. A pattern
/// without a point part names point 0, as an address without one does.
std::optional<AddressPattern> ParseAddressPattern(std::string_view text);

/// Whether `address` is one the pattern names.
bool Fits(const AddressPattern& pattern, const FidoAddress& address);
