// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fingerprint.h"

#include <nettle/sha2.h>

#include <bit>

#include "engine/chaotic_map.h"

namespace tessaroll {

namespace {

// One word per shape, short and unlike each other, so that they can be read out and compared.
constexpr std::array<std::string_view, kFingerprintShapes> kWords = {
    "circle", "square", "triangle", "diamond", "star", "heart", "plus",      "hexagon",
    "moon",   "ring",   "arrow",    "bolt",    "drop", "house", "hourglass", "flag",
};

}  // namespace

Fingerprint seed_fingerprint(double seed) {
    const auto bits = std::bit_cast<std::uint64_t>(seed);
    std::array<std::uint8_t, 8> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * (bytes.size() - 1 - i)));
    }
    sha256_ctx ctx{};
    sha256_init(&ctx);
    sha256_update(&ctx, kFingerprintContext.size(),
                  reinterpret_cast<const std::uint8_t*>(kFingerprintContext.data()));
    sha256_update(&ctx, bytes.size(), bytes.data());
    std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest{};
    sha256_digest(&ctx, digest.size(), digest.data());
    return {static_cast<std::uint8_t>(digest[0] >> 4), static_cast<std::uint8_t>(digest[0] & 0x0F),
            static_cast<std::uint8_t>(digest[1] >> 4)};
}

Fingerprint password_fingerprint(std::string_view codes) {
    return seed_fingerprint(DoublefromString(codes));
}

std::string_view fingerprint_word(std::uint8_t s) {
    return kWords.at(s);
}

std::string fingerprint_words(const Fingerprint& fingerprint) {
    std::string words;
    for (const std::uint8_t s : fingerprint) {
        if (!words.empty()) {
            words += ' ';
        }
        words += fingerprint_word(s);
    }
    return words;
}

}  // namespace tessaroll
