// SPDX-License-Identifier: GPL-3.0-or-later
// A short fingerprint of the personal password, so that a typo shows before two lists disagree.
//
// It is taken from the seed the personal password gives, not from its characters: SHA-256 over
// the context text kFingerprintContext followed by the seed's 64 bits (IEEE binary64, most
// significant byte first, the same on every machine), of which the first 12 bits are three
// symbols of 4 bits each, read from the high bits of the first byte on. So the fingerprint
// changes exactly when the seed, and with it every list, can change: characters beyond those
// that reach the seed leave it alone, and two different seeds share one fingerprint once in
// 4096 cases.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaroll {

// Hashed before the seed; changing it changes every fingerprint.
inline constexpr std::string_view kFingerprintContext =
    "Tessaroll fingerprint of the personal password, version 1";

// Three symbols, each one of 16 (0 to 15).
using Fingerprint = std::array<std::uint8_t, 3>;
inline constexpr int kFingerprintShapes = 16;

// The fingerprint of a seed.
Fingerprint seed_fingerprint(double seed);

// The fingerprint of the personal password whose 8-bit code-page codes are given: the one of
// DoublefromString(codes). Throws EngineError for a password that is too long, as the seed does.
Fingerprint password_fingerprint(std::string_view codes);

// The word for symbol s (0 to 15): the name of its shape, as the window program's tooltip and
// tessaroll-cli write it.
std::string_view fingerprint_word(std::uint8_t s);

// The three words, separated by one blank: "circle star heart".
std::string fingerprint_words(const Fingerprint& fingerprint);

}  // namespace tessaroll
