// SPDX-License-Identifier: GPL-3.0-or-later
// The comparisons of check by their construction: what they answer, and that they read the same
// bytes wherever the first difference lies, so that their time cannot tell it.
#include "session/constant_time.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaroll {
namespace {

// Text that counts the bytes read from it.
struct Counted {
    std::string text;
    int* reads;
    std::size_t size() const { return text.size(); }
    char operator[](std::size_t i) const {
        ++*reads;
        return text[i];
    }
};

TEST(ConstantTime, EqualOnlyWhenEveryByteAndTheLengthAgree) {
    using namespace std::string_view_literals;
    struct Case {
        std::string_view expected, candidate;
        bool equal;
    };
    const Case cases[] = {
        {"", "", true},
        {"75ne13zgbt", "75ne13zgbt", true},
        {"75ne13zgbt", "75ne13zgbu", false},
        {"75ne13zgbt", "85ne13zgbt", false},
        {"75ne13zgbt", "75NE13ZGBT", false},
        {"75ne13zgbt", "75ne13zgb", false},
        {"75ne13zgbt", "75ne13zgbt ", false},
        {"75ne13zgbt", " 75ne13zgbt", false},
        {"7", "77", false},  // the candidate's first byte stands in past its end
        {"77", "7", false},
        {"7", "", false},
        {"", "7", false},
        {"a\0b"sv, "a\0c"sv, false},
        {"\xff", "\x7f", false},
        {"\x80", "\x80", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equal_in_constant_time(c.expected, c.candidate), c.equal)
            << "\"" << c.expected << "\" \"" << c.candidate << "\"";
    }
}

TEST(ConstantTime, ReadsTheSameBytesWhereverTheFirstDifferenceLies) {
    const std::string expected = "0123456789";
    const std::string candidates[] = {"0123456789", "x123456789", "012345678x", "0", "0123456789x"};
    for (const std::string& candidate : candidates) {
        int expected_reads = 0;
        int candidate_reads = 0;
        equal_in_constant_time(Counted{expected, &expected_reads},
                               Counted{candidate, &candidate_reads});
        EXPECT_EQ(expected_reads, 10) << candidate;
        EXPECT_EQ(candidate_reads, 10) << candidate;
    }
}

TEST(ConstantTime, FirstEqualComparesEveryPasswordAndKeepsTheFirst) {
    const std::vector<std::string> texts = {"aaaa", "bbbb", "cccc", "bbbb", "dddd"};
    const std::pair<std::string, std::optional<std::size_t>> cases[] = {
        {"aaaa", 0}, {"bbbb", 1}, {"dddd", 4}, {"eeee", std::nullopt}, {"", std::nullopt}};
    for (const auto& [candidate, index] : cases) {
        int reads = 0;
        int candidate_reads = 0;
        std::vector<Counted> passwords;
        for (const std::string& t : texts) {
            passwords.push_back({t, &reads});
        }
        EXPECT_EQ(first_equal(passwords, Counted{candidate, &candidate_reads}), index) << candidate;
        EXPECT_EQ(reads, 20) << candidate;
        EXPECT_EQ(first_equal(texts, std::string_view(candidate)), index) << candidate;
    }
}

}  // namespace
}  // namespace tessaroll
