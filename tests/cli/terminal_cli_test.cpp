// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli at a terminal: a pseudo-terminal stands for the user's, so the test can type,
// press Ctrl+C and look at the screen and at the terminal's mode afterwards.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace tessaroll {
namespace {

using TerminalCli = testing::CliTest;

struct TerminalRun {
    std::string screen;   // everything the program wrote to the terminal
    int wait_status = 0;  // as waitpid reports it
    termios before{}, after{};
    bool prompted = false;
};

// Starts tessaroll-cli with args on a new pseudo-terminal, waits for the prompt, types keys (then
// sends it the signal, when one is given), and collects the screen until the program ends.
TerminalRun run_on_terminal(const std::string& dir, const std::vector<std::string>& args,
                            const std::string& keys, int signal_after_keys = 0) {
    TerminalRun run;
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return run;
    }
    ::tcgetattr(slave, &run.before);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        ::ioctl(slave, TIOCSCTTY, 0);
        ::dup2(slave, 0);
        ::dup2(slave, 1);
        ::dup2(slave, 2);
        ::close(master);
        ::close(slave);
        const rlimit no_core{0, 0};  // Ctrl+\ would leave a core file
        ::setrlimit(RLIMIT_CORE, &no_core);
        if (::chdir(dir.c_str()) != 0) {
            ::_exit(120);
        }
        std::vector<char*> argv{const_cast<char*>(TESSAROLL_CLI_PATH)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(TESSAROLL_CLI_PATH, argv.data());
        ::_exit(121);
    }
    // The slave stays open here, so its mode can be read once the program is gone.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool exited = false;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN) != 0) {
            char buf[4096];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                run.screen.append(buf, static_cast<std::size_t>(n));
            }
            if (!run.prompted && run.screen.find("Personal password: ") != std::string::npos) {
                run.prompted = true;
                if (::write(master, keys.data(), keys.size()) !=
                    static_cast<ssize_t>(keys.size())) {
                    ADD_FAILURE() << "could not type";
                }
                if (signal_after_keys != 0) {
                    ::usleep(100 * 1000);  // the keys read, the program waiting for more
                    ::kill(pid, signal_after_keys);
                }
            }
            continue;
        }
        if (exited) {
            break;  // ended, and nothing more to read
        }
        exited = ::waitpid(pid, &run.wait_status, WNOHANG) == pid;
    }
    if (!exited) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &run.wait_status, 0);
        ADD_FAILURE() << "tessaroll-cli did not end; screen:\n" << run.screen;
    }
    ::tcgetattr(slave, &run.after);
    ::close(master);
    ::close(slave);
    return run;
}

TEST_F(TerminalCli, WhatIsTypedAtThePromptIsNotShown) {
    const TerminalRun run =
        run_on_terminal(dir_.string(), {"generate", "--date", "2002-07-26"}, "sesame42\n");
    ASSERT_TRUE(run.prompted) << run.screen;
    EXPECT_TRUE(WIFEXITED(run.wait_status) && WEXITSTATUS(run.wait_status) == 0) << run.screen;
    EXPECT_EQ(run.screen.find("sesame"), std::string::npos) << run.screen;
    EXPECT_NE(run.screen.find("Password 4= "), std::string::npos) << run.screen;
    EXPECT_EQ(run.after.c_lflag, run.before.c_lflag);
    EXPECT_NE(run.after.c_lflag & ECHO, 0u);
}

TEST_F(TerminalCli, CtrlCAndCtrlBackslashAtThePromptGiveTheTerminalItsEchoBack) {
    const std::pair<const char*, int> keys[] = {{"sec\x03", SIGINT}, {"sec\x1c", SIGQUIT}};
    for (const auto& [typed, sig] : keys) {
        const TerminalRun run = run_on_terminal(dir_.string(), {"generate"}, typed);
        ASSERT_TRUE(run.prompted) << run.screen;
        EXPECT_TRUE(WIFSIGNALED(run.wait_status) && WTERMSIG(run.wait_status) == sig)
            << "signal " << sig << ", wait status " << run.wait_status;
        EXPECT_EQ(run.screen.find("sec"), std::string::npos) << run.screen;
        EXPECT_EQ(run.after.c_lflag, run.before.c_lflag) << "signal " << sig;
        EXPECT_NE(run.after.c_lflag & ECHO, 0u) << "signal " << sig;
    }
}

TEST_F(TerminalCli, EverySignalThatEndsTheProgramAtThePromptGivesTheEchoBack) {
    // Sent by another program (a timer, a script, the system), not typed.
    const int signals[] = {SIGTERM,   SIGHUP,  SIGUSR1, SIGUSR2, SIGALRM,  SIGPIPE, SIGXCPU,
                           SIGVTALRM, SIGPROF, SIGABRT, SIGSEGV, SIGRTMIN, SIGRTMAX};
    for (const int sig : signals) {
        const TerminalRun run = run_on_terminal(dir_.string(), {"generate"}, "sec", sig);
        ASSERT_TRUE(run.prompted) << run.screen;
        EXPECT_TRUE(WIFSIGNALED(run.wait_status) && WTERMSIG(run.wait_status) == sig)
            << "signal " << sig << ", wait status " << run.wait_status;
        EXPECT_EQ(run.after.c_lflag, run.before.c_lflag) << "signal " << sig;
        EXPECT_NE(run.after.c_lflag & ECHO, 0u) << "signal " << sig;
    }
}

}  // namespace
}  // namespace tessaroll
