// SPDX-License-Identifier: GPL-3.0-or-later
// The trust rule as both programs apply it at start: the files folder and the pattern.tq read, by
// their owner and mode, with one sentence for a refusal and one line for a warning.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "engine/atomic_file.h"
#include "session/list_flow.h"
#include "session/program_folders.h"
#include "session/settings_store.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kOther = 65534;  // the user the checks run as, when the test runs as root
constexpr uid_t kThird = 4242;   // another user

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// f run as kOther when the test runs as root, else as the test's user; 0 when f returned true.
int as_user(const std::function<bool()>& f) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(kOther) != 0 || ::setuid(kOther) != 0)) {
            ::_exit(3);
        }
        ::_exit(f() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

class SessionTrust : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "other users' files and folders: needs root to make them, as CI has";
        }
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("tessaroll-trust-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "program");
        ::chmod(dir_.c_str(), 0755);
        ::chown((dir_ / "program").c_str(), kOther, kOther);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void put(const fs::path& file, const std::string& bytes, uid_t owner) const {
        std::ofstream(file, std::ios::binary) << bytes;
        ::chown(file.c_str(), owner, owner);
    }

    fs::path dir_;
};

TEST_F(SessionTrust, TheStartRefusesOrWarnsWithOneSentence) {
    const fs::path folder = dir_ / "program";
    struct Case {
        const char* name;
        mode_t mode;
        uid_t owner;
        uid_t pattern_owner;  // of pattern.tq in it
        const char* refusal;  // nullptr: none
        const char* warning;  // nullptr: none
    };
    const Case cases[] = {
        {"the user's own", 0755, kOther, kOther, nullptr, nullptr},
        {"root's pattern.tq", 0700, kOther, 0, nullptr, nullptr},
        {"another user's pattern.tq", 0700, kOther, kThird, "belongs to another user", nullptr},
        {"open to the group", 0775, kOther, kOther, nullptr, "chmod go-w"},
        {"shared like /tmp", 01777, 0, kThird, "shared like /tmp", nullptr},
        {"another user's folder", 0777, kThird, kThird, "chown", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::chown(folder.c_str(), c.owner, c.owner);
        ::chmod(folder.c_str(), c.mode);
        put(folder / "pattern.tq", " 1  1 \r\n 0 \r\n", c.pattern_owner);
        const ProgramFolders f = find_program_folders(folder, {}, dir_ / "user");
        ASSERT_EQ(f.place, FilesPlace::ProgramFolder);
        EXPECT_EQ(as_user([&] {
                      std::string refusal;
                      std::string warning;
                      try {
                          warning = check_files_folder(f);
                      } catch (const FileRefusal& e) {
                          refusal = e.what();
                      }
                      // The store reads nothing the start refuses.
                      SettingsStore store(f.pattern_file(), f.pattern_file_to_load());
                      const SettingsLoad load = store.load();
                      const bool loaded = store.settings().pnumb == 1;
                      if (c.refusal == nullptr) {
                          return refusal.empty() &&
                                 (c.warning == nullptr ? warning.empty()
                                                       : contains(warning, c.warning)) &&
                                 loaded;
                      }
                      return contains(refusal, c.refusal) && contains(refusal, folder.string()) &&
                             !loaded && load.sentence.empty() && !load.refusal.empty();
                  }),
                  0);
        fs::remove(folder / "pattern.tq");
    }
}

TEST_F(SessionTrust, ARefusedFileIsNeitherReadNorReplaced) {
    const fs::path folder = dir_ / "program";
    put(folder / "pattern.tq", " 1  1 \r\n 0 \r\n", kThird);
    ::chmod((folder / "pattern.tq").c_str(), 0666);
    EXPECT_EQ(as_user([&] {
                  SettingsStore store(folder / "pattern.tq");
                  const SettingsLoad load = store.load();
                  const SettingsChange change = store.set_count(5);
                  return load.status == PatternLoad::Incomplete && change.accepted &&
                         !change.saved && contains(change.sentence, "belongs to another user");
              }),
              0);
    std::ifstream in(folder / "pattern.tq", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, " 1  1 \r\n 0 \r\n");
}

TEST_F(SessionTrust, TheInstalledCopysDataFolderIsMadePrivate) {
    fs::create_directories(dir_ / "share" / "tessaroll");
    const fs::path user = dir_ / "home" / "tessaroll";
    fs::create_directories(user);
    ::chown((dir_ / "home").c_str(), kOther, kOther);
    ::chown(user.c_str(), kOther, kOther);
    ::chmod(user.c_str(), 0755);
    const ProgramFolders f = find_program_folders(dir_ / "bin", {}, user);
    ASSERT_TRUE(f.per_user());
    EXPECT_EQ(as_user([&] { return prepare_files_folder(f).empty(); }), 0);
    struct stat st {};
    ::stat(user.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    // Another user's is not changed, and refused.
    ::chown(user.c_str(), kThird, kThird);
    ::chmod(user.c_str(), 0777);
    EXPECT_EQ(as_user([&] {
                  try {
                      prepare_files_folder(f);
                  } catch (const FileRefusal& e) {
                      return contains(e.what(), "belongs to another user");
                  }
                  return false;
              }),
              0);
    ::stat(user.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0777u);
}

// What the window shows on Generate: the refusal's own sentence, without the advice for a file that
// merely could not be written; the planted object and output.txt stay as they were.
TEST(SessionTrustOnGenerate, ARefusedSaveIsTheListsRefusal) {
    const fs::path dir =
        fs::temp_directory_path() / ("tessaroll-generate-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "shared");
    fs::create_directories(dir / "fifo");
    ::chmod(dir.c_str(), 0700);
    ::chmod((dir / "shared").c_str(), 01777);
    ASSERT_EQ(::mkfifo((dir / "fifo" / "output.txt").c_str(), 0600), 0);
    const std::pair<fs::path, const char*> cases[] = {
        {dir / "shared", "shared like /tmp"},
        {dir / "fifo", "FIFO"},
    };
    for (const auto& [folder, said] : cases) {
        ListRequest request;
        request.personal = "secret";
        request.date = {26, 7, 2002};
        request.settings.pnumb = 4;
        request.settings.lentgh = 10;
        request.output_folder = folder;
        try {
            make_list(request);
            ADD_FAILURE() << "saved in " << folder;
        } catch (const ListRefusal& e) {
            EXPECT_TRUE(contains(e.what(), said)) << e.what();
            EXPECT_TRUE(contains(e.what(), "The new list was not saved.")) << e.what();
            EXPECT_FALSE(contains(e.what(), "can be written")) << e.what();
        }
    }
    EXPECT_TRUE(fs::is_empty(dir / "shared"));
    EXPECT_EQ(fs::symlink_status(dir / "fifo" / "output.txt").type(), fs::file_type::fifo);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tessaroll
