// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include "engine/windows_api.h"
#else
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

void write_error_line(std::string_view utf8) {
#ifdef _WIN32
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode) != 0) {
        std::cerr.flush();
        const std::string line = std::string(utf8) + "\r\n";
        const int size = static_cast<int>(line.size());
        const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), size, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, line.data(), size, wide.data(), n);
        DWORD written = 0;
        WriteConsoleW(err, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::cerr << utf8 << '\n';
}

}  // namespace tessaroll::cli
