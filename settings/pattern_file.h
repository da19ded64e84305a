// The pattern file "pattern.tq": the generation settings kept from one run to the next.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "settings/generation_settings.h"

namespace tessaroll {

inline constexpr std::string_view kPatternFileName = "pattern.tq";

enum class PatternLoad {
    Absent,      // no ordinary file of that name: nothing changed
    Complete,    // read to its end
    Incomplete,  // stopped at an error; the values read before it are kept
};

struct PatternLoadResult {
    PatternLoad status = PatternLoad::Absent;
    std::string problem;  // for Incomplete: a sentence naming the file and the line
};

// Loads the file into settings. Never throws for a bad or unreadable file.
PatternLoadResult load_pattern_file(const std::filesystem::path& file,
                                    GenerationSettings& settings);

// Replaces the file whole with the settings. Returns a note for the user (empty when there is
// none), for instance that flags above 130 could not be written. Throws FileError (path and the
// system's reason) when the file cannot be written; the previous file then stays as it was.
std::string save_pattern_file(const std::filesystem::path& file,
                              const GenerationSettings& settings);

}  // namespace tessaroll
