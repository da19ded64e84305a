// SPDX-License-Identifier: GPL-3.0-or-later
// The way to a list both programs take, and the folders of an installed copy.
#include "session/list_flow.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "session/limits.h"
#include "session/program_folders.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;

std::string read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SessionFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("tessaroll-flow-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_ / "ro", fs::perms::owner_all, ignored);
        fs::remove_all(dir_, ignored);
    }
    ListRequest request(int count, int length) const {
        ListRequest r;
        r.personal = "secret";
        r.date = {7, 12, 2026};
        r.settings.pnumb = static_cast<std::int16_t>(count);
        r.settings.lentgh = static_cast<std::int16_t>(length);
        r.output_folder = dir_;
        r.timestamp = "12/7/2026 10:00:00 AM";
        return r;
    }
    fs::path dir_;
};

// Every refusal is one sentence and leaves output.txt as it was.
TEST_F(SessionFolderTest, RefusalsLeaveOutputTxtAsItWas) {
    const std::string before = "Date=1/1/2003\r\n";
    struct Case {
        int count, length;
        int year;
        std::string said;
    };
    const Case cases[] = {
        {0, 10, 2026, "number of passwords is 0"},
        {131, 10, 2026, "number of passwords is 131"},
        {4, 0, 2026, "length of the passwords is 0"},
        {4, -2, 2026, "length of the passwords is -2"},
        {4, 131, 2026, "1 to 130 characters"},
        {4, 10, 2200, "the year 2200"},
    };
    for (const Case& c : cases) {
        std::ofstream(dir_ / "output.txt", std::ios::binary) << before;
        ListRequest r = request(c.count, c.length);
        r.date.year = static_cast<std::int16_t>(c.year);
        try {
            make_list(r);
            ADD_FAILURE() << "no refusal for " << c.said;
        } catch (const ListRefusal& e) {
            EXPECT_NE(std::string(e.what()).find(c.said), std::string::npos) << e.what();
        }
        EXPECT_EQ(read_bytes(dir_ / "output.txt"), before) << c.said;
    }
    // A file that cannot be written: the folder named, nothing shown as if saved.
    ListRequest r = request(4, 10);
    r.output_folder = dir_ / "missing";
    try {
        make_list(r);
        ADD_FAILURE() << "a list that could not be saved was returned";
    } catch (const ListRefusal& e) {
        EXPECT_NE(std::string(e.what()).find("previous output.txt is unchanged"), std::string::npos)
            << e.what();
    }
}

TEST_F(SessionFolderTest, TheListIsWrittenThenShown) {
    const std::vector<std::string> list = make_list(request(4, 10));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list_text(list).substr(0, 22), "Password 1= 9012483667");
    const std::string file = read_bytes(dir_ / "output.txt");
    EXPECT_EQ(file.substr(0, 14), "Date=" + date_text(7, 12, 2026));
    EXPECT_NE(file.find("Password 4= " + list[3] + "\r\n"), std::string::npos);
    EXPECT_EQ(characters_beyond_seed_note("secret", CodePage::Western), "");
    EXPECT_NE(
        characters_beyond_seed_note(std::string(40, 'x'), CodePage::Western).find("reach the seed"),
        std::string::npos);
}

// An installed copy (bin beside share/tessaroll): help pages from the installation, files in
// the user's own folder, which the start procedure makes readable by the user only.
TEST_F(SessionFolderTest, InstalledLayoutKeepsFilesAndHelpApart) {
    const fs::path bin = dir_ / "usr" / "bin", share = dir_ / "usr" / "share" / "tessaroll";
    const fs::path user = dir_ / "home" / ".local" / "share" / "tessaroll";
    fs::create_directories(bin);
    fs::create_directories(share);
    std::ofstream(share / "main.htm") << "<p>guide</p>";
    const ProgramFolders f = find_program_folders(bin, {}, user);
    EXPECT_TRUE(f.per_user());
    EXPECT_EQ(f.files, user);
    EXPECT_EQ(f.help, share);
    EXPECT_EQ(f.pattern_file(), user / "pattern.tq");
    EXPECT_FALSE(fs::exists(user));
    prepare_files_folder(f);
    struct stat st {};
    ASSERT_EQ(::stat(user.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ListRequest r = request(2, 6);
    r.output_folder = f.files;
    make_list(r);
    EXPECT_TRUE(fs::exists(user / "output.txt"));

    // A portable copy: one folder for both, nothing made.
    const ProgramFolders p = find_program_folders(share, {}, user);
    EXPECT_FALSE(p.per_user());
    EXPECT_EQ(p.files, share);
    EXPECT_EQ(p.help, share);
}

}  // namespace
}  // namespace tessaroll
