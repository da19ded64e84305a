// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/settings_store.h"

#include <array>
#include <cstdio>
#include <utility>

#include "engine/atomic_file.h"
#include "session/limits.h"

namespace tessaroll {

namespace fs = std::filesystem;

namespace {

// A pattern file is a few hundred bytes; one larger than this is compared by its first bytes and
// its size only, and never held whole.
constexpr std::size_t kComparedBytes = 64 * 1024;

std::string shown_path(const fs::path& file) {
    return "\"" + file.string() + "\"";
}

}  // namespace

std::string count_rule() {
    return "The number of passwords is a whole number from " + std::to_string(kMinCount) + " to " +
           std::to_string(kMaxCount) + ".";
}

std::string length_rule() {
    return "The length is a whole number from " + std::to_string(kMinLength) + " to " +
           std::to_string(kMaxLength) + ".";
}

std::string count_refusal(std::int16_t count) {
    return "The number of passwords is " + std::to_string(count) + "; a list has " +
           std::to_string(kMinCount) + " to " + std::to_string(kMaxCount) + " passwords.";
}

std::string length_refusal(std::int16_t length) {
    return "The length of the passwords is " + std::to_string(length) + "; a password has " +
           std::to_string(kMinLength) + " to " + std::to_string(kMaxLength) + " characters.";
}

std::string pattern_refusal(std::string_view letters) {
    GenerationSettings probe;
    if (!letters.empty() && set_pattern_letters(probe, letters)) {
        return {};
    }
    return "The pattern \"" + std::string(letters) + "\" cannot be used: it gives d (digit) or " +
           "l (letter) for each of 1 to " + std::to_string(kMaxLength) + " positions.";
}

std::string list_settings_refusal(const GenerationSettings& settings) {
    if (settings.pnumb < kMinCount || settings.pnumb > kMaxCount) {
        return count_refusal(settings.pnumb);
    }
    if (settings.lentgh < kMinLength || settings.lentgh > kMaxLength) {
        return length_refusal(settings.lentgh);
    }
    return {};
}

SettingsStore::SettingsStore(fs::path save_to, fs::path load_from)
    : save_to_(std::move(save_to)), load_from_(std::move(load_from)) {}

std::optional<std::string> SettingsStore::current_bytes() const {
    const OrdinaryFile f = open_ordinary_file(save_to_);
    if (f.status != OrdinaryFile::Status::Opened) {
        // Nothing a save could compare with; a file that cannot be read is told apart from none.
        return f.status == OrdinaryFile::Status::Absent
                   ? std::nullopt
                   : std::optional<std::string>("\x01unreadable " + std::to_string(f.error));
    }
    std::string bytes;
    std::array<char, 4096> buffer{};
    std::size_t total = 0;
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f.file.get());
        total += n;
        if (bytes.size() < kComparedBytes) {
            bytes.append(buffer.data(), std::min(n, kComparedBytes - bytes.size()));
        }
        if (n < buffer.size()) {
            break;
        }
    }
    if (std::ferror(f.file.get()) != 0) {
        bytes += "\x01read error";
    }
    if (total > kComparedBytes) {
        bytes += "\x01size " + std::to_string(total);
    }
    return bytes;
}

SettingsLoad SettingsStore::load() {
    settings_ = GenerationSettings{};
    const PatternLoadResult r = load_pattern_file(load_from_, settings_);
    load_status_ = r.status;
    count_set_ = length_set_ = r.status == PatternLoad::Complete;
    known_bytes_ = current_bytes();
    pending_ = false;
    SettingsLoad result;
    result.status = r.status;
    needs_copy_ = false;
    if (r.refused) {
        result.refusal = r.problem;  // nothing read, and nothing to keep: no save may replace it
        return result;
    }
    result.unreadable = r.error != 0;
    const bool odd = r.status == PatternLoad::Incomplete ||
                     (r.status == PatternLoad::Complete && !r.note.empty());
    if (!odd) {
        return result;  // a missing file, or one as the programs write it, needs no word
    }
    result.sentence = r.status == PatternLoad::Complete ? r.note : r.problem;
    // Settings kept beside an installed program are read from there but saved in the user's
    // folder, so that file is never replaced and needs no copy.
    needs_copy_ = load_from_ == save_to_;
    if (needs_copy_ && result.unreadable) {
        // A file that cannot be read cannot be copied either: no save replaces it.
        result.sentence +=
            " It is left as it is, and the settings cannot be saved until it can "
            "be read or is removed.";
    } else if (needs_copy_) {
        result.sentence += " Before the settings are first saved, this file is kept as " +
                           shown_path(backup_path_for(save_to_)) + ".";
    } else {
        result.sentence +=
            " The settings are saved in " + shown_path(save_to_) + "; this file is left as it is.";
    }
    return result;
}

GenerationSettings SettingsStore::settings_in_use() const {
    GenerationSettings s = settings_;
    if (!count_set_) {
        s.pnumb = kDefaultCount;
    }
    if (!length_set_) {
        s.lentgh = kDefaultLength;
    }
    return s;
}

bool SettingsStore::reload_if_changed() {
    std::optional<std::string> now = current_bytes();
    if (now == known_bytes_) {
        return false;
    }
    known_bytes_ = now;
    if (!now) {
        return false;  // removed: the next save writes the record again
    }
    GenerationSettings fresh{};
    const PatternLoadResult r = load_pattern_file(save_to_, fresh);
    load_from_ = save_to_;
    if (r.status != PatternLoad::Complete || !r.note.empty()) {
        // Not as the programs write it: its values are not taken, and it is kept as .bak before
        // a save replaces it.
        needs_copy_ = true;
        return false;
    }
    needs_copy_ = false;
    pending_ = false;
    load_status_ = r.status;
    const bool changed = fresh != settings_ || !count_set_ || !length_set_;
    settings_ = fresh;
    count_set_ = length_set_ = true;
    return changed;
}

SettingsChange SettingsStore::set_count(std::int16_t count) {
    return set(count, std::nullopt, std::nullopt);
}

SettingsChange SettingsStore::set_length(std::int16_t length) {
    return set(std::nullopt, length, std::nullopt);
}

SettingsChange SettingsStore::set_pattern(std::string_view letters) {
    return set(std::nullopt, std::nullopt, letters);
}

SettingsChange SettingsStore::set_flag(int position, bool letter) {
    SettingsChange refused;
    if (position < 1 || position > kMaxLength) {
        refused.sentence = "Position " + std::to_string(position) + " does not exist; a pattern " +
                           "has positions 1 to " + std::to_string(kMaxLength) + ".";
        return refused;
    }
    const bool reloaded = reload_if_changed();
    GenerationSettings next = settings_;
    next.typ.at(static_cast<std::size_t>(position)) = letter ? 1 : 0;
    SettingsChange change = apply(next, false);
    change.reloaded = reloaded;
    return change;
}

SettingsChange SettingsStore::set(std::optional<std::int16_t> count,
                                  std::optional<std::int16_t> length,
                                  std::optional<std::string_view> letters) {
    SettingsChange refused;
    if (count && (*count < kMinCount || *count > kMaxCount)) {
        refused.sentence = count_refusal(*count);
        return refused;
    }
    if (length && (*length < kMinLength || *length > kMaxLength)) {
        refused.sentence = length_refusal(*length);
        return refused;
    }
    if (letters) {
        refused.sentence = pattern_refusal(*letters);
        if (!refused.sentence.empty()) {
            return refused;
        }
    }
    const bool reloaded = reload_if_changed();
    GenerationSettings next = settings_;
    if (count) {
        next.pnumb = *count;
    }
    if (length) {
        next.lentgh = *length;
    }
    if (letters) {
        set_pattern_letters(next, *letters);
    }
    const bool was_set = (!count || count_set_) && (!length || length_set_);
    count_set_ = count_set_ || count.has_value();
    length_set_ = length_set_ || length.has_value();
    SettingsChange change = apply(next, !was_set);
    change.reloaded = reloaded;
    return change;
}

SettingsChange SettingsStore::apply(const GenerationSettings& changed, bool newly_set) {
    SettingsChange change;
    change.accepted = true;
    if (changed == settings_ && !newly_set && !pending_ && known_bytes_) {
        change.saved = true;  // the file holds it already
        return change;
    }
    settings_ = changed;
    pending_ = true;
    change.sentence = write_pending(change.kept_copy);
    change.saved = !pending_;
    return change;
}

std::string SettingsStore::save_pending() {
    fs::path kept;
    return write_pending(kept);
}

std::string SettingsStore::write_pending(fs::path& kept) {
    if (!pending_) {
        return {};
    }
    try {
        std::error_code ec;
        if (needs_copy_ && fs::exists(fs::symlink_status(save_to_, ec))) {
            // What the file held goes nowhere else; without its copy the file stays as it is.
            kept = keep_backup_copy(save_to_);
        }
        const GenerationSettings in_use = settings_in_use();
        save_pattern_file(save_to_, in_use);
        known_bytes_ = pattern_file_bytes(in_use);
    } catch (const FileRefusal& e) {
        return std::string(e.what()) + " The settings were not saved.";  // it says the rest
    } catch (const FileError& e) {
        return std::string(e.what()) + " The settings were not saved; " + shown_path(save_to_) +
               " was left as it was.";
    }
    pending_ = false;
    needs_copy_ = false;
    load_from_ = save_to_;
    load_status_ = PatternLoad::Complete;
    return {};
}

}  // namespace tessaroll
