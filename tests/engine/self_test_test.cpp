// SPDX-License-Identifier: GPL-3.0-or-later
// The self-test given its vector text: one altered password among the built-in vectors makes it
// fail and name that vector, and text with no vector checks nothing.
#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/self_test.h"

namespace tessaroll {
namespace {

// The text with one character of password `index` (from 0) of the vector on `line` (from 1)
// changed to another of its kind, a digit to a digit and a letter to a letter.
std::string with_altered_password(std::string text, int line, int index) {
    std::size_t at = 0;
    for (int l = 1; l < line; ++l) {
        at = text.find('\n', at) + 1;
    }
    at = text.find("\"passwords\": [", at);
    EXPECT_LT(at, text.find('\n', at)) << "line " << line << " holds no list";
    at = text.find('"', at + 14);  // the opening quote of password 0
    for (int i = 0; i < index; ++i) {
        at = text.find('"', text.find('"', at + 1) + 1);
    }
    char& c = text[at + 1];
    c = c >= '0' && c <= '9' ? static_cast<char>('0' + (c - '0' + 1) % 10)
                             : static_cast<char>('a' + (c - 'a' + 1) % 26);
    return text;
}

struct SelfTestRun {
    bool ok;
    std::string out, err;
};

SelfTestRun self_test(std::string_view text) {
    std::ostringstream out, err;
    const bool ok = cli::run_self_test(text, out, err);
    return {ok, out.str(), err.str()};
}

std::size_t count_of(const std::string& text, std::string_view part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(SelfTest, OneAlteredPasswordFailsTheRunAndIsNamed) {
    const std::string built_in(cli::built_in_reference_vectors());
    const std::size_t total = cli::parse_reference_vectors(built_in).size();
    const int last = static_cast<int>(count_of(built_in, "\n"));
    ASSERT_GT(total, 400u);

    const SelfTestRun whole = self_test(built_in);
    EXPECT_TRUE(whole.ok) << whole.err;
    EXPECT_EQ(whole.out, std::to_string(total) + " of " + std::to_string(total) +
                             " vectors agree with the reference lists.\n");
    EXPECT_EQ(whole.err, "");

    const struct { int line, index; } altered[] = {{1, 0}, {3, 3}, {200, 1}, {last, 1}};
    for (const auto& a : altered) {
        const SelfTestRun r = self_test(with_altered_password(built_in, a.line, a.index));
        EXPECT_FALSE(r.ok) << "line " << a.line;
        EXPECT_EQ(r.out, std::to_string(total - 1) + " of " + std::to_string(total) +
                             " vectors agree with the reference lists.\nThis build computes "
                             "different lists; do not rely on it.\n");
        EXPECT_EQ(count_of(r.err, "differs"), 1u) << r.err;
        EXPECT_EQ(r.err.find("differs: reference vector " + std::to_string(a.line) + ","), 0u)
            << r.err;
    }
}

TEST(SelfTest, TextWithNoVectorChecksNothingAndFails) {
    for (const std::string_view text : {"", "\n\n", "not json\n"}) {
        const SelfTestRun r = self_test(text);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_NE(r.out.find("not checked"), std::string::npos) << r.out;
    }
    EXPECT_NE(self_test("not json\n").err.find("line 1"), std::string::npos);
}

}  // namespace
}  // namespace tessaroll
