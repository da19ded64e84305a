#include <gtest/gtest.h>

#include <string>

#include "engine/code_page.h"

namespace tessaroll {
namespace {

TEST(CodePage, Utf8ToWindows1252) {
    struct Case {
        const char* utf8;
        std::string codes;
        const char* what;
    };
    const Case cases[] = {
        {"secret", "secret", "ASCII is unchanged"},
        {"P\xC3\xA4sw\xC3\xB6rd\xE2\x82\xAC", "P\xE4sw\xF6rd\x80", "Latin-1 letters and the euro"},
        {"\xE2\x80\x9C\xE2\x80\x94\xC5\xBE", "\x93\x97\x9E", "typographic quotes, dash, z caron"},
        {"\xE4\xB8\xAD", "?", "a CJK character is missing"},
        {"\xF0\x9F\x98\x80", "?", "one question mark for a code point beyond the BMP"},
        {"\xC2\x81", "?", "U+0081 has no byte of its own"},
        {"a\xFF"
         "b",
         "a?b", "an invalid byte"},
        {"\xC3", "?", "a truncated sequence"},
        {"\xC0\xAF", "??", "an overlong form"},
        {"\xED\xA0\x80", "???", "an encoded surrogate"},
        {"tab\there", "tab\there", "control characters are kept"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8_to_windows1252(c.utf8), c.codes) << c.what;
    }
    EXPECT_EQ(utf8_to_windows1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodePage, EveryAssignedByteSurvivesARoundTrip) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
            continue;
        }
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8_to_windows1252(windows1252_to_utf8(one)), one) << b;
    }
}

}  // namespace
}  // namespace tessaroll
