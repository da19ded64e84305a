// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/box_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tessaroll {
namespace {

// The text is refused with a sentence that quotes it and gives the reason.
void expect_refused(const std::string& text, const std::string& reason) {
    try {
        box_number(text);
        ADD_FAILURE() << "accepted \"" << text << "\"";
    } catch (const BoxNumberError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("\"" + text + "\""), std::string::npos) << what;
        EXPECT_NE(what.find(reason), std::string::npos) << what;
    }
}

struct Read {
    std::string text;
    std::int16_t value;
};

TEST(BoxNumber, ReadsDecimalNumbersRoundingHalvesToEven) {
    const Read cases[] = {
        {"7", 7},          {" 7 ", 7},         {"   -12   ", -12},   {"+5", 5},
        {"007", 7},        {"0.5", 0},         {"1.5", 2},           {"2.5", 2},
        {"3.5", 4},        {"-0.5", 0},        {"-1.5", -2},         {"-2.5", -2},
        {"2.4999", 2},     {"2.5000001", 3},   {"-2.5000001", -3},   {".5", 0},
        {"5.", 5},         {"-.6", -1},        {"1e2", 100},         {"25E-1", 2},
        {"32767", 32767},  {"-32768", -32768}, {"32767.49", 32767},  {"-32768.5", -32768},
        {"0.04", 0},       {"-0.04", 0},       {"1e-400", 0},        {"0e999999", 0},
        {"0.000001e5", 0}, {"0.00001e5", 1},   {"100000e-1", 10000}, {"-0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(box_number(c.text), c.value) << "text \"" << c.text << "\"";
    }
}

TEST(BoxNumber, RefusesTextsThatAreNotNumbersNamingTheText) {
    const std::string cases[] = {
        "",
        "   ",
        "abc",
        "7a",
        "1,000",
        "\t7",
        "7\t",
        "inf",
        "-inf",
        "nan",
        "0x10",
        "+-5",
        "- 5",
        "--5",
        "1e",
        "1e+",
        "e5",
        ".",
        "-",
        "1 2",
        "2.5.",
        "\xC2\xA0"
        "7",
    };
    for (const auto& text : cases) {
        expect_refused(text, "not a number");
    }
}

TEST(BoxNumber, RefusesValuesOutsideSixteenBits) {
    const std::string cases[] = {
        "32768",    "32767.5",       "-32769",
        "-32768.6", "1e5",           "0.5e99999",
        "1e99999",  "-1e99999",      "99999999999999999999999999",
        "1000000",  "12345678.9e-1",
    };
    for (const auto& text : cases) {
        expect_refused(text, "outside -32768 to 32767");
    }
}

TEST(BoxNumber, ShortensAVeryLongTextInItsMessage) {
    const std::string text(100000, 'x');
    try {
        box_number(text);
        FAIL() << "accepted a text of x";
    } catch (const BoxNumberError& e) {
        EXPECT_LT(std::string(e.what()).size(), 200u);
    }
}

}  // namespace
}  // namespace tessaroll
