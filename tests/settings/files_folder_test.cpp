// SPDX-License-Identifier: GPL-3.0-or-later
// Where output.txt and pattern.tq are kept: the portable and the installed copy, the user's data
// folder and the pattern.tq an installed copy finds beside the program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>

#include "engine/atomic_file.h"
#include "settings/files_folder.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;

class FilesFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("tessaroll-files-folder-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        fs::create_directories(root_ / "home");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root_ / "bin", fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root_, ignored);
    }

    void put(const fs::path& file, const std::string& bytes) const {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    static unsigned mode(const fs::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mode & 07777;
    }

    fs::path root_;
};

// What a user without the administrator's rights gets: the administrator may write anywhere, so
// when the tests run as root the check runs in a child process that has given those rights up.
template <typename Check>
void as_ordinary_user(Check check) {
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                std::_Exit(3);
            }
            std::_Exit(check() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FilesFolderTest, EachKindOfCopyKeepsItsFilesInItsOwnPlace) {
    const fs::path bin = root_ / "bin";
    const fs::path user = root_ / "home" / "data";
    const fs::path stick = root_ / "stick";

    // A portable copy in a folder the user may write.
    FilesFolder f = choose_files_folder(bin, {}, user);
    EXPECT_EQ(f.place, FilesPlace::ProgramFolder);
    EXPECT_EQ(f.folder, bin);

    // --dir wins over everything.
    f = choose_files_folder(bin, stick, user);
    EXPECT_EQ(f.place, FilesPlace::GivenFolder);
    EXPECT_EQ(f.folder, stick);

    // The bin folder of an installation is installed even for a user who may write there (an
    // administrator), whose files then go to the own data folder, not among the programs.
    fs::create_directories(root_ / "share" / "tessaroll");
    f = choose_files_folder(bin, {}, user);
    EXPECT_EQ(f.place, FilesPlace::UserFolder);
    EXPECT_EQ(f.folder, user);
    EXPECT_EQ(f.old_folder, bin);
    EXPECT_EQ(choose_files_folder(bin, stick, user).place, FilesPlace::GivenFolder);
    EXPECT_EQ(installed_data_folder(bin), root_ / "share" / "tessaroll");
}

TEST_F(FilesFolderTest, AFolderTheUserMayNotWriteMakesAnInstalledCopy) {
    const fs::path bin = root_ / "bin";
    EXPECT_TRUE(folder_is_writable(bin));
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    fs::permissions(root_, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
    const fs::path user = root_ / "home" / "data";
    as_ordinary_user([&] {
        const FilesFolder f = choose_files_folder(bin, {}, user);
        return !folder_is_writable(bin) && f.place == FilesPlace::UserFolder && f.folder == user;
    });
    // A folder that does not exist cannot be written either.
    EXPECT_FALSE(folder_is_writable(root_ / "missing"));
}

TEST_F(FilesFolderTest, AnInstalledCopyReadsThePatternFileBesideTheProgramUntilItHasItsOwn) {
    const fs::path bin = root_ / "bin";
    const fs::path user = root_ / "home" / "data";
    fs::create_directories(root_ / "share" / "tessaroll");
    const FilesFolder f = choose_files_folder(bin, {}, user);

    EXPECT_EQ(pattern_file_to_read(f), user / "pattern.tq");  // none anywhere
    put(bin / "pattern.tq", " 5  8 \r\n");
    EXPECT_EQ(pattern_file_to_read(f), bin / "pattern.tq");
    fs::create_directories(user);
    put(user / "pattern.tq", " 6  9 \r\n");
    EXPECT_EQ(pattern_file_to_read(f), user / "pattern.tq");

    // Whatever stands at the name in the user's folder is the user's, even a link to nothing or
    // to a folder, a folder or a FIFO: the old file is not read in its place.
    fs::remove(user / "pattern.tq");
    const std::pair<const char*, std::function<void(const fs::path&)>> kinds[] = {
        {"dangling link", [&](const fs::path& p) { fs::create_symlink(user / "nowhere", p); }},
        {"link to a folder", [&](const fs::path& p) { fs::create_directory_symlink(user, p); }},
        {"link to a link to nothing",
         [&](const fs::path& p) {
             fs::create_symlink(user / "nowhere", user / "link");
             fs::create_symlink(user / "link", p);
         }},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }},
        {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
    };
    for (const auto& [name, make] : kinds) {
        make(user / "pattern.tq");
        EXPECT_EQ(pattern_file_to_read(f), user / "pattern.tq") << name;
        fs::remove(user / "pattern.tq");
        fs::remove(user / "link");
    }
    EXPECT_EQ(pattern_file_to_read(f), bin / "pattern.tq");
    // Nor when the user's folder cannot be searched: its file is then reported, not replaced.
    fs::permissions(user, fs::perms::none);
    fs::permissions(root_, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
    fs::permissions(root_ / "home", fs::perms::others_exec, fs::perm_options::add);
    as_ordinary_user([&] { return pattern_file_to_read(f) == user / "pattern.tq"; });
    fs::permissions(user, fs::perms::owner_all);

    // A portable copy reads its own, whatever lies elsewhere.
    const FilesFolder portable = choose_files_folder(user, {}, root_ / "other");
    EXPECT_EQ(portable.place, FilesPlace::ProgramFolder);
    fs::remove(user / "pattern.tq");
    EXPECT_EQ(pattern_file_to_read(portable), user / "pattern.tq");
}

TEST_F(FilesFolderTest, TheUserFolderIsCreatedForItsOwnerOnly) {
    const fs::path home = root_ / "home";
    fs::permissions(home, fs::perms::all);  // an existing folder keeps its mode
    const fs::path user = home / ".local" / "share" / "tessaroll";
    const mode_t old_mask = ::umask(0);  // even a permissive umask gives 0700
    create_private_folder(user);
    ::umask(old_mask);
    EXPECT_EQ(mode(home / ".local"), 0700u);
    EXPECT_EQ(mode(home / ".local" / "share"), 0700u);
    EXPECT_EQ(mode(user), 0700u);
    EXPECT_EQ(mode(home), 0777u);
    EXPECT_NO_THROW(create_private_folder(user));  // twice is fine
    // Made wider since (by hand, by an older copy): private again, and only it, not its parents.
    for (const mode_t wider : {0755, 0770, 0707, 0777}) {
        ::chmod(user.c_str(), wider);
        ::chmod((home / ".local").c_str(), 0755);
        create_private_folder(user);
        EXPECT_EQ(mode(user), 0700u) << wider;
        EXPECT_EQ(mode(home / ".local"), 0755u);
    }

    put(home / "file", "x");
    try {
        create_private_folder(home / "file" / "tessaroll");
        FAIL() << "a file in the way was not reported";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("file"), std::string::npos) << e.what();
    }
}

TEST_F(FilesFolderTest, TheUserFolderFollowsTheEnvironment) {
    struct Case {
        const char* xdg_data_home;  // nullptr: unset
        const char* home;
        fs::path expected;
    };
    const Case cases[] = {
        {"/data/me", "/home/me", "/data/me/tessaroll"},
        {nullptr, "/home/me", "/home/me/.local/share/tessaroll"},
        {"", "/home/me/", "/home/me/.local/share/tessaroll"},
        {nullptr, "", "/.local/share/tessaroll"},
        // A relative XDG_DATA_HOME would name a folder that depends on the current one.
        {"data", "/home/me", "/home/me/.local/share/tessaroll"},
        {"./data", "/home/me", "/home/me/.local/share/tessaroll"},
        {"~/data", "/home/me", "/home/me/.local/share/tessaroll"},
    };
    const std::string saved_xdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const bool had_xdg = std::getenv("XDG_DATA_HOME") != nullptr;
    const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const Case& c : cases) {
        if (c.xdg_data_home != nullptr) {
            ::setenv("XDG_DATA_HOME", c.xdg_data_home, 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(user_data_folder(), c.expected) << c.home;
    }
    had_xdg ? ::setenv("XDG_DATA_HOME", saved_xdg.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace tessaroll
