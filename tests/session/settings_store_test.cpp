// SPDX-License-Identifier: GPL-3.0-or-later
// The settings record and its file as both programs keep them: what is refused stays out, what is
// accepted is saved at once, and two programs sharing the file never undo each other's changes.
#include "session/settings_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "session/limits.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;

std::string read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// The bytes the programs write for a count, a length and letters ('d'/'l') for the flags.
std::string file_of(int count, int length, const std::string& letters) {
    GenerationSettings s;
    s.pnumb = static_cast<std::int16_t>(count);
    s.lentgh = static_cast<std::int16_t>(length);
    set_pattern_letters(s, letters);
    return pattern_file_bytes(s);
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("tessaroll-store-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = dir_ / "pattern.tq";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_, file_;
};

// A refused value changes neither the record nor the file, and says why in the same sentence
// the window and the command line show.
TEST_F(SettingsStoreTest, RefusedValuesReachNeitherRecordNorFile) {
    const std::string before = file_of(4, 10, "ddllddllll");
    struct Case {
        std::optional<std::int16_t> count, length;
        std::optional<std::string> letters;
        std::string said;
    };
    const Case cases[] = {
        {0, {}, {}, "number of passwords is 0; a list has 1 to 130 passwords."},
        {-5, {}, {}, "number of passwords is -5"},
        {131, {}, {}, "number of passwords is 131"},
        {32767, {}, {}, "32767"},
        {{}, 0, {}, "length of the passwords is 0; a password has 1 to 130 characters."},
        {{}, -1, {}, "length of the passwords is -1"},
        {{}, 131, {}, "length of the passwords is 131"},
        {{}, {}, "", "pattern \"\""},
        {{}, {}, "ddx", "pattern \"ddx\""},
        {{}, {}, std::string(131, 'l'), "1 to 130 positions"},
        {7, 0, {}, "length of the passwords is 0"},  // nothing of a mixed change is taken
    };
    for (const Case& c : cases) {
        write_bytes(file_, before);
        SettingsStore store(file_);
        ASSERT_EQ(store.load().status, PatternLoad::Complete);
        const GenerationSettings loaded = store.settings();
        const SettingsChange change =
            store.set(c.count, c.length,
                      c.letters ? std::optional<std::string_view>(*c.letters) : std::nullopt);
        EXPECT_FALSE(change.accepted) << c.said;
        EXPECT_NE(change.sentence.find(c.said), std::string::npos) << change.sentence;
        EXPECT_EQ(store.settings(), loaded) << c.said;
        EXPECT_EQ(read_bytes(file_), before) << c.said;
    }
    SettingsStore store(file_);
    store.load();
    for (const int position : {0, 131}) {
        EXPECT_FALSE(store.set_flag(position, true).accepted);
    }
    EXPECT_EQ(read_bytes(file_), before);
}

// Each accepted change is in the file at once; a value never set is saved as the value a list
// uses for it, so a first run that picks only a count leaves no length of 0 behind.
TEST_F(SettingsStoreTest, AcceptedChangesAreSavedAtOnceWithDefaultsForWhatWasNeverSet) {
    struct Case {
        const char* what;
        std::optional<std::int16_t> count, length;
        std::optional<std::string> letters;
        std::string file;
    };
    const Case cases[] = {
        {"count only", 3, {}, {}, file_of(3, kDefaultLength, "")},
        {"length only", {}, 12, {}, file_of(kDefaultCount, 12, "")},
        {"pattern only", {}, {}, "dl", file_of(kDefaultCount, kDefaultLength, "dl")},
        {"all three", 130, 130, std::string(130, 'l'), file_of(130, 130, std::string(130, 'l'))},
        {"the least", 1, 1, "l", file_of(1, 1, "l")},
    };
    for (const Case& c : cases) {
        fs::remove(file_);
        SettingsStore store(file_);
        ASSERT_EQ(store.load().status, PatternLoad::Absent);
        const SettingsChange change =
            store.set(c.count, c.length,
                      c.letters ? std::optional<std::string_view>(*c.letters) : std::nullopt);
        EXPECT_TRUE(change.accepted && change.saved) << c.what << ": " << change.sentence;
        EXPECT_EQ(change.sentence, "") << c.what;
        EXPECT_EQ(read_bytes(file_), c.file) << c.what;
        // What the next start reads is what this run used.
        SettingsStore next(file_);
        EXPECT_EQ(next.load().status, PatternLoad::Complete);
        EXPECT_EQ(next.settings(), store.settings_in_use()) << c.what;
    }
}

TEST_F(SettingsStoreTest, NothingIsWrittenWhenNothingChanges) {
    const std::string before = " 5  3 \r\n 1 \r\n 0 \r\n 1 \r\n";
    write_bytes(file_, before);
    SettingsStore store(file_);
    store.load();
    fs::last_write_time(file_, fs::file_time_type{});
    for (const SettingsChange& change : {store.set_count(5), store.set_length(3),
                                         store.set_flag(1, true), store.set_pattern("ldl")}) {
        EXPECT_TRUE(change.accepted && change.saved);
    }
    EXPECT_EQ(store.save_pending(), "");
    EXPECT_EQ(fs::last_write_time(file_), fs::file_time_type{});
    EXPECT_EQ(read_bytes(file_), before);
}

// Two programs on one pattern.tq (two windows, or a window and tessaroll-cli): each change
// lands on what the file holds now, so neither undoes the other's.
TEST_F(SettingsStoreTest, TwoProgramsNeverUndoEachOthersChanges) {
    write_bytes(file_, file_of(4, 10, ""));
    SettingsStore a(file_), b(file_);
    a.load();
    b.load();
    EXPECT_TRUE(a.set_count(7).saved);
    const SettingsChange change = b.set_flag(2, true);  // b still shows count 4
    EXPECT_TRUE(change.saved && change.reloaded);
    EXPECT_EQ(read_bytes(file_), file_of(7, 10, "dl"));
    EXPECT_TRUE(a.reload_if_changed());
    EXPECT_EQ(a.settings(), b.settings());
    EXPECT_FALSE(a.reload_if_changed());  // once only
    // Ending saves nothing that was not changed, whatever the file holds by then.
    write_bytes(file_, file_of(9, 12, "llll"));
    EXPECT_EQ(a.save_pending(), "");
    EXPECT_EQ(b.save_pending(), "");
    EXPECT_EQ(read_bytes(file_), file_of(9, 12, "llll"));
}

// A file another program left damaged is not taken, and is kept as .bak before a save.
TEST_F(SettingsStoreTest, DamagedFileIsKeptAsBakBeforeTheFirstSave) {
    struct Case {
        std::string bytes;
        PatternLoad status;
        std::string said;
    };
    const Case cases[] = {
        {" 7  abc \r\n", PatternLoad::Incomplete, "line 1"},
        {" 7  3 \r\n 0 \r\n x \r\n 1 \r\n", PatternLoad::Complete, "line 3"},
        {" 7  3 \r\n 0 \r\n 1 \r\n x \r\n", PatternLoad::Complete, "line 4"},  // the last flag
    };
    for (const Case& c : cases) {
        fs::remove(dir_ / "pattern.tq.bak");
        write_bytes(file_, c.bytes);
        SettingsStore store(file_);
        const SettingsLoad loaded = store.load();
        EXPECT_EQ(loaded.status, c.status) << c.bytes;
        EXPECT_NE(loaded.sentence.find(c.said), std::string::npos) << loaded.sentence;
        EXPECT_NE(loaded.sentence.find("pattern.tq.bak"), std::string::npos) << loaded.sentence;
        EXPECT_FALSE(fs::exists(dir_ / "pattern.tq.bak"));
        const SettingsChange change = store.set_count(2);
        EXPECT_TRUE(change.saved) << change.sentence;
        EXPECT_EQ(change.kept_copy, dir_ / "pattern.tq.bak");
        EXPECT_EQ(read_bytes(dir_ / "pattern.tq.bak"), c.bytes);
        EXPECT_TRUE(store.set_count(3).kept_copy.empty());  // kept once
    }
    // Damaged by another program after the start: its values are not taken, and it is kept.
    write_bytes(file_, file_of(4, 10, ""));
    SettingsStore store(file_);
    store.load();
    write_bytes(file_, " 1  1 \r\nx\r\n");
    EXPECT_FALSE(store.reload_if_changed());
    EXPECT_EQ(store.settings().pnumb, 4);
    EXPECT_TRUE(store.set_count(6).saved);
    EXPECT_EQ(read_bytes(dir_ / "pattern.tq.bak"), " 1  1 \r\nx\r\n");
    EXPECT_EQ(read_bytes(file_), file_of(6, 10, ""));
}

// Without its copy a damaged file is not replaced; the change holds for the run and is saved
// by the last flush once the copy can be made.
TEST_F(SettingsStoreTest, NoCopyNoReplacement) {
    const std::string damaged = " 7  abc \r\n";
    write_bytes(file_, damaged);
    fs::create_directory(dir_ / "pattern.tq.bak");
    SettingsStore store(file_);
    store.load();
    const SettingsChange change = store.set_count(2);
    EXPECT_TRUE(change.accepted);
    EXPECT_FALSE(change.saved);
    EXPECT_NE(change.sentence.find("not saved"), std::string::npos) << change.sentence;
    EXPECT_EQ(read_bytes(file_), damaged);
    EXPECT_EQ(store.settings().pnumb, 2);
    fs::remove(dir_ / "pattern.tq.bak");
    EXPECT_EQ(store.save_pending(), "");
    EXPECT_EQ(read_bytes(dir_ / "pattern.tq.bak"), damaged);
    EXPECT_EQ(read_bytes(file_), file_of(2, kDefaultLength, ""));
}

// An installed copy reads the settings it kept beside the program until its own folder has a
// file, saves to its own folder, and says it leaves the old file alone (no .bak there).
TEST_F(SettingsStoreTest, OldFileBesideAnInstalledProgramIsLeftAlone) {
    const fs::path bin = dir_ / "bin", user = dir_ / "user";
    fs::create_directories(bin);
    fs::create_directories(user);
    write_bytes(bin / "pattern.tq", " 7  3 \r\n 0 \r\n x \r\n 1 \r\n");
    SettingsStore store(user / "pattern.tq", bin / "pattern.tq");
    const SettingsLoad loaded = store.load();
    EXPECT_EQ(store.settings().pnumb, 7);
    EXPECT_EQ(loaded.sentence.find(".bak"), std::string::npos) << loaded.sentence;
    EXPECT_NE(loaded.sentence.find("left as it is"), std::string::npos) << loaded.sentence;
    EXPECT_TRUE(store.set_count(2).saved);
    EXPECT_FALSE(fs::exists(bin / "pattern.tq.bak"));
    EXPECT_EQ(read_bytes(bin / "pattern.tq"), " 7  3 \r\n 0 \r\n x \r\n 1 \r\n");
    EXPECT_EQ(read_bytes(user / "pattern.tq"), file_of(2, 3, "ddl"));
}

}  // namespace
}  // namespace tessaroll
