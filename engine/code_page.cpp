#include "engine/code_page.h"

#include <array>
#include <climits>
#include <cstdint>
#include <stdexcept>
#include <system_error>

#include "engine/windows_api.h"

namespace tessaroll {

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 marks the five bytes Windows-1252 leaves unassigned.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       //
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  //
};

constexpr char kMissing = '?';

char encode(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(cp);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return kMissing;
}

// Decodes one code point at s[i]; returns its length in bytes, or 0 for an invalid sequence.
std::size_t decode(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string utf8_to_windows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = decode(utf8, i, cp);
        if (len == 0) {
            out += kMissing;
            ++i;
            continue;
        }
        out += encode(cp);
        i += len;
    }
    return out;
}

std::string windows1252_to_utf8(std::string_view codes) {
    std::string out;
    out.reserve(codes.size());
    for (const char c : codes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] != 0) {
            append_utf8(out, kHighControls[b - 0x80]);
        } else {
            append_utf8(out, b);
        }
    }
    return out;
}

#ifdef _WIN32

// Windows: the system's ANSI code page, converted by the system itself. A character that the code
// page lacks gets the system's best-fit byte where it has one ("\u0142" becomes "l" in code page
// 1252) and the code page's default character ("?") otherwise, so the seed is the one every
// other Windows program on this machine would see. Invalid UTF-8 reaches the code page as U+FFFD.
std::string to_code_page(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    if (utf8.size() > static_cast<std::size_t>(INT_MAX)) {
        throw std::length_error("text too long for the code page conversion");
    }
    const int in_size = static_cast<int>(utf8.size());
    const int wide_size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, nullptr, 0);
    if (wide_size <= 0) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "UTF-8 to UTF-16");
    }
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, wide.data(), wide_size);
    const int out_size =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
    if (out_size <= 0) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "UTF-16 to the ANSI code page");
    }
    std::string out(static_cast<std::size_t>(out_size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, out.data(), out_size, nullptr, nullptr);
    return out;
}

#else

// Elsewhere the code page is Windows-1252, the one the program's users on Windows mostly have.
std::string to_code_page(std::string_view utf8) {
    return utf8_to_windows1252(utf8);
}

#endif

}  // namespace tessaroll
