// SPDX-License-Identifier: GPL-3.0-or-later
// Comparisons whose time tells nothing about the text compared: every byte is looked at and every
// password is compared, whatever the candidate holds and wherever it first differs, so that how
// long a check takes cannot be used to guess a password one character at a time.
//
// Both take anything with size() and operator[] (std::string, std::string_view, a vector of
// them), so that a test can count what they read.
#pragma once

#include <cstddef>
#include <optional>

namespace tessaroll {

// Whether candidate equals expected. Reads every byte of expected and as many of candidate (its
// first byte again past its end), with no branch on what they hold.
template <typename Expected, typename Candidate>
bool equal_in_constant_time(const Expected& expected, const Candidate& candidate) {
    const std::size_t n = candidate.size();
    // volatile: every step is done, so the compiler cannot stop at the first difference.
    volatile unsigned char difference = expected.size() == n ? 0 : 1;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const unsigned char c = n == 0 ? 0 : static_cast<unsigned char>(candidate[i < n ? i : 0]);
        difference =
            static_cast<unsigned char>(difference | (static_cast<unsigned char>(expected[i]) ^ c));
    }
    return difference == 0;
}

// The index of the first of passwords that equals candidate. Every password is compared, also
// after a match, and the first one is kept without a branch on the results.
template <typename Passwords, typename Candidate>
std::optional<std::size_t> first_equal(const Passwords& passwords, const Candidate& candidate) {
    const std::size_t none = passwords.size();
    std::size_t found = none;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        const bool equal = equal_in_constant_time(passwords[i], candidate);
        const bool first = equal & (found == none);
        const std::size_t take = std::size_t{0} - static_cast<std::size_t>(first);  // all ones
        found = (i & take) | (found & ~take);
    }
    if (found == none) {
        return std::nullopt;
    }
    return found;
}

}  // namespace tessaroll
