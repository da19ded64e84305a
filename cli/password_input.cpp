#include "cli/password_input.h"

#include <iostream>
#include <iterator>

#ifdef _WIN32
#include <io.h>

#include "engine/windows_api.h"
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

std::string read_line() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

#ifdef _WIN32
// A console hands over what was typed as UTF-16 through ReadConsoleW; read as bytes it would come
// in the console's OEM code page, and every accented letter would count as "?".
std::string read_console_line() {
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring wide;
    wchar_t buf[256];
    DWORD got = 0;
    while (ReadConsoleW(in, buf, static_cast<DWORD>(std::size(buf)), &got, nullptr) && got > 0) {
        wide.append(buf, got);
        if (wide.back() == L'\n') {
            break;
        }
    }
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r')) {
        wide.pop_back();
    }
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string line(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, line.data(), size, nullptr, nullptr);
    return line;
}
#endif

}  // namespace

bool stdin_is_terminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

std::string read_personal_password() {
    if (!stdin_is_terminal()) {
        return read_line();
    }
    std::cerr << "Personal password: " << std::flush;
    std::string line;
    {
        EchoOff quiet;
#ifdef _WIN32
        line = read_console_line();
#else
        line = read_line();
#endif
    }
    std::cerr << '\n';
    return line;
}

}  // namespace tessaroll::cli
