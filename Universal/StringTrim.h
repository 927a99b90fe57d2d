// Removing leading and trailing white space.
#pragma once
#include "Universal/Forward.h"

extern "C" {
/// s without leading and trailing white space; s itself when it has none. New reference, caller releases.
RTString runTrim(RTString s);
/// s without leading white space; s itself when it has none. New reference, caller releases.
RTString runLTrim(RTString s);
/// s without trailing white space; s itself when it has none. New reference, caller releases.
RTString runRTrim(RTString s);
}
