// Symbolic links: reading a link's target whole, whatever its length, and
// following a chain of links to the file itself.
#pragma once
#include <optional>
#include <string>
#include <string_view>

/// The kernel's own limit on a chain of links.
inline constexpr int kMaxLinkHops = 40;

/// The whole target text of the link at `path`; nothing when `path` is no
/// link or cannot be read (errno then says why).
std::optional<std::string> ReadLinkTarget(const std::string& path);

/// Where `target`, read from the link at `linkPath`, points: a relative
/// target is taken from the link's own folder.
std::string LinkTargetPath(std::string_view linkPath, std::string_view target);

/// `path` with every link on the way to the file itself followed, at most
/// kMaxLinkHops of them, so a cycle cannot hold the caller; the last path
/// reached when a link cannot be read.
std::string FollowLinks(std::string path);
