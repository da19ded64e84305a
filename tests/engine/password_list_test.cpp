// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/password_list.h"
#include "settings/generation_settings.h"
#include "vectors.h"

namespace tessaroll {
namespace {

constexpr CodePage k1252 = CodePage::Western;

GenerationSettings settings_of(int count, int length, std::string_view pattern = "") {
    GenerationSettings s;
    s.pnumb = static_cast<std::int16_t>(count);
    s.lentgh = static_cast<std::int16_t>(length);
    EXPECT_TRUE(set_pattern_letters(s, pattern));
    return s;
}

TEST(Vectors, EveryReferenceListBitForBit) {
    const auto vectors = testing::load_vectors();
    ASSERT_EQ(vectors.size(), 469u);
    int lists = 0, errors = 0, other_code_pages = 0;
    for (const auto& v : vectors) {
        SCOPED_TRACE("engine.jsonl line " + std::to_string(v.line));
        const GenerationSettings s = settings_of(v.count, v.length, v.pattern);
        other_code_pages += v.code_page != k1252 ? 1 : 0;
        int messages = 0;
        try {
            const auto list = compute_passwords(v.personal, static_cast<std::int16_t>(v.day),
                                                static_cast<std::int16_t>(v.month),
                                                static_cast<std::int16_t>(v.year), s, v.code_page,
                                                [&](std::string_view) { ++messages; });
            EXPECT_FALSE(v.error) << "expected an error";
            EXPECT_EQ(list, v.passwords);
            EXPECT_EQ(messages, v.messages);
            ++lists;
        } catch (const EngineError& e) {
            ASSERT_TRUE(v.error) << e.what();
            EXPECT_EQ(*v.error, e.kind()) << e.what();
            ++errors;
        }
    }
    EXPECT_EQ(lists, 458);
    EXPECT_EQ(errors, 11);
    EXPECT_EQ(other_code_pages, 37);
}

TEST(ComputePasswords, CountOfZeroOrLessGivesNoList) {
    for (const int count : {0, -1, -130}) {
        EXPECT_TRUE(
            compute_passwords("secret", 26, 7, 2002, settings_of(count, 10), k1252).empty());
    }
    // The per-list values are still computed, so the date limits hold.
    EXPECT_THROW(compute_passwords("secret", 1, 1, 2002, settings_of(0, 10), k1252), EngineError);
    EXPECT_THROW(compute_passwords("secret", 1, 13, 2002, settings_of(0, 10), k1252), EngineError);
}

TEST(ComputePasswords, ShorterPasswordsAreTheBeginningOfLongerOnes) {
    const auto longer =
        compute_passwords("secret", 26, 7, 2002, settings_of(6, 40, "dlldl"), k1252);
    const auto shorter =
        compute_passwords("secret", 26, 7, 2002, settings_of(6, 12, "dlldl"), k1252);
    ASSERT_EQ(longer.size(), 6u);
    for (std::size_t i = 0; i < shorter.size(); ++i) {
        EXPECT_EQ(longer[i].substr(0, 12), shorter[i]);
    }
}

TEST(ComputePasswords, CountChangesEveryPassword) {
    const auto four = compute_passwords("secret", 15, 6, 2006, settings_of(4, 10), k1252);
    const auto five = compute_passwords("secret", 15, 6, 2006, settings_of(5, 10), k1252);
    for (std::size_t i = 0; i < four.size(); ++i) {
        EXPECT_NE(four[i], five[i]) << i;
    }
}

TEST(ComputePasswords, DatesWithTheSameDayIndexGiveTheSameList) {
    EXPECT_EQ(compute_passwords("x", 29, 2, 2004, settings_of(8, 16), k1252),
              compute_passwords("x", 1, 3, 2004, settings_of(8, 16), k1252));
    // Day 31 of month 2 is day 3 of month 3 by the program's count.
    EXPECT_EQ(compute_passwords("x", 31, 2, 2005, settings_of(4, 10), k1252),
              compute_passwords("x", 3, 3, 2005, settings_of(4, 10), k1252));
}

TEST(ComputePasswords, SeedEqualToABreakPointChangesTheRestOfTheList) {
    // Empty personal password: seed 0.6. On 11 January 2002 the break points are i / (count + 4)
    // + 0.1; with 6 passwords, password 5's is 0.5 + 0.1 == 0.6, so the seed becomes 0.33 from
    // password 5 on. "!" (code 33) gives the seed 0.33 from the start and meets no break point.
    const auto empty = compute_passwords("", 11, 1, 2002, settings_of(6, 10), k1252);
    const auto bang = compute_passwords("!", 11, 1, 2002, settings_of(6, 10), k1252);
    ASSERT_EQ(empty.size(), 6u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NE(empty[i], bang[i]) << "password " << i + 1 << " still uses the seed 0.6";
    }
    EXPECT_EQ(empty[4], bang[4]);
    EXPECT_EQ(empty[5], bang[5]) << "the new seed stays in force";
    // With 4 passwords the same happens at password 4 (0.5 + 0.1 again).
    const auto empty4 = compute_passwords("", 11, 1, 2002, settings_of(4, 10), k1252);
    const auto bang4 = compute_passwords("!", 11, 1, 2002, settings_of(4, 10), k1252);
    EXPECT_NE(empty4[2], bang4[2]);
    EXPECT_EQ(empty4[3], bang4[3]);
}

TEST(ComputePasswords, TheCodePageGivesThePersonalPasswordItsCodes) {
    const auto list = [](const char* personal, CodePage cp) {
        return compute_passwords(personal, 26, 7, 2002, settings_of(4, 10), cp);
    };
    // "\u00e9" and "\u00e8" are 233 and 232 in code page 1252.
    EXPECT_NE(list("\xC3\xA9", k1252), list("\xC3\xA8", k1252));
    // "\u0142\u00f3d\u017a": 1252 lacks "\u0142" and "\u017a", whose best fits are "l" and "z".
    // 1250 has them as 179 and 159, which are "\u00b3" and "\u0178" in 1252.
    EXPECT_EQ(list("\xC5\x82\xC3\xB3\x64\xC5\xBA", k1252), list("l\xC3\xB3\x64z", k1252));
    EXPECT_EQ(list("\xC5\x82\xC3\xB3\x64\xC5\xBA", CodePage::CentralEuropean),
              list("\xC2\xB3\xC3\xB3\x64\xC5\xB8", k1252));
    EXPECT_NE(list("\xC5\x82\xC3\xB3\x64\xC5\xBA", CodePage::CentralEuropean),
              list("\xC5\x82\xC3\xB3\x64\xC5\xBA", k1252));
    // A character without a byte or a best fit counts as "?"; an emoji is two UTF-16 units.
    EXPECT_EQ(list("a\xE4\xB8\xAD", k1252), list("a?", k1252));
    EXPECT_EQ(list("a\xF0\x9F\x98\x80", k1252), list("a??", k1252));
}

TEST(ComputePasswords, LimitsRaiseOneErrorWithASentence) {
    struct Case {
        const char* what;
        std::string personal;
        std::int16_t day, month, year, count, length;
        ErrorKind kind;
        const char* sentence_part;
    };
    const Case cases[] = {
        {"first day of the count", "s", 1, 1, 2002, 4, 10, ErrorKind::DivisionByZero,
         "1/1/2002 is day 0"},
        {"count above 130", "s", 7, 12, 2026, 131, 10, ErrorKind::CountTooLarge, "131"},
        {"length above 130", "s", 7, 12, 2026, 4, 131, ErrorKind::LengthTooLarge, "131"},
        {"year 2092", "s", 7, 12, 2092, 4, 10, ErrorKind::YearOutOfRange, "2092"},
        {"month 13", "s", 5, 13, 2010, 4, 10, ErrorKind::MonthOutOfRange, "13"},
        {"16-bit product", "s", 8, 2, 2082, 130, 10, ErrorKind::Overflow, "2/8/2082"},
        {"count overflow", "s", 7, 12, 2003, 32767, 10, ErrorKind::Overflow, "32767"},
        {"negative break point", "s", 31, 12, 2001, 4, 10, ErrorKind::NegativeBreakPoint,
         "12/31/2001"},
        {"count -99 on day 99", "s", 10, 4, 2002, -99, 10, ErrorKind::DivisionByZero, "-99"},
        {"personal password too long", std::string(32767, 'a'), 7, 12, 2026, 4, 10,
         ErrorKind::PasswordTooLong, "32767"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int messages = 0;
        try {
            compute_passwords(c.personal, c.day, c.month, c.year, settings_of(c.count, c.length),
                              k1252, [&](std::string_view) { ++messages; });
            ADD_FAILURE() << "no error";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), c.kind) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.sentence_part), std::string::npos) << e.what();
        }
        EXPECT_EQ(messages, 0);
    }
}

TEST(ComputePasswords, EmptySeedNeverTakesTheNegativeBreakPoint) {
    // A personal password of code-0 characters gives the seed 0: the map stays at 0 and the
    // negative break point of 31 December 2001 is never raised to a power.
    const auto list =
        compute_passwords(std::string(3, '\0'), 31, 12, 2001, settings_of(4, 10), k1252);
    EXPECT_EQ(list.size(), 4u);
}

TEST(ComputePasswords, EqualPasswordsAreAllKept) {
    // Every personal password whose corrected value ends in the same formula gets the same
    // password; with one position there are only ten digits, so 130 passwords repeat.
    const auto list = compute_passwords("secret", 26, 7, 2002, settings_of(130, 1), k1252);
    ASSERT_EQ(list.size(), 130u);
    auto sorted = list;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_NE(std::unique(sorted.begin(), sorted.end()), sorted.end());
}

}  // namespace
}  // namespace tessaroll
