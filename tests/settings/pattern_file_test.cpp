// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/pattern_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/atomic_file.h"
#include "tests/support/file_calls_mock.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessaroll {
namespace {

namespace fs = std::filesystem;

class PatternFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() / ("tessaroll-pattern-" + std::to_string(::getpid()) +
                                            "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = dir_ / kPatternFileName;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void write(const std::string& bytes) {
        std::ofstream out(file_, std::ios::binary);
        out << bytes;
    }
    std::string read() const {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
    fs::path file_;
};

// A record whose fields all differ from what the files below hold, so that a field the load must
// leave alone shows it.
GenerationSettings marked() {
    GenerationSettings s;
    s.pnumb = 77;
    s.lentgh = 88;
    for (std::size_t k = 0; k < s.typ.size(); ++k) {
        s.typ[k] = 9;
    }
    return s;
}

std::string flag_lines(int n, const std::string& line = "1") {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += line + "\r\n";
    }
    return out;
}

TEST_F(PatternFileTest, SavesTheExactBytes) {
    struct Case {
        std::int16_t pnumb, lentgh;
        std::vector<std::int16_t> flags;  // flags 1, 2, ...
        std::string bytes;
    };
    const Case cases[] = {
        {4, 6, {0, 1, 1, 0, 0, 1}, " 4  6 \r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n"},
        {4, 10, {}, " 4  10 \r\n" + flag_lines(10, " 0 ")},
        {12, 0, {1, 1}, " 12  0 \r\n"},
        {3, -2, {1, 1}, " 3 -2 \r\n"},
        {-32768, -1, {}, "-32768 -1 \r\n"},
        {0, 3, {5, -1, 32767}, " 0  3 \r\n 5 \r\n-1 \r\n 32767 \r\n"},
        {1, 2, {0, 1, 1, 1}, " 1  2 \r\n 0 \r\n 1 \r\n"},  // flags above the length stay out
    };
    for (const auto& c : cases) {
        GenerationSettings s;
        s.pnumb = c.pnumb;
        s.lentgh = c.lentgh;
        for (std::size_t k = 0; k < c.flags.size(); ++k) {
            s.typ[k + 1] = c.flags[k];
        }
        EXPECT_EQ(save_pattern_file(file_, s), "");
        EXPECT_EQ(read(), c.bytes) << "count " << c.pnumb << ", length " << c.lentgh;
    }
}

TEST_F(PatternFileTest, LengthAbove130WritesFlagsUpTo130AndSaysSo) {
    GenerationSettings s;
    s.pnumb = 4;
    s.lentgh = 200;
    s.typ.fill(1);
    const std::string note = save_pattern_file(file_, s);
    EXPECT_EQ(read(), " 4  200 \r\n" + flag_lines(130, " 1 "));
    EXPECT_NE(note.find("200"), std::string::npos) << note;
    EXPECT_NE(note.find("1 to 130"), std::string::npos) << note;
    EXPECT_NE(note.find(file_.string()), std::string::npos) << note;

    s.lentgh = 130;
    EXPECT_EQ(save_pattern_file(file_, s), "");
}

TEST_F(PatternFileTest, SaveThenLoadGivesTheSameSettings) {
    for (const std::int16_t length : {0, 1, 10, 128, 130}) {
        GenerationSettings saved;
        saved.pnumb = static_cast<std::int16_t>(length + 3);
        saved.lentgh = length;
        for (std::size_t k = 1; k < saved.typ.size(); ++k) {
            saved.typ[k] = (k * 7) % 3 == 1 ? 1 : 0;
        }
        ASSERT_EQ(save_pattern_file(file_, saved), "");

        GenerationSettings loaded = marked();
        const PatternLoadResult r = load_pattern_file(file_, loaded);
        EXPECT_EQ(r.status, PatternLoad::Complete) << r.problem;
        EXPECT_EQ(r.problem, "");
        EXPECT_EQ(r.note, "");
        EXPECT_EQ(loaded.pnumb, saved.pnumb);
        EXPECT_EQ(loaded.lentgh, length);
        for (std::size_t k = 1; k < loaded.typ.size(); ++k) {
            // Positions the file holds come back; the others keep what the record had.
            const std::int16_t want = k <= static_cast<std::size_t>(length) ? saved.typ[k] : 9;
            ASSERT_EQ(loaded.typ[k], want) << "length " << length << ", flag " << k;
        }
        EXPECT_EQ(loaded.typ[0], 9);
    }
}

TEST_F(PatternFileTest, FlagLinesAreOneOnlyForATrimmedOne) {
    struct Line {
        std::string text;
        std::int16_t flag;
    };
    const Line lines[] = {
        {"1", 1},
        {" 1 ", 1},
        {"     1", 1},
        {"1      ", 1},
        {"0", 0},
        {" 0 ", 0},
        {"2", 0},
        {"-1", 0},
        {"", 0},
        {"   ", 0},
        {"\t1", 0},
        {"1\t", 0},
        {"11", 0},
        {"1 1", 0},
        {"1x", 0},
        {"01", 0},
        {"+1", 0},
        {"1.0", 0},
        {std::string("\0"
                     "1",
                     2),
         0},
    };
    std::string bytes = " 5  30 \r\n";
    for (const auto& l : lines) {
        bytes += l.text + "\r\n";
    }
    write(bytes);
    GenerationSettings s = marked();
    const PatternLoadResult r = load_pattern_file(file_, s);
    ASSERT_EQ(r.status, PatternLoad::Complete) << r.problem;
    EXPECT_EQ(s.pnumb, 5);
    EXPECT_EQ(s.lentgh, 30);
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        EXPECT_EQ(s.typ[i + 1], lines[i].flag) << "line \"" << lines[i].text << "\"";
    }
    // Every line but "0" and "1" with blanks around them is one the program never writes: the
    // note names the first, "2" on line 8, and counts the other twelve.
    for (const char* part : {"line 8 holds \"2\"", "read as 0", "12 more lines"}) {
        EXPECT_NE(r.note.find(part), std::string::npos) << part << " in: " << r.note;
    }
    // Past the length such lines count for nothing, and are not named.
    write(" 5  2 \r\n 1 \r\n0\r\nx\r\n\r\n");
    EXPECT_EQ(load_pattern_file(file_, s).note, "");
    write(" 5  4 \r\n 1 \r\n0\r\n\r\n");
    EXPECT_NE(load_pattern_file(file_, s).note.find("line 4 is empty"), std::string::npos);
    // Fewer flag lines than the length: the rest keep their values.
    for (std::size_t k = std::size(lines) + 1; k < s.typ.size(); ++k) {
        ASSERT_EQ(s.typ[k], 9) << "flag " << k;
    }
}

// The note names the first flag line within the length that is neither 0 nor 1, wherever it
// stands, the last position included, and counts the others.
TEST_F(PatternFileTest, TheNoteNamesOddFlagLinesWithinTheLengthOnly) {
    const struct {
        std::string bytes;
        std::string note;  // a part of the note; empty: no note
    } cases[] = {
        {" 5  3 \r\n 1 \r\n 0 \r\n 2 \r\n", "line 4 holds \" 2 \""},
        {" 5  3 \r\n1\r\n0\r\nx", "line 4 holds \"x\""},  // no line end after it
        {" 5  3 \r\n1\r\n0\r\nx\r\ny\r\n",
         "line 4 holds \"x\" where 0 (a digit) or 1 (a letter) belongs"},
        {" 5  3 \r\n1\r\n0\r\n\r\n", "line 4 is empty"},
        {" 5  1 \r\nz\r\n", "line 2 holds \"z\""},
        {" 5  130 \r\n" + flag_lines(129) + "x\r\n", "line 131 holds \"x\""},
        {" 5  2 \r\n1\r\nx\r\n0\r\n", "line 3 holds \"x\""},
        {" 5  3 \r\n1\r\n0\r\n1\r\nx\r\n", ""},  // past the length
        // Line ends converted twice: read as one each, and said.
        {" 5  3 \r\r\n1\r\r\n0\r\r\n1\r\r\n", "line 1 ends in CR CR LF"},
        {" 5  3 \r\n1\r\n0\r\r\n1\r\r\n", "line 3 ends in CR CR LF"},
        {" 5  3 \r\n1\r\r\nx\r\r\n1\r\n", "line 2 ends in CR CR LF"},
        {" 5  3 \r\n1\r\r\nx\r\r\n1\r\n", "line 3 holds \"x\""},
        {" 5  3 \r1\r\r1\r", "line 3 is empty"},
    };
    for (const auto& c : cases) {
        write(c.bytes);
        GenerationSettings s = marked();
        const PatternLoadResult r = load_pattern_file(file_, s);
        ASSERT_EQ(r.status, PatternLoad::Complete) << c.bytes << ": " << r.problem;
        if (c.note.empty()) {
            EXPECT_EQ(r.note, "") << c.bytes;
        } else {
            EXPECT_NE(r.note.find(c.note), std::string::npos) << c.bytes << ": " << r.note;
            EXPECT_EQ(r.note.find("more line"), std::string::npos) << c.bytes << ": " << r.note;
        }
    }
}

TEST_F(PatternFileTest, ReadsTheLayoutsAHandEditedFileMayHave) {
    struct Case {
        std::string bytes;
        std::int16_t pnumb, lentgh;
        std::vector<std::int16_t> flags;  // flags 1, 2, ...; the rest stay 9
    };
    const Case cases[] = {
        {" 4  10 \r\n 1 \r\n 0 \r\n", 4, 10, {1, 0}},
        {"4,10\r\n1\r\n", 4, 10, {1}},
        {"4 , 10\r\n1\r\n", 4, 10, {1}},
        {"   4,   10   \r\n1\r\n", 4, 10, {1}},
        {"4" + std::string(14, ' ') + "10\r\n1\r\n", 4, 10, {1}},
        {"-3 -7\r\n", -3, -7, {}},
        {"+3 007\r\n", 3, 7, {}},
        {"-32768 32767\r\n", -32768, 32767, {}},
        {"4 10", 4, 10, {}},                        // no line end at all
        {"4 10\r\n", 4, 10, {}},                    // no flag lines
        {"4 10\r\n1", 4, 10, {1}},                  // last line without a line end
        {"4 10\r\n1\r\n\r\n", 4, 10, {1, 0}},       // an empty last line
        {"4 10\n1\n0\n1\n", 4, 10, {1, 0, 1}},      // LF alone
        {"4 10\r1\r0\r1\r", 4, 10, {1, 0, 1}},      // CR alone
        {"4 10 whatever 12\r\n1\r\n", 4, 10, {1}},  // text after the length is ignored
        {"4 10,\r\n1\r\n", 4, 10, {1}},
        {"1 2\r\n1\r\n1\r\n1\r\n1\r\n", 1, 2, {1, 1, 1, 1}},  // more flag lines than the length
        // Line ends converted twice (CR CR LF) are one line end each; a CR alone is still one,
        // so that an empty line among CR line ends stays a line.
        {"4 3\r\r\n1\r\r\n0\r\r\n1\r\r\n", 4, 3, {1, 0, 1}},
        {"4 3\r\r\n1\r\r\n0\r\r\n1", 4, 3, {1, 0, 1}},
        {"4 3\r1\r\r1\r", 4, 3, {1, 0, 1}},
        {"4 3\r\n1\r\r0\r\n1\r\n", 4, 3, {1, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        write(c.bytes);
        GenerationSettings s = marked();
        const PatternLoadResult r = load_pattern_file(file_, s);
        EXPECT_EQ(r.status, PatternLoad::Complete) << c.bytes << ": " << r.problem;
        EXPECT_EQ(s.pnumb, c.pnumb) << c.bytes;
        EXPECT_EQ(s.lentgh, c.lentgh) << c.bytes;
        for (std::size_t k = 1; k < s.typ.size(); ++k) {
            const std::int16_t want = k <= c.flags.size() ? c.flags[k - 1] : 9;
            ASSERT_EQ(s.typ[k], want) << c.bytes << ": flag " << k;
        }
    }
}

TEST_F(PatternFileTest, StopsAtAnErrorKeepingWhatWasRead) {
    struct Case {
        std::string bytes;
        std::int16_t pnumb, lentgh;  // 77 and 88 where nothing was stored
        std::string line;            // the place the sentence names
        std::string reason;          // part of the sentence
    };
    const Case cases[] = {
        {"", 77, 88, "is empty", "nothing was loaded"},
        {"\r\n1\r\n", 77, 88, "line 1", "ends before the count"},
        {"    ", 77, 88, "line 1", "file ends before the count"},
        {"4", 4, 88, "line 1", "file ends before the length"},
        {"4 \r\n10\r\n1\r\n", 4, 88, "line 1", "line ends before the length"},
        {"4,\r\n", 4, 88, "line 1", "ends before the length"},
        {"4,,10\r\n", 4, 88, "line 1", "comma"},
        {",4 10\r\n", 77, 88, "line 1", "comma"},
        {"abc 10\r\n", 77, 88, "line 1", "\"abc\" is not a whole number"},
        {"4 10x\r\n1\r\n", 4, 88, "line 1", "\"10x\" is not a whole number"},
        {"2.5 10\r\n", 77, 88, "line 1", "\"2.5\" is not a whole number"},
        {"- 10\r\n", 77, 88, "line 1", "\"-\" is not a whole number"},
        // A sign stands only before the digits: "1-2" is no -12, "1+0" no 10.
        {"1-2 10\r\n", 77, 88, "line 1", "\"1-2\" is not a whole number"},
        {"4 1+0\r\n 1 \r\n", 4, 88, "line 1", "\"1+0\" is not a whole number"},
        {"--5 10\r\n", 77, 88, "line 1", "\"--5\" is not a whole number"},
        {"4 +-5\r\n", 4, 88, "line 1", "\"+-5\" is not a whole number"},
        // Control characters from the file are shown, not sent to the terminal.
        {"\x1b[2J 10\r\n", 77, 88, "line 1", "\"\\x1b[2J\" is not a whole number"},
        {"\t4 10\r\n", 77, 88, "line 1", "not a whole number"},
        {"32768 10\r\n", 77, 88, "line 1", "count 32768 is outside -32768 to 32767"},
        {"4 -32769\r\n1\r\n", 4, 88, "line 1", "length -32769 is outside"},
        {"4 " + std::string(5000, '9') + "\r\n", 4, 88, "line 1", "is outside"},
    };
    for (const auto& c : cases) {
        write(c.bytes);
        GenerationSettings s = marked();
        const PatternLoadResult r = load_pattern_file(file_, s);
        EXPECT_EQ(r.status, PatternLoad::Incomplete) << c.bytes;
        EXPECT_EQ(s.pnumb, c.pnumb) << c.bytes;
        EXPECT_EQ(s.lentgh, c.lentgh) << c.bytes;
        for (std::size_t k = 0; k < s.typ.size(); ++k) {
            ASSERT_EQ(s.typ[k], 9) << c.bytes << ": flag " << k;
        }
        EXPECT_NE(r.problem.find("\"" + file_.string() + "\""), std::string::npos) << r.problem;
        EXPECT_NE(r.problem.find(c.line), std::string::npos) << r.problem;
        EXPECT_NE(r.problem.find(c.reason), std::string::npos) << r.problem;
        EXPECT_LT(r.problem.size(), 400u) << r.problem;
    }
}

TEST_F(PatternFileTest, FlagLinesStopAt130) {
    struct Case {
        std::string tail;  // after the 130 flag lines
        PatternLoad status;
    };
    const Case cases[] = {
        {"", PatternLoad::Complete},       {"1\r\n", PatternLoad::Incomplete},
        {"\r\n", PatternLoad::Incomplete},  // an empty 131st line is a line too
        {"x", PatternLoad::Incomplete},    {flag_lines(50), PatternLoad::Incomplete},
    };
    for (const auto& c : cases) {
        write(" 6  12 \r\n" + flag_lines(129) + "0\r\n" + c.tail);
        GenerationSettings s = marked();
        const PatternLoadResult r = load_pattern_file(file_, s);
        EXPECT_EQ(r.status, c.status) << r.problem;
        EXPECT_EQ(s.pnumb, 6);
        EXPECT_EQ(s.lentgh, 12);
        for (std::size_t k = 1; k < 130; ++k) {
            ASSERT_EQ(s.typ[k], 1) << "flag " << k;
        }
        EXPECT_EQ(s.typ[130], 0);
        EXPECT_EQ(s.typ[0], 9);
        if (c.status == PatternLoad::Incomplete) {
            EXPECT_NE(r.problem.find("line 132"), std::string::npos) << r.problem;
            EXPECT_NE(r.problem.find(file_.string()), std::string::npos) << r.problem;
        }
    }

    // A later save succeeds and writes what the record then holds.
    GenerationSettings s;
    write(" 6  3 \r\n" + flag_lines(131));
    EXPECT_EQ(load_pattern_file(file_, s).status, PatternLoad::Incomplete);
    EXPECT_EQ(save_pattern_file(file_, s), "");
    EXPECT_EQ(read(), " 6  3 \r\n 1 \r\n 1 \r\n 1 \r\n");
}

TEST_F(PatternFileTest, NoOrdinaryFileChangesNothing) {
    GenerationSettings s = marked();
    EXPECT_EQ(load_pattern_file(file_, s).status, PatternLoad::Absent);

    fs::create_directory(file_);  // a folder of that name
    EXPECT_EQ(load_pattern_file(file_, s).status, PatternLoad::Absent);
    fs::remove(file_);

#ifndef _WIN32
    fs::create_symlink(dir_ / "nowhere", file_);  // a link to nothing
    EXPECT_EQ(load_pattern_file(file_, s).status, PatternLoad::Absent);
#endif

    const GenerationSettings unchanged = marked();
    EXPECT_EQ(s.pnumb, unchanged.pnumb);
    EXPECT_EQ(s.lentgh, unchanged.lentgh);
    EXPECT_EQ(s.typ, unchanged.typ);
}

TEST_F(PatternFileTest, FailedSaveKeepsThePreviousFileAndSaysWhy) {
    const std::string previous = " 4  3 \r\n 1 \r\n 0 \r\n 1 \r\n";
    write(previous);
    GenerationSettings s;
    s.pnumb = 9;
    s.lentgh = 2;

    // The disk refuses the new file.
    file_calls_mock::fail(file_calls_mock::Call::sync, EIO);
    try {
        save_pattern_file(file_, s);
        ADD_FAILURE() << "the save reported success";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(file_.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Input/output error"), std::string::npos) << e.what();
    }
    file_calls_mock::fail(file_calls_mock::Call::sync, 0);
    EXPECT_EQ(read(), previous);

    // A folder that does not exist.
    EXPECT_THROW(save_pattern_file(dir_ / "missing" / kPatternFileName, s), FileError);

    // The target itself is a folder, or a path ending in a separator: refused, and nothing is
    // written into the folder.
    const fs::path folder = dir_ / "folder.tq";
    fs::create_directory(folder);
    EXPECT_THROW(save_pattern_file(folder, s), FileError);
    EXPECT_THROW(save_pattern_file(folder.string() + "/", s), FileError);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));

    // Once the obstacle is gone the save goes through.
    EXPECT_EQ(save_pattern_file(file_, s), "");
    EXPECT_EQ(read(), " 9  2 \r\n 0 \r\n 0 \r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2)
        << "a temporary file was left behind";
}

#ifndef _WIN32
TEST_F(PatternFileTest, AFifoAtTheNameIsNoFileAndNothingWaitsForIt) {
    ASSERT_EQ(::mkfifo(file_.c_str(), 0644), 0);
    GenerationSettings s = marked();
    EXPECT_EQ(load_pattern_file(file_, s).status, PatternLoad::Absent);
    EXPECT_EQ(s.pnumb, 77);
    EXPECT_THROW(keep_backup_copy(file_), FileError);
    EXPECT_FALSE(fs::exists(backup_path_for(file_)));
    // Saving is refused and leaves the FIFO where it is.
    EXPECT_THROW(save_pattern_file(file_, s), FileRefusal);
    EXPECT_EQ(fs::symlink_status(file_).type(), fs::file_type::fifo);
}
#endif

TEST_F(PatternFileTest, BackupCopyKeepsTheBytesOrRefusesWithTheReason) {
    const fs::path backup = dir_ / "pattern.tq.bak";
    EXPECT_EQ(backup_path_for(file_), backup);

    // Nothing to copy: no file, or a folder of that name. No copy appears.
    EXPECT_THROW(keep_backup_copy(file_), FileError);
    fs::create_directory(file_);
    try {
        keep_backup_copy(file_);
        FAIL() << "a folder was copied";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(file_.string()), std::string::npos) << e.what();
    }
    fs::remove(file_);
    EXPECT_FALSE(fs::exists(backup));

    // A damaged file is copied byte for byte, over an older copy.
    const std::string damaged =
        std::string(" 4  x \r\n\x1b[2J 1 \r\n") + std::string(1, '\0') + "tail";
    write(damaged);
    std::ofstream(backup, std::ios::binary) << "older copy";
    EXPECT_EQ(keep_backup_copy(file_), backup);
    std::ifstream in(backup, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damaged);
    EXPECT_EQ(read(), damaged);

    // A copy that cannot be written is reported, and the file stays as it was.
    fs::remove(backup);
    fs::create_directory(backup);
    EXPECT_THROW(keep_backup_copy(file_), FileError);
    EXPECT_EQ(read(), damaged);
}

#ifndef _WIN32
// A file that opens but cannot be read: reading /proc/self/mem from its start fails with EIO.
TEST_F(PatternFileTest, AReadErrorIsReportedNotTakenForTheEndOfTheFile) {
    if (!fs::exists("/proc/self/mem")) {
        GTEST_SKIP() << "no /proc/self/mem here";
    }
    fs::create_symlink("/proc/self/mem", file_);
    try {
        keep_backup_copy(file_);
        ADD_FAILURE() << "a copy was kept of a file that could not be read";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(file_.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Input/output error"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(backup_path_for(file_)));

    GenerationSettings s = marked();
    const PatternLoadResult r = load_pattern_file(file_, s);
    EXPECT_EQ(r.status, PatternLoad::Incomplete);
    EXPECT_NE(r.problem.find("Input/output error"), std::string::npos) << r.problem;
    EXPECT_EQ(s.pnumb, 77);
}
#endif

TEST_F(PatternFileTest, ReadingBytesInMemoryMatchesReadingTheFile) {
    const std::string bytes = "  8 ,12 junk\n1\r\n 1 \r0\r\n\t1";
    write(bytes);
    GenerationSettings from_file = marked();
    GenerationSettings from_memory = marked();
    const PatternLoadResult a = load_pattern_file(file_, from_file);
    const PatternLoadResult b = read_pattern_bytes(bytes, file_, from_memory);
    EXPECT_EQ(a.status, PatternLoad::Complete) << a.problem;
    EXPECT_EQ(b.status, a.status);
    EXPECT_EQ(from_memory.pnumb, 8);
    EXPECT_EQ(from_memory.lentgh, 12);
    EXPECT_EQ(from_memory.typ, from_file.typ);
    EXPECT_EQ(from_file.typ[1], 1);
    EXPECT_EQ(from_file.typ[2], 1);
    EXPECT_EQ(from_file.typ[3], 0);
    EXPECT_EQ(from_file.typ[4], 0);
    EXPECT_EQ(from_file.typ[5], 9);

    // A CR CR LF line end that the file's reading buffer (4096 bytes) cuts at either place.
    for (std::size_t pad = 4080; pad < 4100; ++pad) {
        const std::string cut = "5 3 " + std::string(pad, 'x') + "\r\r\n1\r\r\n0\r\r\n1\r\r\n";
        write(cut);
        from_file = marked();
        const PatternLoadResult r = load_pattern_file(file_, from_file);
        EXPECT_EQ(r.status, PatternLoad::Complete) << pad << ": " << r.problem;
        EXPECT_NE(r.note.find("line 1 ends in CR CR LF"), std::string::npos) << pad << r.note;
        EXPECT_EQ(from_file.typ[1], 1) << pad;
        EXPECT_EQ(from_file.typ[2], 0) << pad;
        EXPECT_EQ(from_file.typ[3], 1) << pad;
        EXPECT_EQ(from_file.typ[4], 9) << pad;
    }
}

// A damaged pattern file of any size is kept as .bak, block by block: with less memory free than
// the file is large, the copy is made all the same (the whole file in memory would end in
// std::bad_alloc).
TEST_F(PatternFileTest, ALargeDamagedFileIsKeptWithoutHoldingItWhole) {
    constexpr std::size_t kSize = 160u << 20;
    write("9 x\r\n");
    fs::resize_file(file_, kSize);  // sparse: no disk is used for the zeros
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The address space in use now, and 64 MiB more.
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (64u << 20);
        const rlimit as{limit, limit};
        ::setrlimit(RLIMIT_AS, &as);
        try {
            keep_backup_copy(file_);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(fs::file_size(backup_path_for(file_)), kSize);
    std::ifstream bak(backup_path_for(file_), std::ios::binary);
    std::string head(5, '\0');
    bak.read(head.data(), 5);
    EXPECT_EQ(head, "9 x\r\n");
}

}  // namespace
}  // namespace tessaroll
