// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli with what a careful user or an attacker may have put where it reads and writes:
// devices, FIFOs, sockets, read-only files, links, other users' files and folders; and the
// checked writes of standard output, the date it tells, the signals at the prompt.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "cli_fixture.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using SafeFilesCli = testing::CliTest;

constexpr uid_t kOther = 65534;
constexpr uid_t kThird = 4242;
const std::string kAsOther = "setpriv --reuid=65534 --regid=65534 --clear-groups";

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct stat stat_of(const fs::path& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st;
}

TEST_F(SafeFilesCli, APlantedObjectAtTheFileIsRefusedByBothCommandsAndLeftAsItIs) {
    struct Plant {
        const char* name;
        std::function<bool(const fs::path&)> make;
        const char* said;
    };
    int sock = -1;
    const Plant plants[] = {
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
        {"the null device",
         [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         "device"},
        {"read-only file",
         [](const fs::path& p) {
             std::ofstream(p, std::ios::binary) << " 3  2 \r\n 0 \r\n 0 \r\n";
             return ::chmod(p.c_str(), 0444) == 0;
         },
         "chmod u+w"},
        {"link to nothing", [](const fs::path& p) { return ::symlink("gone", p.c_str()) == 0; },
         "does not exist"},
    };
    struct Command {
        const char* file;
        const char* args;
    };
    const Command commands[] = {
        {"output.txt", "generate --date 2002-07-26 --count 3 --output-dir x"},
        {"pattern.tq", "pattern set --pattern-file x/pattern.tq --count 4"},
    };
    for (const Command& command : commands) {
        for (const Plant& plant : plants) {
            SCOPED_TRACE(std::string(command.args) + " on a " + plant.name);
            fs::remove_all(dir_ / "x");
            fs::create_directories(dir_ / "x");
            const fs::path at = dir_ / "x" / command.file;
            if (!plant.make(at)) {
                std::cout << "[ skipped  ] " << plant.name << " cannot be made here\n";
                continue;
            }
            const struct stat before = stat_of(at);
            const CliRun r = cli(command.args);
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_TRUE(has(r.err, plant.said)) << r.err;
            EXPECT_FALSE(has(r.err, "--force")) << r.err;
            const struct stat after = stat_of(at);
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(after.st_mode, before.st_mode);
            EXPECT_EQ(after.st_rdev, before.st_rdev);
            EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "x"), fs::directory_iterator()),
                      1);
            if (sock >= 0) {
                ::close(sock);
                sock = -1;
            }
        }
    }
}

TEST_F(SafeFilesCli, ALinkedFileIsSavedWhereTheLinkPoints) {
    fs::create_directories(dir_ / "dotfiles");
    put("dotfiles/pattern.tq", " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    fs::permissions(dir_ / "dotfiles" / "pattern.tq",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read);
    fs::create_symlink("dotfiles/pattern.tq", dir_ / "pattern.tq");
    const CliRun r = cli("pattern set --count 2");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir_ / "pattern.tq"));
    EXPECT_EQ(get("dotfiles/pattern.tq"), " 2  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    EXPECT_EQ(stat_of(dir_ / "dotfiles" / "pattern.tq").st_mode & 07777, 0644u);
    // A link to nothing is not replaced by a file of default settings.
    fs::remove(dir_ / "pattern.tq");
    fs::create_symlink("dotfiles/moved.tq", dir_ / "pattern.tq");
    const CliRun dangling = cli("pattern set --count 5");
    EXPECT_EQ(dangling.status, 1);
    EXPECT_TRUE(has(dangling.err, "does not exist")) << dangling.err;
    EXPECT_TRUE(fs::is_symlink(dir_ / "pattern.tq"));
    EXPECT_FALSE(fs::exists(dir_ / "dotfiles" / "moved.tq"));
}

TEST_F(SafeFilesCli, RootKeepsTheOwnerAndModeOfAUsersFiles) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, as CI has";
    }
    fs::create_directories(dir_ / "stick");
    ::chown((dir_ / "stick").c_str(), kOther, kOther);
    put("stick/pattern.tq", " 7  3 \r\n 1 \r\n 0 \r\n 1 \r\n");
    ::chown((dir_ / "stick" / "pattern.tq").c_str(), kOther, kOther);
    ::chmod((dir_ / "stick" / "pattern.tq").c_str(), 0644);
    // As with sudo: root changes the user's settings, writes a list there.
    CliRun r = cli("pattern set --pattern-file stick/pattern.tq --count 2");
    EXPECT_EQ(r.status, 0) << r.err;
    r = cli("generate --date 2002-07-26 --output-dir stick");
    EXPECT_EQ(r.status, 0) << r.err;
    const struct stat pattern = stat_of(dir_ / "stick" / "pattern.tq");
    const struct stat output = stat_of(dir_ / "stick" / "output.txt");
    EXPECT_EQ(pattern.st_uid, kOther);
    EXPECT_EQ(pattern.st_mode & 07777, 0644u);
    EXPECT_EQ(output.st_uid, kOther);
    EXPECT_EQ(output.st_mode & 07777, 0600u);
    // The user reads both.
    r = cli("pattern show --pattern-file stick/pattern.tq", "<password.txt", ">stdout.txt",
            kAsOther);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "count 2")) << r.out;
}

TEST_F(SafeFilesCli, SettingsFromAFolderAnotherUserControlsAreRefusedWithTheFix) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make another user's folders, as CI has";
    }
    // The test's folder becomes the user's (kOther's); kThird is the attacker.
    ::chown(dir_.c_str(), kOther, kOther);
    fs::create_directories(dir_ / "usr" / "bin");
    fs::create_directories(dir_ / "usr" / "share" / "tessaroll");
    const fs::path installed = place_program(dir_ / "usr" / "bin");
    const auto theirs = [&](const fs::path& folder, mode_t mode) {
        fs::create_directories(folder);
        std::ofstream(folder / "pattern.tq", std::ios::binary) << " 1  1 \r\n 0 \r\n";
        ::chown(folder.c_str(), kThird, kThird);
        ::chown((folder / "pattern.tq").c_str(), kThird, kThird);
        ::chmod(folder.c_str(), mode);
        ::chmod((folder / "pattern.tq").c_str(), 0666);
    };
    struct Case {
        const char* name;
        std::function<fs::path()> plant;  // returns the program to run
        std::string environment;
        const char* said;
    };
    const fs::path shared = dir_ / "shared";  // like /tmp
    const Case cases[] = {
        {"the data folder is a link to another user's folder open to all",
         [&] {
             theirs(dir_ / "attacker", 0777);
             fs::create_directories(dir_ / "data");
             ::chown((dir_ / "data").c_str(), kOther, kOther);
             fs::create_directory_symlink(dir_ / "attacker", dir_ / "data" / "tessaroll");
             return installed;
         },
         "XDG_DATA_HOME='" + (dir_ / "data").string() + "'", "belongs to another user"},
        {"XDG_DATA_HOME like /tmp, with a tessaroll folder another user made",
         [&] {
             fs::create_directories(shared);
             ::chmod(shared.c_str(), 01777);
             theirs(shared / "tessaroll", 0755);
             return installed;
         },
         "XDG_DATA_HOME='" + shared.string() + "'", "belongs to another user"},
        {"a portable copy in a folder shared like /tmp",
         [&] {
             fs::create_directories(shared);
             ::chmod(shared.c_str(), 01777);
             std::ofstream(shared / "pattern.tq", std::ios::binary) << " 1  1 \r\n 0 \r\n";
             ::chown((shared / "pattern.tq").c_str(), kThird, kThird);
             return place_program(shared);
         },
         "", "shared like /tmp"},
        {"another user's pattern.tq in the user's own folder",
         [&] {
             fs::create_directories(dir_ / "mine");
             ::chown((dir_ / "mine").c_str(), kOther, kOther);
             std::ofstream(dir_ / "mine" / "pattern.tq", std::ios::binary) << " 1  1 \r\n 0 \r\n";
             ::chown((dir_ / "mine" / "pattern.tq").c_str(), kThird, kThird);
             return place_program(dir_ / "mine");
         },
         "", "belongs to another user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(shared);
        fs::remove_all(dir_ / "data");
        const fs::path program = c.plant();
        for (const char* args : {"pattern show", "pattern set --count 3"}) {
            fs::remove(dir_ / "stdout.txt");
            const CliRun r = cli_at(program, args, c.environment, "<password.txt", ">stdout.txt",
                                    kAsOther + " env");
            EXPECT_EQ(r.status, 1) << args << r.err;
            EXPECT_TRUE(has(r.err, c.said)) << args << r.err;
            EXPECT_TRUE(has(r.err, "\"" + dir_.string())) << r.err;  // names the folder or file
            EXPECT_EQ(r.out, "");                                    // no other user's count 1
        }
    }
    // The sentence names the folder; the other user's file was not replaced.
    EXPECT_EQ(get("mine/pattern.tq"), " 1  1 \r\n 0 \r\n");
    EXPECT_EQ(get("attacker/pattern.tq"), " 1  1 \r\n 0 \r\n");
}

TEST_F(SafeFilesCli, TheDataFolderIsMadePrivateAndARelativeXdgDataHomeIsIgnored) {
    fs::create_directories(dir_ / "usr" / "bin");
    fs::create_directories(dir_ / "usr" / "share" / "tessaroll");
    const fs::path installed = place_program(dir_ / "usr" / "bin");
    fs::create_directories(dir_ / "home" / ".local" / "share" / "tessaroll");
    ::chmod((dir_ / "home" / ".local" / "share" / "tessaroll").c_str(), 0755);
    for (const char* xdg : {"XDG_DATA_HOME=relative", "XDG_DATA_HOME=", "XDG_DATA_HOME=./x"}) {
        const CliRun r = cli_at(installed, "pattern set --count 3",
                                std::string(xdg) + " HOME='" + (dir_ / "home").string() + "'");
        EXPECT_EQ(r.status, 0) << xdg << r.err;
        EXPECT_EQ(get("home/.local/share/tessaroll/pattern.tq").substr(0, 8), " 3  10 \r") << xdg;
        EXPECT_EQ(stat_of(dir_ / "home" / ".local" / "share" / "tessaroll").st_mode & 07777, 0700u);
        EXPECT_FALSE(fs::exists(dir_ / "relative"));
        EXPECT_FALSE(fs::exists(dir_ / "x"));
    }
    // A folder of the user's own that others may write to is used, with a warning.
    ::chmod(dir_.c_str(), 0777);
    const CliRun r = cli("pattern set --count 4");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.err, "warning: Others may write to the folder")) << r.err;
    EXPECT_TRUE(has(r.err, "chmod go-w")) << r.err;
}

TEST_F(SafeFilesCli, ForceIsSuggestedOnlyWhereItHelpsAndABakIsNamedOnlyWhenMade) {
    struct Case {
        const char* name;
        std::string file;
        std::function<void(const fs::path&)> make;
        bool suggests_force;
    };
    const Case cases[] = {
        {"damaged content", "pattern.tq",
         [](const fs::path& p) { std::ofstream(p, std::ios::binary) << "9 x\r\n"; }, true},
        {"a name too long for the system", std::string(300, 'n') + ".tq", [](const fs::path&) {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(dir_ / c.file);
        const CliRun set = cli("pattern set --count 2 --pattern-file " + c.file);
        EXPECT_EQ(set.status, 1) << set.err;
        EXPECT_EQ(has(set.err, "--force"), c.suggests_force) << set.err;
        const CliRun generate = cli("generate --date 2002-07-26 --pattern-file " + c.file);
        EXPECT_EQ(generate.status, 1) << generate.err;
        EXPECT_EQ(has(generate.err, "--force"), c.suggests_force) << generate.err;
        std::error_code ec;
        EXPECT_FALSE(fs::exists(dir_ / (c.file + ".bak"), ec));
    }
    if (::geteuid() == 0) {
        // A file the user may not read: --force could not keep it either.
        ::chown(dir_.c_str(), kOther, kOther);
        put("pattern.tq", " 7  3 \r\n");
        ::chmod((dir_ / "pattern.tq").c_str(), 0);
        const CliRun r = cli("pattern set --count 2", "<password.txt", ">stdout.txt", kAsOther);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(has(r.err, "Permission denied")) << r.err;
        EXPECT_FALSE(has(r.err, "--force")) << r.err;
        EXPECT_FALSE(has(r.err, ".bak")) << r.err;
        ::chmod((dir_ / "pattern.tq").c_str(), 0600);
    }
    // pattern show never saves, so it names no .bak; the .bak is named once it is made.
    put("pattern.tq", "9 x\r\n");
    const CliRun show = cli("pattern show");
    EXPECT_FALSE(has(show.err, ".bak")) << show.err;
    const CliRun forced = cli("pattern set --count 2 --force");
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_TRUE(fs::exists(dir_ / "pattern.tq.bak"));
    EXPECT_TRUE(has(forced.err, "was kept as")) << forced.err;
}

TEST_F(SafeFilesCli, EveryWriteToStandardOutputIsChecked) {
    for (const char* args : {"--help", "--version", "generate --help", "pattern show --help",
                             "generate --date 2002-07-26"}) {
        const CliRun r = cli(args, "<password.txt", ">/dev/full");
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_TRUE(has(r.err, "Could not write to standard output")) << args << r.err;
    }
}

TEST_F(SafeFilesCli, ADateFromTheClockIsNamedWithItsTimeZone) {
    // At one instant these two time zones are 26 hours apart: two days, two lists.
    std::string seen[2];
    int i = 0;
    for (const char* zone : {"Pacific/Kiritimati", "Etc/GMT+12"}) {
        const std::string tz = std::string("TZ=") + zone;
        const CliRun r = cli_at(dir_ / fs::path(TESSAROLL_CLI_PATH).filename(), "generate", tz);
        EXPECT_EQ(r.status, 0) << r.err;
        const CliRun date = cli_at("/bin/date", "+%-m/%-d/%Y", tz);
        seen[i++] = r.err;
        EXPECT_TRUE(
            has(r.err, "List for " + date.out.substr(0, date.out.size() - 1) + ", today here."))
            << r.err << date.out;
    }
    EXPECT_NE(seen[0], seen[1]);
    const CliRun part = cli("generate --day 3");
    EXPECT_TRUE(has(part.err, "with the month and year of today here.")) << part.err;
    const CliRun given = cli("generate --date 2002-07-26");
    EXPECT_FALSE(has(given.err, "List for")) << given.err;
}

TEST_F(SafeFilesCli, InvisibleCharactersAreShownEscaped) {
    const CliRun count = cli("generate --date 2002-07-26 --count \"$(printf '\\357\\273\\2774')\"");
    EXPECT_EQ(count.status, 2) << count.err;
    EXPECT_TRUE(has(count.err, "\\ufeff4")) << count.err;
    put("pattern.tq", "\xef\xbb\xbf 4  10 \r\n");
    const CliRun show = cli("pattern show");
    EXPECT_TRUE(has(show.err, "\\ufeff")) << show.err;
    put("pattern.tq", " 4 \xe2\x80\x8b 10 \r\n");  // a zero-width space
    EXPECT_TRUE(has(cli("pattern show").err, "\\u200b")) << cli("pattern show").err;
}

}  // namespace
}  // namespace tessaroll
