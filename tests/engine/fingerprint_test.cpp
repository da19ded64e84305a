// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fingerprint.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iostream>
#include <random>
#include <set>
#include <string>

#include "engine/chaotic_map.h"
#include "engine/error.h"

namespace tessaroll {
namespace {

// Computed apart from this code, with Python's hashlib and float(): SHA-256 over the context
// text and the big-endian binary64 of float("0." + decimal Windows-1252 codes).
TEST(Fingerprint, AgreesWithAnIndependentComputation) {
    struct Case {
        std::string codes;
        std::uint64_t seed_bits;
        Fingerprint symbols;
        const char* words;
    };
    const Case cases[] = {
        {"secret", 0x3FBD7752F7A7B640, {5, 1, 11}, "heart square bolt"},
        {"Secret", 0x3FEA97B711BA9992, {6, 0, 14}, "plus circle hourglass"},
        {"secreu", 0x3FBD7752F7A7B641, {15, 3, 9}, "flag diamond ring"},
        {"", 0x3FE3333333333333, {0, 13, 12}, "circle house drop"},
        {"Sesame 7", 0x3FEA97A4B7323875, {9, 0, 5}, "ring circle heart"},
        {"\xE9\x80", 0x3FCDD72367E414E8, {6, 6, 2}, "plus plus triangle"},
        {"correct horse battery staple", 0x3FEFB72EB63CDC89, {9, 13, 10}, "ring house arrow"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(DoublefromString(c.codes)), c.seed_bits) << c.codes;
        EXPECT_EQ(password_fingerprint(c.codes), c.symbols) << c.codes;
        EXPECT_EQ(fingerprint_words(password_fingerprint(c.codes)), c.words) << c.codes;
    }
    // "secret" and "secreu" differ in the seed's last bit only.
}

TEST(Fingerprint, WordsAreSixteenDistinctOnes) {
    std::set<std::string_view> words;
    for (std::uint8_t s = 0; s < kFingerprintShapes; ++s) {
        const std::string_view w = fingerprint_word(s);
        EXPECT_FALSE(w.empty());
        EXPECT_EQ(w.find(' '), std::string_view::npos) << w;
        words.insert(w);
    }
    EXPECT_EQ(words.size(), 16U);
}

TEST(Fingerprint, FollowsTheSeedNotTheCharacters) {
    // Characters past the seed's reach change neither the seed nor the fingerprint.
    const std::string reach = "secretpass12";
    ASSERT_EQ(DoublefromString(reach + "A"), DoublefromString(reach + "zzzz"));
    EXPECT_EQ(password_fingerprint(reach + "A"), password_fingerprint(reach + "zzzz"));
    // A password too long for a seed has no fingerprint either.
    EXPECT_THROW(password_fingerprint(std::string(40000, 'a')), EngineError);
}

// The share of one-character typos, among the characters that reach the seed, that change the
// fingerprint: 4095 in 4096 of those that change the seed are expected from 12 bits. A typo
// that leaves the seed as it was must leave the fingerprint as it was.
TEST(Fingerprint, ChangesWithAlmostEveryTypo) {
    constexpr int kTypos = 10000;
    std::mt19937_64 rng(20020726);
    const auto below = [&](int n) {
        return static_cast<int>(rng() % static_cast<std::uint64_t>(n));
    };
    const auto printable = [&] { return static_cast<char>(' ' + below(95)); };
    int seed_changed = 0;
    int fingerprint_changed = 0;
    for (int t = 0; t < kTypos; ++t) {
        std::string password;
        for (int n = 6 + below(10); n > 0; --n) {
            password += printable();
        }
        // The characters whose codes begin within the first 17 significant digits of the seed
        // text: its digits start with the first character's code, which has no leading zero.
        std::size_t reaching = 0;
        for (std::size_t digits = 0; reaching < password.size() && digits < 17; ++reaching) {
            digits += std::to_string(static_cast<unsigned char>(password[reaching])).size();
        }
        std::string typo = password;
        const auto at = static_cast<std::size_t>(below(static_cast<int>(reaching)));
        while (typo[at] == password[at]) {
            typo[at] = printable();
        }
        const bool seed_moved = DoublefromString(typo) != DoublefromString(password);
        const bool changed = password_fingerprint(typo) != password_fingerprint(password);
        if (!seed_moved) {
            ASSERT_FALSE(changed) << password << " / " << typo;
            continue;
        }
        ++seed_changed;
        fingerprint_changed += changed ? 1 : 0;
    }
    std::cout << "fingerprint changed by " << fingerprint_changed << " of " << seed_changed
              << " typos that changed the seed (" << kTypos << " typos, " << kTypos - seed_changed
              << " left the seed as it was)\n";
    RecordProperty("typos", kTypos);
    RecordProperty("seed_changed", seed_changed);
    RecordProperty("fingerprint_changed", fingerprint_changed);
    EXPECT_GT(seed_changed, kTypos * 9 / 10);
    // 10 expected misses in 4096 would be four times the expected 2.4 for 10,000 typos.
    EXPECT_GE(fingerprint_changed, seed_changed - 10);
}

}  // namespace
}  // namespace tessaroll
