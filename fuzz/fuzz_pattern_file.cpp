// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a pattern file: the load must end cleanly, keep flags to 0 and 1, say why it
// stopped, and whatever it read must come back unchanged through a save.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/pattern_file.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessaroll;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    GenerationSettings loaded;
    const PatternLoadResult r = read_pattern_bytes(bytes, "pattern.tq", loaded);
    check(r.status != PatternLoad::Absent);
    check((r.status == PatternLoad::Complete) == r.problem.empty());
    check(r.status == PatternLoad::Complete ||
          r.problem.find("\"pattern.tq\"") != std::string::npos);
    check(loaded.typ[0] == 0);
    for (const std::int16_t flag : loaded.typ) {
        check(flag == 0 || flag == 1);
    }

    // What was read, saved and read again.
    GenerationSettings again;
    const PatternLoadResult r2 = read_pattern_bytes(pattern_file_bytes(loaded), "again", again);
    check(r2.status == PatternLoad::Complete);
    check(again.pnumb == loaded.pnumb && again.lentgh == loaded.lentgh);
    for (std::size_t k = 1; k < loaded.typ.size(); ++k) {
        const bool written = static_cast<std::int32_t>(k) <= loaded.lentgh;
        check(again.typ[k] == (written ? loaded.typ[k] : 0));
    }
    return 0;
}
