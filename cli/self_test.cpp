#include "cli/self_test.h"

#include <optional>
#include <string>
#include <vector>

#include "engine/code_page.h"
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

// The reference lists hold the Windows-1252 codes of each personal password. Given as the
// Windows-1252 characters those codes stand for (a character that code page lacks is then "?"
// already), the password keeps its codes on every system whose code page is Windows-1252, however
// that system treats characters it lacks. Elsewhere a vector applies only when the system's code
// page gives the same codes; nullopt when it does not.
std::optional<std::string> personal_for_this_system(const char* personal) {
    const std::string codes = utf8_to_windows1252(personal);
    std::string text = windows1252_to_utf8(codes);
    if (to_code_page(text) != codes) {
        return std::nullopt;
    }
    return text;
}

// The outcome of one vector on this build: the list, or the kind of error.
bool agrees(const Vector& v, const std::string& personal) {
    GenerationSettings settings;
    settings.pnumb = static_cast<std::int16_t>(v.count);
    settings.lentgh = static_cast<std::int16_t>(v.length);
    if (!set_pattern_letters(settings, v.pattern)) {
        return false;
    }
    int messages = 0;
    try {
        const auto list = compute_passwords(
            personal, static_cast<std::int16_t>(v.day), static_cast<std::int16_t>(v.month),
            static_cast<std::int16_t>(v.year), settings, [&](std::string_view) { ++messages; });
        return !v.error && messages == 0 && list == v.passwords;
    } catch (const EngineError& e) {
        return v.error && e.kind() == *v.error;
    }
}

}  // namespace

bool run_self_test(std::ostream& out, std::ostream& err) {
    std::size_t agreed = 0;
    std::size_t left_out = 0;
    for (const Vector& v : vectors()) {
        const auto personal = personal_for_this_system(v.personal);
        if (!personal) {
            ++left_out;
        } else if (agrees(v, *personal)) {
            ++agreed;
        } else {
            err << "differs: date " << v.month << '/' << v.day << '/' << v.year << ", count "
                << v.count << ", length " << v.length << '\n';
        }
    }
    const std::size_t total = vectors().size() - left_out;
    out << agreed << " of " << total << " vectors agree with the reference lists.\n";
    if (left_out > 0) {
        out << left_out << " more were left out: this system's code page gives their personal"
            << " passwords other codes than Windows-1252.\n";
    }
    if (agreed != total) {
        out << "This build computes different lists; do not rely on it.\n";
    }
    return agreed == total;
}

}  // namespace tessaroll::cli
