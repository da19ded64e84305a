// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/unicode_nfc.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>

#include "engine/unicode_nfc_tables.h"

namespace tessaroll {

namespace {

namespace tables = nfc_tables;

// Hangul syllables: S = S_BASE + (L index * V count + V index) * T count + T index.
constexpr char32_t kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr char32_t kLCount = 19, kVCount = 21, kTCount = 28;
constexpr char32_t kNCount = kVCount * kTCount;
constexpr char32_t kSCount = kLCount * kNCount;

bool is_hangul_syllable(char32_t c) {
    return c >= kSBase && c < kSBase + kSCount;
}

void decompose_into(std::u32string& out, char32_t c) {
    if (is_hangul_syllable(c)) {
        const char32_t s = c - kSBase;
        out += kLBase + s / kNCount;
        out += kVBase + (s % kNCount) / kTCount;
        if (s % kTCount != 0) {
            out += kTBase + s % kTCount;
        }
        return;
    }
    const auto& entries = tables::kDecompositions;
    const auto* it = std::lower_bound(
        std::begin(entries), std::end(entries), c,
        [](const tables::Decomposition& d, char32_t value) { return d.character < value; });
    if (it == std::end(entries) || it->character != c) {
        out += c;
        return;
    }
    out.append(tables::kDecomposed + it->start, it->length);
}

std::optional<char32_t> compose_pair(char32_t first, char32_t second) {
    if (first >= kLBase && first < kLBase + kLCount && second >= kVBase &&
        second < kVBase + kVCount) {
        return kSBase + ((first - kLBase) * kVCount + (second - kVBase)) * kTCount;
    }
    if (is_hangul_syllable(first) && (first - kSBase) % kTCount == 0 && second > kTBase &&
        second < kTBase + kTCount) {
        return first + (second - kTBase);
    }
    const auto& pairs = tables::kCompositions;
    const auto* it =
        std::lower_bound(std::begin(pairs), std::end(pairs), first,
                         [second](const tables::Composition& p, char32_t value) {
                             return p.first < value || (p.first == value && p.second < second);
                         });
    if (it == std::end(pairs) || it->first != first || it->second != second) {
        return std::nullopt;
    }
    return it->composite;
}

}  // namespace

unsigned combining_class(char32_t c) {
    const auto& classes = tables::kClasses;
    const auto* it = std::upper_bound(
        std::begin(classes), std::end(classes), c,
        [](char32_t value, const tables::ClassRange& r) { return value < r.first; });
    if (it == std::begin(classes)) {
        return 0;
    }
    --it;
    return c <= it->last ? it->cls : 0;
}

std::string_view nfc_unicode_version() {
    return tables::kUnicodeVersion;
}

std::u32string to_nfc(std::u32string_view text) {
    std::u32string chars;
    chars.reserve(text.size());
    for (const char32_t c : text) {
        decompose_into(chars, c);
    }
    // Canonical order: each run of marks sorted by class, marks of one class kept in their order.
    for (auto it = chars.begin(); it != chars.end();) {
        if (combining_class(*it) == 0) {
            ++it;
            continue;
        }
        const auto run_end =
            std::find_if(it, chars.end(), [](char32_t c) { return combining_class(c) == 0; });
        std::stable_sort(it, run_end, [](char32_t a, char32_t b) {
            return combining_class(a) < combining_class(b);
        });
        it = run_end;
    }
    std::u32string out;
    out.reserve(chars.size());
    std::optional<std::size_t> starter;  // the place in out of the last starter
    unsigned last_class = 0;             // the class of the last character in out
    for (const char32_t c : chars) {
        const unsigned cls = combining_class(c);
        // Not blocked: nothing between the starter and c, or only marks of a lower class.
        if (starter && (last_class < cls || last_class == 0)) {
            if (const auto composite = compose_pair(out[*starter], c)) {
                out[*starter] = *composite;
                continue;
            }
        }
        if (cls == 0) {
            starter = out.size();
        }
        last_class = cls;
        out += c;
    }
    return out;
}

bool nfc_boundary_before(char32_t c) {
    if (combining_class(c) != 0) {
        return false;
    }
    const auto& ranges = tables::kNoBoundaryBefore;
    const auto* it =
        std::upper_bound(std::begin(ranges), std::end(ranges), c,
                         [](char32_t value, const tables::Range& r) { return value < r.first; });
    return it == std::begin(ranges) || c > std::prev(it)->last;
}

}  // namespace tessaroll
