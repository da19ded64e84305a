// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "engine/error.h"
#include "engine/password_text.h"

namespace tessaroll {
namespace {

using Flags = std::array<std::int16_t, 131>;

Flags flags_all(std::int16_t value) {
    Flags f{};
    f.fill(value);
    return f;
}

TEST(DigitAndLetter, SingleCharacters) {
    struct Case {
        double x;
        const char* digit;
        const char* letter;
    };
    const Case cases[] = {
        {0, " 0", "q"}, {0.34, " 3", "o"}, {0.999, " 9", "m"}, {0.5, " 5", "f"}, {0.7, " 7", "l"},
        {1, " 10", ""}, {-0.0, " 0", "q"}, {-0.25, "-3", ""},  {0.1, " 1", "e"}, {0.96, " 9", "n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Digit(c.x), c.digit) << c.x;
        EXPECT_EQ(Letter(c.x), c.letter) << c.x;
    }
}

TEST(DigitAndLetter, ProductsThatRoundToWholeNumbers) {
    // 0.7 * 10 rounds to exactly 7, and (nearest double to 7/26) * 26 to exactly 7.
    EXPECT_EQ(Digit(0.7), " 7");
    EXPECT_EQ(Letter(7.0 / 26), "i");
    // Every letter of the table in order.
    std::string row;
    for (int n = 0; n < 26; ++n) {
        row += Letter((n + 0.5) / 26);
    }
    EXPECT_EQ(row, "qwertyuiopasdfghjklzxcvbnm");
}

TEST(StringfromDouble, WalkStartsWithAStep) {
    // Values read for positions 1 to 6 from 0.3, to 12 significant digits.
    const char* expected[] = {"0.581889255524", "0.839236295472", "0.325813087845",
                              "0.635094634145", "0.73404050559",  "0.537026709784"};
    double v = 0.3;
    std::string digits;
    for (const char* e : expected) {
        v = map1(v, kTextExponent, 0.5);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.12g", v);
        EXPECT_STREQ(buf, e);
        digits += Digit(v).substr(1);
    }
    EXPECT_EQ(StringfromDouble(0.3, flags_all(0), 6), digits);
    EXPECT_EQ(digits, "583675");
}

TEST(StringfromDouble, FlagsChooseDigitOrLetter) {
    struct Case {
        std::int16_t flag;
        const char* text;
    };
    for (const Case& c :
         {Case{0, "583675"}, Case{1, "hcojzf"}, Case{2, "hcojzf"}, Case{-1, "hcojzf"}}) {
        EXPECT_EQ(StringfromDouble(0.3, flags_all(c.flag), 6), c.text) << c.flag;
    }
    Flags mixed{};
    mixed[2] = mixed[4] = 1;
    EXPECT_EQ(StringfromDouble(0.3, mixed, 6), "5c3j75");
    // Flag 0 is never read.
    mixed[0] = 1;
    EXPECT_EQ(StringfromDouble(0.3, mixed, 6), "5c3j75");
}

TEST(StringfromDouble, SpecialStartingValues) {
    Flags alternating{};
    for (std::size_t k = 2; k < alternating.size(); k += 2) {
        alternating[k] = 1;
    }
    EXPECT_EQ(StringfromDouble(0, alternating, 6), "0q0q0q");
    EXPECT_EQ(StringfromDouble(1, alternating, 6), "0q0q0q");
    // 0.5 steps to exactly 1: a digit position gives "10", a letter position nothing.
    EXPECT_EQ(StringfromDouble(0.5, alternating, 4), "10q0q");
    EXPECT_EQ(StringfromDouble(0.5, flags_all(1), 4), "qqq");
    EXPECT_EQ(StringfromDouble(0.3, alternating, 0), "");
    EXPECT_EQ(StringfromDouble(0.3, alternating, -5), "");
}

TEST(StringfromDouble, OutOfRangeValueIsReportedOnceAndReadsAsZero) {
    int messages = 0;
    const Notifier count = [&](std::string_view) { ++messages; };
    EXPECT_EQ(StringfromDouble(1.5, flags_all(0), 5, count), "00000");
    EXPECT_EQ(messages, 1);
    // No step, no message.
    EXPECT_EQ(StringfromDouble(1.5, flags_all(0), 0, count), "");
    EXPECT_EQ(messages, 1);
}

TEST(StringfromDouble, LengthBeyondTheFlagsIsRefusedBeforeAnyStep) {
    int messages = 0;
    try {
        StringfromDouble(2.0, flags_all(0), 131, [&](std::string_view) { ++messages; });
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::LengthTooLarge);
    }
    EXPECT_EQ(messages, 0);
    EXPECT_EQ(StringfromDouble(0.3, flags_all(0), 130).size(), 130u);
}

}  // namespace
}  // namespace tessaroll
