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

/// What a password token is shown as: "!" and three stars, whatever its length.
inline constexpr const char* kHiddenPassword = "!***";

/// Which "!" tokens of a line are passwords: in a request line every one after
/// the requested name, in a permission line every one.
enum class PasswordTokens { AfterName, All };

/// `line` with each password token (a blank-separated token starting with "!")
/// shown as kHiddenPassword and everything else as it was, so that no password
/// reaches standard output, the log or the debug file.
rt::String WithPasswordsHidden(const rt::String& line, PasswordTokens which);
