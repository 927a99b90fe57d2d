// Backslash escapes: control characters, quotes and the backslash written as
// C-style escape sequences, and read back.
#pragma once
#include "Universal/Forward.h"

extern "C" {
/// s with "\" , quotes and control bytes written as \\, \", \', \n, \r, \t, \0, \a, \b, \f, \v
/// or \xHH; other bytes unchanged; s itself when nothing needs escaping. New reference, caller releases.
RTString EncodeBackslashEscapeString(RTString s);
/// s with those escape sequences read back; an unknown escape stands for the character after
/// the backslash, a lone final backslash for itself. New reference, caller releases.
RTString DecodeBackslashEscapeString(RTString s);
}
