// SPDX-License-Identifier: GPL-3.0-or-later
// Unicode Normalization Form C (canonical composition), from the tables that
// scripts/make_nfc_tables.py writes (engine/unicode_nfc_tables.h), so that every build composes
// the same way whatever its system's own Unicode support.
#pragma once

#include <string>
#include <string_view>

namespace tessaroll {

// The version of the Unicode Character Database the tables come from, such as "14.0.0".
std::string_view nfc_unicode_version();

// The text in NFC: every character fully decomposed, the marks of each run put in canonical
// order, then every pair that is not blocked composed as NFC composes it (Hangul syllables by
// their formula). Code points that are not characters (surrogates, values past U+10FFFF) are kept
// as they are.
std::u32string to_nfc(std::u32string_view text);

// The canonical combining class of c: 0 for a starter, above 0 for a mark that combines with the
// character before it.
unsigned combining_class(char32_t c);

// Whether c starts a stretch that NFC treats apart from what precedes it: c is a starter (its
// canonical combining class is 0), NFC keeps it as it is, and NFC never joins it to the character
// before. NFC of a text is NFC of its stretches, each beginning where this is true, put together.
bool nfc_boundary_before(char32_t c);

}  // namespace tessaroll
