#include "Common/Linux/PathAccess.h"

#include <unistd.h>

#include <cerrno>

int FolderAccessError(const std::string& path) {
    // The real user is asked for, as a check run by the sysop should tell
    // what that user (the mailer's, under sudo -u) may do.
    return access(path.c_str(), R_OK | X_OK) == 0 ? 0 : errno;
}
