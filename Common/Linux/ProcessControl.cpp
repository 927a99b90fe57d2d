#include "Common/Linux/ProcessControl.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

void OpenMissingStandardDescriptors() {
    // Done before anything else is opened, so no file the program opens takes
    // their place and receives progress lines meant for standard output.
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            int opened = open("/dev/null", O_RDWR);
            if (opened >= 0 && opened != descriptor) {
                dup2(opened, descriptor);
                close(opened);
            }
        }
}

std::string FindInSearchPath(const char* name, size_t maximumLength) {
    const char* path = std::getenv("PATH");
    if (!path || !*name) return {};
    std::string entries = path;
    size_t start = 0;
    while (start <= entries.size()) {
        size_t end = entries.find(':', start);
        if (end == std::string::npos) end = entries.size();
        std::string folder = entries.substr(start, end - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate.size() < maximumLength ? candidate : std::string();
        start = end + 1;
    }
    return {};
}

bool DetachAsDaemon() {
    pid_t child = fork();
    if (child < 0) return false;
    if (child > 0) _exit(0);
    if (setsid() < 0) return false;
    signal(SIGHUP, SIG_IGN);
    child = fork();
    if (child < 0) return false;
    if (child > 0) _exit(0);
    if (chdir("/") != 0) return false;
    for (int fd = 0; fd < 64; ++fd) close(fd);
    OpenMissingStandardDescriptors();
    return true;
}

void EndProcessAtOnce(int status) { _exit(status); }
