// FidoNet addresses as text: zone:net/node[.point][@domain].
#pragma once
#include <cstdint>
#include <optional>

#include "Common/String.h"

/// The four numbers of an address.
struct FidoAddress {
    uint16_t zone = 0, net = 0, node = 0, point = 0;
};

/// Why `text` is no address: the part of it from where reading failed (what
/// the "Bad Fido Address" line shows). Nothing when it is one; `address`
/// then holds its numbers. Every number is decimal digits only, 0 to 65535,
/// and nothing but a domain may follow the node or point.
std::optional<rt::String> AddressFault(const rt::String& text, FidoAddress& address);
