#include "settings/box_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tessaroll {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// For a number text outside the range of a double: whether it is tiny rather than huge.
bool underflows(std::string_view s) {
    const auto e = s.find_first_of("eE");
    if (e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-') {
        return true;
    }
    const std::string_view whole = s.substr(0, std::min(e, s.find('.')));
    return whole.find_first_of("123456789") == std::string_view::npos;
}

[[noreturn]] void refuse(std::string_view text, std::string_view why) {
    throw BoxNumberError("\"" + std::string(text) + "\" " + std::string(why));
}

}  // namespace

std::int16_t box_number(std::string_view text) {
    std::string_view s = text;
    while (!s.empty() && is_blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && is_blank(s.back())) {
        s.remove_suffix(1);
    }
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
            refuse(text, "is not a number.");
        }
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec == std::errc::invalid_argument || end != s.data() + s.size() ||
        !std::isfinite(value)) {
        if (ec == std::errc::result_out_of_range) {
            refuse(text, "is outside -32768 to 32767.");
        }
        refuse(text, "is not a number.");
    }
    if (ec == std::errc::result_out_of_range) {
        // Beyond the range of a double: far too large, or so small that it rounds to 0.
        if (underflows(s)) {
            return 0;
        }
        refuse(text, "is outside -32768 to 32767.");
    }
    const double rounded = std::nearbyint(value);  // default rounding: halves to even
    if (rounded < -32768 || rounded > 32767) {
        refuse(text, "is outside -32768 to 32767.");
    }
    return static_cast<std::int16_t>(rounded);
}

}  // namespace tessaroll
