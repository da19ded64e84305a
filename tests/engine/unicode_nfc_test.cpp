// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "engine/unicode_nfc.h"

namespace tessaroll {
namespace {

// The expected texts are Python's unicodedata.normalize("NFC", ...).
TEST(UnicodeNfc, ComposesAsNfcDoes) {
    struct Case {
        std::u32string text, nfc;
        const char* what;
    };
    const Case cases[] = {
        {U"abc \u00e9", U"abc \u00e9", "composed text is kept"},
        {U"e\u0301", U"\u00e9", "a letter and its mark"},
        {U"A\u030a\u0301", U"\u01fa", "a composite composes further"},
        {U"\u1e0b\u0323", U"\u1e0d\u0307", "decomposed, reordered, composed with the other mark"},
        {U"o\u0323\u031b", U"\u1ee3", "marks of lower class first, then both composed"},
        {U"q\u0307\u0323", U"q\u0323\u0307", "marks reordered where nothing composes"},
        {U"e\u0300\u0301", U"\u00e8\u0301", "a second mark of the same class is blocked"},
        {U"e\u0301\u0301", U"\u00e9\u0301", "the same mark twice"},
        {U"a\u0328\u0301", U"\u0105\u0301", "no composite for all three"},
        {U"\u0301e", U"\u0301e", "a leading mark composes with nothing"},
        {U"\u212b\u2126", U"\u00c5\u03a9", "singletons: Angstrom and Ohm signs"},
        {U"\u0958", U"\u0915\u093c", "a composition exclusion stays decomposed"},
        {U"\u0344", U"\u0308\u0301", "a decomposition into marks only"},
        {U"\u1100\u1161\u11a8", U"\uac01", "Hangul jamo L V T"},
        {U"\uac00\u11a8", U"\uac01", "a Hangul syllable LV and a T"},
        {U"\u0b47\u0b3e", U"\u0b4b", "two starters composed"},
        {U"\u05d0\u05b8\u05b4", U"\u05d0\u05b4\u05b8", "Hebrew points in canonical order"},
        {U"\U0001d15e", U"\U0001d157\U0001d165", "beyond the BMP, an exclusion"},
        {U"", U"", "the empty text"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(to_nfc(c.text), c.nfc) << c.what;
    }
    EXPECT_FALSE(nfc_unicode_version().empty());
}

TEST(UnicodeNfc, BoundariesAreWhereNfcStartsAfresh) {
    for (const char32_t c : {U'a', U'e', U' ', U'\u00e9', U'\u0416', U'\uac00', U'\u1100'}) {
        EXPECT_TRUE(nfc_boundary_before(c)) << static_cast<unsigned>(c);
    }
    // Marks, characters NFC joins to the one before (Hangul V and T, U+0B3E), and characters NFC
    // never keeps (Angstrom sign).
    for (const char32_t c :
         {U'\u0301', U'\u0323', U'\u05b8', U'\u1161', U'\u11a8', U'\u0b3e', U'\u212b', U'\u0958'}) {
        EXPECT_FALSE(nfc_boundary_before(c)) << static_cast<unsigned>(c);
    }
}

}  // namespace
}  // namespace tessaroll
