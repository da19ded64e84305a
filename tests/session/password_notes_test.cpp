// SPDX-License-Identifier: GPL-3.0-or-later
// The notes both programs show beside the personal password, and the text of one read as bytes.
#include "session/password_notes.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaroll {
namespace {

constexpr const char* kEvery = " every character of the personal password";

TEST(PasswordNotes, NameEachCharacterThatDoesNotReachTheSeedAsTyped) {
    struct Case {
        const char* personal;
        CodePage cp;
        std::string note;
    };
    const std::string cyrillic =
        "; code page 1251 (Cyrillic) holds" + std::string(kEvery) + ": --code-page 1251.";
    const std::string none = "; none of the ten code pages holds" + std::string(kEvery) + ".";
    const Case cases[] = {
        {"secret", CodePage::Western, ""},
        {"caf\xC3\xA9", CodePage::Western, ""},
        {"cafe\xCC\x81", CodePage::Western, ""},  // the decomposed accent is composed
        {"\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C", CodePage::Cyrillic, ""},
        {"\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C", CodePage::Western,
         "In code page 1252 (Western), \"\xD0\xBF\", \"\xD0\xB0\", \"\xD1\x80\", \"\xD0\xBE\", "
         "\"\xD0\xBB\" and \"\xD1\x8C\" have no code and count as \"?\"" +
             cyrillic},
        {"\xD0\xB0\xD0\xB0x", CodePage::Western,
         "In code page 1252 (Western), \"\xD0\xB0\" has no code and counts as \"?\"" + cyrillic},
        {"\xC5\x82\xC3\xB3"
         "d\xC5\xBA",
         CodePage::Western,
         "In code page 1252 (Western), \"\xC5\x82\" counts as \"l\" and \"\xC5\xBA\" as \"z\"; "
         "code pages 1250 (Central European) and 1257 (Baltic) hold" +
             std::string(kEvery) + ": --code-page 1250 or 1257."},
        {"\xC4\xB1nfo", CodePage::Western,
         "In code page 1252 (Western), \"\xC4\xB1\" counts as \"i\"; code page 1254 (Turkish) "
         "holds" +
             std::string(kEvery) + ": --code-page 1254."},
        {"\xD0\xB6\xC5\x82", CodePage::Western,
         "In code page 1252 (Western), \"\xD0\xB6\" has no code and counts as \"?\", and "
         "\"\xC5\x82\" counts as \"l\"" +
             none},
        {"a\xF0\x9F\x98\x80", CodePage::Western,
         "In code page 1252 (Western), \"\xF0\x9F\x98\x80\" has no code and counts as \"??\"" +
             none},
        {"\xD0\xB6\xF0\x9F\x98\x80", CodePage::Western,
         "In code page 1252 (Western), \"\xD0\xB6\" and \"\xF0\x9F\x98\x80\" have no code and "
         "count as \"?\" (\"\xF0\x9F\x98\x80\" as \"??\")" +
             none},
        {"a\xE2\x80\x8B"
         "b",
         CodePage::Western,
         "In code page 1252 (Western), \"\\u200b\" has no code and counts as \"?\"" + none},
        {"\xE2\x80\x8B\xCC\x81", CodePage::Western,
         "In code page 1252 (Western), \"\\u200b\" has no code and counts as \"?\", and "
         "\"\\u0301\" counts as \"\xC2\xB4\"" +
             none},
        {"\xD0\xB0\xD0\xB1\xD0\xB2\xD0\xB3\xD0\xB4\xD0\xB5\xD0\xB6\xD0\xB7\xD0\xB8\xD0\xB9\xD0\xBA",
         CodePage::Western,
         "In code page 1252 (Western), \"\xD0\xB0\", \"\xD0\xB1\", \"\xD0\xB2\", \"\xD0\xB3\", "
         "\"\xD0\xB4\", \"\xD0\xB5\", \"\xD0\xB6\", \"\xD0\xB7\" and 3 more have no code and "
         "count as \"?\"" +
             cyrillic},
        {"\xC3\xA9", CodePage::Cyrillic,
         "In code page 1251 (Cyrillic), \"\xC3\xA9\" counts as \"e\"; code pages 1250 (Central "
         "European), 1252 (Western), 1254 (Turkish), 1256 (Arabic), 1257 (Baltic) and 1258 "
         "(Vietnamese) hold" +
             std::string(kEvery) + ": --code-page 1250, 1252, 1254, 1256, 1257 or 1258."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(characters_not_reaching_note(c.personal, c.cp), c.note) << c.personal;
    }
}

TEST(PasswordNotes, EveryNoteInTheOrderShown) {
    EXPECT_TRUE(personal_password_notes("secret", CodePage::Western).empty());
    const auto empty = personal_password_notes("", CodePage::Western);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0], empty_password_note(""));
    EXPECT_NE(empty[0].find("empty"), std::string::npos);
    EXPECT_EQ(empty_password_note(" "), "");
    const auto both = personal_password_notes("\xC5\x82secretive", CodePage::Western);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_TRUE(both[0].starts_with("In code page 1252 (Western), \"\xC5\x82\" counts as \"l\""))
        << both[0];
    EXPECT_EQ(both[1], "Only the first 6 characters of the personal password reach the seed.");
}

TEST(PasswordNotes, TheCodePageInForceAndWhereItComesFrom) {
    const std::string start =
        "The characters of the personal password take their codes from code page ";
    EXPECT_EQ(code_page_in_force_sentence(CodePage::Greek, std::nullopt),
              start + "1253 (Greek), given with --code-page.");
    const std::string note = "This system's ANSI code page 932 is not one of them.";
    EXPECT_EQ(code_page_in_force_sentence(CodePage::Western,
                                          SystemCodePage{CodePage::Western, note, "ja_JP.UTF-8"}),
              start + "1252 (Western). " + note);
#ifndef _WIN32
    EXPECT_EQ(code_page_in_force_sentence(CodePage::Cyrillic,
                                          SystemCodePage{CodePage::Cyrillic, "", "ru_RU.UTF-8"}),
              start +
                  "1251 (Cyrillic), that of Windows for the locale ru_RU.UTF-8; --code-page N "
                  "chooses another.");
    EXPECT_EQ(
        code_page_in_force_sentence(CodePage::Western, SystemCodePage{CodePage::Western, "", ""}),
        start +
            "1252 (Western), that of English and Western European Windows (no locale is "
            "set); --code-page N chooses another.");
#endif
}

TEST(PasswordNotes, BytesReadAsThePersonalPassword) {
    struct Case {
        std::string bytes;
        std::optional<std::string> text;
        std::size_t bad_place;  // from 1, when refused
    };
    const Case cases[] = {
        {"secret", "secret", 0},
        {"\xEF\xBB\xBFsecret", "secret", 0},
        {"\xEF\xBB\xBF\xEF\xBB\xBF", "\xEF\xBB\xBF", 0},  // only the first is a byte order mark
        {"a\xEF\xBB\xBF", "a\xEF\xBB\xBF", 0},
        {"caf\xC3\xA9", "caf\xC3\xA9", 0},
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD", 0},  // U+FFFD typed as such
        {"caf\xE9", std::nullopt, 4},
        {"\xEF\xBB\xBF"
         "caf\xE9",
         std::nullopt, 7},
        {"\xE2\x82x", std::nullopt, 1},
        {"ok\xC0\xAF", std::nullopt, 3},
        {"ok\xED\xA0\x80", std::nullopt, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(personal_password_text(c.bytes), c.text) << c.bytes;
        if (!c.text) {
            const std::string sentence = not_utf8_sentence(c.bytes);
            EXPECT_NE(sentence.find("byte " + std::to_string(c.bad_place) + " ("),
                      std::string::npos)
                << sentence;
        }
    }
    EXPECT_EQ(not_utf8_sentence("caf\xE9"),
              "The personal password is not UTF-8 text: its byte 4 (0xE9) does not begin a UTF-8 "
              "character, so some of its characters cannot be known. Give it as UTF-8 (a file in "
              "another encoding can be converted, for instance with \"iconv -f WINDOWS-1252 -t "
              "UTF-8\"), or type it at the prompt of a UTF-8 terminal.");
}

}  // namespace
}  // namespace tessaroll
