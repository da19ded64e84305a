// SPDX-License-Identifier: GPL-3.0-or-later
// The rules tessaroll-cli shares with the window program: the same refusals in every command, the
// loader's notes on a pattern file, and the limits of a range of lists.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "cli_fixture.h"
#include "session/limits.h"
#include "session/settings_store.h"
#include "settings/pattern_file.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using SharedRulesCli = testing::CliTest;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string flag_lines(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += " 0 \r\n";
    }
    return out;
}

constexpr const char* kPrevious = " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n";

// What generate refuses, pattern set refuses with the same words, leaving the file as it was.
TEST_F(SharedRulesCli, SetRefusesWhatGenerateRefuses) {
    struct Case {
        std::string args;
        int status;
        std::string sentence;  // empty: only the status and the equal messages are checked
    };
    const Case cases[] = {
        {"--count 0", 1, count_refusal(0)},
        {"--count -5", 1, count_refusal(-5)},
        {"--count 131", 1, count_refusal(131)},
        {"--count 32767", 1, count_refusal(32767)},
        {"--length 0", 1, length_refusal(0)},
        {"--length -5", 1, length_refusal(-5)},
        {"--length 0.4", 1, length_refusal(0)},  // read as the box reads it: 0
        {"--length 131", 1, length_refusal(131)},
        {"--count 3 --length 0", 1, length_refusal(0)},
        {"--pattern ''", 2, "--pattern"},         // an unset shell variable, quoted
        {"--count 3 --pattern", 2, "--pattern"},  // the same, unquoted
        {"--pattern dxl", 2, "--pattern"},
        {"--pattern " + std::string(131, 'd'), 2, "--pattern"},
    };
    put("pattern.tq", kPrevious);
    for (const Case& c : cases) {
        const CliRun set = cli("pattern set " + c.args);
        EXPECT_EQ(set.status, c.status) << c.args << ": " << set.err;
        EXPECT_EQ(get("pattern.tq"), kPrevious) << c.args;
        EXPECT_FALSE(fs::exists(dir_ / "pattern.tq.bak")) << c.args;
        EXPECT_TRUE(has(set.err, c.sentence)) << c.args << ": " << set.err;
        EXPECT_TRUE(set.err.starts_with("tessaroll-cli: ")) << c.args << ": " << set.err;

        const CliRun gen = cli("generate --date 2002-07-26 " + c.args);
        EXPECT_EQ(gen.status, c.status) << c.args << ": " << gen.err;
        EXPECT_EQ(gen.out, "") << c.args;
        EXPECT_EQ(gen.err, set.err) << c.args;
    }
}

// A pattern file that loaded completely but holds flag lines the programs never write: the list
// is the one the loader reads, and its note is said as a warning.
TEST_F(SharedRulesCli, TheLoadersNoteIsAWarning) {
    const std::string files[] = {
        " 4  3 \r\n 1 \r\n x \r\n 1 \r\n",          // a flag that is neither 0 nor 1
        " 4  3 \r\r\n 1 \r\r\n 0 \r\r\n 1 \r\r\n",  // line ends converted twice
        " 5  4 \r\n 1 \r\n 1 \r\n 0 \r\n 2 \r\n",   // the last position
    };
    for (const std::string& bytes : files) {
        put("p.tq", bytes);
        GenerationSettings read;
        const PatternLoadResult loaded = read_pattern_bytes(bytes, "p.tq", read);
        ASSERT_EQ(loaded.status, PatternLoad::Complete) << bytes;
        ASSERT_NE(loaded.note, "") << bytes;
        const std::string letters = pattern_letters(read).substr(0, read.lentgh);

        const CliRun with_file = cli("generate --date 2002-07-26 --pattern-file p.tq");
        const CliRun with_options =
            cli("generate --date 2002-07-26 --count " + std::to_string(read.pnumb) + " --length " +
                std::to_string(read.lentgh) + " --pattern " + letters);
        EXPECT_EQ(with_file.status, 0) << bytes << with_file.err;
        EXPECT_NE(with_file.out, "") << bytes;
        EXPECT_EQ(with_file.out, with_options.out) << bytes;
        EXPECT_TRUE(has(with_file.err, "tessaroll-cli: warning: ")) << bytes << with_file.err;
        EXPECT_TRUE(has(with_file.err, loaded.note)) << bytes << with_file.err;

        const CliRun show = cli("pattern show --pattern-file p.tq");
        EXPECT_EQ(show.status, 0) << bytes << show.err;
        EXPECT_EQ(show.out, "count " + std::to_string(read.pnumb) + "\nlength " +
                                std::to_string(read.lentgh) + "\npattern " + pattern_letters(read) +
                                "\n")
            << bytes;
        EXPECT_TRUE(has(show.err, "tessaroll-cli: warning: ")) << bytes << show.err;
        EXPECT_TRUE(has(show.err, loaded.note)) << bytes << show.err;
        EXPECT_EQ(get("p.tq"), bytes) << "showing changes nothing";
    }
}

TEST_F(SharedRulesCli, ShowFailsOnAFileItCouldNotReadWhole) {
    struct Case {
        std::string bytes;
        bool readable;
        std::string said;
    };
    const Case cases[] = {
        {"9 x\r\n 1 \r\n", true, "\"x\" is not a whole number"},
        {"", true, "is empty"},
        {" 5  12 \r\n" + flag_lines(131), true, "line 132"},
        {kPrevious, false, "Permission denied"},
    };
    // Root reads every file; the unreadable case then runs as "nobody", whose output files are
    // made anew, in a folder that is its own (the trust rule refuses one others may write to).
    const std::string as_user =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir_.c_str(), 65534, 65534), 0);
    }
    for (const Case& c : cases) {
        put("pattern.tq", c.bytes);
        fs::permissions(dir_ / "pattern.tq", c.readable ? fs::perms::owner_read : fs::perms::none);
        fs::remove(dir_ / "stdout.txt");
        fs::remove(dir_ / "stderr.txt");
        const CliRun r =
            cli("pattern show", "<password.txt", ">stdout.txt", c.readable ? "" : as_user);
        EXPECT_EQ(r.status, 1) << c.bytes << r.err;
        // A file that could not be read is an error, and no values are shown: none were read.
        EXPECT_TRUE(has(r.err, c.readable ? "tessaroll-cli: warning: " : "tessaroll-cli: "))
            << c.bytes << r.err;
        EXPECT_TRUE(has(r.err, c.said)) << c.bytes << r.err;
        if (!c.readable) {
            EXPECT_EQ(r.out, "");
        }
        fs::permissions(dir_ / "pattern.tq", fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(get("pattern.tq"), c.bytes);
    }
}

// A range of lists covers at most kMaxUntilYears years: that day itself is allowed.
TEST_F(SharedRulesCli, UntilReachesExactlyTheLimit) {
    const std::string last_year = std::to_string(2002 + kMaxUntilYears);
    const std::string leap_year = std::to_string(2004 + kMaxUntilYears);
    struct Case {
        std::string from, until;
        bool allowed;
    };
    const Case cases[] = {
        {"2002-07-26", last_year + "-07-26", true},
        {"2002-07-26", last_year + "-07-27", false},
        {"2004-02-29", leap_year + "-02-29", true},
        {"2004-02-29", leap_year + "-03-01", false},
    };
    for (const Case& c : cases) {
        const std::string args =
            "generate --count 1 --length 1 --date " + c.from + " --until " + c.until;
        const CliRun r = cli(args, "<password.txt", ">/dev/null");
        const bool refused = has(r.err, "more than " + std::to_string(kMaxUntilYears) + " years");
        EXPECT_EQ(refused, !c.allowed) << args << ": " << r.err.substr(0, 300);
        // Allowed, the days after the engine's last year are refused one by one (status 1).
        EXPECT_EQ(r.status, c.allowed ? 1 : 2) << args << ": " << r.err.substr(0, 300);
    }
}

}  // namespace
}  // namespace tessaroll
