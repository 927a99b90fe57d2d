// Text that came from outside (the remote's request list and SRIF values, file
// names a stranger may have chosen) made safe for where it goes: escaped for
// standard output, the log and the debug file, replaced in the report packet.
#pragma once
#include "Common/String.h"

/// Whether `text` holds a control byte (below 0x20, or 0x7F).
bool HoldsControl(const rt::String& text);

/// Whether a mailer can carry `name` in a response-list line: no control byte, no blank.
bool MailerCanCarry(const rt::String& name);

/// Whether `text` is well-formed UTF-8 (ASCII is). Names from a CP866 or
/// Latin-1 system are not.
bool IsUtf8(const rt::String& text);

/// `text` itself when it holds no control byte and is UTF-8, else all of it
/// backslash-escaped and each byte that is no UTF-8 written as \xNN, so that
/// no raw control byte reaches a terminal or a text file and no 8-bit name
/// reaches them garbled or dropped.
rt::String Escaped(const rt::String& text);

/// `text` with every control byte replaced by "?", for the fields and lines of
/// the packet; every other byte, 8-bit ones included, is carried as it is.
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

/// `line` without the UTF-8 byte-order mark some editors put at the start of
/// a file, so that the first line of a list reads like every other.
rt::String WithoutByteOrderMark(const rt::String& line);

/// At most the first kExcerptBytes bytes of `text` (a quarter as many when it
/// holds control bytes, which escaping makes four bytes each), cut at a
/// character boundary and marked "..." when cut: what a log or debug line
/// shows of a line from outside however long it is.
inline constexpr size_t kExcerptBytes = 300;
rt::String Excerpt(const rt::String& text);
