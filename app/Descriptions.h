// A file's description from the list of its folder, files.bbs or
// descript.ion, for the report line of a granted file.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "Common/String.h"
#include "app/RunFailure.h"

/// The description of the entry `name` on one line of such a list, or
/// nothing when the line describes another file: the first token is the name
/// (in double quotes when it holds blanks), compared in any letter case; the
/// rest, trimmed, is the description, cut to kDescriptionBytes.
inline constexpr size_t kDescriptionBytes = 120;
std::optional<std::string> DescriptionOnLine(std::string_view line, std::string_view name);

/// The description of `name` in the folder at `folder` (absolute): from the
/// first of files.bbs, FILES.BBS, descript.ion and DESCRIPT.ION that may be
/// read there as a served file may; empty when none describes it.
RunResult<rt::String> DescriptionOf(const std::string& folder, const rt::String& name);
