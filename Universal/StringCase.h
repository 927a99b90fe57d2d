// Changing the letter case of strings: UTF-8 by code point and UTF-16 by unit
// through the runtime's Unicode case table, other text by byte (a-z, A-Z only).
#pragma once
#include "Universal/Forward.h"

extern "C" {
/// s in upper case, in s's encoding; s itself when nothing changes. New reference, caller releases.
RTString StringUCase(RTString s);
/// s in lower case, in s's encoding; s itself when nothing changes. New reference, caller releases.
RTString StringLCase(RTString s);
/// s with the first letter of each word (after white space or at the start) in upper case
/// and the other letters in lower case; s itself when nothing changes. New reference, caller releases.
RTString StringTitleCase(RTString s);
}
