// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli's pattern commands and --pattern-file, run as a user runs them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "cli_fixture.h"
#include "settings/pattern_file.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;

using PatternCliTest = testing::CliTest;

std::string lines(int n, const std::string& line) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += line + "\r\n";
    }
    return out;
}

std::string shown(int count, int length, const std::string& letters) {
    return "count " + std::to_string(count) + "\nlength " + std::to_string(length) + "\npattern " +
           letters + std::string(130 - letters.size(), 'd') + "\n";
}

TEST_F(PatternCliTest, ShowOnAFileWith131FlagLinesWarnsAndPrintsTheFirst130) {
    put("pattern.tq", " 5  12 \r\n" + lines(129, " 1 ") + " 0 \r\n 1 \r\n");
    const CliRun r = cli("pattern show");
    EXPECT_EQ(r.status, 1) << r.err;  // the file did not load completely
    EXPECT_EQ(r.out, shown(5, 12, std::string(129, 'l')));
    EXPECT_NE(r.err.find("warning"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("pattern.tq\", line 132"), std::string::npos) << r.err;
}

TEST_F(PatternCliTest, ShowPrintsWhatTheFileHolds) {
    struct Case {
        std::string bytes, args, out;
        bool warns;
        int status;  // 1: the file did not load completely
    };
    const Case cases[] = {
        {" 4  6 \r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n", "pattern show",
         shown(4, 6, "dllddl"), false, 0},
        {"4,6\n1\n", "pattern show --pattern-file pattern.tq", shown(4, 6, "l"), false, 0},
        {"-3 -7\r\n", "pattern show", shown(-3, -7, ""), false, 0},
        {"9 x\r\n 1 \r\n", "pattern show", shown(9, 0, ""), true, 1},  // stops after the count
        {"", "pattern show", shown(0, 0, ""), true, 1},
    };
    for (const auto& c : cases) {
        put("pattern.tq", c.bytes);
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.bytes << r.err;
        EXPECT_EQ(r.out, c.out) << c.bytes;
        EXPECT_EQ(r.err.find("warning") != std::string::npos, c.warns) << c.bytes << r.err;
    }

    // The file named by --pattern-file, not the one in the current folder.
    fs::create_directory(dir_ / "other");
    put("other/p.tq", " 2  3 \r\n 1 \r\n 1 \r\n 0 \r\n");
    const CliRun r = cli("pattern show --pattern-file other/p.tq");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, shown(2, 3, "ll"));
}

TEST_F(PatternCliTest, ShowWithoutAFileFailsWithAReason) {
    for (const std::string args : {"pattern show", "pattern show --pattern-file none.tq"}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find("no pattern file"), std::string::npos) << r.err;
    }
    fs::create_directory(dir_ / "pattern.tq");  // a folder is no pattern file
    EXPECT_EQ(cli("pattern show").status, 1);
}

TEST_F(PatternCliTest, SetWritesTheFileAsTheLibrarySavesIt) {
    struct Case {
        std::string args;
        std::int16_t pnumb, lentgh;
        std::string letters, bytes;
    };
    const Case cases[] = {
        {"--count 4 --length 6 --pattern dlldd", 4, 6, "dlldd",
         " 4  6 \r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n"},
        {"--count ' 12 ' --length 2.5 --pattern ll", 12, 2, "ll", " 12  2 \r\n 1 \r\n 1 \r\n"},
        {"--count 1 --length 1 --pattern lll", 1, 1, "lll", " 1  1 \r\n 1 \r\n"},
        {"--count 130 --length 130 --pattern l", 130, 130, "l",
         " 130  130 \r\n 1 \r\n" + lines(129, " 0 ")},
    };
    for (const auto& c : cases) {
        fs::remove(dir_ / "pattern.tq");
        const CliRun r = cli("pattern set " + c.args);
        EXPECT_EQ(r.status, 0) << c.args << r.err;
        EXPECT_EQ(get("pattern.tq"), c.bytes) << c.args;

        GenerationSettings s;
        s.pnumb = c.pnumb;
        s.lentgh = c.lentgh;
        ASSERT_TRUE(set_pattern_letters(s, c.letters));
        save_pattern_file(dir_ / "library.tq", s);
        EXPECT_EQ(get("pattern.tq"), get("library.tq")) << c.args;
    }
}

TEST_F(PatternCliTest, SetKeepsWhatTheOptionsDoNotChange) {
    struct Case {
        std::string args, bytes;
    };
    const Case cases[] = {
        {"--count 9", " 9  3 \r\n 1 \r\n 0 \r\n 1 \r\n"},
        {"--length 4", " 7  4 \r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n"},
        {"--pattern dl", " 7  3 \r\n 0 \r\n 1 \r\n 0 \r\n"},
        {"--pattern d", " 7  3 \r\n 0 \r\n 0 \r\n 0 \r\n"},
        {"--pattern-file pattern.tq --count 1", " 1  3 \r\n 1 \r\n 0 \r\n 1 \r\n"},
    };
    for (const auto& c : cases) {
        put("pattern.tq", " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
        const CliRun r = cli("pattern set " + c.args);
        EXPECT_EQ(r.status, 0) << c.args << r.err;
        EXPECT_EQ(get("pattern.tq"), c.bytes) << c.args;
    }

    // Into another file, leaving the one in the current folder alone.
    EXPECT_EQ(cli("pattern set --count 2 --length 1 --pattern l --pattern-file b.tq").status, 0);
    EXPECT_EQ(get("b.tq"), " 2  1 \r\n 1 \r\n");
    EXPECT_EQ(get("pattern.tq"), " 1  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
}

TEST_F(PatternCliTest, SetNotesWhatItCannotSave) {
    // A length no list can have is refused, as generate refuses it.
    CliRun r = cli("pattern set --count 4 --length 200");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "pattern.tq"));
    EXPECT_NE(r.err.find("1 to 130"), std::string::npos) << r.err;

    r = cli("pattern set --count 4 --length 2 --pattern ldl");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(get("pattern.tq"), " 4  2 \r\n 1 \r\n 0 \r\n");
    EXPECT_NE(r.err.find("only the flags of positions 1 to the length"), std::string::npos)
        << r.err;
}

TEST_F(PatternCliTest, RefusedSetLeavesTheFileAsItWas) {
    struct Case {
        std::string args;
        int status;
        std::string reason;
    };
    const Case cases[] = {
        {"", 2, "at least one of"},
        {"--count abc", 2, "\"abc\" is not a number"},
        {"--length 40000", 2, "outside -32768 to 32767"},
        {"--pattern dxl", 2, "d (digit) and l (letter)"},
        {"--count 3 --bogus", 2, "bogus"},
    };
    const std::string previous = " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n";
    put("pattern.tq", previous);
    for (const auto& c : cases) {
        const CliRun r = cli("pattern set " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(get("pattern.tq"), previous) << c.args;
    }

    // The file cannot be written: a size limit, with SIGXFSZ ignored, makes write() fail.
    const CliRun r = cli("pattern set --count 3 --length 130", "<password.txt", ">stdout.txt",
                         "trap '' XFSZ; ulimit -f 1;");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find((dir_ / "pattern.tq").string() + "\": File too large"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("left as it was"), std::string::npos) << r.err;
    EXPECT_EQ(get("pattern.tq"), previous);
}

TEST_F(PatternCliTest, SetRefusesToOverwriteAFileThatDidNotLoadCompletely) {
    const std::string damaged = "9 x\r\n 1 \r\n";
    put("pattern.tq", damaged);
    const CliRun refused = cli("pattern set --count 7");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("\"x\" is not a whole number"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(get("pattern.tq"), damaged);
    EXPECT_FALSE(fs::exists(dir_ / "pattern.tq.bak"));

    // --force writes it, keeping the old bytes beside it; what was read before the error stays.
    const CliRun forced = cli("pattern set --count 7 --force");
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.err.find("pattern.tq.bak"), std::string::npos) << forced.err;
    EXPECT_EQ(get("pattern.tq.bak"), damaged);
    EXPECT_EQ(get("pattern.tq"), " 7  10 \r\n" + lines(10, " 0 "));
}

TEST_F(PatternCliTest, SetRefusesAFileItMayNotRead) {
    put("pattern.tq", " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    fs::permissions(dir_ / "pattern.tq", fs::perms::none);
    // Root reads every file; the command then runs as "nobody", whose folder it is (writable by
    // its owner only: the trust rule refuses a folder others may write to): only reading fails.
    const std::string as_user = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 "
                                                   "--clear-groups"
                                                 : "";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir_.c_str(), 65534, 65534), 0);
    }
    const CliRun r = cli("pattern set --count 2", "<password.txt", ">stdout.txt", as_user);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    fs::permissions(dir_ / "pattern.tq", fs::perms::owner_read);
    EXPECT_EQ(get("pattern.tq"), " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
}

TEST_F(PatternCliTest, SetWithoutAFileStartsFromTheValuesOfEmptyBoxes) {
    EXPECT_EQ(cli("pattern set --length 6").status, 0);
    EXPECT_EQ(get("pattern.tq"), " 4  6 \r\n" + lines(6, " 0 "));
    fs::remove(dir_ / "pattern.tq");
    EXPECT_EQ(cli("pattern set --count 7").status, 0);
    EXPECT_EQ(get("pattern.tq"), " 7  10 \r\n" + lines(10, " 0 "));
    const CliRun r = cli("generate --date 2024-03-01 --pattern-file pattern.tq");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Password 7= "), std::string::npos) << r.out;
}

TEST_F(PatternCliTest, GenerateTakesTheSettingsFromThePatternFile) {
    put("p.tq", " 5  8 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n 1 \r\n");
    const std::string date = "--date 2024-03-01";
    struct Case {
        std::string with_file, explicit_options;
    };
    const Case cases[] = {
        {"--pattern-file p.tq", "--count 5 --length 8 --pattern lldlddll"},
        {"--pattern-file p.tq --count 2", "--count 2 --length 8 --pattern lldlddll"},
        {"--pattern-file p.tq --length 3", "--count 5 --length 3 --pattern lldlddll"},
        {"--pattern-file p.tq --pattern dddl", "--count 5 --length 8 --pattern dddl"},
    };
    for (const auto& c : cases) {
        const CliRun a = cli("generate " + date + " " + c.with_file);
        const CliRun b = cli("generate " + date + " " + c.explicit_options);
        EXPECT_EQ(a.status, 0) << c.with_file << a.err;
        EXPECT_EQ(a.err.find("warning"), std::string::npos) << c.with_file << a.err;
        EXPECT_NE(a.out, "") << c.with_file;
        EXPECT_EQ(a.out, b.out) << c.with_file << " against " << c.explicit_options;
    }
}

TEST_F(PatternCliTest, GenerateRefusesAPatternFileThatDidNotLoadCompletely) {
    // The load stops at the 131st flag line: no list the file does not describe is printed.
    put("p.tq", " 5  8 \r\n 1 \r\n 0 \r\n 1 \r\n" + lines(128, " 0 "));
    const CliRun a = cli("generate --date 2024-03-01 --pattern-file p.tq");
    EXPECT_EQ(a.status, 1);
    EXPECT_EQ(a.out, "");
    EXPECT_NE(a.err.find("line 132"), std::string::npos) << a.err;
    EXPECT_NE(a.err.find("No list was computed"), std::string::npos) << a.err;

    const CliRun missing = cli("generate --date 2024-03-01 --pattern-file none.tq");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("none.tq"), std::string::npos) << missing.err;
}

// Without --pattern-file the pattern commands use the window program's pattern.tq: beside the
// program in a portable copy (every test above), in the user's data folder for an installed copy,
// read from beside the program while that folder has none.
TEST_F(PatternCliTest, AnInstalledCopyKeepsThePatternFileInTheUsersFolder) {
    fs::create_directories(dir_ / "usr" / "bin");
    fs::create_directories(dir_ / "usr" / "share" / "tessaroll");
    const fs::path program = place_program(dir_ / "usr" / "bin");
    const fs::path user = dir_ / "data" / "tessaroll";
    const std::string env = "XDG_DATA_HOME='" + (dir_ / "data").string() + "'";
    put("usr/bin/pattern.tq", " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");  // an older copy's

    CliRun r = cli_at(program, "pattern show", env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, shown(7, 3, "ldl"));

    r = cli_at(program, "pattern set --count 2", env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(get("data/tessaroll/pattern.tq"), " 2  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    EXPECT_EQ(get("usr/bin/pattern.tq"), " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    EXPECT_EQ(fs::status(user).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(user / "pattern.tq").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(dir_ / "pattern.tq"));  // not the current folder's

    // The user's own file is read from now on.
    r = cli_at(program, "pattern show", env);
    EXPECT_EQ(r.out, shown(2, 3, "ldl"));

    // A user folder that cannot be made is reported and nothing is written.
    put("blocked", "");
    r = cli_at(program, "pattern set --count 3",
               "XDG_DATA_HOME='" + (dir_ / "blocked").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Could not create the folder"), std::string::npos) << r.err;
}

TEST_F(PatternCliTest, VersionComesFromTheBuild) {
    const CliRun r = cli("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tessaroll-cli " TESSAROLL_VERSION "\n");
}

}  // namespace
}  // namespace tessaroll
