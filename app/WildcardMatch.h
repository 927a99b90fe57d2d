// The wildcard matcher's rules for callers that match many names: the match
// itself over bytes, and the case folding it compares under.
#pragma once
#include <string>
#include <string_view>

/// Whether `name` fits `mask` ("*" and "?" wildcards, ASCII letter case folded).
bool FitsMask(std::string_view name, std::string_view mask);

/// `text` folded as the matcher compares it.
std::string MatchFolded(std::string_view text);

/// Whether `mask` fits exactly the names that fold to its own folding: it
/// holds no wildcard, and no NUL byte (which the matcher takes as the end).
bool MatchesOnlyItsOwnFolding(std::string_view mask);
