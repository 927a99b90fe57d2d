#include "Common/Linux/StandardInputUnix.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>

bool StandardInputReadyWithin(int milliseconds) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, milliseconds) > 0;
}

int ReadStandardInputByteIfReady() {
    // The descriptor is non-blocking for just this read.
    int flags = fcntl(STDIN_FILENO, F_GETFL);
    fcntl(STDIN_FILENO, F_SETFL, flags | O_NONBLOCK);
    int byte = std::getc(stdin);
    fcntl(STDIN_FILENO, F_SETFL, flags);
    if (byte == EOF && std::ferror(stdin)) std::clearerr(stdin);  // nothing ready is no error
    return byte == EOF ? -1 : byte;
}
