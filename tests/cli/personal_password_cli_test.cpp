// SPDX-License-Identifier: GPL-3.0-or-later
// What the user typed reaches the seed, or the user is told: the code page of the locale, the
// notes on standard error, and the bytes of the personal password taken exactly.
#include <string>

#include "cli_fixture.h"

namespace tessaroll {
namespace {

class PersonalPasswordCli : public testing::CliTest {
protected:
    // generate with the personal password's bytes on standard input and the locale variables
    // set to locale (LC_ALL and LC_CTYPE empty, so that LANG decides, as in most sessions).
    testing::CliRun generate(const std::string& bytes, const std::string& locale,
                             const std::string& options = "") {
        put("password.txt", bytes + "\n");
        return cli_at(dir_ / std::filesystem::path(TESSAROLL_CLI_PATH).filename(),
                      "generate --date 2002-07-26 --count 3 " + options,
                      "LC_ALL= LC_CTYPE= LANG=" + locale);
    }
};

const std::string kParol = "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C";   // пароль
const std::string kSekret = "\xD1\x81\xD0\xB5\xD0\xBA\xD1\x80\xD0\xB5\xD1\x82";  // секрет

TEST_F(PersonalPasswordCli, TheLocaleChoosesTheCodePageAndTheOptionWins) {
    const testing::CliRun parol = generate(kParol, "ru_RU.UTF-8");
    const testing::CliRun sekret = generate(kSekret, "ru_RU.UTF-8");
    ASSERT_EQ(parol.status, 0) << parol.err;
    EXPECT_EQ(parol.err, "");
    EXPECT_EQ(sekret.err, "");
    EXPECT_NE(parol.out, sekret.out);
    EXPECT_EQ(parol.out, generate(kParol, "C.UTF-8", "--code-page 1251").out);
    EXPECT_EQ(sekret.out, generate(kSekret, "C.UTF-8", "--code-page 1251").out);

    // In 1252 both are six "?", one list, and each says so.
    const testing::CliRun western = generate(kParol, "C.UTF-8");
    EXPECT_EQ(western.out, generate(kSekret, "C.UTF-8").out);
    EXPECT_EQ(western.out, generate(kParol, "ru_RU.UTF-8", "--code-page 1252").out);
    EXPECT_EQ(western.err,
              "In code page 1252 (Western), \"\xD0\xBF\", \"\xD0\xB0\", \"\xD1\x80\", "
              "\"\xD0\xBE\", \"\xD0\xBB\" and \"\xD1\x8C\" have no code and count as \"?\"; code "
              "page 1251 (Cyrillic) holds every character of the personal password: --code-page "
              "1251.\n");

    // LC_ALL comes first, then LC_CTYPE, then LANG.
    put("password.txt", kParol + "\n");
    const std::string program = (dir_ / std::filesystem::path(TESSAROLL_CLI_PATH).filename());
    const std::string args = "generate --date 2002-07-26 --count 3";
    EXPECT_EQ(cli_at(program, args, "LC_ALL=ru_RU.UTF-8 LC_CTYPE=C LANG=C").out, parol.out);
    EXPECT_EQ(cli_at(program, args, "LC_ALL= LC_CTYPE=ru_RU.UTF-8 LANG=C").out, parol.out);
    EXPECT_EQ(cli_at(program, args, "LC_ALL=C LC_CTYPE=ru_RU.UTF-8 LANG=ru_RU.UTF-8").out,
              western.out);

    // A locale whose Windows code page is not a single-byte one: 1252, as Windows would, said.
    const testing::CliRun japanese = generate("secret", "ja_JP.UTF-8");
    EXPECT_EQ(japanese.out, generate("secret", "C.UTF-8").out);
    EXPECT_TRUE(
        japanese.err.starts_with("tessaroll-cli: warning: The locale ja_JP.UTF-8 has the "
                                 "Windows code page 932, which is not one of"))
        << japanese.err;
}

TEST_F(PersonalPasswordCli, LookAlikesAndTheEmptyPasswordAreNamed) {
    const testing::CliRun lodz = generate(
        "\xC5\x82\xC3\xB3"
        "d\xC5\xBA",
        "C.UTF-8");
    EXPECT_EQ(lodz.out, generate("l\xC3\xB3"
                                 "dz",
                                 "C.UTF-8")
                            .out);  // the list of "lódz"
    EXPECT_EQ(lodz.err,
              "In code page 1252 (Western), \"\xC5\x82\" counts as \"l\" and \"\xC5\xBA\" as "
              "\"z\"; code pages 1250 (Central European) and 1257 (Baltic) hold every character "
              "of the personal password: --code-page 1250 or 1257.\n");
    EXPECT_EQ(generate("\xC5\x82\xC3\xB3"
                       "d\xC5\xBA",
                       "pl_PL.UTF-8")
                  .err,
              "");
    const testing::CliRun dotless = generate("\xC4\xB1nfo", "C.UTF-8");
    EXPECT_EQ(dotless.out, generate("info", "C.UTF-8").out);
    EXPECT_NE(dotless.err.find("\"\xC4\xB1\" counts as \"i\""), std::string::npos);
    EXPECT_NE(generate("\xC4\xB1nfo", "tr_TR.UTF-8").out, dotless.out);

    const testing::CliRun empty = generate("", "C.UTF-8");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err,
              "The personal password is empty, so the list is the one everyone gets who gives "
              "none; type your personal password to get your own.\n");
}

TEST_F(PersonalPasswordCli, TheTextComesInExactly) {
    const std::string cafe = "caf\xC3\xA9";
    const testing::CliRun composed = generate(cafe, "C.UTF-8");
    ASSERT_EQ(composed.status, 0) << composed.err;
    EXPECT_EQ(composed.err, "");
    // A decomposed accent, a byte order mark, a CR LF line end: the same list, nothing to say.
    const std::string same_lists[] = {"cafe\xCC\x81", "\xEF\xBB\xBF" + cafe,
                                      "\xEF\xBB\xBF"
                                      "cafe\xCC\x81\r"};
    for (const std::string& same : same_lists) {
        const testing::CliRun r = generate(same, "C.UTF-8");
        EXPECT_EQ(r.out, composed.out) << same;
        EXPECT_EQ(r.err, "") << same;
    }
    // Bytes that are not UTF-8 are refused, never turned into "?".
    struct Bad {
        std::string bytes;
        const char* place;
    };
    for (const Bad& bad : {Bad{"caf\xE9", "byte 4 (0xE9)"},
                           Bad{"\xEF\xBB\xBF"
                               "caf\xE9",
                               "byte 7"},
                           Bad{"ok\xC3", "byte 3 (0xC3)"}, Bad{"\xC0\xAF", "byte 1 (0xC0)"}}) {
        const testing::CliRun r = generate(bad.bytes, "C.UTF-8");
        EXPECT_EQ(r.status, 1) << bad.bytes;
        EXPECT_EQ(r.out, "") << bad.bytes;
        EXPECT_NE(r.err.find("is not UTF-8 text: its " + std::string(bad.place)), std::string::npos)
            << r.err;
    }
    EXPECT_NE(generate("caf?", "C.UTF-8").out, composed.out);
}

}  // namespace
}  // namespace tessaroll
