#include "cli/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tessaroll::cli {

namespace {

bool g_closed[3] = {false, false, false};

}  // namespace

void guard_standard_streams() {
#ifndef _WIN32
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open takes the lowest free descriptor, which is fd itself.
            const int opened = ::open("/dev/null", O_RDWR);
            g_closed[fd] = true;
            if (opened >= 0 && opened != fd) {
                ::close(opened);
            }
        }
    }
#endif
}

bool standard_input_was_closed() {
    return g_closed[0];
}

bool standard_output_complete(std::string* problem) {
    errno = 0;
    std::cout.flush();
    const bool flushed = std::cout.good() && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    const int err = errno;
    if (g_closed[1]) {
        *problem = "Standard output is closed, so the result could not be written.";
        return false;
    }
    if (!flushed) {
        *problem = "Could not write to standard output: " +
                   (err != 0 ? std::generic_category().message(err) : std::string("write error")) +
                   ".";
        return false;
    }
    return true;
}

}  // namespace tessaroll::cli
