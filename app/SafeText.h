// Text that came from outside (the remote's request list and SRIF values, file
// names a stranger may have chosen) made safe for where it goes: escaped for
// standard output, the log and the debug file, replaced in the report packet.
#pragma once
#include "Common/String.h"

/// Whether `text` holds a control byte (below 0x20, or 0x7F).
bool HoldsControl(const rt::String& text);

/// Whether a mailer can carry `name` in a response-list line: no control byte, no blank.
bool MailerCanCarry(const rt::String& name);

/// `text` itself when it holds no control byte, else all of it backslash-escaped,
/// so that no raw control byte reaches a terminal or a text file.
rt::String Escaped(const rt::String& text);

/// `text` with every control byte replaced by "?", for the fields and lines of the packet.
rt::String Replaced(const rt::String& text);

/// At most the first kExcerptBytes bytes of `text` (a quarter as many when it
/// holds control bytes, which escaping makes four bytes each), cut at a
/// character boundary and marked "..." when cut: what a log or debug line
/// shows of a line from outside however long it is.
inline constexpr size_t kExcerptBytes = 300;
rt::String Excerpt(const rt::String& text);
