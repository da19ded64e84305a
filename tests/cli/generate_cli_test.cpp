// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli generate and self-test end to end.
#include <algorithm>
#include <string>
#include <vector>

#include "../engine/vectors.h"
#include "cli/self_test.h"
#include "cli_fixture.h"
#include "engine/code_page.h"
#include "engine/fingerprint.h"
#include "session/limits.h"
#include "session/password_notes.h"

namespace tessaroll {
namespace {

using GenerateCli = testing::CliTest;

std::string list_lines(const std::vector<std::string>& passwords) {
    std::string out;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        out += "Password " + std::to_string(i + 1) + "= " + passwords[i] + "\n";
    }
    return out;
}

std::string args_of(const testing::Vector& v) {
    // An empty pattern, all digits, is no --pattern: the command line refuses an empty one.
    return "generate --day=" + std::to_string(v.day) + " --month=" + std::to_string(v.month) +
           " --year=" + std::to_string(v.year) + " --count=" + std::to_string(v.count) +
           " --length=" + std::to_string(v.length) +
           (v.pattern.empty() ? "" : " --pattern=" + v.pattern) +
           " --code-page=" + std::to_string(static_cast<int>(v.code_page));
}

TEST_F(GenerateCli, ReferenceVectorsThroughTheExecutable) {
    const auto vectors = testing::load_vectors();
    int checked = 0;
    // Every seventh vector keeps the run short; the engine tests take all of them.
    for (std::size_t i = 0; i < vectors.size(); i += 7) {
        const auto& v = vectors[i];
        SCOPED_TRACE("engine.jsonl line " + std::to_string(v.line));
        put("password.txt", v.personal + "\n");
        const testing::CliRun r = cli(args_of(v));
        if (v.error) {
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err, "");
        } else if (v.count <= 0 || v.length <= 0) {
            // The engine gives an empty list or empty passwords; the command line refuses them.
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find("1 to 130"), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, list_lines(v.passwords));
            // The notes on the personal password, then the note on a date
            // that is not in the calendar or lies before 2002, as the window's status line says it.
            const std::string date =
                date_note(static_cast<std::int16_t>(v.day), static_cast<std::int16_t>(v.month),
                          static_cast<std::int16_t>(v.year));
            std::string err = r.err;
            if (!date.empty()) {
                EXPECT_TRUE(err.ends_with(date + "\n")) << err;
                err.resize(err.size() - std::min(err.size(), date.size() + 1));
            }
            std::string notes;
            for (const std::string& note : personal_password_notes(v.personal, v.code_page)) {
                notes += note + "\n";
            }
            EXPECT_EQ(err, notes);
        }
        ++checked;
    }
    EXPECT_EQ(checked, 67);
}

TEST_F(GenerateCli, PasswordIsOneLineWithOnlyItsLineEndRemoved) {
    const std::string args = "generate --date 2002-07-26 --count 3";
    put("password.txt", " pass word\t\r\nsecond line\n");
    const std::string crlf = cli(args).out;
    put("password.txt", " pass word\t\n");
    EXPECT_EQ(cli(args).out, crlf);
    put("password.txt", " pass word\t");
    EXPECT_EQ(cli(args).out, crlf);
    put("password.txt", "pass word");
    EXPECT_NE(cli(args).out, crlf) << "blanks and tabs belong to the password";
}

TEST_F(GenerateCli, DateFormsAndNumbersReadLikeTheBoxes) {
    put("password.txt", "secret\n");
    const std::string expected = cli("generate --day 26 --month 7 --year 2002").out;
    EXPECT_EQ(cli("generate --date 2002-07-26").out, expected);
    EXPECT_EQ(cli("generate --date 2002-7-26").out, expected);
    EXPECT_EQ(cli("generate --day ' 26 ' --month 7.4 --year 2002 --count 4.5 --length 10").out,
              expected);
    // No calendar check: day 31 of month 2 is allowed, and gives the list of 3 March, which
    // standard error names in the words of the window's status line.
    EXPECT_EQ(cli("generate --day 31 --month 2 --year 2005").status, 0);
    const testing::CliRun not_a_date = cli("generate --date 2005-02-31");
    EXPECT_EQ(not_a_date.out, cli("generate --date 2005-03-03").out);
    EXPECT_NE(not_a_date.err.find("31/2/2005 is not a date; the list is the one of 3/3/2005.\n"),
              std::string::npos)
        << not_a_date.err;
    EXPECT_EQ(cli("generate --date 2005-03-03").err, "");
}

TEST_F(GenerateCli, ExitStatuses) {
    struct Case {
        const char* args;
        int status;
        const char* err_part;
    };
    const Case cases[] = {
        {"generate --date 2002-01-01", 1, "1/1/2002"},
        {"generate --date 2002-07-26 --count 131", 1, "131"},
        {"generate --date 2002-07-26 --month 13", 2, "--date cannot be combined"},
        {"generate --day 5 --month 13 --year 2010", 1, "month 13"},
        {"generate --date 2092-01-01", 1, "2092"},
        {"generate --count x", 2, "\"x\" is not a number"},
        {"generate --count 40000", 2, "outside -32768 to 32767"},
        {"generate --date 26.7.2002", 2, "YYYY-MM-DD"},
        {"generate --pattern dlx", 2, "--pattern"},
        {"generate --until 2002-07-30 --output-dir .", 2, "--until"},
        {"generate --date 2002-07-30 --until 2002-07-26", 2, "before the start"},
        {"generate --no-such-option", 2, ""},
        {"", 2, ""},
        {"generate --date 2002-07-26 --count=-1", 1, "1 to 130"},
    };
    for (const Case& c : cases) {
        const testing::CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err_part), std::string::npos) << c.args << "\n" << r.err;
    }
    EXPECT_EQ(cli("generate --pattern " + std::string(131, 'd')).status, 2);
}

TEST_F(GenerateCli, OutputDirGetsTheListFile) {
    put("password.txt", "secret\n");
    const testing::CliRun r = cli("generate --date 2002-07-26 --pattern ddllddllll --output-dir .");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string file = get("output.txt");
    const std::string head =
        "Date=7/26/2002\r\n\r\nPassword 1= 00ru49wwru\r\nPassword 2= 67gb24cpzf\r\n"
        "Password 3= 75ne13zgbt\r\nPassword 4= 58pk67gvig\r\n\r\nGenerated on ";
    EXPECT_EQ(file.substr(0, head.size()), head);
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    // A refused date leaves the previous file alone.
    EXPECT_EQ(cli("generate --date 2002-01-01 --output-dir .").status, 1);
    EXPECT_EQ(get("output.txt"), file);
    // So does a folder that does not exist, and the reason is given.
    const testing::CliRun failed = cli("generate --date 2002-07-27 --output-dir none");
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("none/output.txt\": No such file"), std::string::npos) << failed.err;
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(get("output.txt"), file);
}

TEST_F(GenerateCli, UntilPrintsOneBlockPerDay) {
    put("password.txt", "secret\n");
    const testing::CliRun r = cli("generate --date 2002-01-01 --until 2002-01-03 --count 2");
    EXPECT_EQ(r.status, 1) << "1 January 2002 cannot be computed";
    const std::string jan2 = cli("generate --date 2002-01-02 --count 2").out;
    const std::string jan3 = cli("generate --date 2002-01-03 --count 2").out;
    const std::string refused = "Date=1/1/2002\nThere is no list for 1/1/2002:";
    EXPECT_EQ(r.out.substr(0, refused.size()), refused);
    const std::string tail = "\n\nDate=1/2/2002\n" + jan2 + "\nDate=1/3/2002\n" + jan3 + "\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    // Across a month end and a leap day.
    const testing::CliRun leap = cli("generate --date 2004-02-28 --until 2004-03-01 --count 1");
    EXPECT_EQ(leap.status, 0);
    EXPECT_NE(leap.out.find("Date=2/29/2004\n"), std::string::npos);
    EXPECT_NE(leap.out.find("Date=3/1/2004\n"), std::string::npos);
}

// The fingerprint the window shows beside the password box, as words on standard error: with
// --fingerprint whatever standard input is, otherwise only for a password typed at a terminal.
TEST_F(GenerateCli, FingerprintOnRequest) {
    put("password.txt", "secret\n");
    const testing::CliRun plain = cli("generate --date 2002-07-26");
    const testing::CliRun shown = cli("generate --date 2002-07-26 --fingerprint");
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, plain.out);
    EXPECT_EQ(shown.err, "Fingerprint of the personal password: heart square bolt\n");
    EXPECT_EQ(fingerprint_words(password_fingerprint(to_code_page("secret", CodePage::Western))),
              "heart square bolt");
    // Past the characters that reach the seed nothing changes; within them, the words do.
    put("password.txt", "secretpass12A\n");
    const std::string reach = cli("generate --date 2002-07-26 --fingerprint").err;
    put("password.txt", "secretpass12zzzz\n");
    EXPECT_EQ(cli("generate --date 2002-07-26 --fingerprint").err, reach);
    put("password.txt", "sekretpass12A\n");
    EXPECT_NE(cli("generate --date 2002-07-26 --fingerprint").err, reach);
}

TEST_F(GenerateCli, SelfTestAgreesWithEveryVector) {
    const testing::CliRun r = cli("self-test");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "469 of 469 vectors agree with the reference lists.\n");
    // Comparing with the system's own conversion needs Windows.
    const testing::CliRun compare = cli("self-test --code-pages");
    EXPECT_EQ(compare.status, 2);
    EXPECT_NE(compare.err.find("only on Windows"), std::string::npos) << compare.err;
}

TEST(SelfTestVectors, TheBuiltInTextIsTheVectorFile) {
    // Regenerate cli/self_test_vectors.cpp (scripts/make_self_test_vectors.py) after every change
    // of tests/data/engine.jsonl.
    EXPECT_TRUE(cli::built_in_reference_vectors() == testing::vector_file_text());
}

TEST(SelfTestVectors, UnreadableLinesAreNamed) {
    const char* const bad[] = {
        "{\"personal\": \"x\"}",
        "not json",
        "{\"personal\": \"\", \"day\": 1, \"month\": 2, \"year\": 2002, \"count\": 4, "
        "\"length\": 10, \"pattern\": \"\", \"code_page\": 437, \"passwords\": [], "
        "\"messages\": 0}",
        "{\"personal\": \"\", \"day\": 1, \"month\": 2, \"year\": 2002, \"count\": 4, "
        "\"length\": 10, \"pattern\": \"\", \"error\": \"something new\"}",
    };
    for (const char* line : bad) {
        try {
            cli::parse_reference_vectors(std::string("\n\n") + line + "\n");
            ADD_FAILURE() << "no error for " << line;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
        }
    }
}

TEST_F(GenerateCli, CodePageOfThePersonalPasswordAndTheFile) {
    const std::string args = "generate --date 2002-07-26 --output-dir .";
    put("password.txt", "\xC5\x82\xC3\xB3\x64\xC5\xBA\n");  // "\u0142\u00f3d\u017a"
    const testing::CliRun plain = cli(args);
    ASSERT_EQ(plain.status, 0) << plain.err;
    // The two that do not reach the seed as typed are named.
    EXPECT_TRUE(
        plain.err.starts_with("In code page 1252 (Western), \"\xC5\x82\" counts as \"l\" "
                              "and \"\xC5\xBA\" as \"z\";"))
        << plain.err;
    EXPECT_EQ(cli(args + " --code-page 1252").out, plain.out);
    const testing::CliRun polish = cli(args + " --code-page=1250");
    ASSERT_EQ(polish.status, 0) << polish.err;
    EXPECT_NE(polish.out, plain.out);
    // 1252 lacks "\u0142" and "\u017a" and takes their best fits, "l" and "z".
    put("password.txt", "l\xC3\xB3\x64z\n");
    EXPECT_EQ(cli(args).out, plain.out);

    for (const char* wrong : {"437", "65001", "1252x", "-1252"}) {
        const testing::CliRun r = cli(args + " --code-page=" + wrong);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_EQ(r.out, "") << wrong;
        EXPECT_NE(r.err.find("874 (Thai), 1250 (Central European), 1251 (Cyrillic)"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("1257 (Baltic) and 1258 (Vietnamese)."), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace tessaroll
