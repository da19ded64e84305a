#include "engine/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "engine/windows_api.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// The system calls that create, write, sync, rename and remove the files. The tests compile this
// file a second time with their own definition, which routes the calls through a mock that
// records them and can make any of them fail (tests/support/file_calls_mock.h).
#ifndef TESSAROLL_FILE_CALL
#define TESSAROLL_FILE_CALL(name) ::name
#endif

namespace tessaroll {

namespace {

constexpr int kNameTries = 100;

std::string quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

// Twelve letters and digits, about 62 bits: the system's random source, or where it cannot be
// had a mix of the clock, the process and a counter, which a planted file cannot foresee either
// across the tries of one write.
std::string random_part() {
    static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t mix =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15u);
    std::string part;
    try {
        std::random_device device;
        for (int i = 0; i < 12; ++i) {
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
    for (int i = 0; i < 12; ++i) {
        mix += 0x9E3779B97F4A7C15u;  // splitmix64
        std::uint64_t z = mix;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        part += kAlphabet[(z ^ (z >> 31)) % kAlphabet.size()];
    }
    return part;
}

// "output.txt" and "k3x9q0b7m2ra" give "output.txt.k3x9q0b7m2ra.tmp" in the same folder.
std::filesystem::path temporary_path(const std::filesystem::path& target, std::string_view part) {
    std::filesystem::path tmp = target;
    tmp += ".";
    tmp += std::string(part);
    tmp += ".tmp";
    return tmp;
}

[[noreturn]] void fail(const std::filesystem::path& target, const std::string& reason) {
    throw FileError("Could not write " + quoted(target) + ": " + reason + ".");
}

#ifdef _WIN32

std::string last_error_text(DWORD err) {
    return std::system_category().message(static_cast<int>(err));
}

// Creates, fills and flushes a new temporary file; returns its path. Nothing is left behind on
// failure.
std::filesystem::path write_temporary(const std::filesystem::path& target, std::string_view bytes) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::filesystem::path tmp = temporary_path(target, random_part());
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
        std::string_view left = bytes;
        while (err == 0 && !left.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left.size(), 1u << 30));
            DWORD done = 0;
            if (TESSAROLL_FILE_CALL(WriteFile)(h, left.data(), chunk, &done, nullptr) == 0) {
                err = GetLastError();
            } else {
                left.remove_prefix(done);
            }
        }
        std::string reason = err != 0 ? last_error_text(err) : std::string();
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
void move_over(const std::filesystem::path& tmp, const std::filesystem::path& target) {
    if (TESSAROLL_FILE_CALL(MoveFileExW)(tmp.c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        const DWORD err = GetLastError();
        TESSAROLL_FILE_CALL(DeleteFileW)(tmp.c_str());
        throw FileError("Could not replace " + quoted(target) + ": " + last_error_text(err) + ".");
    }
}

#else

std::string errno_text(int err) {
    return std::generic_category().message(err);
}

std::filesystem::path folder_of(const std::filesystem::path& target) {
    const std::filesystem::path parent = target.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
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

// Creates, fills and syncs a new temporary file; returns its path. Nothing is left behind on
// failure.
std::filesystem::path write_temporary(const std::filesystem::path& target, std::string_view bytes) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::filesystem::path tmp = temporary_path(target, random_part());
        // O_EXCL also fails on a link of that name, dangling or not; O_NOFOLLOW says so twice.
        const int fd = TESSAROLL_FILE_CALL(open)(
            tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            fail(target, errno_text(errno));
        }
        // The umask may have taken bits away; the owner must be able to write the file again.
        int err = TESSAROLL_FILE_CALL(fchmod)(fd, S_IRUSR | S_IWUSR) != 0 ? errno : 0;
        if (err == 0) {
            err = write_all(fd, bytes);
        }
        if (err == 0 && sync_file(fd) != 0) {
            err = errno;
        }
        if (TESSAROLL_FILE_CALL(close)(fd) != 0 && err == 0) {
            err = errno;
        }
        if (err != 0) {
            TESSAROLL_FILE_CALL(unlink)(tmp.c_str());
            fail(target, errno_text(err));
        }
        return tmp;
    }
    fail(target, "no unused temporary name was found beside it");
}

void move_over(const std::filesystem::path& tmp, const std::filesystem::path& target) {
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

#endif

}  // namespace

void replace_file_contents(const std::filesystem::path& target, std::string_view bytes) {
    std::error_code ec;
    if (!target.has_filename() || std::filesystem::is_directory(target, ec)) {
        fail(target, "it is a folder, not a file");
    }
    move_over(write_temporary(target, bytes), target);
}

OrdinaryFile open_ordinary_file(const std::filesystem::path& path) {
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
