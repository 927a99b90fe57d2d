#include "Common/Linux/SymbolicLinks.h"

#include <sys/stat.h>
#include <unistd.h>

std::optional<std::string> ReadLinkTarget(const std::string& path) {
    // readlink says nothing of a cut target but filling the buffer, so the
    // buffer grows until the target leaves room to spare.
    std::string target(256, '\0');
    for (;;) {
        ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return std::nullopt;
        if (size_t(length) < target.size()) {
            target.resize(size_t(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

std::string LinkTargetPath(std::string_view linkPath, std::string_view target) {
    size_t slash = linkPath.rfind('/');
    if (target.starts_with('/') || slash == std::string_view::npos) return std::string(target);
    return std::string(linkPath.substr(0, slash + 1)) + std::string(target);
}

std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
        std::optional<std::string> target = ReadLinkTarget(path);
        if (!target || target->empty()) break;
        path = LinkTargetPath(path, *target);
    }
    return path;
}
