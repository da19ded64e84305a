// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/chaotic_map.h"
#include "engine/error.h"

namespace tessaroll {
namespace {

// Worked values are given to 12 significant digits; the text comparison is exact. (The falling
// flank gives -0 at x = 1, which equals 0 and reads as 0 in every later step.)
std::string g12(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.12g", v == 0 ? 0.0 : v);
    return buf;
}

struct Counter {
    int calls = 0;
    Notifier notifier() {
        return [this](std::string_view m) {
            EXPECT_EQ(m, "???");
            ++calls;
        };
    }
};

TEST(Map1, WorkedValues) {
    struct Case {
        double x;
        float a;
        double p;
        const char* result;
    };
    const Case cases[] = {
        {0, kMapExponent, 0.5, "0"},
        {0.25, kMapExponent, 0.5, "0.466516488059"},
        {0.5, kMapExponent, 0.5, "1"},
        {0.6, kMapExponent, 0.5, "0.805797868946"},
        {0.75, kMapExponent, 0.5, "0.508485746099"},
        {0.9, kMapExponent, 0.5, "0.205128494887"},
        {1, kMapExponent, 0.5, "0"},
        {0.25, kTextExponent, 0.5, "0.479632078686"},
        {0.75, kTextExponent, 0.5, "0.505093767541"},
        {0.2, kMapExponent, 0.3, "0.640176327673"},
        {0.8, kMapExponent, 0.3, "0.296519105575"},
        {0.4, kMapExponent, 1, "0.364977406649"},
    };
    for (const Case& c : cases) {
        Counter messages;
        EXPECT_EQ(g12(map1(c.x, c.a, c.p, messages.notifier())), c.result)
            << "x=" << c.x << " p=" << c.p;
        EXPECT_EQ(messages.calls, 0);
    }
}

TEST(Map1, ExponentsAreTheSingleValuesWidened) {
    EXPECT_EQ(static_cast<double>(kMapExponent), 1.10000002384185791015625);
    EXPECT_EQ(static_cast<double>(kTextExponent), 1.059999942779541015625);
}

TEST(Map1, PeakIsExactlyOneAndRightEndIsZero) {
    for (const double p : {0.001, 0.125, 0.3, 0.5, 0.6, 0.875, 0.999999}) {
        EXPECT_EQ(map1(p, kMapExponent, p), 1.0) << p;
        EXPECT_EQ(map1(1, kMapExponent, p), 0.0) << p;
        EXPECT_EQ(map1(p, kTextExponent, p), 1.0) << p;
    }
}

TEST(Map1, ArgumentsOutsideTheUnitIntervalAreReportedOnce) {
    for (const double x : {1.0000001, -0.0000001, 1.5, -0.1}) {
        Counter messages;
        EXPECT_EQ(map1(x, kMapExponent, 0.5, messages.notifier()), 0.0) << x;
        EXPECT_EQ(messages.calls, 1) << x;
    }
    Counter silent;
    EXPECT_EQ(map1(0, kMapExponent, 0.5, silent.notifier()), 0.0);
    EXPECT_EQ(silent.calls, 0);
    // Without a notifier the step still gives 0.
    EXPECT_EQ(map1(2, kMapExponent, 0.5), 0.0);
}

TEST(Map1, NegativeBreakPointIsRefused) {
    try {
        map1(0.5, kMapExponent, -0.01);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::NegativeBreakPoint);
    }
}

TEST(Map, IteratesWithTheSingleOnePointOne) {
    struct Case {
        std::int16_t niter;
        const char* result;
    };
    for (const Case& c : {Case{0, "0.6"}, Case{1, "0.585643820116"}, Case{2, "0.60606164614"},
                          Case{5, "0.559517937179"}}) {
        EXPECT_EQ(g12(map(0.6, 0.3, c.niter)), c.result) << c.niter;
    }
    // The caller's value is a copy: map(x) equals map1 applied by hand.
    double v = 0.6;
    for (int i = 0; i < 5; ++i) {
        v = map1(v, kMapExponent, 0.3);
    }
    EXPECT_EQ(map(0.6, 0.3, 5), v);
}

TEST(Map, NoStepsMeansNoMessageAndTheArgumentBack) {
    Counter messages;
    EXPECT_EQ(map(1.5, 0.5, 0, messages.notifier()), 1.5);
    EXPECT_EQ(map(1.5, 0.5, -4, messages.notifier()), 1.5);
    EXPECT_EQ(messages.calls, 0);
    EXPECT_EQ(map(1.5, 0.5, 3, messages.notifier()), 0.0);
    EXPECT_EQ(messages.calls, 1);
}

TEST(Map, ThirtyTwoThousandSevenHundredSixtySevenStepsOverflowTheCounter) {
    try {
        map(0.3, 0.5, 32767);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::IterationCountTooLarge);
    }
}

std::string codes(std::initializer_list<int> list) {
    std::string s;
    for (const int c : list) {
        s += static_cast<char>(c);
    }
    return s;
}

TEST(DoublefromString, SeedFromCharacterCodes) {
    struct Case {
        std::string codes;
        double seed;
    };
    const Case cases[] = {
        {"", 0.6},
        {"A", 0.65},
        {"AB", 0.6566},
        {"\t", 0.9},
        {codes({7}), 0.7},
        {codes({49, 50, 200}), 0.49502},
        {codes({0, 255}), 0.0255},
        {"secret", 0.11510199114101116},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DoublefromString(c.codes), c.seed) << c.codes;
    }
}

TEST(DoublefromString, OnlyTheLeadingDigitsCount) {
    // Six three-digit codes fix the first 18 digits; what follows moves the seed by at most
    // one unit in the last place.
    const std::string prefix = codes({200, 201, 202, 203, 204, 205});
    const double a = DoublefromString(prefix + "zzzz");
    const double b = DoublefromString(prefix + codes({255, 255, 255}));
    EXPECT_LE(std::abs(a - b), std::nextafter(a, 1.0) - a);
}

TEST(DoublefromString, LongTextsAreReadCorrectlyRounded) {
    // 32766 characters of code 9 give 0.999...9, within 10^-32766 of 1: nearest double is 1.
    EXPECT_EQ(DoublefromString(std::string(32766, '\t')), 1.0);
    EXPECT_EQ(DoublefromString(std::string(32766, '1')), 0.494949494949494949494949);
}

TEST(DoublefromString, TextOfThirtyTwoThousandSevenHundredSixtySevenCharactersIsRefused) {
    try {
        DoublefromString(std::string(32767, 'a'));
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::PasswordTooLong);
        EXPECT_NE(std::string(e.what()).find("32767"), std::string::npos);
    }
}

TEST(CharactersReachingSeed, ThoseWithADigitAmongTheFirstSeventeenSignificantOnes) {
    struct Case {
        std::string codes;
        std::size_t reaching;
    };
    const Case cases[] = {
        {"", 0},
        {"secret", 6},                              // 115 101 99 114 101 116: exactly 17 digits
        {"secretly", 6},                            // the seventh character starts at digit 18
        {"AAAAAAAAAAAA", 9},                        // 65 each: the ninth starts at digit 17
        {"\xC8\xC8\xC8\xC8\xC8\xC8\xC8", 6},        // 200 each: 18 digits after six
        {std::string(3, '\0') + "AAAAAAAAAA", 12},  // leading zeros are not significant
        {std::string(5, '\t'), 5},                  // code 9: one digit each
    };
    for (const Case& c : cases) {
        EXPECT_EQ(characters_reaching_seed(c.codes), c.reaching) << c.codes;
    }
}

TEST(CharactersReachingSeed, CharactersAfterThemMoveTheSeedByOneStepAtMost) {
    // "secr" and any ending: what the count leaves out changes no more than the seed's last bit.
    const std::string endings[] = {"et-garden", "et-gardens", "ZZZZZZZZ", "\x01\x01\x01\x01", "~"};
    const std::string base = "secret";
    for (const std::string& a : endings) {
        for (const std::string& b : endings) {
            const double sa = DoublefromString(base + a);
            const double sb = DoublefromString(base + b);
            ASSERT_EQ(characters_reaching_seed(base + a), base.size());
            EXPECT_TRUE(sa == sb || std::nextafter(sa, sb) == sb) << a << " / " << b;
        }
    }
}

TEST(Days, FromTheFirstOfJanuary2002) {
    struct Case {
        std::int16_t d, m, y;
        std::int32_t result;
    };
    const Case cases[] = {
        {1, 1, 2002, 0},     {15, 1, 2002, 14},    {1, 2, 2002, 31},     {1, 3, 2002, 59},
        {31, 12, 2002, 364}, {1, 1, 2003, 365},    {1, 1, 2004, 730},    {1, 3, 2004, 789},
        {1, 1, 2005, 1095},  {1, 1, 2006, 1461},   {15, 6, 2006, 1626},  {1, 3, 2008, 2250},
        {1, 1, 2009, 2556},  {31, 12, 2010, 3286}, {1, 1, 2091, 32507},  {31, 2, 2002, 61},
        {1, 1, 2001, -366},  {26, 7, 2002, 206},   {1, 1, 1913, -32508},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(days(1, 1, 2002, c.d, c.m, c.y), c.result) << c.d << '/' << c.m << '/' << c.y;
    }
}

TEST(Days, BetweenOtherDates) {
    EXPECT_EQ(days(20, 3, 2004, 25, 3, 2004), 5);
    EXPECT_EQ(days(1, 3, 2002, 1, 2, 2002), -28);
    // 29 February and 1 March of a leap year have the same index by this count.
    EXPECT_EQ(days(1, 1, 2002, 29, 2, 2004), days(1, 1, 2002, 1, 3, 2004));
}

TEST(Days, Limits) {
    struct Case {
        std::int16_t m, y;
        ErrorKind kind;
        const char* sentence;
    };
    const Case cases[] = {
        {1, 2092, ErrorKind::YearOutOfRange, "The year 2092 is more than 89 years away from 2002."},
        {1, 1912, ErrorKind::YearOutOfRange, "The year 1912 is more than 89 years away from 2002."},
        {1, -32768, ErrorKind::YearOutOfRange,
         "The year -32768 is more than 89 years away from 2002."},
        {0, 2010, ErrorKind::MonthOutOfRange, "The month 0 is outside 1 to 12."},
        {13, 2010, ErrorKind::MonthOutOfRange, "The month 13 is outside 1 to 12."},
    };
    for (const Case& c : cases) {
        try {
            days(1, 1, 2002, 5, c.m, c.y);
            ADD_FAILURE() << "no error for " << c.m << '/' << c.y;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), c.kind);
            EXPECT_STREQ(e.what(), c.sentence);
        }
    }
    EXPECT_NO_THROW(days(1, 1, 2002, 1, 12, 2091));
    EXPECT_NO_THROW(days(1, 1, 2002, 1, 1, 1913));
}

}  // namespace
}  // namespace tessaroll
