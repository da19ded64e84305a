// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/pattern_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>
#include <tuple>

#include "engine/atomic_file.h"
#include "engine/windows_api.h"
#include "settings/printable_text.h"

namespace tessaroll {

namespace {

constexpr std::size_t kFlagCount =
    std::tuple_size_v<decltype(GenerationSettings::typ)> - 1;  // flags 1 to 130

// The bytes of a pattern file, read through a small buffer from an open file or straight from
// memory. A read error ends the bytes and is remembered.
class ByteSource {
public:
    static constexpr int kEnd = -1;

    explicit ByteSource(std::string_view bytes) : data_(bytes.data()), size_(bytes.size()) {}
    explicit ByteSource(std::FILE* file) : file_(file), data_(buffer_.data()) {}

    int peek() { return available(1) ? static_cast<unsigned char>(data_[pos_]) : kEnd; }
    // The byte after the one peek() gives.
    int peek_second() { return available(2) ? static_cast<unsigned char>(data_[pos_ + 1]) : kEnd; }
    int get() {
        const int c = peek();
        if (c != kEnd) {
            ++pos_;
        }
        return c;
    }
    bool at_end() { return peek() == kEnd; }
    int read_error() const { return read_error_; }

private:
    // Whether n bytes are there to read, reading more from the file when it must.
    bool available(std::size_t n) {
        if (size_ - pos_ >= n) {
            return true;
        }
        if (file_ == nullptr || read_error_ != 0) {
            return false;
        }
        std::memmove(buffer_.data(), buffer_.data() + pos_, size_ - pos_);
        size_ -= pos_;
        pos_ = 0;
        while (size_ < n) {
            errno = 0;
            const std::size_t got =
                std::fread(buffer_.data() + size_, 1, buffer_.size() - size_, file_);
            if (got == 0) {
                if (std::ferror(file_) != 0) {
                    read_error_ = errno != 0 ? errno : EIO;
                }
                return false;
            }
            size_ += got;
        }
        return true;
    }

    std::FILE* file_ = nullptr;
    std::array<char, 4096> buffer_{};
    const char* data_;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    int read_error_ = 0;
};

bool is_line_end(int c) {
    return c == '\r' || c == '\n';
}

void skip_blanks(ByteSource& in) {
    while (in.peek() == ' ') {
        in.get();
    }
}

// Consumes one line end: CR LF, LF, CR, or CR CR LF, which is what CR LF becomes when a file's
// line ends are converted once more; read as two line ends it would shift every flag after it.
// Returns whether it was CR CR LF.
bool skip_line_end(ByteSource& in) {
    if (in.get() != '\r') {
        return false;  // LF, or the end of the file
    }
    if (in.peek() == '\n') {
        in.get();
    } else if (in.peek() == '\r' && in.peek_second() == '\n') {
        in.get();
        in.get();
        return true;
    }
    return false;
}

// Consumes the rest of the current line and its line end; returns whether that was CR CR LF.
bool skip_line(ByteSource& in) {
    while (!in.at_end() && !is_line_end(in.peek())) {
        in.get();
    }
    return skip_line_end(in);
}

// One flag line: whether it is a letter (exactly "1" with nothing but blanks around it), and
// whether it is a flag the program itself writes ("0" or "1"); up to a few of its characters are
// kept for a message.
struct FlagLine {
    bool letter = false;
    bool written_form = false;
    bool doubled_end = false;  // the line ended in CR CR LF
    std::string text;
};

// Reads one flag line and its line end.
FlagLine read_flag_line(ByteSource& in) {
    constexpr std::size_t kShownChars = 24;
    FlagLine line;
    int digit = 0;  // the one '0' or '1' seen, else 0
    bool other = false;
    for (std::size_t n = 0; !in.at_end() && !is_line_end(in.peek()); ++n) {
        const int c = in.get();
        if (n < kShownChars) {
            line.text += static_cast<char>(c);
        } else if (n == kShownChars) {
            line.text += "...";
        }
        if (c == ' ') {
            continue;
        }
        if ((c == '0' || c == '1') && digit == 0 && !other) {
            digit = c;
        } else {
            other = true;  // any other character, a second digit, or "1 1"
        }
    }
    line.doubled_end = skip_line_end(in);
    line.letter = digit == '1' && !other;
    line.written_form = digit != 0 && !other;
    return line;
}

// One number of line 1: the characters up to a blank, a comma, the line end or the end of the
// file.
struct Field {
    enum class Kind { Missing, NotNumber, OutOfRange, Number };
    Kind kind = Kind::Missing;
    std::int16_t value = 0;
    std::string text;  // as found, shortened for messages
};

Field read_field(ByteSource& in) {
    constexpr std::size_t kShownChars = 24;
    constexpr std::int32_t kBeyond = 100000;  // any magnitude past the 16-bit range
    Field f;
    bool negative = false;
    bool digits = false;
    bool valid = true;
    std::int32_t magnitude = 0;
    for (std::size_t n = 0;; ++n) {
        const int c = in.peek();
        if (c == ByteSource::kEnd || c == ' ' || c == ',' || is_line_end(c)) {
            break;
        }
        in.get();
        if (n < kShownChars) {
            f.text += static_cast<char>(c);
        } else if (n == kShownChars) {
            f.text += "...";
        }
        if (n == 0 && (c == '-' || c == '+')) {
            negative = c == '-';
        } else if (c >= '0' && c <= '9') {
            digits = true;
            magnitude = std::min(magnitude * 10 + (c - '0'), kBeyond);
        } else {
            valid = false;
        }
    }
    if (f.text.empty()) {
        return f;
    }
    if (!valid || !digits) {
        f.kind = Field::Kind::NotNumber;
        return f;
    }
    const std::int32_t value = negative ? -magnitude : magnitude;
    if (value < INT16_MIN || value > INT16_MAX) {
        f.kind = Field::Kind::OutOfRange;
        return f;
    }
    f.kind = Field::Kind::Number;
    f.value = static_cast<std::int16_t>(value);
    return f;
}

std::string quoted(const std::filesystem::path& file) {
    return "\"" + printable_text(file.string()) + "\"";
}

std::string read_error_text(int err) {
    return std::generic_category().message(err);
}

PatternLoadResult stopped(std::string problem) {
    return {PatternLoad::Incomplete, std::move(problem), {}};
}

// Reads a number of line 1 into target; on failure returns the sentence that ends the load.
// what is "count" or "length"; kept says what was loaded before it.
std::string read_number(ByteSource& in, const std::filesystem::path& file, std::string_view what,
                        std::string_view kept, std::int16_t& target) {
    const Field f = read_field(in);
    const std::string where = quoted(file) + ", line 1: ";
    if (in.read_error() != 0) {
        return where + "reading stopped (" + read_error_text(in.read_error()) + ") before the " +
               std::string(what) + " was complete; " + std::string(kept);
    }
    switch (f.kind) {
        case Field::Kind::Missing:
            if (in.peek() == ',') {
                return where + "a comma stands where the " + std::string(what) + " should be; " +
                       std::string(kept);
            }
            return where + (in.at_end() ? "the file" : "the line") + " ends before the " +
                   std::string(what) + "; " + std::string(kept);
        case Field::Kind::NotNumber:
            return where + "the " + std::string(what) + " \"" + printable_text(f.text) +
                   "\" is not a whole number; " + std::string(kept);
        case Field::Kind::OutOfRange:
            return where + "the " + std::string(what) + " " + printable_text(f.text) +
                   " is outside -32768 to 32767; " + std::string(kept);
        case Field::Kind::Number:
            target = f.value;
            return {};
    }
    return {};
}

PatternLoadResult read_pattern(ByteSource& in, const std::filesystem::path& file,
                               GenerationSettings& settings) {
    if (in.at_end()) {
        if (in.read_error() != 0) {
            return stopped("Could not read " + quoted(file) + ": " +
                           read_error_text(in.read_error()) + "; nothing was loaded.");
        }
        return stopped(quoted(file) +
                       " is empty, but line 1 should hold the count and the length; nothing "
                       "was loaded.");
    }

    skip_blanks(in);
    std::string problem = read_number(in, file, "count", "nothing was loaded.", settings.pnumb);
    if (!problem.empty()) {
        return stopped(std::move(problem));
    }
    skip_blanks(in);
    if (in.peek() == ',') {
        in.get();
        skip_blanks(in);
    }
    problem = read_number(in, file, "length", "only the count was loaded.", settings.lentgh);
    if (!problem.empty()) {
        return stopped(std::move(problem));
    }
    // Anything after the length is ignored.
    std::size_t first_doubled = skip_line(in) ? 1 : 0;  // the first line ending in CR CR LF

    std::size_t k = 1;
    std::size_t odd_lines = 0;  // flag lines within the length that are neither 0 nor 1
    std::string first_odd;
    for (; !in.at_end(); ++k) {
        if (k > kFlagCount) {
            return stopped(quoted(file) + ", line " + std::to_string(k + 1) +
                           ": the file has more lines than there are positions (1 to " +
                           std::to_string(kFlagCount) +
                           "); the count, the length and the digit or letter of positions 1 to " +
                           std::to_string(kFlagCount) +
                           " were loaded and the rest of the file was ignored.");
        }
        const FlagLine line = read_flag_line(in);
        settings.typ[k] = line.letter ? 1 : 0;
        if (line.doubled_end && first_doubled == 0) {
            first_doubled = k + 1;
        }
        if (!line.written_form && static_cast<std::int32_t>(k) <= settings.lentgh) {
            if (odd_lines++ == 0) {
                first_odd = "line " + std::to_string(k + 1) +
                            (line.text.empty() ? " is empty" : " holds \"" + line.text + "\"");
            }
        }
    }
    if (in.read_error() != 0) {
        return stopped(quoted(file) + ", line " + std::to_string(k + 1) + ": reading stopped (" +
                       read_error_text(in.read_error()) +
                       "); the count, the length and the positions before it were loaded.");
    }
    PatternLoadResult loaded{PatternLoad::Complete, {}, {}};
    if (first_doubled != 0) {
        loaded.note = quoted(file) + ", line " + std::to_string(first_doubled) +
                      " ends in CR CR LF, as lines do whose line ends were converted twice; each "
                      "such line end was read as one.";
    }
    if (odd_lines > 0) {
        loaded.note += (loaded.note.empty() ? "" : " ") + quoted(file) + ", " + first_odd +
                       " where 0 (a digit) or 1 (a letter) belongs; it was read as 0, a digit.";
        if (odd_lines > 1) {
            loaded.note +=
                " " + std::to_string(odd_lines - 1) +
                (odd_lines == 2 ? " more line like it was" : " more lines like it were") +
                " read as 0 too.";
        }
    }
    return loaded;
}

// Opens the file if it is an ordinary one; on Windows a hidden or system file counts as absent.
OrdinaryFile open_pattern_file(const std::filesystem::path& file) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
        return {};
    }
#endif
    return open_ordinary_file(file);
}

// A 16-bit number as the file holds it: sign place, digits, one blank.
void append_number(std::string& out, std::int16_t value) {
    const std::int32_t wide = value;
    out += wide < 0 ? '-' : ' ';
    out += std::to_string(wide < 0 ? -wide : wide);
    out += ' ';
}

}  // namespace

PatternLoadResult read_pattern_bytes(std::string_view bytes, const std::filesystem::path& file,
                                     GenerationSettings& settings) {
    ByteSource in(bytes);
    return read_pattern(in, file, settings);
}

PatternLoadResult load_pattern_file(const std::filesystem::path& file,
                                    GenerationSettings& settings) {
    // Settings another user could have put there are not taken, not even in part.
    if (std::string why = reading_refusal(file); !why.empty()) {
        PatternLoadResult refused = stopped(std::move(why));
        refused.refused = true;
        return refused;
    }
    const OrdinaryFile f = open_pattern_file(file);
    switch (f.status) {
        case OrdinaryFile::Status::Absent:
        case OrdinaryFile::Status::NotOrdinary:
            return {PatternLoad::Absent, {}, {}};
        case OrdinaryFile::Status::Failed: {
            PatternLoadResult failed = stopped("Could not open " + quoted(file) + ": " +
                                               read_error_text(f.error) + "; nothing was loaded.");
            failed.error = f.error;
            return failed;
        }
        case OrdinaryFile::Status::Opened:
            break;
    }
    ByteSource in(f.file.get());
    PatternLoadResult r = read_pattern(in, file, settings);
    r.error = in.read_error();
    return r;
}

std::string pattern_file_bytes(const GenerationSettings& settings) {
    std::string bytes;
    append_number(bytes, settings.pnumb);
    append_number(bytes, settings.lentgh);
    bytes += "\r\n";
    const std::int16_t n = settings.lentgh;  // the bound is taken once
    const std::size_t written = n < 1 ? 0 : std::min<std::size_t>(n, kFlagCount);
    for (std::size_t k = 1; k <= written; ++k) {
        append_number(bytes, settings.typ[k]);
        bytes += "\r\n";
    }
    return bytes;
}

std::string save_pattern_file(const std::filesystem::path& file,
                              const GenerationSettings& settings) {
    replace_file_contents(file, pattern_file_bytes(settings), kKeptMode);
    const std::int16_t n = settings.lentgh;
    if (n > 0 && static_cast<std::size_t>(n) > kFlagCount) {
        return "The length " + std::to_string(n) + " is more than " + std::to_string(kFlagCount) +
               ", the longest a password can be: " + quoted(file) +
               " holds that length, but the digit or letter of positions 1 to " +
               std::to_string(kFlagCount) + " only. Choose a length from 1 to " +
               std::to_string(kFlagCount) + ".";
    }
    return {};
}

std::filesystem::path backup_path_for(const std::filesystem::path& file) {
    std::filesystem::path backup = file;
    backup += ".bak";
    return backup;
}

std::filesystem::path keep_backup_copy(const std::filesystem::path& file) {
    const OrdinaryFile f = open_pattern_file(file);
    if (f.status == OrdinaryFile::Status::Failed) {
        throw FileError("Could not keep a copy of " + quoted(file) + ": " +
                        read_error_text(f.error) + ".");
    }
    if (f.status != OrdinaryFile::Status::Opened) {
        throw FileError("Could not keep a copy of " + quoted(file) +
                        ": it is not an ordinary file.");
    }
    // Block by block into the copy: a damaged file may be of any size.
    std::array<char, 64 * 1024> chunk{};
    const std::filesystem::path backup = backup_path_for(file);
    replace_file_contents(
        backup,
        [&]() -> std::string_view {
            errno = 0;
            const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), f.file.get());
            // A read error ends the bytes as the end of the file does; a copy of the part read
            // would pass for the whole file, so the copy is not made.
            if (n == 0 && std::ferror(f.file.get()) != 0) {
                const int err = errno != 0 ? errno : EIO;
                throw FileError("Could not keep a copy of " + quoted(file) + ": " +
                                read_error_text(err) + ".");
            }
            return {chunk.data(), n};
        },
        kKeptMode);
    return backup;
}

}  // namespace tessaroll
