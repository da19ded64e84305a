// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli given what a careful tester gives it: standard streams that fail, numbers out of
// range, control characters, planted files and several copies of itself at once.
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_fixture.h"
#include "engine/code_page.h"
#include "settings/generation_settings.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using HostileCli = testing::CliTest;

constexpr const char* kDate = "generate --date 2002-07-26";

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string list_of(const std::string& personal, int count = 4) {
    GenerationSettings s;
    s.pnumb = static_cast<std::int16_t>(count);
    s.lentgh = 10;
    std::string out;
    const auto list = compute_passwords(personal, 26, 7, 2002, s, CodePage::Western);
    for (std::size_t i = 0; i < list.size(); ++i) {
        out += "Password " + std::to_string(i + 1) + "= " + list[i] + "\n";
    }
    return out;
}

TEST_F(HostileCli, StandardInputWithoutALineIsAnError) {
    put("empty.txt", "");
    fs::create_directory(dir_ / "folder");
    const std::pair<const char*, const char*> cases[] = {
        {"<folder", "could not be read (Is a directory)"},
        {"<&-", "standard input is closed"},
        {"</dev/null", "ended before the first line"},
        {"<empty.txt", "ended before the first line"},
    };
    for (const auto& [input, reason] : cases) {
        const CliRun r = cli(kDate, input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.out, "") << input;
        EXPECT_TRUE(has(r.err, "No personal password was read")) << input << ": " << r.err;
        EXPECT_TRUE(has(r.err, reason)) << input << ": " << r.err;
    }
    // An empty line is the empty personal password, with or without CR.
    for (const std::string line : {"\n", "\r\n"}) {
        put("password.txt", line);
        const CliRun r = cli(kDate);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, list_of(""));
    }
}

TEST_F(HostileCli, ALineLongerThanAnyPasswordIsRefusedWithoutReadingItAll) {
    // An endless line under a memory limit far below what reading it whole would take. (The
    // sanitizers reserve more address space than any such limit allows.)
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit;
#else
    const std::string limit = "ulimit -v 409600 &&";
#endif
    const CliRun endless = cli(kDate, "</dev/zero", ">stdout.txt", limit);
    EXPECT_EQ(endless.status, 1) << endless.err;
    EXPECT_EQ(endless.out, "");
    EXPECT_TRUE(has(endless.err, "more than 32766 characters; it must have fewer than 32767"))
        << endless.err;

    put("password.txt", std::string(32767, 'a') + "\n");
    const CliRun one_too_many = cli(std::string(kDate) + " --fingerprint");
    EXPECT_EQ(one_too_many.status, 1);
    EXPECT_TRUE(has(one_too_many.err, "has 32767 characters")) << one_too_many.err;
    // No fingerprint line begun for a password that has none.
    EXPECT_FALSE(has(one_too_many.err, "Fingerprint")) << one_too_many.err;
    put("password.txt", std::string(32766, 'a') + "\r\n");
    EXPECT_EQ(cli(kDate).status, 0);
}

TEST_F(HostileCli, OutputThatCannotBeWrittenIsAFailure) {
    put("password.txt", "secret\n");
    for (const std::string& args : {std::string(kDate), std::string("generate --date 2002-07-26 "
                                                                    "--until 2002-08-26")}) {
        const CliRun full = cli(args, "<password.txt", ">/dev/full");
        EXPECT_EQ(full.status, 1) << args;
        EXPECT_TRUE(has(full.err, "No space left on device")) << full.err;
        const CliRun closed = cli(args, "<password.txt", ">&-");
        EXPECT_EQ(closed.status, 1) << args;
        EXPECT_TRUE(has(closed.err, "Standard output is closed")) << closed.err;
    }
    // With standard output closed, the list does not end up in a file opened later.
    const CliRun r = cli("generate --date 2002-07-26 --output-dir .", "<password.txt", ">&-");
    EXPECT_EQ(r.status, 1);
    const std::string file = get("output.txt");
    EXPECT_EQ(file.substr(0, 30), "Date=7/26/2002\r\n\r\nPassword 1= ");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 8) << file;
}

TEST_F(HostileCli, CountsAndLengthsBelowOneAndLongRangesAreRefused) {
    struct Case {
        std::string args;
        int status;
        std::vector<std::string> said;
    };
    put("zero.tq", " 0  10 \r\n");
    const Case cases[] = {
        {"--count 0", 1, {"--count 0", "1 to 130 passwords"}},
        {"--count=-1", 1, {"--count -1", "1 to 130 passwords"}},
        {"--count -32768", 1, {"--count -32768", "1 to 130 passwords"}},
        {"--length 0", 1, {"--length 0", "1 to 130 characters"}},
        {"--length -5 --count 3", 1, {"--length -5"}},
        {"--pattern-file zero.tq", 1, {"\"zero.tq\" holds the count 0", "--count"}},
        {"--until 2102-07-27", 2, {"more than 100 years"}},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(std::string(kDate) + " " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.args;
        for (const std::string& part : c.said) {
            EXPECT_TRUE(has(r.err, part)) << c.args << ": " << r.err;
        }
        EXPECT_FALSE(has(r.err, "date 7/26/2002")) << "the date is not what is wrong: " << r.err;
    }
    EXPECT_EQ(cli(std::string(kDate) + " --pattern-file zero.tq --count 2").status, 0);
}

TEST_F(HostileCli, MessagesNameTheValueThatIsWrong) {
    struct Case {
        std::string args;
        std::string said, not_said;
    };
    const Case cases[] = {
        {"generate --day= --month=7", "--day= has no value", "--month=7\" is not"},
        {"generate --day --month 7", "--day needs a value", "\"--month\" is not"},
        {"generate --pattern-file= --count 2", "--pattern-file= has no value", "no pattern file"},
        {"pattern set --count --length 3", "--count needs a value", "not a number"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_TRUE(has(r.err, c.said)) << c.args << ": " << r.err;
        EXPECT_FALSE(has(r.err, c.not_said)) << c.args << ": " << r.err;
    }
    // A negative number is still a value.
    EXPECT_EQ(cli("generate --date 2002-07-26 --count -3").status, 1);
}

TEST_F(HostileCli, ControlCharactersFromFilesAndArgumentsAreShownEscaped) {
    put("pattern.tq", "\x1b[2J\x1b]0;owned\x07 10\r\n");
    const std::string esc = "\x1b[2J";
    const std::string args[] = {
        "pattern show",
        "pattern set --count 3",
        "generate --pattern-file pattern.tq",
        "generate --count '" + esc + "'",
        "generate --date '2002-" + esc + "'",
        "generate --pattern-file 'none" + esc + ".tq'",
        "generate --no-such-option-" + esc,
        "pattern set --count 3 --pattern-file 'dir" + esc + "/x.tq'",
    };
    for (const std::string& a : args) {
        const CliRun r = cli(a);
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << a << ": " << r.err;
        EXPECT_EQ(r.err.find('\x07'), std::string::npos) << a << ": " << r.err;
        EXPECT_TRUE(has(r.err, "\\x1b[2J")) << a << ": " << r.err;
    }
}

TEST_F(HostileCli, ANoteSaysHowManyCharactersReachTheSeed) {
    put("password.txt", "secret\n");
    const CliRun six = cli(kDate);
    EXPECT_EQ(six.status, 0);
    EXPECT_EQ(six.err, "");

    put("password.txt", "secretly\n");
    const CliRun eight = cli(kDate);
    EXPECT_EQ(eight.status, 0);
    EXPECT_EQ(eight.err, "Only the first 6 characters of the personal password reach the seed.\n");
    // What the note says: the rest does not change the list here.
    put("password.txt", "secretive and long\n");
    EXPECT_EQ(cli(kDate).out, eight.out);

    put("password.txt", "AAAAAAAAAAAA\n");
    EXPECT_EQ(cli(kDate).err,
              "Only the first 9 characters of the personal password reach the seed.\n");
}

TEST_F(HostileCli, WithoutADateTodaysListIsGiven) {
    put("password.txt", "secret\n");
    for (int attempt = 0; attempt < 3; ++attempt) {  // a midnight between the runs: again
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char date[16];
        std::strftime(date, sizeof date, "%Y-%m-%d", &local);
        const CliRun without = cli("generate");
        const CliRun with = cli(std::string("generate --date ") + date);
        if (std::time(nullptr) / 86400 != now / 86400) {
            continue;
        }
        EXPECT_EQ(without.status, 0) << without.err;
        EXPECT_EQ(without.out, with.out) << "today is " << date;
        EXPECT_NE(without.out, "");
        return;
    }
    FAIL() << "the date changed during every attempt";
}

TEST_F(HostileCli, NoListOnStandardOutputWhenOutputTxtFailed) {
    put("password.txt", "secret\n");
    const std::string previous = "Date=1/2/2003\r\n\r\nPassword 1= keep\r\n\r\nGenerated on t\r\n";
    put("output.txt", previous);
    // A file size limit below the list's size, with SIGXFSZ ignored: write() fails.
    const CliRun limited = cli("generate --date 2002-07-26 --count 130 --length 130 --output-dir .",
                               "<password.txt", ">stdout.txt", "trap '' XFSZ; ulimit -f 8;");
    EXPECT_EQ(limited.status, 1) << limited.err;
    EXPECT_EQ(limited.out, "");
    EXPECT_TRUE(has(limited.err, "File too large")) << limited.err;
    EXPECT_EQ(get("output.txt"), previous);

    fs::remove(dir_ / "output.txt");
    fs::create_directory(dir_ / "output.txt");
    const CliRun folder = cli("generate --date 2002-07-26 --output-dir .");
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.out, "");
    EXPECT_TRUE(has(folder.err, "is a folder")) << folder.err;
    EXPECT_TRUE(fs::is_empty(dir_ / "output.txt"));

    std::size_t entries = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
        EXPECT_FALSE(has(e.path().filename().string(), ".tmp")) << e.path();
        ++entries;
    }
    // password.txt, output.txt, stdout.txt, stderr.txt and the copy of the program
    EXPECT_EQ(entries, 5u);
}

TEST_F(HostileCli, ACarriageReturnBeforeTheLineEndIsNoCharacter) {
    // Two characters, both of which reach the seed: a CR kept as a third would change the list.
    put("password.txt", "ab\r\n");
    const std::string crlf = cli(kDate).out;
    EXPECT_EQ(crlf, list_of("ab"));
    EXPECT_NE(crlf, list_of("ab\r"));
    put("password.txt", "ab\n");
    EXPECT_EQ(cli(kDate).out, crlf);
}

TEST_F(HostileCli, PlantedFifosAndLinksNearTheFilesNeitherHangNorChangeAnything) {
    fs::create_directory(dir_ / "outside");
    put("outside/victim", "not yours\n");
    put("password.txt", "secret\n");
    put("pattern.tq", " 4  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    for (const std::string name : {"output.txt.tmp", "pattern.tq.tmp", ".tmp"}) {
        ASSERT_EQ(::mkfifo((dir_ / name).c_str(), 0600), 0);
    }
    fs::create_hard_link(dir_ / "outside/victim", dir_ / "output.txt.new");
    fs::create_symlink(dir_ / "outside/victim", dir_ / "pattern.tq.new");
    fs::create_symlink(dir_ / "outside/victim", dir_ / "output.tmp");

    // "timeout" ends a run that waits on a FIFO; 124 would be its status.
    const CliRun gen = cli("generate --date 2002-07-26 --output-dir .", "<password.txt",
                           ">stdout.txt", "timeout 60");
    EXPECT_EQ(gen.status, 0) << gen.err;
    EXPECT_TRUE(has(get("output.txt"), "Password 4= "));
    const CliRun set = cli("pattern set --count 7", "<password.txt", ">stdout.txt", "timeout 60");
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(get("pattern.tq"), " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    // The folder itself is no pattern file; nothing is written into it.
    fs::create_directory(dir_ / "DIR");
    put("DIR/.tmp", "keep\n");
    const CliRun dir = cli("pattern set --count 3 --pattern-file DIR/");
    EXPECT_EQ(dir.status, 1);
    EXPECT_TRUE(has(dir.err, "is a folder")) << dir.err;
    EXPECT_EQ(get("DIR/.tmp"), "keep\n");

    EXPECT_EQ(get("outside/victim"), "not yours\n");
    for (const std::string name : {"output.txt.tmp", "pattern.tq.tmp", ".tmp"}) {
        EXPECT_EQ(fs::status(dir_ / name).type(), fs::file_type::fifo) << name;
    }
    EXPECT_TRUE(fs::is_symlink(dir_ / "pattern.tq.new"));
    EXPECT_EQ(fs::hard_link_count(dir_ / "outside/victim"), 2u);
}

TEST_F(HostileCli, WritersAtOnceEachLeaveOneWholeFileAndAllSucceed) {
    put("password.txt", "secret\n");
    put("pattern.tq", " 4  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    const std::string long_list =
        "generate --date 2002-07-26 --count 130 --length 130 --output-dir .";
    const std::string short_list = "generate --date 2002-07-27 --count 1 --length 1 --output-dir .";
    const std::string tessaroll = std::string("'") + TESSAROLL_CLI_PATH + "' ";
    // Two writers, 40 rounds; then 40 at once. Each writes its status into a file of its own.
    const std::string script =
        "for i in $(seq 40); do (" + tessaroll + long_list +
        " >/dev/null 2>&1 <password.txt; "
        "echo $? >>a.status) & (" +
        tessaroll + short_list +
        " >/dev/null 2>&1 <password.txt; "
        "echo $? >>b.status) & wait; "
        "case \"$(head -n 1 output.txt)\" in Date=7/26/2002*) n=130;; Date=7/27/2002*) n=1;; "
        "*) n=0;; esac; "
        "[ \"$(grep -c '^Password ' output.txt)\" = \"$n\" ] || echo mixed >>mixed.txt; "
        "[ \"$(grep -c '^Generated on ' output.txt)\" = 1 ] || echo mixed >>mixed.txt; done; "
        "for i in $(seq 40); do (" +
        tessaroll + short_list + " >/dev/null 2>&1 <password.txt; echo $? >>c.status) & done; wait";
    const std::string command = "cd '" + dir_.string() + "' && bash script.sh";
    put("script.sh", script);
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(get("mixed.txt"), "") << "mixed files";
    const std::string ok40 = [] {
        std::string s;
        for (int i = 0; i < 40; ++i) {
            s += "0\n";
        }
        return s;
    }();
    EXPECT_EQ(get("a.status"), ok40);
    EXPECT_EQ(get("b.status"), ok40);
    EXPECT_EQ(get("c.status"), ok40);
    for (const auto& e : fs::directory_iterator(dir_)) {
        EXPECT_FALSE(has(e.path().filename().string(), ".tmp")) << e.path();
    }
}

}  // namespace
}  // namespace tessaroll
