// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a personal password typed in UTF-8, in any of the code pages (chosen by the first
// byte): the conversion gives one code per unit of the composed text, keeps ASCII, survives a
// round trip, and always makes a seed in [0, 1]. (A seed text that starts with seventeen nines or
// more, for instance nine characters of code 99, rounds to exactly 1, the upper end of the map's
// domain.)
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/chaotic_map.h"
#include "engine/code_page.h"
#include "engine/error.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessaroll;
    if (size == 0) {
        return 0;
    }
    const CodePage cp = kCodePages[data[0] % kCodePages.size()];
    const std::string_view utf8(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string codes = to_code_page(utf8, cp);
    // One code per UTF-16 unit of the composed text, which has at most 3 units for every 2 bytes:
    // NFC decomposes a few characters of 4 bytes beyond the BMP into three such characters.
    check(2 * codes.size() <= 3 * utf8.size());
    check(codes.size() == utf8_to_utf16(composed_text(utf8, cp)).size());
    check(to_code_page(from_code_page(codes, cp), cp) == codes);

    bool ascii = true;
    for (const char c : utf8) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    check(!ascii || codes == utf8);

    try {
        const double seed = DoublefromString(codes);
        check(std::isfinite(seed) && seed >= 0 && seed <= 1);
    } catch (const EngineError& e) {
        check(e.kind() == ErrorKind::PasswordTooLong);
    }
    return 0;
}
