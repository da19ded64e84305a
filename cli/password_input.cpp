// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/password_input.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <optional>
#include <system_error>

#include "cli/standard_streams.h"
#include "engine/chaotic_map.h"
#include "engine/error.h"
#include "engine/password_list.h"
#include "session/password_notes.h"

#ifdef _WIN32
#include <io.h>

#include "engine/windows_api.h"
#else
#include <csignal>

#include <termios.h>
#include <unistd.h>
#endif

namespace tessaroll::cli {

namespace {

// NFC composes at most 9 bytes of UTF-8 (3 UTF-16 units) into one code-page character (a Hangul
// syllable typed as its three jamo), so a line longer than this holds more characters than the
// engine takes (one more byte for a CR).
constexpr std::size_t kMaxLineBytes = 9 * kMaxPasswordChars + 1;

constexpr const char* kNothingRead = "No personal password was read";

[[noreturn]] void refuse_too_long() {
    throw too_long_password("more than " + std::to_string(kMaxPasswordChars));
}

#ifdef _WIN32

// Echo off for as long as it lives; a console restores its own mode when the program ends.
class EchoOff {
public:
    EchoOff() {
        handle_ = GetStdHandle(STD_INPUT_HANDLE);
        active_ = GetConsoleMode(handle_, &saved_) != 0 &&
                  SetConsoleMode(handle_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
    }
    ~EchoOff() {
        if (active_) {
            SetConsoleMode(handle_, saved_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool active_ = false;
    HANDLE handle_;
    DWORD saved_ = 0;
};

std::string utf8_of(const std::wstring& wide) {
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
    return text;
}

// A console hands over what was typed as UTF-16 through ReadConsoleW; read as bytes it would come
// in the console's OEM code page, and every accented letter would count as "?".
std::string read_console_line() {
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring wide;
    wchar_t buf[256];
    DWORD got = 0;
    bool ended = false;
    while (ReadConsoleW(in, buf, static_cast<DWORD>(std::size(buf)), &got, nullptr) && got > 0) {
        wide.append(buf, got);
        if (wide.back() == L'\n') {
            ended = true;
            break;
        }
        if (wide.size() > kMaxLineBytes) {
            refuse_too_long();
        }
    }
    if (!ended && wide.empty()) {
        throw PasswordInputError(std::string(kNothingRead) + ": the console input ended.");
    }
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r')) {
        wide.pop_back();
    }
    return utf8_of(wide);
}

// Bytes piped in or read from a file that are not UTF-8 come in the encoding Windows programs
// write them in: cmd.exe's echo writes the console's code page, a program without a console and
// many editors the ANSI one. Read in that code page, as long as it is not UTF-8 itself; nullopt
// when it is, or when the bytes are not text in it either.
std::optional<std::string> text_in_system_code_page(const std::string& bytes) {
    UINT cp = GetConsoleCP();
    if (cp == 0) {
        cp = GetACP();  // no console
    }
    const int size = static_cast<int>(bytes.size());
    const int n = cp == CP_UTF8 ? 0
                                : MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), size,
                                                      nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), n);
    return utf8_of(wide);
}

#else

// The terminal's modes, for the signal handlers: they must not wait for the destructor.
termios g_saved{};
termios g_quiet{};
volatile std::sig_atomic_t g_active = 0;

// Every signal whose default action ends the program, SIGKILL aside, which no program can catch;
// the real-time signals besides (EchoOff). Ctrl+C and Ctrl+\ are among them, and so are a
// timer's SIGALRM, a script's SIGUSR1 and a fault.
constexpr int kEndingSignals[] = {
    SIGINT,    SIGQUIT, SIGTERM, SIGHUP,  SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGPIPE,
    SIGXCPU,   SIGXFSZ, SIGSYS,  SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,  SIGILL,    SIGSEGV,
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};
// Room for the real-time signals, SIGRTMIN to SIGRTMAX, whose numbers are known at run time.
constexpr int kRealTimeRoom = 64;

// Ctrl+C, Ctrl+\ and their like: the terminal gets its mode back, then the signal does what it
// would have done (it stays blocked until this returns, then finds the default action).
extern "C" void restore_then_end(int sig) {
    const int saved_errno = errno;
    if (g_active != 0) {
        tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    errno = saved_errno;
}

// Ctrl+Z: echo comes back while the program is stopped and goes off again when it continues.
extern "C" void restore_then_stop(int sig) {
    const int saved_errno = errno;
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    std::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(sig);  // stops here until SIGCONT
    sigprocmask(SIG_BLOCK, &set, nullptr);
    std::signal(sig, restore_then_stop);
    tcsetattr(STDIN_FILENO, TCSANOW, &g_quiet);
    errno = saved_errno;
}

// Echo off for as long as it lives, when standard input is a terminal.
class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &g_saved) != 0) {
            return;
        }
        g_quiet = g_saved;
        g_quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        // Handlers first, so that no signal finds echo off without a way back.
        g_active = 1;
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            install(kEndingSignals[i], restore_then_end, previous_[i]);
        }
        for (int sig = SIGRTMIN; sig <= SIGRTMAX && sig - SIGRTMIN < kRealTimeRoom; ++sig) {
            install(sig, restore_then_end, previous_real_time_[sig - SIGRTMIN]);
        }
        install(SIGTSTP, restore_then_stop, previous_stop_);
        active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_quiet) == 0;
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
        }
        g_active = 0;
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            sigaction(kEndingSignals[i], &previous_[i], nullptr);
        }
        for (int sig = SIGRTMIN; sig <= SIGRTMAX && sig - SIGRTMIN < kRealTimeRoom; ++sig) {
            sigaction(sig, &previous_real_time_[sig - SIGRTMIN], nullptr);
        }
        sigaction(SIGTSTP, &previous_stop_, nullptr);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    // A signal the caller ignores (nohup, a background job) stays ignored.
    static void install(int sig, void (*handler)(int), struct sigaction& previous) {
        sigaction(sig, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = handler;
        action.sa_flags = SA_RESTART;  // the read goes on after Ctrl+Z and fg
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }

    bool active_ = false;
    struct sigaction previous_[std::size(kEndingSignals)]{};
    struct sigaction previous_real_time_[kRealTimeRoom] {};
    struct sigaction previous_stop_ {};
};

#endif

// One line of bytes from standard input, at most kMaxLineBytes of them.
std::string read_line() {
    if (standard_input_was_closed()) {
        throw PasswordInputError(std::string(kNothingRead) + ": standard input is closed.");
    }
    std::string line;
    bool ended = false;
    errno = 0;
    for (int c; (c = std::getc(stdin)) != EOF;) {
        if (c == '\n') {
            ended = true;
            break;
        }
        if (line.size() == kMaxLineBytes) {
            refuse_too_long();
        }
        line += static_cast<char>(c);
    }
    if (std::ferror(stdin) != 0) {
        const int err = errno != 0 ? errno : EIO;
        throw PasswordInputError(std::string(kNothingRead) +
                                 ": standard input could not be read (" +
                                 std::generic_category().message(err) + ").");
    }
    if (!ended && line.empty()) {
        throw PasswordInputError(std::string(kNothingRead) +
                                 ": standard input ended before the first line. Give the "
                                 "personal password on one line; an empty line stands for the "
                                 "empty one.");
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

bool stdin_is_terminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

namespace {

// The personal password of the line read: a leading byte order mark dropped. Bytes that are
// not UTF-8 never become "?" unseen: they are refused, except that on Windows they are read in
// the console's or the system's code page (text_in_system_code_page).
std::string personal_password_of(const std::string& line) {
    if (std::optional<std::string> text = personal_password_text(line)) {
        return *std::move(text);
    }
#ifdef _WIN32
    if (std::optional<std::string> text = text_in_system_code_page(line)) {
        return personal_password_text(*text).value_or(*text);
    }
#endif
    throw PasswordInputError(not_utf8_sentence(line));
}

}  // namespace

std::string read_personal_password() {
    if (standard_input_was_closed() || !stdin_is_terminal()) {
        return personal_password_of(read_line());
    }
    std::string line;
    {
        EchoOff quiet;  // before the prompt, so nothing typed after it is shown
        std::cerr << "Personal password: " << std::flush;
#ifdef _WIN32
        line = read_console_line();
#else
        line = read_line();
#endif
    }
    std::cerr << '\n';
    return personal_password_of(line);
}

namespace {

constexpr const char* kNoCandidate = "No password to check was read";

// The second line of standard input, without its line end. At most kMaxLength + 1 bytes are kept:
// a longer line is no list's password either, and the rest is not read.
std::string read_candidate_line() {
    std::string line;
    bool ended = false;
    errno = 0;
    for (int c; (c = std::getc(stdin)) != EOF;) {
        if (c == '\n') {
            ended = true;
            break;
        }
        line += static_cast<char>(c);
        if (line.size() > static_cast<std::size_t>(kMaxLength) + 1) {
            line.pop_back();
            return line;
        }
    }
    if (std::ferror(stdin) != 0) {
        const int err = errno != 0 ? errno : EIO;
        throw PasswordInputError(std::string(kNoCandidate) +
                                 ": standard input could not be read (" +
                                 std::generic_category().message(err) + ").");
    }
    if (!ended && line.empty()) {
        throw PasswordInputError(std::string(kNoCandidate) +
                                 ": standard input ended after the personal password. Give the "
                                 "password to check on the second line.");
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

std::string read_password_to_check() {
    if (standard_input_was_closed() || !stdin_is_terminal()) {
        return read_candidate_line();
    }
    std::string line;
    {
        EchoOff quiet;
        std::cerr << "Password to check: " << std::flush;
#ifdef _WIN32
        try {
            line = read_console_line();
        } catch (const PasswordInputError&) {
            throw PasswordInputError(std::string(kNoCandidate) + ": the console input ended.");
        } catch (const EngineError&) {
            line.assign(static_cast<std::size_t>(kMaxLength) + 1, '?');  // no list's password
        }
#else
        line = read_candidate_line();
#endif
    }
    std::cerr << '\n';
    return line;
}

}  // namespace tessaroll::cli
