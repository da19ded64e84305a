// SPDX-License-Identifier: GPL-3.0-or-later
// Any text as a box number: either a value that is the text's number rounded half to even, or a
// BoxNumberError; blanks around the text change nothing.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/box_number.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool read(const std::string& text, std::int16_t& value) {
    try {
        value = tessaroll::box_number(text);
        return true;
    } catch (const tessaroll::BoxNumberError& e) {
        check(std::string(e.what()).find('"') == 0);
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::int16_t value = 0;
    const bool accepted = read(text, value);

    std::int16_t padded = 0;
    check(read("  " + text + " ", padded) == accepted);
    if (!accepted) {
        return 0;
    }
    check(padded == value);

    // The C library's reading of the same decimal text, rounded by hand.
    const double exact = std::strtod(text.c_str(), nullptr);
    const double distance = std::fabs(exact - value);
    check(distance <= 0.5);
    if (distance == 0.5) {
        check(value % 2 == 0);
    }
    return 0;
}
