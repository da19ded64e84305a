// SPDX-License-Identifier: GPL-3.0-or-later
// The settings record and its file, pattern.tq, as both programs keep them.
//
// - Only accepted values enter the record: a count or a length from 1 to 130, a flag 0 or 1. A
//   refused value changes neither the record nor the file, and the refusal is a sentence for the
//   user.
// - Each accepted change is saved at once, atomically; nothing waits for the end of the program.
//   A change that leaves the record as it is writes nothing.
// - A count or a length the user never set is saved as the value a list uses for it (4 and 10),
//   so that a saved file never holds a 0 that would refuse every later list.
// - The file is the truth. Before each change the store checks that the file still holds what it
//   last loaded or saved; when another program changed it, the store loads it again first and
//   applies the change to what the file now holds, so two programs never undo each other's
//   changes.
// - A file that did not load completely (or that held flag lines the programs never write) is
//   kept as "pattern.tq.bak" before the first save replaces it. When that copy cannot be made,
//   the file is not replaced.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/generation_settings.h"
#include "settings/pattern_file.h"

namespace tessaroll {

struct SettingsLoad {
    PatternLoad status = PatternLoad::Absent;
    // For the user, empty when there is nothing to say: the loader's problem or note, and what
    // becomes of the file (kept as .bak before the first save, or left as it is because the
    // settings are saved elsewhere). Empty for a file the trust rule refuses, which the start of
    // either program has already named (check_files_folder); refusal holds it then.
    std::string sentence;
    // Not empty: the file was not read, by the trust rule (engine/atomic_file.h); the sentence
    // says why and what to do. status is then Incomplete, and the record empty.
    std::string refusal;
    // For Incomplete: the file could not be opened or read, so "pattern set --force" would not
    // help; false when its content stopped the load.
    bool unreadable = false;
};

struct SettingsChange {
    bool accepted = false;  // the value entered the record
    bool saved = false;     // and the file now holds the record
    // The file had been changed by another program and was loaded again before the change.
    bool reloaded = false;
    // For the user, empty when all went as asked: why the value was refused, or why the file could
    // not be written (the record keeps the value for the rest of the run).
    std::string sentence;
    // The copy a damaged file was kept as before this save replaced it (the load's sentence
    // announced it); empty when none was made.
    std::filesystem::path kept_copy;
};

class SettingsStore {
public:
    // save_to: the pattern file every save writes. load_from: the one read at start (save_to, or
    // for an installed copy whose folder holds none yet, the one beside the program).
    SettingsStore(std::filesystem::path save_to, std::filesystem::path load_from);
    explicit SettingsStore(const std::filesystem::path& file) : SettingsStore(file, file) {}

    // Reads the file into the record (every field 0 before). Never throws.
    SettingsLoad load();

    const GenerationSettings& settings() const { return settings_; }
    // The record with a count or length never set replaced by the default, as the file takes it.
    GenerationSettings settings_in_use() const;
    // Whether the count and the length were set: by a file that loaded completely, or by a change.
    // A value never set is shown as an empty box and saved as the default.
    bool count_set() const { return count_set_; }
    bool length_set() const { return length_set_; }

    const std::filesystem::path& file() const { return save_to_; }
    PatternLoad load_status() const { return load_status_; }

    // The changes, each validated, then saved at once (see above).
    SettingsChange set_count(std::int16_t count);
    SettingsChange set_length(std::int16_t length);
    // position 1 .. 130; letter true for a lower-case letter, false for a digit.
    SettingsChange set_flag(int position, bool letter);
    // 'd' digit or 'l' letter for positions 1 .., the rest digits; at most 130, never empty.
    SettingsChange set_pattern(std::string_view letters);
    // Several at once, validated together, saved once: the command line's pattern set.
    SettingsChange set(std::optional<std::int16_t> count, std::optional<std::int16_t> length,
                       std::optional<std::string_view> letters);

    // Loads the file again when another program changed it since this store last loaded or saved
    // it; returns true when the record changed by it. A file that is gone or no longer loads
    // completely leaves the record as it is (returns false).
    bool reload_if_changed();

    // The last flush, at the end of the program: writes the record if a change of this run has not
    // reached the file yet (a failed save). Returns a sentence for the user, empty when all is
    // well.
    std::string save_pending();

private:
    // save_pending, with the copy kept before the save, if any, put into kept.
    std::string write_pending(std::filesystem::path& kept);
    SettingsChange apply(const GenerationSettings& changed, bool newly_set);
    std::optional<std::string> current_bytes() const;

    std::filesystem::path save_to_;
    std::filesystem::path load_from_;
    GenerationSettings settings_{};
    PatternLoad load_status_ = PatternLoad::Absent;
    // What the file held when this store last loaded or saved it (nullopt: no file).
    std::optional<std::string> known_bytes_;
    bool count_set_ = false;
    bool length_set_ = false;
    bool needs_copy_ = false;  // keep the file as .bak before replacing it
    bool pending_ = false;     // a change not yet in the file (its save failed)
};

// The rules and the refusals, shared by the window and the command line: "The number of passwords
// is a whole number from 1 to 130.", "The number of passwords is 0; a list has 1 to 130
// passwords." and the same for the length.
std::string count_rule();
std::string length_rule();
std::string count_refusal(std::int16_t count);
std::string length_refusal(std::int16_t length);
// Why letters cannot be a pattern (empty, another letter than d and l, over 130); empty when
// they can.
std::string pattern_refusal(std::string_view letters);
// Why no list can be made of these settings (a count or a length outside 1 to 130); empty when
// one can.
std::string list_settings_refusal(const GenerationSettings& settings);

}  // namespace tessaroll
