// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli check end to end: the table of tests/data/check_cases.json (which the Windows
// build runs too), the order in which a password that stands in several places is reported, and
// the two prompts at a terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace tessaroll {
namespace {

using testing::CliRun;
using CheckCli = testing::CliTest;
using nlohmann::json;

std::string quoted(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args) {
        text += " '" + a + "'";
    }
    return text;
}

std::vector<std::string> strings(const json& list) {
    return list.is_null() ? std::vector<std::string>{} : list.get<std::vector<std::string>>();
}

// The passwords of "Password N= ..." lines, from 1; index 0 is empty.
std::vector<std::string> passwords_of(const std::string& out) {
    std::vector<std::string> list{""};
    for (std::size_t start = 0; start < out.size();) {
        const std::size_t end = out.find('\n', start);
        const std::string line = out.substr(start, end - start);
        if (const std::size_t eq = line.find("= ");
            line.starts_with("Password ") && eq != line.npos) {
            list.push_back(line.substr(eq + 2));
        }
        start = end == std::string::npos ? out.size() : end + 1;
    }
    return list;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CheckCli, TheTableOfCases) {
    std::ifstream in(std::string(TESSAROLL_TEST_DATA) + "/check_cases.json");
    const json table = json::parse(in);
    int run = 0;
    for (const json& c : table.at("cases")) {
        const std::string name = c.at("name");
        SCOPED_TRACE(name);
        std::filesystem::remove(dir_ / "p.tq");
        for (const json& setup : c.value("setup", json::array())) {
            ASSERT_EQ(cli(quoted(strings(setup)), "</dev/null").status, 0);
        }
        const std::string personal = c.value("personal", table.at("personal").get<std::string>());
        const std::vector<std::string> settings = strings(c.at("settings"));
        put("password.txt", personal + "\n");
        std::string input = personal + "\n";
        std::string candidate;
        if (c.contains("candidate")) {
            const json& spec = c.at("candidate");
            if (spec.contains("text")) {
                candidate = spec.at("text");
            } else {
                std::vector<std::string> generate{"generate",
                                                  "--date=" + spec.at("date").get<std::string>()};
                const std::vector<std::string> from =
                    spec.contains("settings") ? strings(spec.at("settings")) : settings;
                generate.insert(generate.end(), from.begin(), from.end());
                const CliRun listed = cli(quoted(generate));
                ASSERT_EQ(listed.status, 0) << listed.err;
                const std::vector<std::string> list = passwords_of(listed.out);
                ASSERT_LT(spec.at("number").get<std::size_t>(), list.size());
                candidate = list[spec.at("number").get<std::size_t>()];
            }
            const std::string change = spec.value("change", "");
            std::string line = candidate;
            if (change == "upper") {
                for (char& ch : line) {
                    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
                }
                ASSERT_NE(line, candidate);
            } else if (change == "space") {
                line += ' ';
            } else if (change == "lead") {
                line = ' ' + line;
            } else if (change == "cr") {
                line += '\r';
            } else {
                ASSERT_EQ(change, "");
            }
            input += line + "\n";
        }
        put("input.txt", input);
        std::vector<std::string> args{"check"};
        args.insert(args.end(), settings.begin(), settings.end());
        const std::vector<std::string> more = strings(c.at("args"));
        args.insert(args.end(), more.begin(), more.end());
        const CliRun r = cli(quoted(args), "<input.txt");
        EXPECT_EQ(r.status, c.at("status").get<int>()) << r.err;
        const std::string out = c.at("out");
        EXPECT_EQ(r.out, out.empty() ? "" : out + "\n") << r.err;
        if (c.contains("err")) {
            EXPECT_TRUE(has(r.err, c.at("err"))) << r.err;
        }
        if (c.contains("err_as_generate")) {
            EXPECT_EQ(r.err, cli(quoted(strings(c.at("err_as_generate")))).err);
        }
        // Nothing read is shown: neither password appears in what the program writes.
        for (const std::string& secret : {personal, candidate}) {
            if (secret.size() >= 4) {
                EXPECT_FALSE(has(r.out, secret) || has(r.err, secret)) << r.out << r.err;
            }
        }
        ++run;
    }
    EXPECT_GE(run, 38);
}

std::string iso(const std::chrono::year_month_day& d) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return text;
}

std::string month_first(const std::chrono::year_month_day& d) {
    return std::to_string(static_cast<unsigned>(d.month())) + "/" +
           std::to_string(static_cast<unsigned>(d.day())) + "/" +
           std::to_string(static_cast<int>(d.year()));
}

// A password of one digit stands in many places; the one reported is the first in this order: the
// day asked, then the nearer days, the day before ahead of the day after, and within a day the
// lowest number. Worked out here from generate's lists, for every digit on a few dates.
TEST_F(CheckCli, AnyDigitIsReportedWhereItFirstStands) {
    namespace chr = std::chrono;
    using namespace std::chrono_literals;
    put("password.txt", "secret\n");
    const chr::year_month_day dates[] = {2002y / 7 / 26, 2010y / 3 / 1, 2031y / 1 / 1};
    const std::pair<int, const char*> order[] = {
        {0, ""},
        {-1, ", the day before"},
        {1, ", the day after"},
        {-2, ", 2 days before"},
        {2, ", 2 days after"},
    };
    int elsewhere = 0;  // digits first found on another day than the one asked
    for (const chr::year_month_day& date : dates) {
        SCOPED_TRACE(iso(date));
        std::map<std::string, std::string> expected;  // digit: the answer
        for (const auto& [offset, words] : order) {
            const chr::year_month_day day{chr::sys_days{date} + chr::days{offset}};
            const CliRun listed = cli("generate --count 8 --length 1 --date " + iso(day));
            ASSERT_EQ(listed.status, 0) << listed.err;
            const std::vector<std::string> list = passwords_of(listed.out);
            ASSERT_EQ(list.size(), 9u);
            for (std::size_t n = 1; n < list.size(); ++n) {
                if (!expected.contains(list[n])) {
                    expected[list[n]] =
                        "Password " + std::to_string(n) + " of " + month_first(day) + words;
                    elsewhere += offset != 0;
                }
            }
        }
        const std::string not_found = "Not in the lists of " +
                                      month_first(chr::sys_days{date} - chr::days{2}) + " to " +
                                      month_first(chr::sys_days{date} + chr::days{2});
        for (char digit = '0'; digit <= '9'; ++digit) {
            put("input.txt", std::string("secret\n") + digit + "\n");
            const CliRun r =
                cli("check --count 8 --length 1 --days 2 --date " + iso(date), "<input.txt");
            const auto it = expected.find(std::string(1, digit));
            EXPECT_EQ(r.out, (it == expected.end() ? not_found : it->second) + "\n") << digit;
            EXPECT_EQ(r.status, it == expected.end() ? 1 : 0) << digit;
        }
    }
    EXPECT_GE(elsewhere, 3) << "too few digits found away from the day asked to tell the order";
}

struct TerminalRun {
    std::string screen;  // everything the program wrote to the terminal
    int wait_status = 0;
    termios before{}, after{};
    int answered = 0;
};

// Starts tessaroll-cli with args on a new pseudo-terminal and types each answer once its prompt
// has appeared, then collects the screen until the program ends.
TerminalRun run_on_terminal(const std::string& dir, const std::vector<std::string>& args,
                            const std::vector<std::pair<std::string, std::string>>& answers) {
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::size_t seen = 0;  // where the next prompt is looked for
    bool exited = false;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN) != 0) {
            char buf[4096];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                run.screen.append(buf, static_cast<std::size_t>(n));
            }
            const std::size_t u = static_cast<std::size_t>(run.answered);
            if (u < answers.size()) {
                if (const std::size_t at = run.screen.find(answers[u].first, seen);
                    at != std::string::npos) {
                    seen = at + answers[u].first.size();
                    const std::string& keys = answers[u].second;
                    if (::write(master, keys.data(), keys.size()) !=
                        static_cast<ssize_t>(keys.size())) {
                        ADD_FAILURE() << "could not type";
                    }
                    ++run.answered;
                }
            }
            continue;
        }
        if (exited) {
            break;
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

// At a terminal both passwords are asked for without echo, the fingerprint comes between them,
// and the terminal's mode is as it was.
TEST_F(CheckCli, BothPasswordsAreTypedUnseen) {
    put("password.txt", "sesame42\n");
    const std::string candidate =
        passwords_of(cli("generate --date 2002-07-25 --pattern llllllllll").out).at(2);
    const std::string fingerprint = cli("generate --date 2002-07-26 --fingerprint").err;
    const TerminalRun run = run_on_terminal(
        dir_.string(), {"check", "--date", "2002-07-26", "--pattern", "llllllllll"},
        {{"Personal password: ", "sesame42\n"}, {"Password to check: ", candidate + "\n"}});
    ASSERT_EQ(run.answered, 2) << run.screen;
    EXPECT_TRUE(WIFEXITED(run.wait_status) && WEXITSTATUS(run.wait_status) == 0) << run.screen;
    EXPECT_FALSE(has(run.screen, "sesame")) << run.screen;
    EXPECT_FALSE(has(run.screen, candidate)) << run.screen;
    ASSERT_TRUE(fingerprint.starts_with("Fingerprint")) << fingerprint;
    const std::size_t shown = run.screen.find(fingerprint.substr(0, fingerprint.find('\n')));
    EXPECT_LT(shown, run.screen.find("Password to check: ")) << run.screen;
    EXPECT_TRUE(has(run.screen, "Password 2 of 7/25/2002, the day before\r\n")) << run.screen;
    EXPECT_EQ(run.after.c_lflag, run.before.c_lflag);
    EXPECT_NE(run.after.c_lflag & ECHO, 0u);
}

}  // namespace
}  // namespace tessaroll
