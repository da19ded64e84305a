#include "cli/password_input.h"

#include <iostream>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace tessaroll::cli {

namespace {

// Echo off for as long as it lives, when standard input is a terminal.
class EchoOff {
public:
    EchoOff() {
#ifdef _WIN32
        handle_ = GetStdHandle(STD_INPUT_HANDLE);
        active_ = GetConsoleMode(handle_, &saved_) != 0 &&
                  SetConsoleMode(handle_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
#else
        if (tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
#endif
    }
    ~EchoOff() {
        if (active_) {
#ifdef _WIN32
            SetConsoleMode(handle_, saved_);
#else
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
#endif
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool active_ = false;
#ifdef _WIN32
    HANDLE handle_;
    DWORD saved_ = 0;
#else
    termios saved_{};
#endif
};

bool stdin_is_terminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

std::string read_line() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

std::string read_personal_password() {
    if (!stdin_is_terminal()) {
        return read_line();
    }
    std::cerr << "Personal password: " << std::flush;
    std::string line;
    {
        EchoOff quiet;
        line = read_line();
    }
    std::cerr << '\n';
    return line;
}

}  // namespace tessaroll::cli
