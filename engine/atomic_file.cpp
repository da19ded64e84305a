#include "engine/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <io.h>

#include <cstdio>
#include "engine/windows_api.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaroll {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path, const std::string& what, int err) {
    throw FileError("Could not " + what + " \"" + path.string() +
                    "\": " + std::generic_category().message(err) + ".");
}

#ifdef _WIN32

void write_whole(const std::filesystem::path& tmp, std::string_view bytes) {
    std::FILE* f = _wfopen(tmp.c_str(), L"wb");
    if (f == nullptr) {
        fail(tmp, "create", errno);
    }
    // _commit is the counterpart of fsync: the bytes are on the disk before the rename.
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() &&
                         std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
    const int err = errno;
    if (std::fclose(f) != 0 || !written) {
        fail(tmp, "write", written ? errno : err);
    }
}

// Asked of the system directly: replacing an existing output.txt is then explicit whatever the
// standard library's rename does, and the rename itself is on the disk when this returns.
void move_over(const std::filesystem::path& tmp, const std::filesystem::path& target) {
    if (MoveFileExW(tmp.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        const auto err = static_cast<int>(GetLastError());
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        throw FileError("Could not replace \"" + target.string() +
                        "\": " + std::system_category().message(err) + ".");
    }
}

#else

void write_whole(const std::filesystem::path& tmp, std::string_view bytes) {
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        fail(tmp, "create", errno);
    }
    // A stale temporary file from an earlier crash may have other permissions.
    if (::fchmod(fd, 0600) != 0) {
        const int err = errno;
        ::close(fd);
        fail(tmp, "set the permissions of", err);
    }
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            fail(tmp, "write", err);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        fail(tmp, "write", err);
    }
    if (::close(fd) != 0) {
        fail(tmp, "write", errno);
    }
}

void move_over(const std::filesystem::path& tmp, const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::rename(tmp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        throw FileError("Could not replace \"" + target.string() + "\": " + ec.message() + ".");
    }
}

#endif

}  // namespace

std::filesystem::path temporary_path_for(const std::filesystem::path& target) {
    std::filesystem::path tmp = target;
    tmp += ".tmp";
    return tmp;
}

void replace_file_contents(const std::filesystem::path& target, std::string_view bytes) {
    const std::filesystem::path tmp = temporary_path_for(target);
    try {
        write_whole(tmp, bytes);
    } catch (const FileError&) {
        std::error_code ignored;
        if (!std::filesystem::is_directory(tmp, ignored)) {
            std::filesystem::remove(tmp, ignored);
        }
        throw;
    }
    move_over(tmp, target);
}

}  // namespace tessaroll
