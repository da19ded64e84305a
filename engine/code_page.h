// The personal password's 8-bit character codes.
#pragma once

#include <string>
#include <string_view>

namespace tessaroll {

// Converts UTF-8 text to Windows-1252 bytes. Every code point that the code page lacks counts as
// "?" (63), one "?" per code point; so does every byte that is not part of valid UTF-8.
std::string utf8_to_windows1252(std::string_view utf8);

// Windows-1252 bytes back to UTF-8 (the five unassigned bytes map to U+0081 and the like).
std::string windows1252_to_utf8(std::string_view codes);

// The code page the engine uses for the personal password on this platform.
std::string to_code_page(std::string_view utf8);

}  // namespace tessaroll
