// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file whole in a folder where someone else has planted things, with two writers at
// once, and with a disk that refuses the bytes.
#include "engine/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/file_calls_mock.h"

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

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("tessaroll-atomic-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "in");
        fs::create_directories(dir_ / "outside");
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

// What is planted where, and how to see that it is as it was.
struct Planted {
    fs::path path;
    fs::file_type type;
    std::string bytes;  // for files and links to files
};

// Plants, at name, one of: a FIFO, a hard link and a symbolic link to a file outside the folder,
// a 0644 file, a folder. The outside files get their own content.
Planted plant(const fs::path& at, int kind, const fs::path& outside) {
    const std::string mark = "outside file for " + at.filename().string() + "\n";
    switch (kind) {
        case 0:
            EXPECT_EQ(::mkfifo(at.c_str(), 0644), 0);
            return {at, fs::file_type::fifo, {}};
        case 1: {
            const fs::path victim = outside / (at.filename().string() + ".hard");
            write_bytes(victim, mark);
            fs::create_hard_link(victim, at);
            return {at, fs::file_type::regular, mark};
        }
        case 2: {
            const fs::path victim = outside / (at.filename().string() + ".sym");
            write_bytes(victim, mark);
            fs::create_symlink(victim, at);
            return {at, fs::file_type::symlink, mark};
        }
        case 3:
            write_bytes(at, mark);
            ::chmod(at.c_str(), 0644);
            return {at, fs::file_type::regular, mark};
        default:
            fs::create_directory(at);
            return {at, fs::file_type::directory, {}};
    }
}

void expect_unchanged(const Planted& p) {
    EXPECT_EQ(fs::symlink_status(p.path).type(), p.type) << p.path;
    if (!p.bytes.empty()) {
        EXPECT_EQ(read_bytes(p.path), p.bytes) << p.path;  // through the link, if it is one
    }
}

TEST_F(AtomicFile, ThingsPlantedAtNamesNearTheTargetAreNeitherOpenedNorChanged) {
    // The names earlier versions and other programs use, and the first names this writer will
    // try (planned through the mock, so they can be planted beforehand).
    const std::vector<std::string> near = {"output.txt.tmp",
                                           ".output.txt.tmp",
                                           "output.txt~",
                                           "output.txt.new",
                                           "output.txt.bak",
                                           "output.tmp",
                                           ".tmp",
                                           "output.txt.aaaa.tmp",
                                           "output.txt.bbbb.tmp",
                                           "output.txt.cccc.tmp",
                                           "output.txt.dddd.tmp",
                                           "output.txt.eeee.tmp"};
    file_calls_mock::next_temporary_names({"aaaa", "bbbb", "cccc", "dddd", "eeee"});
    std::vector<Planted> planted;
    for (std::size_t i = 0; i < near.size(); ++i) {
        planted.push_back(
            plant(target_.parent_path() / near[i], static_cast<int>(i % 5), dir_ / "outside"));
    }
    const auto before_outside = names_in(dir_ / "outside");
    write_bytes(target_, "previous list\r\n");

    replace_file_contents(target_, "new list\r\n");  // a FIFO that were opened would hang here

    // The planted names were tried, in this order, and refused.
    std::vector<std::string> tried;
    for (const auto& c : file_calls_mock::calls()) {
        // Opened under that name, or an unnamed file linked to it.
        if ((c.call == file_calls_mock::Call::open || c.call == file_calls_mock::Call::link) &&
            c.error == EEXIST) {
            tried.push_back(c.path.filename().string());
        }
    }
    EXPECT_EQ(tried, std::vector<std::string>(near.end() - 5, near.end()));

    EXPECT_EQ(read_bytes(target_), "new list\r\n");
    for (const Planted& p : planted) {
        expect_unchanged(p);
    }
    EXPECT_EQ(names_in(dir_ / "outside"), before_outside);
    std::set<std::string> expected(near.begin(), near.end());
    expected.insert("output.txt");
    EXPECT_EQ(names_in(target_.parent_path()), expected) << "a temporary file was left behind";
}

TEST_F(AtomicFile, AHardLinkAtTheTargetIsReplacedNotWrittenThrough) {
    // Symbolic links, FIFOs and the like at the target: tests/engine/safe_replace_test.cpp.
    const fs::path hard_victim = dir_ / "outside" / "hard";
    write_bytes(hard_victim, "keep me\n");
    fs::create_hard_link(hard_victim, target_);
    replace_file_contents(target_, "list\r\n");
    EXPECT_EQ(read_bytes(target_), "list\r\n");
    EXPECT_EQ(read_bytes(hard_victim), "keep me\n");
}

TEST_F(AtomicFile, AFolderIsNoTarget) {
    fs::create_directory(target_);
    for (const fs::path& target : {target_, fs::path(target_.string() + "/")}) {
        try {
            replace_file_contents(target, "x");
            FAIL() << "a folder was replaced";
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("is a folder"), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(fs::is_directory(target_));
    EXPECT_TRUE(fs::is_empty(target_));
    EXPECT_EQ(names_in(target_.parent_path()), std::set<std::string>{"output.txt"});
}

TEST_F(AtomicFile, OnlyTheOwnerMayReadTheFileWhateverTheUmaskOrAStaleTemporaryFile) {
    // A stale temporary file of an older version, readable by all, is not reused.
    const fs::path stale = target_.parent_path() / "output.txt.tmp";
    write_bytes(stale, "stale");
    ::chmod(stale.c_str(), 0644);
    for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
        const mode_t old = ::umask(mask);
        replace_file_contents(target_, "list\r\n");
        ::umask(old);
        struct stat st {};
        ASSERT_EQ(::stat(target_.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << "umask " << mask;
    }
    EXPECT_EQ(read_bytes(stale), "stale");
}

// Runs f in a child process (whose limits and signals it may change) and returns its exit status.
template <typename F>
int in_child(F f) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(AtomicFile, AFailedWriteOrSyncLeavesThePreviousFileAndNoTemporaryFile) {
    const std::string previous = "Date=7/26/2002\r\n\r\nPassword 1= keep\r\n";
    write_bytes(target_, previous);
    const std::string big(256 * 1024, 'x');

    // The disk refuses to sync (the mock stands for EIO from fsync).
    file_calls_mock::fail(file_calls_mock::Call::sync, EIO);
    try {
        replace_file_contents(target_, "new");
        FAIL() << "a failed sync was reported as success";
    } catch (const FileError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(target_.string()), std::string::npos) << what;
        EXPECT_NE(what.find("Input/output error"), std::string::npos) << what;
    }
    file_calls_mock::fail(file_calls_mock::Call::sync, 0);
    EXPECT_EQ(read_bytes(target_), previous);
    EXPECT_EQ(names_in(target_.parent_path()), std::set<std::string>{"output.txt"});

    // A file size limit, with SIGXFSZ ignored so that write() fails with EFBIG.
    const int status = in_child([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            replace_file_contents(target_, big);
        } catch (const FileError& e) {
            return std::string(e.what()).find("File too large") != std::string::npos ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_bytes(target_), previous);
    EXPECT_EQ(names_in(target_.parent_path()), std::set<std::string>{"output.txt"});
}

TEST_F(AtomicFile, EachFailingSystemCallLeavesThePreviousFileAndNoTemporaryFile) {
    using C = file_calls_mock::Call;
    const struct {
        C call;
        int error;
        const char* reason;
    } cases[] = {
        {C::open, EACCES, "Permission denied"},
        {C::chmod, EPERM, "Operation not permitted"},
        {C::write, ENOSPC, "No space left on device"},
        {C::write, EIO, "Input/output error"},
        {C::sync, EIO, "Input/output error"},
        {C::close, EIO, "Input/output error"},
        {C::close, EDQUOT, "Disk quota exceeded"},
        {C::rename, EXDEV, "Invalid cross-device link"},
        {C::link, EMLINK, "Too many links"},
    };
    const std::string previous = "previous list\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        write_bytes(target_, previous);
        file_calls_mock::reset();
        file_calls_mock::fail(c.call, c.error);
        try {
            replace_file_contents(target_, "new list\r\n");
            ADD_FAILURE() << "a failed call was reported as success";
        } catch (const FileError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(target_.string()), std::string::npos) << what;
            EXPECT_NE(what.find(c.reason), std::string::npos) << what;
        }
        file_calls_mock::reset();
        EXPECT_EQ(read_bytes(target_), previous);
        EXPECT_EQ(names_in(target_.parent_path()), std::set<std::string>{"output.txt"});
    }
}

TEST_F(AtomicFile, ShortAndInterruptedWritesStillWriteEveryByte) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) {
        bytes += "Password " + std::to_string(i) + "= x\r\n";
    }
    file_calls_mock::limit_write_size(7);
    file_calls_mock::fail(file_calls_mock::Call::write, EINTR, 2);
    replace_file_contents(target_, bytes);
    EXPECT_EQ(read_bytes(target_), bytes);
}

// What a power cut must not undo: the new bytes are on the disk before the new name points at
// them, and the new name is on the disk after the folder is synced.
TEST_F(AtomicFile, TheTemporaryFileIsSyncedBeforeTheRenameAndTheFolderAfter) {
    using C = file_calls_mock::Call;
    write_bytes(target_, "previous list\r\n");
    file_calls_mock::reset();
    replace_file_contents(target_, "new list\r\n");
    const std::vector<file_calls_mock::Record> calls = file_calls_mock::calls();

    // The first call of kind `call` on handle from index `from` on; calls.size() when none.
    const auto find = [&](C call, std::intptr_t handle, std::size_t from) {
        std::size_t i = from;
        while (i < calls.size() && !(calls[i].call == call && calls[i].handle == handle)) {
            ++i;
        }
        return i;
    };
    std::size_t rename = 0;
    while (rename < calls.size() && calls[rename].call != C::rename) {
        ++rename;
    }
    ASSERT_LT(rename, calls.size()) << "no rename";
    EXPECT_EQ(calls[rename].to, target_);
    const fs::path tmp = calls[rename].path;
    EXPECT_EQ(tmp.parent_path(), target_.parent_path());

    // The temporary file: created (unnamed in the folder, or under its name), written, synced
    // and closed, all before the rename; an unnamed one is linked to its name after the sync.
    std::size_t open = 0;
    while (open < rename &&
           !(calls[open].call == C::open &&
             (calls[open].path == tmp || (calls[open].flags & O_TMPFILE) == O_TMPFILE))) {
        ++open;
    }
    ASSERT_LT(open, rename) << "the renamed file was not opened before";
    const std::intptr_t fd = calls[open].handle;
    ASSERT_GE(fd, 0);
    const bool unnamed = (calls[open].flags & O_TMPFILE) == O_TMPFILE;
    EXPECT_NE(calls[open].flags & (unnamed ? O_TMPFILE : O_CREAT), 0);
    const std::size_t write = find(C::write, fd, open);
    const std::size_t sync = find(C::sync, fd, open);
    const std::size_t close = find(C::close, fd, open);
    EXPECT_LT(write, sync);
    EXPECT_LT(sync, close) << "the temporary file was not synced while it was open";
    EXPECT_LT(close, rename);
    if (unnamed) {
        std::size_t link = open;
        while (link < rename && !(calls[link].call == C::link && calls[link].path == tmp)) {
            ++link;
        }
        EXPECT_LT(sync, link) << "the unnamed file was named before its bytes were synced";
        EXPECT_LT(link, rename);
    }

    // The folder: opened after the rename and synced before it is closed.
    std::size_t folder = rename + 1;
    while (folder < calls.size() &&
           !(calls[folder].call == C::open && calls[folder].path == target_.parent_path())) {
        ++folder;
    }
    ASSERT_LT(folder, calls.size()) << "the folder was not opened after the rename";
    const std::intptr_t dir = calls[folder].handle;
    ASSERT_GE(dir, 0);
    EXPECT_LT(find(C::sync, dir, folder), find(C::close, dir, folder))
        << "the folder was not synced after the rename";
    for (const auto& c : calls) {
        EXPECT_EQ(c.error, 0) << "call " << static_cast<int>(c.call) << " failed";
    }
}

TEST_F(AtomicFile, AFullFileSystemLeavesThePreviousFileAndNoTemporaryFile) {
    const fs::path mount_point = dir_ / "small";
    fs::create_directory(mount_point);
    // Needs the right to mount (root in CI); elsewhere the size limit above stands in for it.
    if (::mount("tessaroll-test", mount_point.c_str(), "tmpfs", 0, "size=64k,mode=0700") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    const fs::path target = mount_point / "output.txt";
    const std::string previous = "previous list\r\n";
    write_bytes(target, previous);
    try {
        replace_file_contents(target, std::string(128 * 1024, 'x'));
        ADD_FAILURE() << "a full disk was reported as success";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left"), std::string::npos) << e.what();
    }
    EXPECT_EQ(read_bytes(target), previous);
    EXPECT_EQ(names_in(mount_point), std::set<std::string>{"output.txt"});
    ::umount(mount_point.c_str());
}

// Two contents of different lengths, so that a mix of them shows.
const std::string kLong = "long list\r\n" + std::string(64 * 1024, 'L') + "\r\nGenerated on t\r\n";
const std::string kShort = "short list\r\nGenerated on t\r\n";

TEST_F(AtomicFile, TwoThreadsWritingAtOnceEachLeaveOneWholeFile) {
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::atomic<int> mixed{0};
    const auto writer = [&](const std::string& bytes) {
        for (int i = 0; i < 300; ++i) {
            try {
                replace_file_contents(target_, bytes);
            } catch (const FileError&) {
                ++failures;
            }
        }
    };
    std::thread reader([&] {
        while (!stop) {
            const std::string seen = read_bytes(target_);
            if (!seen.empty() && seen != kLong && seen != kShort) {
                ++mixed;
            }
        }
    });
    std::thread a(writer, kLong);
    std::thread b(writer, kShort);
    a.join();
    b.join();
    stop = true;
    reader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(mixed, 0);
    const std::string last = read_bytes(target_);
    EXPECT_TRUE(last == kLong || last == kShort);
    EXPECT_EQ(names_in(target_.parent_path()), std::set<std::string>{"output.txt"});
}

TEST_F(AtomicFile, TwoProcessesWritingAtOnceEachLeaveOneWholeFile) {
    // Forked from this one thread; each child writes its content over and over.
    const auto start_writer = [&](const std::string& bytes) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int failed = 0;
            for (int i = 0; i < 300; ++i) {
                try {
                    replace_file_contents(target_, bytes);
                } catch (const FileError&) {
                    failed = 1;
                }
            }
            ::_exit(failed);
        }
        return pid;
    };
    const pid_t a = start_writer(kLong);
    const pid_t b = start_writer(kShort);
    int mixed = 0;
    int running = 2;
    int status_a = -1;
    int status_b = -1;
    while (running > 0) {
        const std::string seen = read_bytes(target_);
        if (!seen.empty() && seen != kLong && seen != kShort) {
            ++mixed;
        }
        for (auto [pid, status] : {std::pair{a, &status_a}, std::pair{b, &status_b}}) {
            if (*status == -1 && ::waitpid(pid, status, WNOHANG) == pid) {
                --running;
            }
        }
    }
    EXPECT_TRUE(WIFEXITED(status_a) && WEXITSTATUS(status_a) == 0);
    EXPECT_TRUE(WIFEXITED(status_b) && WEXITSTATUS(status_b) == 0);
    EXPECT_EQ(mixed, 0);
    const std::string last = read_bytes(target_);
    EXPECT_TRUE(last == kLong || last == kShort);
    EXPECT_EQ(names_in(target_.parent_path()), std::set<std::string>{"output.txt"});
}

TEST_F(AtomicFile, OnlyOrdinaryFilesAreOpenedForReadingAndNothingWaits) {
    const fs::path in = target_.parent_path();
    write_bytes(in / "file", "bytes");
    ASSERT_EQ(::mkfifo((in / "fifo").c_str(), 0644), 0);
    fs::create_directory(in / "folder");
    fs::create_symlink(in / "file", in / "link");
    fs::create_symlink(in / "none", in / "dangling");
    fs::create_symlink(in / "fifo", in / "link-to-fifo");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sock_path = (in / "socket").string();
    ASSERT_LT(sock_path.size(), sizeof addr.sun_path);
    sock_path.copy(addr.sun_path, sock_path.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    using S = OrdinaryFile::Status;
    const std::pair<const char*, S> cases[] = {
        {"file", S::Opened},        {"link", S::Opened},
        {"fifo", S::NotOrdinary},   {"link-to-fifo", S::NotOrdinary},
        {"folder", S::NotOrdinary}, {"socket", S::NotOrdinary},
        {"dangling", S::Absent},    {"none", S::Absent},
    };
    for (const auto& [name, status] : cases) {
        const OrdinaryFile f = open_ordinary_file(in / name);
        EXPECT_EQ(f.status, status) << name;
        EXPECT_EQ(f.file != nullptr, status == S::Opened) << name;
    }
    const OrdinaryFile f = open_ordinary_file(in / "link");
    char buf[16] = {};
    EXPECT_EQ(std::fread(buf, 1, sizeof buf, f.file.get()), 5u);
    EXPECT_EQ(std::string(buf), "bytes");
    ::close(sock);
}

}  // namespace
}  // namespace tessaroll
