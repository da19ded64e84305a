// SPDX-License-Identifier: GPL-3.0-or-later
// What a save does with what already stands at the path: devices, FIFOs, sockets, read-only files,
// other users' files and folders, symbolic links in and out of trusted folders; the unnamed
// temporary file and its fallback; temporary files left by killed writers; long names.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/atomic_file.h"
#include "tests/support/file_calls_mock.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;
using C = file_calls_mock::Call;

constexpr uid_t kOther = 65534;  // nobody: another user than root and the one who runs the test
constexpr uid_t kThird = 4242;   // a third user, owner of what "nobody" must not trust

std::string read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

struct stat stat_of(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st;
}

bool is_root() {
    return ::geteuid() == 0;
}

// Runs f in a child process and returns its exit status (100 + the signal when killed).
int in_child(const std::function<int()>& f) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// f run as the user kOther (the test runs as root in CI); 0 when f returned true.
int as_other_user(const std::function<bool()>& f) {
    return in_child([&] {
        if (::setgid(kOther) != 0 || ::setuid(kOther) != 0) {
            return 3;
        }
        return f() ? 0 : 1;
    });
}

// The sentence of the FileRefusal the save throws; empty when it throws none (or another error).
std::string refusal_of(const std::function<void()>& save) {
    try {
        save();
    } catch (const FileRefusal& e) {
        return e.what();
    } catch (const FileError& e) {
        return std::string("not a refusal: ") + e.what();
    }
    return {};
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class SafeReplace : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("tessaroll-safe-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "in");
        fs::create_directories(dir_ / "outside");
        ::chmod(dir_.c_str(), 0755);
        target_ = dir_ / "in" / "output.txt";
    }
    void TearDown() override {
        file_calls_mock::reset();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    fs::path dir_;
    fs::path target_;
};

TEST_F(SafeReplace, WhatIsNotAnOrdinaryWritableFileIsRefusedAndLeftAsItIs) {
    struct Case {
        const char* name;
        std::function<bool(const fs::path&)> plant;  // false: cannot be planted here
        const char* said;
    };
    int sock = -1;
    const Case cases[] = {
        {"FIFO", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0644) == 0; }, "FIFO"},
        {"socket",
         [&](const fs::path& p) {
             sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             p.string().copy(addr.sun_path, sizeof addr.sun_path - 1);
             return ::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
         },
         "socket"},
        {"character device (/dev/null)",
         [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         "device"},
        {"read-only file",
         [](const fs::path& p) {
             write_bytes(p, "kept\r\n");
             return ::chmod(p.c_str(), 0444) == 0;
         },
         "chmod u+w"},
        {"link to a FIFO",
         [&](const fs::path& p) {
             return ::mkfifo((dir_ / "outside" / "fifo").c_str(), 0644) == 0 &&
                    ::symlink((dir_ / "outside" / "fifo").c_str(), p.c_str()) == 0;
         },
         "FIFO"},
        {"link to nothing",
         [&](const fs::path& p) {
             return ::symlink((dir_ / "outside" / "gone").c_str(), p.c_str()) == 0;
         },
         "does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_ / "in");
        fs::remove_all(dir_ / "outside");
        fs::create_directories(dir_ / "in");
        fs::create_directories(dir_ / "outside");
        if (!c.plant(target_)) {
            std::cout << "[ skipped  ] " << c.name << " cannot be made here\n";
            continue;
        }
        const struct stat before = stat_of(target_);
        const auto outside = names_in(dir_ / "outside");
        const std::string said = refusal_of([&] { replace_file_contents(target_, "new\r\n"); });
        EXPECT_TRUE(contains(said, c.said)) << said;
        EXPECT_TRUE(contains(said, target_.string())) << said;
        const struct stat after = stat_of(target_);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_rdev, before.st_rdev);
        EXPECT_EQ(names_in(dir_ / "in"), std::set<std::string>{"output.txt"});
        EXPECT_EQ(names_in(dir_ / "outside"), outside);
        if (S_ISREG(before.st_mode)) {
            EXPECT_EQ(read_bytes(target_), "kept\r\n");
        }
        if (sock >= 0) {
            ::close(sock);
            sock = -1;
        }
    }
}

TEST_F(SafeReplace, TheNewFileKeepsTheModeWithinItsCapAndAsRootTheOwner) {
    struct Case {
        mode_t before;
        unsigned cap;
        mode_t after;
    };
    const Case cases[] = {
        {0644, kKeptMode, 0644},     // pattern.tq stays readable by others
        {0640, kKeptMode, 0640},     //
        {0644, kPrivateMode, 0600},  // output.txt holds passwords
        {0600, kKeptMode, 0600},     //
        {0200, kKeptMode, 0600},     // the owner can read it again
        {04755, kKeptMode, 0755},    // no set-user-ID file is made
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        write_bytes(target_, "old");
        ASSERT_EQ(::chmod(target_.c_str(), c.before), 0);
        replace_file_contents(target_, "new", c.cap);
        EXPECT_EQ(stat_of(target_).st_mode & 07777, c.after);
        EXPECT_EQ(read_bytes(target_), "new");
    }
    if (!is_root()) {
        GTEST_SKIP() << "the owner of another user's file: needs root";
    }
    // Root saving in a user's folder: the file stays the user's, and a new one becomes the user's.
    ASSERT_EQ(::chown(target_.c_str(), kOther, kOther), 0);
    ASSERT_EQ(::chmod(target_.c_str(), 0640), 0);
    replace_file_contents(target_, "as root", kKeptMode);
    struct stat st = stat_of(target_);
    EXPECT_EQ(st.st_uid, kOther);
    EXPECT_EQ(st.st_gid, kOther);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(::chown((dir_ / "in").c_str(), kOther, kOther), 0);
    replace_file_contents(dir_ / "in" / "pattern.tq", "new file");
    st = stat_of(dir_ / "in" / "pattern.tq");
    EXPECT_EQ(st.st_uid, kOther);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // and the user can read both, as that user
    EXPECT_EQ(as_other_user([&] {
                  return read_bytes(target_) == "as root" &&
                         read_bytes(dir_ / "in" / "pattern.tq") == "new file";
              }),
              0);
    // When the owner cannot be kept, nothing is replaced.
    file_calls_mock::fail(C::chown, EPERM);
    EXPECT_THROW(replace_file_contents(target_, "x"), FileError);
    file_calls_mock::reset();
    EXPECT_EQ(read_bytes(target_), "as root");
    EXPECT_EQ(names_in(dir_ / "in"), (std::set<std::string>{"output.txt", "pattern.tq"}));
}

TEST_F(SafeReplace, AnotherUsersFileOrFolderIsRefusedToAUserWhoIsNotRoot) {
    if (!is_root()) {
        GTEST_SKIP() << "files of another user: needs root to make them";
    }
    // The test's folders become the user kOther's own; what is planted belongs to kThird.
    for (const fs::path& p : {dir_, dir_ / "in", dir_ / "outside"}) {
        ASSERT_EQ(::chown(p.c_str(), kOther, kOther), 0);
    }
    const fs::path theirs = dir_ / "theirs";
    fs::create_directories(theirs);
    ::chown(theirs.c_str(), kThird, kThird);
    ::chmod(theirs.c_str(), 0777);
    write_bytes(theirs / "pattern.tq", "theirs");
    ::chown((theirs / "pattern.tq").c_str(), kThird, kThird);
    ::chmod((theirs / "pattern.tq").c_str(), 0666);
    const fs::path shared = dir_ / "shared";
    fs::create_directories(shared);
    ::chmod(shared.c_str(), 01777);

    struct Case {
        const char* name;
        std::function<void()> plant;
        fs::path target;
        const char* said;
    };
    const Case cases[] = {
        {"a file of another user in the user's folder",
         [&] {
             write_bytes(target_, "kept");
             ::chown(target_.c_str(), kThird, kThird);
             ::chmod(target_.c_str(), 0666);
         },
         target_, "belongs to another user"},
        {"a folder of another user, open to all", [] {}, theirs / "output.txt",
         "belongs to another user"},
        {"a link to a file in another user's folder",
         [&] { fs::create_symlink(theirs / "pattern.tq", target_); }, target_,
         "belongs to another user"},
        {"a folder shared like /tmp", [] {}, shared / "output.txt", "shared like /tmp"},
        {"a link into a folder shared like /tmp",
         [&] {
             write_bytes(shared / "pattern.tq", "kept");
             ::chown((shared / "pattern.tq").c_str(), kOther, kOther);
             fs::create_symlink(shared / "pattern.tq", target_);
         },
         target_, "shared like /tmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(target_);
        c.plant();
        const auto in_before = names_in(dir_ / "in");
        const auto theirs_before = names_in(theirs);
        EXPECT_EQ(as_other_user([&] {
                      const std::string said =
                          refusal_of([&] { replace_file_contents(c.target, "new"); });
                      return contains(said, c.said);
                  }),
                  0);
        EXPECT_EQ(names_in(dir_ / "in"), in_before);
        EXPECT_EQ(names_in(theirs), theirs_before);
        EXPECT_EQ(read_bytes(theirs / "pattern.tq"), "theirs");
    }
    EXPECT_EQ(read_bytes(target_), "kept");  // the link into the shared folder
    EXPECT_FALSE(fs::exists(shared / "output.txt"));
    // Root may save in the other user's folder (keeping owners), but not in one others may write
    // to, and not in one shared like /tmp.
    EXPECT_TRUE(contains(refusal_of([&] { replace_file_contents(theirs / "output.txt", "x"); }),
                         "Others may write"));
    ::chmod(theirs.c_str(), 0755);
    replace_file_contents(theirs / "output.txt", "root's");
    EXPECT_EQ(stat_of(theirs / "output.txt").st_uid, kThird);
    EXPECT_TRUE(contains(refusal_of([&] { replace_file_contents(shared / "output.txt", "x"); }),
                         "shared like /tmp"));
}

TEST_F(SafeReplace, ALinkIsFollowedAndTheFileItNamesReplacedInItsOwnFolder) {
    const fs::path real = dir_ / "outside" / "pattern.tq";
    write_bytes(real, "old settings");
    ::chmod(real.c_str(), 0644);
    // A relative link and an absolute one, and a link to a link.
    const std::pair<const char*, std::function<void()>> links[] = {
        {"absolute", [&] { fs::create_symlink(real, target_); }},
        {"relative", [&] { fs::create_symlink("../outside/pattern.tq", target_); }},
        {"link to a link",
         [&] {
             fs::create_symlink(real, dir_ / "outside" / "step");
             fs::create_symlink(dir_ / "outside" / "step", target_);
         }},
    };
    for (const auto& [name, make] : links) {
        SCOPED_TRACE(name);
        fs::remove(target_);
        fs::remove(dir_ / "outside" / "step");
        make();
        replace_file_contents(target_, std::string("saved through ") + name, kKeptMode);
        EXPECT_TRUE(fs::is_symlink(target_));
        EXPECT_EQ(read_bytes(real), std::string("saved through ") + name);
        EXPECT_EQ(stat_of(real).st_mode & 07777, 0644u);
        EXPECT_EQ(names_in(dir_ / "in"), std::set<std::string>{"output.txt"});
    }
    // A link to a name with nothing yet, in a trusted folder: refused, as a typo in a link is
    // more likely than a wish to create a file there.
    fs::remove(target_);
    fs::create_symlink(dir_ / "outside" / "new.tq", target_);
    EXPECT_TRUE(
        contains(refusal_of([&] { replace_file_contents(target_, "x"); }), "which does not exist"));
    EXPECT_FALSE(fs::exists(dir_ / "outside" / "new.tq"));
}

TEST_F(SafeReplace, TheTrustRuleForFolders) {
    struct Case {
        const char* name;
        mode_t mode;
        uid_t owner;  // kOther: the user's own (the check runs as kOther); else another user
        const char* refusal;  // part of it, or nullptr
        const char* warning;  // part of it, or nullptr
    };
    const Case cases[] = {
        {"own, private", 0700, kOther, nullptr, nullptr},
        {"own, a memory stick's usual mode", 0755, kOther, nullptr, nullptr},
        {"own, writable by the group", 0775, kOther, nullptr, "chmod go-w"},
        {"own, writable by all", 0777, kOther, nullptr, "chmod go-w"},
        {"own, shared like /tmp", 01777, kOther, "chmod go-w", nullptr},
        {"root's, shared like /tmp", 01777, 0, "shared like /tmp", nullptr},
        {"root's, private to root", 0755, 0, nullptr, nullptr},
        {"root's, writable by all", 0777, 0, "Others may write", nullptr},
        {"another user's", 0755, kThird, "belongs to another user", nullptr},
        {"another user's, writable by all", 0777, kThird, "belongs to another user", nullptr},
    };
    if (!is_root()) {
        GTEST_SKIP() << "folders of other users: needs root to make them";
    }
    const fs::path folder = dir_ / "folder";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(folder);
        ASSERT_EQ(::chown(folder.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);
        EXPECT_EQ(as_other_user([&] {
                      const FolderTrust t = check_folder_trust(folder);
                      const bool refusal_ok = c.refusal == nullptr
                                                  ? t.refusal.empty()
                                                  : contains(t.refusal, c.refusal) &&
                                                        contains(t.refusal, folder.string());
                      const bool warning_ok =
                          c.warning == nullptr ? t.warning.empty() : contains(t.warning, c.warning);
                      return refusal_ok && warning_ok;
                  }),
                  0);
        fs::remove(folder);
    }
    // A link to another user's folder is that folder.
    fs::create_directories(folder);
    ::chown(folder.c_str(), kThird, kThird);
    fs::create_directory_symlink(folder, dir_ / "link");
    EXPECT_EQ(as_other_user([&] { return !check_folder_trust(dir_ / "link").refusal.empty(); }), 0);
}

TEST_F(SafeReplace, ReadingRefusesAnotherUsersFileButNotRootsOrOwn) {
    if (!is_root()) {
        GTEST_SKIP() << "files of other users: needs root to make them";
    }
    ::chown(dir_.c_str(), kOther, kOther);
    ::chown((dir_ / "in").c_str(), kOther, kOther);
    const struct {
        uid_t owner;
        bool refused;
    } cases[] = {{kOther, false}, {0, false}, {kThird, true}};
    for (const auto& c : cases) {
        write_bytes(target_, "x");
        ::chown(target_.c_str(), c.owner, c.owner);
        EXPECT_EQ(as_other_user([&] {
                      const std::string why = reading_refusal(target_);
                      return why.empty() != c.refused &&
                             (!c.refused || contains(why, "belongs to another user"));
                  }),
                  0)
            << c.owner;
    }
}

TEST_F(SafeReplace, UnnamedTemporaryFileFirstAndTheNamedOneWhereThereIsNone) {
    write_bytes(target_, "old");
    struct Case {
        const char* name;
        std::function<void()> prepare;
        bool unnamed_used;
    };
    const Case cases[] = {
        {"the file system has unnamed files", [] {}, true},
        {"it has none", [] { file_calls_mock::fail(C::open, EOPNOTSUPP, 1); }, false},
        {"an old kernel without O_TMPFILE", [] { file_calls_mock::fail(C::open, EISDIR, 1); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file_calls_mock::reset();
        c.prepare();
        replace_file_contents(target_, c.name);
        EXPECT_EQ(read_bytes(target_), c.name);
        EXPECT_EQ(names_in(dir_ / "in"), std::set<std::string>{"output.txt"});
        bool linked = false;
        bool named = false;
        for (const auto& r : file_calls_mock::calls()) {
            linked = linked || (r.call == C::link && r.error == 0);
            named = named || (r.call == C::open && (r.flags & O_CREAT) != 0 && r.error == 0);
        }
        EXPECT_EQ(linked, c.unnamed_used);
        EXPECT_EQ(named, !c.unnamed_used);
    }
    // Any other failure to make the unnamed file is reported, and nothing is left.
    file_calls_mock::reset();
    file_calls_mock::fail(C::open, EACCES, 1);
    EXPECT_THROW(replace_file_contents(target_, "new"), FileError);
    file_calls_mock::reset();
    EXPECT_EQ(read_bytes(target_), "an old kernel without O_TMPFILE");
    EXPECT_EQ(names_in(dir_ / "in"), std::set<std::string>{"output.txt"});
}

// Plants a temporary file of target's as a killed writer leaves it, age seconds old.
fs::path plant_temporary(const fs::path& target, const std::string& part, int age) {
    const fs::path tmp = temporary_path_for(target, part);
    write_bytes(tmp, "a whole password list");
    const auto when = fs::file_time_type::clock::now() - std::chrono::seconds(age);
    fs::last_write_time(tmp, when);
    return tmp;
}

TEST_F(SafeReplace, TemporaryFilesOfKilledWritersAreRemovedByTheNextSave) {
    write_bytes(target_, "old");
    const fs::path stale = plant_temporary(target_, "abcdefghij01", 3600);
    const fs::path stale_recent = plant_temporary(target_, "abcdefghij02", 0);
    // A named one just created, not yet locked (its mode is 0 until then).
    const fs::path fresh = plant_temporary(target_, "abcdefghij03", 0);
    ::chmod(fresh.c_str(), 0);
    const fs::path held = plant_temporary(target_, "abcdefghij04", 3600);
    const int held_fd = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held_fd, LOCK_EX), 0);  // a writer at work, holding its lock
    // Names of the same shape that are not a writer's temporary file, and other files' ones.
    const fs::path fifo = temporary_path_for(target_, "abcdefghij05");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path other_file = plant_temporary(dir_ / "in" / "pattern.tq", "abcdefghij06", 3600);
    const fs::path short_part = plant_temporary(target_, "abcdefghij7", 3600);
    const fs::path upper = plant_temporary(target_, "ABCDEFGHIJ08", 3600);

    replace_file_contents(target_, "new");
    EXPECT_EQ(read_bytes(target_), "new");
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(stale_recent));
    for (const fs::path& kept : {fresh, held, fifo, other_file, short_part, upper}) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(kept))) << kept;
    }
    ::close(held_fd);
    // Left by a writer killed before its lock, once a few seconds old.
    fs::last_write_time(fresh, fs::file_time_type::clock::now() - std::chrono::seconds(10));
    EXPECT_EQ(remove_stale_temporary_files(target_), 2);  // the held one, now free, and fresh
    EXPECT_EQ(remove_stale_temporary_files(dir_ / "in" / "pattern.tq"), 1);
    if (is_root()) {
        // Root's save cleans what it left as the user's (it gives temporary files the owner).
        const fs::path users = plant_temporary(target_, "abcdefghij09", 3600);
        ::chown(users.c_str(), kOther, kOther);
        EXPECT_EQ(remove_stale_temporary_files(target_), 1);
        // A user's save leaves another user's alone.
        const fs::path others = plant_temporary(target_, "abcdefghij10", 3600);
        ::chown(others.c_str(), kThird, kThird);
        ::chmod((dir_ / "in").c_str(), 0777);
        EXPECT_EQ(as_other_user([&] { return remove_stale_temporary_files(target_) == 0; }), 0);
        EXPECT_TRUE(fs::exists(others));
    }
}

TEST_F(SafeReplace, EveryNameTheSystemAllowsCanBeSavedAndItsTemporaryNameFits) {
    const long limit = ::pathconf((dir_ / "in").c_str(), _PC_NAME_MAX);
    ASSERT_GT(limit, 20);
    const std::size_t max = static_cast<std::size_t>(limit);
    const std::string e_acute = "\xc3\xa9";
    std::vector<std::string> names = {std::string(max - 17, 'p'), std::string(max - 16, 'p'),
                                      std::string(max - 1, 'p'), std::string(max, 'p')};
    std::string accented;
    while (accented.size() + e_acute.size() <= max) {
        accented += e_acute;
    }
    names.push_back(accented);                           // cut between two-byte characters
    names.push_back("x" + accented.substr(0, max - 1));  // and with an odd start
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        const fs::path target = dir_ / "in" / name;
        const fs::path tmp = temporary_path_for(target, "abcdefghijkl");
        EXPECT_LE(tmp.filename().string().size(), max);
        EXPECT_EQ(tmp.parent_path(), target.parent_path());
        // Whole characters only: the part kept of the name is a prefix of it at a boundary.
        const std::string kept =
            tmp.filename().string().substr(0, tmp.filename().string().size() - 17);
        EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
        if (kept.size() < name.size()) {
            EXPECT_NE(static_cast<unsigned char>(name[kept.size()]) & 0xC0, 0x80u);
        }
        for (const bool named : {false, true}) {
            if (named) {
                file_calls_mock::fail(C::open, EOPNOTSUPP, 1);
            }
            replace_file_contents(target, "list");
            file_calls_mock::reset();
            EXPECT_EQ(read_bytes(target), "list");
        }
        // A stale one of such a name is found too.
        plant_temporary(target, "abcdefghijkm", 3600);
        EXPECT_EQ(remove_stale_temporary_files(target), 1);
        fs::remove(target);
        EXPECT_TRUE(fs::is_empty(dir_ / "in"));
    }
}

TEST_F(SafeReplace, BytesGivenPieceByPieceAndAFailingSourceLeavesTheTargetAsItWas) {
    write_bytes(target_, "old");
    int pieces = 0;
    replace_file_contents(target_, [&]() -> std::string_view {
        return ++pieces <= 1000 ? std::string_view("0123456789") : std::string_view();
    });
    EXPECT_EQ(read_bytes(target_).size(), 10000u);
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named);
        write_bytes(target_, "old");
        if (named) {
            file_calls_mock::fail(C::open, EOPNOTSUPP, 1);
        }
        pieces = 0;
        EXPECT_THROW(replace_file_contents(target_,
                                           [&]() -> std::string_view {
                                               if (++pieces > 3) {
                                                   throw FileError("the source failed");
                                               }
                                               return "piece";
                                           }),
                     FileError);
        file_calls_mock::reset();
        EXPECT_EQ(read_bytes(target_), "old");
        EXPECT_EQ(names_in(dir_ / "in"), std::set<std::string>{"output.txt"});
    }
}

// Kills a writer at random moments of its saves, the unnamed way and the named one; the target is
// always one whole content, and the next save after the killed ones leaves no temporary file.
TEST_F(SafeReplace, AWriterKilledDuringItsSaveLeavesAWholeFileAndTheNextSaveCleansUp) {
    const std::string a = "A list\r\n" + std::string(200 * 1024, 'a') + "\r\nend\r\n";
    const std::string b = "B list\r\n" + std::string(3000, 'b') + "\r\nend\r\n";
    write_bytes(target_, a);
    std::mt19937 random(12345);
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary files" : "unnamed temporary files");
        int torn = 0;
        for (int round = 0; round < 40; ++round) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                for (int i = 0;; ++i) {
                    if (named) {
                        file_calls_mock::fail(C::open, EOPNOTSUPP, 1);
                    }
                    try {
                        replace_file_contents(target_, i % 2 == 0 ? b : a);
                    } catch (const FileError&) {
                        ::_exit(2);
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status)) << "the writer failed before it was killed";
            const std::string seen = read_bytes(target_);
            torn += seen == a || seen == b ? 0 : 1;
        }
        EXPECT_EQ(torn, 0);
        // Killed writers may have left a temporary file; once it is a few seconds old, the next
        // save removes it.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        replace_file_contents(target_, a);
        EXPECT_EQ(names_in(dir_ / "in"), std::set<std::string>{"output.txt"});
    }
}

}  // namespace
}  // namespace tessaroll
