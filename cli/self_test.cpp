#include "cli/self_test.h"

#include <optional>
#include <string>
#include <vector>

#include "engine/error.h"
#include "settings/generation_settings.h"

namespace tessaroll::cli {

namespace {

struct Vector {
    const char* personal;
    int day, month, year, count, length;
    const char* pattern;
    std::vector<std::string> passwords;
    std::optional<ErrorKind> error;
};

const std::vector<Vector>& vectors() {
    static const std::vector<Vector> all = {
#include "cli/self_test_vectors.inc"
    };
    return all;
}

// The outcome of one vector on this build: the list, or the kind of error.
bool agrees(const Vector& v) {
    GenerationSettings settings;
    settings.pnumb = static_cast<std::int16_t>(v.count);
    settings.lentgh = static_cast<std::int16_t>(v.length);
    if (!set_pattern_letters(settings, v.pattern)) {
        return false;
    }
    int messages = 0;
    try {
        const auto list =
            compute_passwords(v.personal, static_cast<std::int16_t>(v.day),
                              static_cast<std::int16_t>(v.month),
                              static_cast<std::int16_t>(v.year), settings,
                              [&](std::string_view) { ++messages; });
        return !v.error && messages == 0 && list == v.passwords;
    } catch (const EngineError& e) {
        return v.error && e.kind() == *v.error;
    }
}

}  // namespace

bool run_self_test(std::ostream& out, std::ostream& err) {
    std::size_t agreed = 0;
    for (const Vector& v : vectors()) {
        if (agrees(v)) {
            ++agreed;
        } else {
            err << "differs: date " << v.month << '/' << v.day << '/' << v.year << ", count "
                << v.count << ", length " << v.length << '\n';
        }
    }
    const std::size_t total = vectors().size();
    out << agreed << " of " << total << " vectors agree with the reference lists.\n";
    if (agreed != total) {
        out << "This build computes different lists; do not rely on it.\n";
    }
    return agreed == total;
}

}  // namespace tessaroll::cli
