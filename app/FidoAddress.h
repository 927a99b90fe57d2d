// FidoNet addresses as text: zone:net/node[.point][@domain].
#pragma once
#include <cstdint>

#include "Common/String.h"
#include "Universal/ErrorOr.h"

/// The four numbers of an address.
struct FidoAddress {
    uint16_t zone = 0, net = 0, node = 0, point = 0;
};

/// Why a text is no address: the part of it from where reading failed (what
/// the "Bad Fido Address" line shows).
struct BadAddress {
    rt::String rest;
};

/// The numbers of the address `text`, or why it is none. Every number is
/// decimal digits only, 0 to 65535, and nothing but a domain may follow the
/// node or point.
ErrorOr<FidoAddress, BadAddress> ParseAddress(const rt::String& text);
