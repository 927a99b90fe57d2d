// Numbers laid out by a format string of sections, placeholders, separators,
// percent, scientific notation and escaped characters.
#pragma once
#include "Universal/Forward.h"

extern "C" {
/// x laid out by `format` ("#", "0", ".", ",", "%", "E+", "\x", up to three
/// ";"-separated sections); new string in the format's encoding, caller releases.
RTString StringFormat(double x, RTString format);
}
