// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "engine/code_page.h"
#include "engine/code_page_locale.h"

namespace tessaroll {
namespace {

TEST(CodePage, CharactersGetTheirOwnByteTheBestFitOrAQuestionMark) {
    struct Case {
        CodePage cp;
        const char* utf8;
        std::string bytes;
        const char* what;
    };
    const Case cases[] = {
        {CodePage::Western, "secret", "secret", "ASCII is unchanged"},
        {CodePage::Western, "P\xC3\xA4sw\xC3\xB6rd\xE2\x82\xAC", "P\xE4sw\xF6rd\x80",
         "Latin-1 letters and the euro"},
        {CodePage::Western, "\xE2\x80\x9C\xE2\x80\x94\xC5\xBE", "\x93\x97\x9E",
         "typographic quotes, dash, z caron"},
        {CodePage::Western, "\xC5\x82\xC4\x81\xCE\xA9", "laO",
         "best fits of l stroke, a macron, Omega"},
        {CodePage::Western, "\xD0\xB6\xE4\xB8\xAD", "??", "Cyrillic zhe and a CJK character"},
        {CodePage::Western, "\xF0\x9F\x98\x80", "??", "an emoji is two UTF-16 units"},
        {CodePage::Western, "\xC2\x81", "\x81", "U+0081 is the unassigned byte 81"},
        {CodePage::Western, "tab\there\x0B\x01", "tab\there\x0B\x01",
         "control characters are kept"},
        {CodePage::CentralEuropean, "\xC5\x82\xC3\xB3\x64\xC5\xBA", "\xB3\xF3\x64\x9F",
         "Polish in 1250"},
        {CodePage::Cyrillic, "\xD0\xB6\xD0\x81", "\xE6\xA8", "Cyrillic zhe and Io in 1251"},
        {CodePage::Greek, "\xCE\xA9", "\xD9", "Omega in 1253"},
        {CodePage::Turkish, "\xC4\x9F\xC4\xB1", "\xF0\xFD", "g breve and dotless i in 1254"},
        {CodePage::Hebrew, "\xD7\x90", "\xE0", "alef in 1255"},
        {CodePage::Arabic, "\xD8\xA8", "\xC8", "beh in 1256"},
        {CodePage::Baltic, "\xC4\x81", "\xE2", "a macron in 1257"},
        {CodePage::Vietnamese, "\xC4\x91\xE2\x82\xAB", "\xF0\xFE",
         "d stroke and dong sign in 1258"},
        {CodePage::Thai, "\xE0\xB8\x81", "\xA1", "ko kai in 874"},
        {CodePage::Thai, "\xC3\xA9", "?", "e acute, which 874 lacks, without a best fit"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(to_code_page(c.utf8, c.cp), c.bytes) << c.what;
    }
    EXPECT_EQ(to_code_page(std::string("a\0b", 3), CodePage::Western), std::string("a\0b", 3));
}

// As Windows' decoder reads them (self-test --code-pages compares these cases under Wine).
TEST(CodePage, InvalidUtf8BecomesU_FFFDAsWindowsReadsIt) {
    struct Case {
        std::string utf8;
        std::u16string units;
        const char* what;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb", "a byte that never occurs"},
        {"\x80\xBF", u"\uFFFD\uFFFD", "continuation bytes alone"},
        {"\xC0\xAF", u"\uFFFD\uFFFD", "C0 never starts a sequence"},
        {"\xC3", u"\uFFFD", "cut short at the end"},
        {"a\xF0\x9F"
         "b",
         u"a\uFFFD", "cut short at the end: the rest of the text goes with it"},
        {"\xE2\x82x", u"\uFFFDx", "a byte that does not continue the sequence"},
        {"\xC3\xC3\xA9", u"\uFFFD\u00E9", "a lead byte followed by a whole character"},
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD", "an overlong three-byte form"},
        {"\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD", "an overlong four-byte form"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD", "an encoded surrogate"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD", "past U+10FFFF"},
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF", "the last valid characters"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8_to_utf16(c.utf8), c.units) << c.what;
    }
    // U+FFFD has no byte in any of the code pages.
    EXPECT_EQ(to_code_page("\xE2\x82x\xFF", CodePage::Western), "?x?");
}

TEST(CodePage, EveryByteOfEveryCodePageSurvivesARoundTrip) {
    for (const CodePage cp : kCodePages) {
        std::string all(256, '\0');
        for (int b = 0; b < 256; ++b) {
            all[static_cast<std::size_t>(b)] = static_cast<char>(b);
        }
        const std::string utf8 = from_code_page(all, cp);
        EXPECT_EQ(to_code_page(utf8, cp), all) << static_cast<int>(cp);
        EXPECT_EQ(utf8.substr(0, 128), all.substr(0, 128)) << "ASCII in " << static_cast<int>(cp);
    }
    EXPECT_EQ(from_code_page("\x80\xB3\xF3", CodePage::Western), "\xE2\x82\xAC\xC2\xB3\xC3\xB3");
    EXPECT_EQ(from_code_page("\xB3\xF3", CodePage::CentralEuropean), "\xC5\x82\xC3\xB3");
}

// A decomposed accent counts as the composed letter where the code page lacks the mark; a text
// whose characters all have codes of their own is converted as typed, as Windows converts it.
TEST(CodePage, DecomposedAccentsAreComposedUnlessTheCodePageHoldsThemAsTyped) {
    struct Case {
        CodePage cp;
        const char* utf8;
        std::string bytes;
        const char* composed;
        const char* what;
    };
    const Case cases[] = {
        {CodePage::Western, "cafe\xCC\x81", "caf\xE9", "caf\xC3\xA9", "e and U+0301 in 1252"},
        {CodePage::Western, "Zu\xCC\x88rich", "Z\xFCrich", "Z\xC3\xBCrich", "u and U+0308"},
        {CodePage::CentralEuropean,
         "C\xCC\x8C"
         "e\xCC\x81s",
         "\xC8\xE9s", "\xC4\x8C\xC3\xA9s", "C caron and e acute in 1250"},
        {CodePage::Western, "\xE2\x84\xAB", "\xC5", "\xC3\x85", "the Angstrom sign is A ring"},
        {CodePage::Western, "A\xCC\x80", "\xC0", "\xC3\x80", "A and U+0300 in 1252"},
        {CodePage::Vietnamese, "A\xCC\x80", "A\xCC", "A\xCC\x80",
         "1258 holds U+0300: kept as typed"},
        {CodePage::Vietnamese, "A\xCC\x80\xC3\x80", "A\xCC\xC0", "A\xCC\x80\xC3\x80",
         "typed and composed A grave stay apart in 1258"},
        {CodePage::Hebrew, "\xD7\x90\xD6\xB8\xD6\xB4", "\xE0\xC8\xC4", "\xD7\x90\xD6\xB8\xD6\xB4",
         "Hebrew points in the order typed in 1255"},
        {CodePage::Western, "\xC5\x82o\xCC\x81", "l\xF3", "\xC5\x82\xC3\xB3",
         "each stretch on its own: l stroke, then o acute"},
        {CodePage::Western, "\xE2\x80\x8B\xCC\x81", "?\xB4", "\xE2\x80\x8B\xCC\x81",
         "a mark after a character it does not compose with: its best fit"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(to_code_page(c.utf8, c.cp), c.bytes) << c.what;
        EXPECT_EQ(composed_text(c.utf8, c.cp), c.composed) << c.what;
    }
}

// Any two characters of a code page side by side come back as their two bytes: no code page
// has a pair that the composition would join.
TEST(CodePage, EveryPairOfCharactersOfACodePageIsKeptAsTyped) {
    for (const CodePage cp : kCodePages) {
        int differences = 0;
        std::string pair(2, '\0');
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                pair[0] = static_cast<char>(a);
                pair[1] = static_cast<char>(b);
                differences += to_code_page(from_code_page(pair, cp), cp) != pair;
            }
        }
        EXPECT_EQ(differences, 0) << static_cast<int>(cp);
    }
}

TEST(CodePage, EachCharacterSaysHowItReachesTheSeed) {
    const auto kinds = [](const char* utf8, CodePage cp) {
        std::string text, bytes;
        for (const CharacterCode& c : character_codes(utf8, cp)) {
            text += c.kind == CodeKind::Own ? 'o' : c.kind == CodeKind::LookAlike ? 'l' : 'm';
            bytes += c.bytes;
        }
        EXPECT_EQ(bytes, to_code_page(utf8, cp)) << utf8;
        return text;
    };
    EXPECT_EQ(kinds("\xC5\x82\xC3\xB3"
                    "d\xC5\xBA",
                    CodePage::Western),
              "lool");
    EXPECT_EQ(kinds("\xC5\x82\xC3\xB3"
                    "d\xC5\xBA",
                    CodePage::CentralEuropean),
              "oooo");
    EXPECT_EQ(kinds("\xD0\xBF\xD0\xB0?", CodePage::Western), "mmo");
    EXPECT_EQ(kinds("\xD0\xBF\xD0\xB0?", CodePage::Cyrillic), "ooo");
    EXPECT_EQ(kinds("\xC4\xB1nfo", CodePage::Western), "looo");
    EXPECT_EQ(kinds("\xC4\xB1nfo", CodePage::Turkish), "oooo");
    EXPECT_EQ(kinds("e\xCC\x81\xF0\x9F\x98\x80", CodePage::Western), "om");
    EXPECT_EQ(character_codes("\xF0\x9F\x98\x80", CodePage::Western).at(0).bytes, "??");
    EXPECT_EQ(character_codes("\xFF", CodePage::Western).at(0).character, U'\uFFFD');
}

TEST(CodePage, NumbersNamesAndThisSystem) {
    for (const CodePage cp : kCodePages) {
        EXPECT_EQ(code_page_from_number(static_cast<long>(cp)), cp);
        EXPECT_NE(known_code_pages_text().find(code_page_text(cp)), std::string::npos);
    }
    for (const long other : {0L, 437L, 932L, 1249L, 1259L, 65001L, -1252L, 1252L + 65536L}) {
        EXPECT_EQ(code_page_from_number(other), std::nullopt) << other;
    }
    EXPECT_EQ(code_page_text(CodePage::CentralEuropean), "1250 (Central European)");
    EXPECT_EQ(known_code_pages_text().substr(0, 10), "874 (Thai)");
    EXPECT_NE(known_code_pages_text().find("1257 (Baltic) and 1258 (Vietnamese)"),
              std::string::npos);
    EXPECT_THROW(to_code_page("a", static_cast<CodePage>(437)), std::invalid_argument);
}

// The generated table against a hand-written dozen, each as Windows' ANSI code page for that
// system locale (GetACP under Wine: scripts/test-windows.sh).
TEST(CodePageLocale, EachLanguageHasTheCodePageWindowsGivesIt) {
    struct Case {
        const char* unix_locale;
        const char* windows_name;
        unsigned code_page;
    };
    const Case cases[] = {
        {"C", "", 1252},
        {"POSIX", "", 1252},
        {"C.UTF-8", "", 1252},
        {"en_US.UTF-8", "en-US", 1252},
        {"de_DE.ISO-8859-1@euro", "de-DE", 1252},
        {"ru_RU.UTF-8", "ru-RU", 1251},
        {"uk_UA", "uk-UA", 1251},
        {"ru_UA.UTF-8", "ru-UA", 1251},
        {"pl_PL.UTF-8", "pl-PL", 1250},
        {"cs_CZ", "cs-CZ", 1250},
        {"el_GR.UTF-8", "el-GR", 1253},
        {"tr_TR.UTF-8", "tr-TR", 1254},
        {"az_AZ.UTF-8", "az-AZ", 1254},
        {"he_IL.UTF-8", "he-IL", 1255},
        {"ar_EG.UTF-8", "ar-EG", 1256},
        {"fa_IR.UTF-8", "fa-IR", 1256},
        {"ur_PK.UTF-8", "ur-PK", 1256},
        {"lt_LT.UTF-8", "lt-LT", 1257},
        {"lv_LV.UTF-8", "lv-LV", 1257},
        {"vi_VN.UTF-8", "vi-VN", 1258},
        {"th_TH.UTF-8", "th-TH", 874},
        {"sr_RS@latin", "sr-Latn-RS", 1250},
        {"uz_UZ.UTF-8@cyrillic", "uz-Cyrl-UZ", 1251},
        {"ja_JP.UTF-8", "ja-JP", 932},
        {"zh_CN.UTF-8", "zh-CN", 936},
        {"zh_TW.UTF-8", "zh-TW", 950},
        {"ko_KR.UTF-8", "ko-KR", 949},
        {"hi_IN.UTF-8", "hi-IN", 65001},
        {"ca_ES.UTF-8@valencia", "ca-ES-valencia", 1252},
        {"fr", "fr", 1252},
        {"de_XX.UTF-8", "de-XX", 1252},
        {"xx_YY", "xx-YY", 1252},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windows_locale_name(c.unix_locale), c.windows_name) << c.unix_locale;
        EXPECT_EQ(locale_ansi_code_page(windows_locale_name(c.unix_locale)), c.code_page)
            << c.unix_locale;
    }
    EXPECT_EQ(locale_ansi_code_page("RU-ru"), 1251u) << "case does not matter";
}

#ifndef _WIN32
// Sets the locale variables for as long as it lives, and puts back what was there.
class LocaleVariables {
public:
    LocaleVariables(const char* lc_all, const char* lc_ctype, const char* lang) {
        const char* values[] = {lc_all, lc_ctype, lang};
        for (int i = 0; i < 3; ++i) {
            const char* before = std::getenv(kNames[i]);
            saved_[i] = before != nullptr ? std::optional<std::string>(before) : std::nullopt;
            set(kNames[i], values[i]);
        }
    }
    ~LocaleVariables() {
        for (int i = 0; i < 3; ++i) {
            set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
        }
    }
    LocaleVariables(const LocaleVariables&) = delete;
    LocaleVariables& operator=(const LocaleVariables&) = delete;

private:
    static void set(const char* name, const char* value) {
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::optional<std::string> saved_[3];
};

TEST(CodePageLocale, ThisSystemTakesTheLocaleInForce) {
    struct Case {
        const char *lc_all, *lc_ctype, *lang;
        CodePage code_page;
        bool note;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, CodePage::Western, false},
        {nullptr, nullptr, "ru_RU.UTF-8", CodePage::Cyrillic, false},
        {nullptr, "el_GR.UTF-8", "ru_RU.UTF-8", CodePage::Greek, false},
        {"tr_TR.UTF-8", "el_GR.UTF-8", "ru_RU.UTF-8", CodePage::Turkish, false},
        {"", "", "pl_PL.UTF-8", CodePage::CentralEuropean, false},
        {"C", nullptr, "ru_RU.UTF-8", CodePage::Western, false},
        {nullptr, nullptr, "ja_JP.UTF-8", CodePage::Western, true},
    };
    for (const Case& c : cases) {
        const LocaleVariables set(c.lc_all, c.lc_ctype, c.lang);
        const SystemCodePage system = system_code_page();
        EXPECT_EQ(system.code_page, c.code_page) << (c.lang ? c.lang : "");
        EXPECT_EQ(!system.note.empty(), c.note) << system.note;
    }
    const LocaleVariables set(nullptr, nullptr, "ja_JP.UTF-8");
    EXPECT_EQ(system_code_page().note,
              "The locale ja_JP.UTF-8 has the Windows code page 932, which is not one of the "
              "single-byte code pages " +
                  known_code_pages_text() +
                  ", so code page 1252 (Western) is used; give --code-page N to use another of "
                  "them.");
    EXPECT_EQ(system_code_page().locale, "ja_JP.UTF-8");
}
#endif

// The tables against the code page files they were generated from, unit by unit, when the files
// are on this machine (package libwine): a stale table or a wrong lookup shows here.
TEST(CodePage, TablesAgreeWithTheCodePageFiles) {
    int compared = 0;
    for (const CodePage cp : kCodePages) {
        const std::string path =
            "/usr/share/wine/nls/c_" + std::to_string(static_cast<int>(cp)) + ".nls";
        std::ifstream in(path, std::ios::binary);
        const std::string data{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        if (data.size() < 26 + 65536) {
            continue;
        }
        const auto word = [&](std::size_t at) {
            return static_cast<unsigned>(static_cast<unsigned char>(data[at]) |
                                         static_cast<unsigned char>(data[at + 1]) << 8);
        };
        const std::size_t place = 2 * word(0);
        const std::size_t to_bytes = place + 2 * word(place) + 2;
        ASSERT_EQ(data.size() - to_bytes, 65536u) << path;
        int differences = 0;
        for (unsigned u = 0; u <= 0xFFFF; ++u) {
            differences += code_page_byte(static_cast<char16_t>(u), cp) != data[to_bytes + u];
        }
        for (unsigned b = 0; b < 256; ++b) {
            const std::u16string unit(1, static_cast<char16_t>(word(place + 2 + 2 * b)));
            differences +=
                utf8_to_utf16(from_code_page(std::string(1, static_cast<char>(b)), cp)) != unit;
        }
        EXPECT_EQ(differences, 0) << path;
        ++compared;
    }
    if (compared == 0) {
        GTEST_SKIP() << "no code page files in /usr/share/wine/nls (package libwine)";
    }
    EXPECT_EQ(compared, 10);
}

}  // namespace
}  // namespace tessaroll
