// SPDX-License-Identifier: GPL-3.0-or-later
// The code page of a system other than Windows, chosen from the user's locale as Windows chooses
// its ANSI code page from the system locale, with the table Wine's locale data gives
// (engine/code_page_locales.h, made by scripts/make_locale_code_pages.py).
#pragma once

#include <string>
#include <string_view>

namespace tessaroll {

// The Windows name of a locale given as Unix names it, language[_territory][.codeset][@modifier]:
// "ru_RU.UTF-8" gives "ru-RU", "sr_RS@latin" gives "sr-Latn-RS", "ca_ES@valencia" gives
// "ca-ES-valencia"; a modifier that names no script is left out. Empty for "C", "POSIX" and "".
std::string windows_locale_name(std::string_view unix_locale);

// The default ANSI code page of the locale of this Windows name (case does not matter): that of
// the name, or of the name shortened at its last "-" until one is known ("de-XX" gives that of
// "de"); 1252, that of English, when none is. It may be a code page other than the ten: 932 for
// Japanese, 936 and 950 for Chinese, 949 for Korean, 65001 (UTF-8) for the locales that Windows
// gives no ANSI code page of their own, such as Hindi or Georgian.
unsigned locale_ansi_code_page(std::string_view windows_name);

// The locale in force for characters: LC_ALL, else LC_CTYPE, else LANG, the first that is set
// and not empty; empty when none is.
std::string locale_in_force();

}  // namespace tessaroll
