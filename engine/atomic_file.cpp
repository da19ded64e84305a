// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "engine/windows_api.h"
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// The system calls that create, write, sync, link, rename and remove the files. The tests compile
// this file a second time with their own definition, which routes the calls through a mock that
// records them and can make any of them fail (tests/support/file_calls_mock.h).
#ifndef TESSAROLL_FILE_CALL
#define TESSAROLL_FILE_CALL(name) ::name
#endif

namespace tessaroll {

namespace fs = std::filesystem;

namespace {

constexpr int kNameTries = 100;
constexpr std::size_t kRandomChars = 12;
constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
// A temporary file no writer holds is stale. Its mode tells the one moment when a writer holds no
// lock on it yet: a named one is created with mode 0 and made 0600 once locked. One of mode 0 is
// stale once it is this old, far longer than that moment.
constexpr auto kStaleAfter = std::chrono::seconds(2);
// Where the file system has no locks, only age tells; no save takes this long.
constexpr auto kStaleWithoutLocks = std::chrono::minutes(5);

using String = fs::path::string_type;

std::string quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

fs::path folder_of(const fs::path& target) {
    const fs::path parent = target.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// Twelve letters and digits, about 62 bits: the system's random source, or where it cannot be
// had a mix of the clock, the process and a counter, which a planted file cannot foresee either
// across the tries of one write.
std::string random_part() {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t mix =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15u);
    std::string part;
    try {
        std::random_device device;
        for (std::size_t i = 0; i < kRandomChars; ++i) {
            part += kAlphabet[device() % kAlphabet.size()];
        }
        return part;
    } catch (const std::exception&) {
        part.clear();
    }
#ifdef _WIN32
    mix ^= static_cast<std::uint64_t>(GetCurrentProcessId()) << 32;
#else
    mix ^= static_cast<std::uint64_t>(::getpid()) << 32;
#endif
    for (std::size_t i = 0; i < kRandomChars; ++i) {
        mix += 0x9E3779B97F4A7C15u;  // splitmix64
        std::uint64_t z = mix;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        part += kAlphabet[(z ^ (z >> 31)) % kAlphabet.size()];
    }
    return part;
}

// The longest name the folder's file system takes.
std::size_t name_limit(const fs::path& folder) {
#ifdef _WIN32
    (void)folder;
    return 255;  // UTF-16 units
#else
    const long n = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return n > 0 ? static_cast<std::size_t>(n) : 255;
#endif
}

// The first part of a temporary name for the target's name: the name itself, or as much of it as
// leaves room for the rest within the limit, cut between characters.
String temporary_prefix(const fs::path& target, std::size_t part_size) {
    String name = target.filename().native();
    const std::size_t rest = 1 + part_size + 4;  // ".", the random part, ".tmp"
    const std::size_t limit = name_limit(folder_of(target));
    if (name.size() + rest <= limit) {
        return name;
    }
    std::size_t keep = limit > rest ? limit - rest : 0;
#ifdef _WIN32
    if (keep > 0 && keep < name.size() && name[keep] >= 0xDC00 && name[keep] <= 0xDFFF) {
        --keep;  // not between the two halves of a surrogate pair
    }
#else
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
        --keep;  // not inside a UTF-8 sequence
    }
#endif
    name.resize(keep);
    return name;
}

// Whether name is one temporary_path_for gives for that prefix.
bool is_temporary_name(const String& name, const String& prefix) {
    const String dot = fs::path(".").native();
    const String tmp = fs::path(".tmp").native();
    if (name.size() != prefix.size() + dot.size() + kRandomChars + tmp.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(prefix.size(), dot.size(), dot) != 0 ||
        name.compare(name.size() - tmp.size(), tmp.size(), tmp) != 0) {
        return false;
    }
    const std::size_t start = prefix.size() + dot.size();
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(start),
                       name.begin() + static_cast<std::ptrdiff_t>(start + kRandomChars),
                       [](auto c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

[[noreturn]] void fail(const fs::path& target, const std::string& reason) {
    throw FileError("Could not write " + quoted(target) + ": " + reason + ".");
}

// Gives the bytes of next to put, piece by piece; returns 0 or the error put returned.
template <typename Put>
int for_each_piece(const std::function<std::string_view()>& next, Put put) {
    for (std::string_view piece = next(); !piece.empty(); piece = next()) {
        if (const int err = put(piece); err != 0) {
            return err;
        }
    }
    return 0;
}

#ifdef _WIN32

std::string last_error_text(DWORD err) {
    return std::system_category().message(static_cast<int>(err));
}

struct Resolved {
    fs::path path;
};

Resolved resolve(const fs::path& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        throw FileRefusal(quoted(target) +
                          " is read-only, so it was left as it is. To let it be replaced, clear "
                          "its read-only mark: attrib -r " +
                          quoted(target) + ".");
    }
    return {target};
}

// Creates, fills and flushes a new temporary file; returns its path. Nothing is left behind on
// failure. Sharing nothing while it is open, the file cannot be removed by another writer's
// clean-up.
fs::path write_temporary(const fs::path& target, const std::function<std::string_view()>& next) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const fs::path tmp = temporary_path_for(target, random_part());
        const HANDLE h = TESSAROLL_FILE_CALL(CreateFileW)(
            tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD err = GetLastError();
            if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) {
                continue;
            }
            fail(target, last_error_text(err));
        }
        DWORD err = 0;
        std::string reason;
        try {
            err = static_cast<DWORD>(for_each_piece(next, [&](std::string_view left) -> int {
                while (!left.empty()) {
                    const DWORD chunk =
                        static_cast<DWORD>(std::min<std::size_t>(left.size(), 1u << 30));
                    DWORD done = 0;
                    if (TESSAROLL_FILE_CALL(WriteFile)(h, left.data(), chunk, &done, nullptr) ==
                        0) {
                        return static_cast<int>(GetLastError());
                    }
                    left.remove_prefix(done);
                }
                return 0;
            }));
        } catch (const FileError&) {
            TESSAROLL_FILE_CALL(CloseHandle)(h);
            TESSAROLL_FILE_CALL(DeleteFileW)(tmp.c_str());
            throw;
        }
        if (err != 0) {
            reason = last_error_text(err);
        }
        if (reason.empty() && TESSAROLL_FILE_CALL(FlushFileBuffers)(h) == 0) {
            reason = last_error_text(GetLastError());
        }
        if (TESSAROLL_FILE_CALL(CloseHandle)(h) == 0 && reason.empty()) {
            reason = last_error_text(GetLastError());
        }
        if (!reason.empty()) {
            TESSAROLL_FILE_CALL(DeleteFileW)(tmp.c_str());
            fail(target, reason);
        }
        return tmp;
    }
    fail(target, "no unused temporary name was found beside it");
}

// Asked of the system directly: replacing an existing file is then explicit, and the rename
// itself is on the disk when this returns.
void move_over(const fs::path& tmp, const fs::path& target) {
    if (TESSAROLL_FILE_CALL(MoveFileExW)(tmp.c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        const DWORD err = GetLastError();
        TESSAROLL_FILE_CALL(DeleteFileW)(tmp.c_str());
        throw FileError("Could not replace " + quoted(target) + ": " + last_error_text(err) + ".");
    }
}

void write_and_replace(const Resolved& r, const std::function<std::string_view()>& next,
                       unsigned /*mode_cap*/) {
    remove_stale_temporary_files(r.path);
    move_over(write_temporary(r.path, next), r.path);
}

// A file another writer still has open cannot be removed: that is the lock.
bool remove_if_unheld(const fs::path& path, std::chrono::seconds) {
    return TESSAROLL_FILE_CALL(DeleteFileW)(path.c_str()) != 0;
}

#else

std::string errno_text(int err) {
    return std::generic_category().message(err);
}

// The user's name, for sentences.
std::string user_name(uid_t uid) {
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return found->pw_name;
    }
    return "user " + std::to_string(uid);
}

std::string mode_text(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO (named pipe)";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not an ordinary file";
}

// Whether a file or folder of owner may be used by this program: the user's own, root's, or any
// when the program runs as root.
bool owner_trusted(uid_t owner) {
    const uid_t me = ::geteuid();
    return owner == me || owner == 0 || me == 0;
}

// Syncs the file's bytes (or the folder's names) to the disk; 0, or -1 with errno set.
int sync_file(int fd) {
    int result = 0;
    do {
        result = TESSAROLL_FILE_CALL(fsync)(fd);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Writes all of bytes; returns 0 or the errno value of the failure.
int write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = TESSAROLL_FILE_CALL(write)(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// The file to replace: the target, or the file a link at the target names.
struct Resolved {
    fs::path path;
    std::optional<struct stat> st;  // none: nothing there yet
};

Resolved resolve(const fs::path& target) {
    Resolved r{target, std::nullopt};
    std::string via;  // for a link: what it names, said before a refusal of that file
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) {
        return r;  // nothing there; what keeps it from being looked at, the open tells
    }
    if (S_ISLNK(st.st_mode)) {
        if (!owner_trusted(st.st_uid)) {
            throw FileRefusal(quoted(target) + " is a link made by another user (" +
                              user_name(st.st_uid) +
                              "), so it was not followed. Remove the link, "
                              "or choose another folder.");
        }
        std::error_code ec;
        const fs::path real = fs::canonical(target, ec);
        if (ec) {
            std::error_code ignored;
            const fs::path named = fs::read_symlink(target, ignored);
            throw FileRefusal(quoted(target) + " is a link to " + quoted(named) +
                              (ec == std::errc::no_such_file_or_directory
                                   ? std::string(", which does not exist")
                                   : ", which cannot be followed (" + ec.message() + ")") +
                              ". Create the file it names, or remove the link.");
        }
        // Saved where the link points, as careful editors do; that folder must be trusted too.
        if (const FolderTrust t = check_folder_trust(folder_of(real)); !t.refusal.empty()) {
            throw FileRefusal(quoted(target) + " is a link to " + quoted(real) + ". " + t.refusal);
        }
        r.path = real;
        via = quoted(target) + " is a link to " + quoted(real) + ". ";
        if (::lstat(real.c_str(), &st) != 0) {
            return r;
        }
    }
    if (S_ISDIR(st.st_mode)) {
        fail(r.path, "it is a folder, not a file");
    }
    if (!S_ISREG(st.st_mode)) {
        throw FileRefusal(via + quoted(r.path) + " is " + kind_of(st.st_mode) +
                          ", not an ordinary file, so it was left as it is. Choose another "
                          "file name or folder.");
    }
    if (st.st_uid != ::geteuid() && ::geteuid() != 0) {
        throw FileRefusal(via + quoted(r.path) + " belongs to another user (" +
                          user_name(st.st_uid) +
                          "), so it was not replaced. Remove it, or choose another folder.");
    }
    if ((st.st_mode & S_IWUSR) == 0) {
        throw FileRefusal(via + quoted(r.path) +
                          " is read-only, so it was left as it is. To let it be replaced, make it "
                          "writable: chmod u+w " +
                          quoted(r.path) + ".");
    }
    r.st = st;
    return r;
}

// What the new file is given before it takes the target's place.
struct Attributes {
    mode_t mode = S_IRUSR | S_IWUSR;
    uid_t uid = static_cast<uid_t>(-1);  // -1: left as created
    gid_t gid = static_cast<gid_t>(-1);
};

Attributes attributes_for(const Resolved& r, unsigned mode_cap) {
    Attributes a;
    const bool root = ::geteuid() == 0;
    if (r.st) {
        a.mode = (r.st->st_mode & static_cast<mode_t>(mode_cap) & 0777) | S_IRUSR | S_IWUSR;
        a.gid = r.st->st_gid;
        if (root) {
            a.uid = r.st->st_uid;
        }
    } else if (root) {
        // A new file in another user's folder is that user's, as if the user had saved it.
        struct stat folder {};
        if (::stat(folder_of(r.path).c_str(), &folder) == 0 && folder.st_uid != 0) {
            a.uid = folder.st_uid;
            a.gid = folder.st_gid;
        }
    }
    return a;
}

// Writes the bytes into the new file fd and gives it its attributes, then syncs it. Returns 0 or
// the errno value of the failure; a FileError of next is passed on.
int fill(int fd, const std::function<std::string_view()>& next, const Attributes& a) {
    // The umask may have taken bits away; the owner must be able to write the file again.
    if (TESSAROLL_FILE_CALL(fchmod)(fd, S_IRUSR | S_IWUSR) != 0) {
        return errno;
    }
    if (const int err = for_each_piece(next, [fd](std::string_view p) { return write_all(fd, p); });
        err != 0) {
        return err;
    }
    mode_t mode = a.mode;
    if (a.uid != static_cast<uid_t>(-1) || a.gid != static_cast<gid_t>(-1)) {
        if (TESSAROLL_FILE_CALL(fchown)(fd, a.uid, a.gid) != 0) {
            if (a.uid != static_cast<uid_t>(-1)) {
                return errno;
            }
            // A group the user is no member of: the group's bits would then reach another group.
            mode &= static_cast<mode_t>(~S_IRWXG);
        }
    }
    if (mode != (S_IRUSR | S_IWUSR) && TESSAROLL_FILE_CALL(fchmod)(fd, mode) != 0) {
        return errno;
    }
    return sync_file(fd) != 0 ? errno : 0;
}

// A lock on the temporary file for as long as it lives under a name, so that no clean-up takes
// it for one left by a killed writer. Held on a descriptor of its own, so that the file's own can
// be closed (and its error seen) before the rename.
class TemporaryLock {
public:
    explicit TemporaryLock(int fd) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        }
    }
    ~TemporaryLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TemporaryLock(const TemporaryLock&) = delete;
    TemporaryLock& operator=(const TemporaryLock&) = delete;

private:
    int fd_ = -1;
};

// Renames tmp over target and syncs the folder; removes tmp when the rename fails.
void move_over(const fs::path& tmp, const fs::path& target) {
    if (TESSAROLL_FILE_CALL(rename)(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        TESSAROLL_FILE_CALL(unlink)(tmp.c_str());
        throw FileError("Could not replace " + quoted(target) + ": " + errno_text(err) + ".");
    }
    // The rename reaches the disk with the folder. Its result is not reported: the target already
    // holds the new bytes, and after a power cut it holds either the old or the new file whole.
    const int dir =
        TESSAROLL_FILE_CALL(open)(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        sync_file(dir);
        TESSAROLL_FILE_CALL(close)(dir);
    }
}

// Closes fd; on a failure (or err already set) removes tmp, if named, and reports.
void close_or_fail(int fd, int err, const fs::path& target, const fs::path* tmp) {
    if (TESSAROLL_FILE_CALL(close)(fd) != 0 && err == 0) {
        err = errno;
    }
    if (err != 0) {
        if (tmp != nullptr) {
            TESSAROLL_FILE_CALL(unlink)(tmp->c_str());
        }
        fail(target, errno_text(err));
    }
}

// Links the unnamed file fd into the folder under a new temporary name; returns the name.
fs::path link_unnamed(int fd, const fs::path& target) {
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const fs::path tmp = temporary_path_for(target, random_part());
        int result = TESSAROLL_FILE_CALL(linkat)(AT_FDCWD, proc.c_str(), AT_FDCWD, tmp.c_str(),
                                                 AT_SYMLINK_FOLLOW);
        if (result != 0 && errno == ENOENT && ::access("/proc/self/fd", X_OK) != 0) {
            // No /proc: the descriptor itself, which only a privileged process may link.
            result = TESSAROLL_FILE_CALL(linkat)(fd, "", AT_FDCWD, tmp.c_str(), AT_EMPTY_PATH);
        }
        if (result == 0) {
            return tmp;
        }
        if (errno != EEXIST) {
            const int err = errno;
            TESSAROLL_FILE_CALL(close)(fd);
            fail(target, errno_text(err));
        }
    }
    TESSAROLL_FILE_CALL(close)(fd);
    fail(target, "no unused temporary name was found beside it");
}

// Whether an unnamed file can be given a name here: through /proc, or by a privileged process.
bool can_link_unnamed() {
    return ::access("/proc/self/fd", X_OK) == 0 || ::geteuid() == 0;
}

// The unnamed way; false when the file system has no unnamed files, before anything is written.
bool replace_through_unnamed(const fs::path& target, const std::function<std::string_view()>& next,
                             const Attributes& a) {
#ifdef O_TMPFILE
    if (!can_link_unnamed()) {
        return false;
    }
    const int fd = TESSAROLL_FILE_CALL(open)(folder_of(target).c_str(),
                                             O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        const int err = errno;
        // EISDIR and EINVAL: a system that does not know O_TMPFILE.
        if (err == EOPNOTSUPP || err == EISDIR || err == EINVAL) {
            return false;
        }
        fail(target, errno_text(err));
    }
    const TemporaryLock lock(fd);
    int err = 0;
    try {
        err = fill(fd, next, a);
    } catch (const FileError&) {
        TESSAROLL_FILE_CALL(close)(fd);
        throw;
    }
    if (err != 0) {
        close_or_fail(fd, err, target, nullptr);
    }
    const fs::path tmp = link_unnamed(fd, target);
    close_or_fail(fd, 0, target, &tmp);
    move_over(tmp, target);
    return true;
#else
    (void)target;
    (void)next;
    (void)a;
    return false;
#endif
}

// The named way, where there are no unnamed files.
void replace_through_named(const fs::path& target, const std::function<std::string_view()>& next,
                           const Attributes& a) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const fs::path tmp = temporary_path_for(target, random_part());
        // O_EXCL also fails on a link of that name, dangling or not; O_NOFOLLOW says so twice.
        // Mode 0 until it is locked (fill() makes it 0600), so that no clean-up takes it for a
        // killed writer's in between.
        const int fd = TESSAROLL_FILE_CALL(open)(
            tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            fail(target, errno_text(errno));
        }
        const TemporaryLock lock(fd);
        int err = 0;
        try {
            err = fill(fd, next, a);
        } catch (const FileError&) {
            TESSAROLL_FILE_CALL(close)(fd);
            TESSAROLL_FILE_CALL(unlink)(tmp.c_str());
            throw;
        }
        close_or_fail(fd, err, target, &tmp);
        move_over(tmp, target);
        return;
    }
    fail(target, "no unused temporary name was found beside it");
}

void write_and_replace(const Resolved& r, const std::function<std::string_view()>& next,
                       unsigned mode_cap) {
    remove_stale_temporary_files(r.path);
    const Attributes a = attributes_for(r, mode_cap);
    if (!replace_through_unnamed(r.path, next, a)) {
        replace_through_named(r.path, next, a);
    }
}

// Removes path when no writer holds its lock (see kStaleAfter).
bool remove_if_unheld(const fs::path& path, std::chrono::seconds age) {
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode) ||
        (before.st_uid != ::geteuid() && ::geteuid() != 0)) {
        return false;
    }
    if ((before.st_mode & 0777) == 0) {
        // Not locked yet, or never: a writer killed between its creation and its lock.
        return age >= kStaleAfter && TESSAROLL_FILE_CALL(unlink)(path.c_str()) == 0;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat opened {};
    bool remove = false;
    if (::fstat(fd, &opened) == 0 && opened.st_dev == before.st_dev &&
        opened.st_ino == before.st_ino) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            remove = true;
        } else if (errno != EWOULDBLOCK) {
            remove = age >= kStaleWithoutLocks;  // no locks here
        }
    }
    remove = remove && TESSAROLL_FILE_CALL(unlink)(path.c_str()) == 0;
    ::close(fd);
    return remove;
}

#endif

}  // namespace

fs::path temporary_path_for(const fs::path& target, std::string_view random_part) {
    String name = temporary_prefix(target, random_part.size());
    name += fs::path(".").native();
    name += fs::path(std::string(random_part)).native();
    name += fs::path(".tmp").native();
    return target.parent_path() / fs::path(name);
}

int remove_stale_temporary_files(const fs::path& target) {
    const String prefix = temporary_prefix(target, kRandomChars);
    int removed = 0;
    std::error_code ec;
    fs::directory_iterator it(folder_of(target), fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path path = it->path();
        if (!is_temporary_name(path.filename().native(), prefix)) {
            continue;
        }
        std::error_code time_ec;
        const auto written = fs::last_write_time(path, time_ec);
        if (time_ec) {
            continue;
        }
        const auto age = std::chrono::duration_cast<std::chrono::seconds>(
            fs::file_time_type::clock::now() - written);
        if (remove_if_unheld(path, age)) {
            ++removed;
        }
    }
    return removed;
}

void replace_file_contents(const fs::path& target, const std::function<std::string_view()>& next,
                           unsigned mode_cap) {
    std::error_code ec;
    if (!target.has_filename() || fs::is_directory(target, ec)) {
        fail(target, "it is a folder, not a file");
    }
    // The folder of the name given; that of the file a link names is checked when it is followed.
    if (const FolderTrust t = check_folder_trust(folder_of(target)); !t.refusal.empty()) {
        throw FileRefusal(t.refusal);
    }
    write_and_replace(resolve(target), next, mode_cap);
}

void replace_file_contents(const fs::path& target, std::string_view bytes, unsigned mode_cap) {
    bool given = false;
    replace_file_contents(
        target,
        [&]() -> std::string_view {
            if (given) {
                return {};
            }
            given = true;
            return bytes;
        },
        mode_cap);
}

#ifdef _WIN32

FolderTrust check_folder_trust(const fs::path&) {
    return {};
}

std::string reading_refusal(const fs::path&) {
    return {};
}

#else

FolderTrust check_folder_trust(const fs::path& folder) {
    FolderTrust t;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return t;
    }
    std::error_code ec;
    fs::path shown = fs::canonical(folder, ec);
    if (ec) {
        shown = folder;
    }
    const std::string name = quoted(shown);
    const uid_t me = ::geteuid();
    const bool mine = st.st_uid == me;
    const bool others_write = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const std::string own_folder =
        "Choose a folder of your own (tessaroll --dir FOLDER; for tessaroll-cli another "
        "--output-dir or --pattern-file)";
    if (!owner_trusted(st.st_uid)) {
        t.refusal = "The folder " + name + " belongs to another user (" + user_name(st.st_uid) +
                    "), who could change the settings read there or the files written there, so "
                    "it was not used. " +
                    own_folder + ", or have it made yours: chown " + user_name(me) + " " + name +
                    ".";
    } else if (others_write && (st.st_mode & S_ISVTX) != 0) {
        t.refusal = "The folder " + name + " is shared like /tmp (mode " + mode_text(st.st_mode) +
                    "): other users may put files in it, so it was not used. " + own_folder +
                    (mine ? ", or close it to others: chmod go-w " + name + "." : ".");
    } else if (others_write && !mine) {
        t.refusal = "Others may write to the folder " + name + " (mode " + mode_text(st.st_mode) +
                    "), which belongs to " + user_name(st.st_uid) + ", so it was not used. " +
                    own_folder + ", or close it to others: chmod go-w " + name + ".";
    } else if (others_write) {
        t.warning = "Others may write to the folder " + name + " (mode " + mode_text(st.st_mode) +
                    "); to keep your files to yourself: chmod go-w " + name + ".";
    }
    return t;
}

std::string reading_refusal(const fs::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) {
        return {};
    }
    fs::path real = file;
    if (S_ISLNK(st.st_mode)) {
        if (const FolderTrust t = check_folder_trust(folder_of(file)); !t.refusal.empty()) {
            return t.refusal;
        }
        std::error_code ec;
        real = fs::canonical(file, ec);
        if (ec || ::stat(real.c_str(), &st) != 0) {
            return {};  // nothing to read there
        }
    }
    if (const FolderTrust t = check_folder_trust(folder_of(real)); !t.refusal.empty()) {
        return t.refusal;
    }
    if (S_ISREG(st.st_mode) && !owner_trusted(st.st_uid)) {
        return quoted(real) + " belongs to another user (" + user_name(st.st_uid) +
               "), who could have put any settings in it, so it was not read. Remove it, or "
               "choose another file.";
    }
    return {};
}

#endif

OrdinaryFile open_ordinary_file(const fs::path& path) {
    OrdinaryFile result;
#ifdef _WIN32
    // Windows keeps pipes and devices out of folders, so a check before the open is safe here.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) {
            return result;
        }
        result.status = OrdinaryFile::Status::Failed;
        result.error = EACCES;
        return result;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.status = OrdinaryFile::Status::NotOrdinary;
        return result;
    }
    std::FILE* f = _wfopen(path.c_str(), L"rb");
    if (f == nullptr) {
        result.status = OrdinaryFile::Status::Failed;
        result.error = errno;
        return result;
    }
    result.file.reset(f);
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))) != FILE_TYPE_DISK) {
        result.file.reset();
        result.status = OrdinaryFile::Status::NotOrdinary;
        return result;
    }
#else
    // O_NONBLOCK: opening a FIFO then returns at once instead of waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            return result;
        }
        result.status = err == ENXIO ? OrdinaryFile::Status::NotOrdinary  // a socket
                                     : OrdinaryFile::Status::Failed;
        result.error = err;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = OrdinaryFile::Status::NotOrdinary;
        return result;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* f = flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1
                       ? nullptr
                       : ::fdopen(fd, "rb");
    if (f == nullptr) {
        result.status = OrdinaryFile::Status::Failed;
        result.error = errno;
        ::close(fd);
        return result;
    }
    result.file.reset(f);
#endif
    result.status = OrdinaryFile::Status::Opened;
    return result;
}

}  // namespace tessaroll
