// SPDX-License-Identifier: GPL-3.0-or-later
// The pattern file "pattern.tq": the generation settings kept from one run to the next.
//
// Layout, every line ended by CR LF:
//   line 1       the count, then the length
//   line k + 1   flag k, for k = 1 .. length (none when the length is 0 or less)
// Each number is written as a sign place (blank, or "-" for a negative value), its digits and one
// blank, and the two numbers of line 1 follow each other directly: count 4 and length 10 give
// " 4  10 ", a digit flag " 0 ", a letter flag " 1 ".
//
// Reading is more lenient than writing, so that a file edited by hand still loads:
//   - Line 1: blanks before the count are skipped; the count and the length are separated by
//     blanks, a comma, or both. A number is a whole number with an optional sign ("-3", "+3",
//     "007"); the count is stored before the length is read, and both before any flag line.
//   - Text on line 1 where a number belongs that is not a whole number ("abc", "2.5", "4x") stops
//     the load there, as any other error does: guessing a value could put a wrong count or
//     length into the settings without the user noticing.
//   - Text after the length on line 1 is ignored: the flags begin on line 2 whatever line 1
//     holds after its two numbers, so nothing is gained by dropping them.
//   - Flag lines: blanks (0x20 only, not tabs) are trimmed at both ends; exactly "1" is a letter
//     (1), anything else a digit (0). A flag line within the length that is neither "0" nor "1"
//     is named in a note, since the program never writes one. Every line to the end of the file is
//     read, whatever the length says; lines beyond the length stay in the settings but are not
//     written back.
//   - Lines may end in CR LF, LF alone or CR alone; a last line without a line end counts. CR CR
//     LF, what CR LF becomes when a file's line ends are converted once more, is one line end
//     (a CR alone before a CR LF would otherwise make an empty line and shift the flags after
//     it), and is named in a note, since the program never writes one.
// The load stops at the first error and keeps what it stored before it: an empty file, a file
// that ends before both numbers, a number outside -32768 to 32767, a 131st flag line (flags 1 to
// 130 are then kept), or a failure to read the file.
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
    // For Complete: when a line ends in CR CR LF, a sentence naming the first of them; when a
    // flag line within the length is neither 0 nor 1 (text, an empty line), a sentence naming
    // the first of them, which was read as 0 as the rules say; else empty.
    std::string note;
    // For Incomplete: the file could not be opened or read (errno value), so writing it anew
    // mends nothing that keeping it would not; 0 when its content stopped the load.
    int error = 0;
    // For Incomplete: the file was not read at all, by the trust rule (engine/atomic_file.h): it
    // belongs to another user, or its folder is not to be trusted. problem says why and what to do.
    bool refused = false;
};

// Loads the file into settings. A folder of that name, anything else that is not an ordinary
// file, and on Windows a hidden or system file, count as absent and change nothing. A file the
// trust rule refuses is not read (Incomplete, refused). Never throws for a bad or unreadable
// file; Incomplete says why the load stopped.
PatternLoadResult load_pattern_file(const std::filesystem::path& file,
                                    GenerationSettings& settings);

// The same reading applied to the bytes of a pattern file already in memory; file is only used
// to name the file in the problem sentence.
PatternLoadResult read_pattern_bytes(std::string_view bytes, const std::filesystem::path& file,
                                     GenerationSettings& settings);

// The bytes save_pattern_file writes for the settings.
std::string pattern_file_bytes(const GenerationSettings& settings);

// Replaces the file whole with the settings, written as they are (nothing is clamped); a file
// replaced keeps its permission bits. Returns a
// note for the user (empty when there is none): a length above 130 is written on line 1, but
// only flags 1 to 130 exist, so only those are written. Throws FileError (path and the system's
// reason) when the file cannot be written; the previous file then stays as it was.
std::string save_pattern_file(const std::filesystem::path& file,
                              const GenerationSettings& settings);

// The copy a pattern file is kept as before a save replaces a file that did not load completely:
// "pattern.tq.bak" beside "pattern.tq".
std::filesystem::path backup_path_for(const std::filesystem::path& file);

// Copies the file's present bytes whole to backup_path_for(file), replacing an older copy, and
// returns the copy's path. The bytes go over in blocks; however large the file, it is never held
// whole. Throws FileError naming the file and the reason when it is not an
// ordinary file, cannot be read, or the copy cannot be written; the caller must then leave the
// file as it is, since nothing else keeps what it holds.
std::filesystem::path keep_backup_copy(const std::filesystem::path& file);

}  // namespace tessaroll
