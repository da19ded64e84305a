// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/printable_text.h"

#include <gtest/gtest.h>

namespace tessaroll {
namespace {

TEST(PrintableText, ControlCharactersAreWrittenOutAndTheRestKept) {
    const std::pair<std::string, std::string> cases[] = {
        {"pattern.tq", "pattern.tq"},
        {"\x1b[2J", "\\x1b[2J"},  // ESC: would clear the terminal
        {std::string("a\0b", 3), "a\\x00b"},
        {"tab\there\r\n", "tab\\there\\r\\n"},
        {"\x7f", "\\x7f"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"\xC2\x9B"
         "31m",
         "\\u009b31m"},  // C1 CSI in UTF-8
        {"\x9B"
         "31m",
         "\\x9b31m"},                // the same as a lone 8-bit byte
        {"caf\xE9", "caf\\xe9"},     // a code-page letter, not UTF-8
        {"\xE2\x82", "\\xe2\\x82"},  // a sequence cut short
        {"\xC0\xAF", "\\xc0\\xaf"},  // an overlong "/"
        {"back\\slash", "back\\slash"},
        // Characters that show as nothing or turn the text around them.
        {"\xEF\xBB\xBF"
         "4",
         "\\ufeff4"},  // a byte order mark before a number
        {"1\xE2\x80\x8B"
         "0",
         "1\\u200b0"},                              // zero width space
        {"\xE2\x80\xAEtxt.exe", "\\u202etxt.exe"},  // right-to-left override
        {"a\xC2\xAD"
         "b",
         "a\\u00adb"},                     // soft hyphen
        {"\xF3\xA0\x80\x81", "\\ue0001"},  // language tag
        {"\xE2\x80\x90", "\xE2\x80\x90"},  // a hyphen, visible: kept
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(printable_text(text), shown);
        EXPECT_EQ(printable_text(shown), shown) << "escaping twice changes nothing";
    }
}

}  // namespace
}  // namespace tessaroll
