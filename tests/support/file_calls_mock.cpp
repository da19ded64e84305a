// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/file_calls_mock.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaroll::file_calls_mock {

namespace {

namespace fs = std::filesystem;

struct Failure {
    int error = 0;
    int times = 0;  // -1: every call
};

struct State {
    std::mutex mutex;
    std::array<Failure, 9> failures{};
    std::size_t write_limit = 0;
    std::deque<std::string> names;
    std::map<fs::path, fs::path> renamed;  // the code's temporary name -> the one opened
    std::vector<Record> record;
};

State& state() {
    static State s;
    return s;
}

// The error the next call of this kind is to fail with, or 0.
int planned_failure(Call call) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    Failure& f = s.failures[static_cast<std::size_t>(call)];
    if (f.error == 0 || f.times == 0) {
        return 0;
    }
    if (f.times > 0) {
        --f.times;
    }
    return f.error;
}

void add(Record r) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.record.push_back(std::move(r));
}

// For a new temporary file: its name with the next planned random part, when there is one.
fs::path planned_name(const fs::path& path) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    using String = fs::path::string_type;
    const String name = path.filename().native();
    const String suffix = fs::path(".tmp").native();
    if (s.names.empty() || name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return path;
    }
    const String stem = name.substr(0, name.size() - suffix.size());
    const std::size_t dot = stem.find_last_of(fs::path(".").native());
    if (dot == String::npos) {
        return path;
    }
    const fs::path planned = path.parent_path() / (stem.substr(0, dot + 1) +
                                                   fs::path(s.names.front()).native() + suffix);
    s.names.pop_front();
    s.renamed[path] = planned;
    return planned;
}

// The name the system knows for a path the code gives, forgotten when forget is set.
fs::path opened_name(const fs::path& path, bool forget) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    const auto it = s.renamed.find(path);
    if (it == s.renamed.end()) {
        return path;
    }
    fs::path name = it->second;
    if (forget) {
        s.renamed.erase(it);
    }
    return name;
}

std::size_t limited(std::size_t size) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return s.write_limit == 0 ? size : std::min(size, s.write_limit);
}

#ifdef _WIN32

DWORD windows_error(int err) {
    switch (err) {
        case ENOSPC:
            return ERROR_DISK_FULL;
        case EACCES:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case EIO:
            return ERROR_WRITE_FAULT;
        default:
            return ERROR_GEN_FAILURE;
    }
}

// Records the call; returns ok, with the last error set to the planned one when it failed.
BOOL finish(Record r, BOOL ok) {
    const DWORD last = GetLastError();
    if (ok == 0 && r.error == 0) {
        r.error = -1;  // the system's own failure
    }
    add(std::move(r));
    SetLastError(last);
    return ok;
}

std::intptr_t handle_number(HANDLE h) {
    return reinterpret_cast<std::intptr_t>(h);
}

#else

int finish(Record r, int result) {
    const int err = errno;
    if (result < 0 && r.error == 0) {
        r.error = err;
    }
    add(std::move(r));
    errno = err;
    return result;
}

#endif

}  // namespace

void fail(Call call, int error, int times) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.failures[static_cast<std::size_t>(call)] = {error, error == 0 ? 0 : times};
}

void limit_write_size(std::size_t bytes) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.write_limit = bytes;
}

void next_temporary_names(std::vector<std::string> names) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.names.assign(names.begin(), names.end());
}

std::vector<Record> calls() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return s.record;
}

void reset() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.failures = {};
    s.write_limit = 0;
    s.names.clear();
    s.renamed.clear();
    s.record.clear();
}

namespace routed {

#ifdef _WIN32

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD attributes, HANDLE template_file) {
    const fs::path path = disposition == CREATE_NEW ? planned_name(name) : fs::path(name);
    Record r{Call::open, -1, path, {}, static_cast<int>(disposition), 0};
    if (const int err = planned_failure(Call::open); err != 0) {
        r.error = err;
        SetLastError(windows_error(err));
        finish(std::move(r), FALSE);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE h = ::CreateFileW(path.c_str(), access, share, security, disposition, attributes,
                                   template_file);
    r.handle = h == INVALID_HANDLE_VALUE ? -1 : handle_number(h);
    finish(std::move(r), h == INVALID_HANDLE_VALUE ? FALSE : TRUE);
    return h;
}

BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    Record r{Call::write, handle_number(file), {}, {}, 0, 0};
    if (const int err = planned_failure(Call::write); err != 0) {
        r.error = err;
        SetLastError(windows_error(err));
        return finish(std::move(r), FALSE);
    }
    const auto n = static_cast<DWORD>(limited(size));
    return finish(std::move(r), ::WriteFile(file, data, n, written, overlapped));
}

BOOL FlushFileBuffers(HANDLE file) {
    Record r{Call::sync, handle_number(file), {}, {}, 0, 0};
    if (const int err = planned_failure(Call::sync); err != 0) {
        r.error = err;
        SetLastError(windows_error(err));
        return finish(std::move(r), FALSE);
    }
    return finish(std::move(r), ::FlushFileBuffers(file));
}

BOOL CloseHandle(HANDLE file) {
    Record r{Call::close, handle_number(file), {}, {}, 0, 0};
    const BOOL ok = ::CloseHandle(file);
    if (const int err = planned_failure(Call::close); err != 0) {
        r.error = err;
        SetLastError(windows_error(err));
        return finish(std::move(r), FALSE);
    }
    return finish(std::move(r), ok);
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    const fs::path path = opened_name(from, false);
    Record r{Call::rename, -1, path, to, static_cast<int>(flags), 0};
    if (const int err = planned_failure(Call::rename); err != 0) {
        r.error = err;
        SetLastError(windows_error(err));
        return finish(std::move(r), FALSE);
    }
    const BOOL ok = ::MoveFileExW(path.c_str(), to, flags);
    if (ok != 0) {
        opened_name(from, true);
    }
    return finish(std::move(r), ok);
}

BOOL DeleteFileW(LPCWSTR name) {
    const fs::path path = opened_name(name, true);
    Record r{Call::remove, -1, path, {}, 0, 0};
    if (const int err = planned_failure(Call::remove); err != 0) {
        r.error = err;
        SetLastError(windows_error(err));
        return finish(std::move(r), FALSE);
    }
    return finish(std::move(r), ::DeleteFileW(path.c_str()));
}

#else

int open(const char* path, int flags, mode_t mode) {
    const fs::path name = (flags & O_CREAT) != 0 ? planned_name(path) : fs::path(path);
    Record r{Call::open, -1, name, {}, flags, 0};
    if (const int err = planned_failure(Call::open); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    const int fd = ::open(name.c_str(), flags, mode);
    r.handle = fd;
    return finish(std::move(r), fd);
}

int fchmod(int fd, mode_t mode) {
    Record r{Call::chmod, fd, {}, {}, 0, 0};
    if (const int err = planned_failure(Call::chmod); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    return finish(std::move(r), ::fchmod(fd, mode));
}

ssize_t write(int fd, const void* data, std::size_t size) {
    Record r{Call::write, fd, {}, {}, 0, 0};
    if (const int err = planned_failure(Call::write); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    const ssize_t n = ::write(fd, data, limited(size));
    const int err = errno;
    finish(std::move(r), n < 0 ? -1 : 0);
    errno = err;
    return n;
}

int fsync(int fd) {
    Record r{Call::sync, fd, {}, {}, 0, 0};
    if (const int err = planned_failure(Call::sync); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    return finish(std::move(r), ::fsync(fd));
}

int close(int fd) {
    Record r{Call::close, fd, {}, {}, 0, 0};
    const int result = ::close(fd);
    if (const int err = planned_failure(Call::close); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    return finish(std::move(r), result);
}

int rename(const char* from, const char* to) {
    const fs::path name = opened_name(from, false);
    Record r{Call::rename, -1, name, to, 0, 0};
    if (const int err = planned_failure(Call::rename); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    const int result = ::rename(name.c_str(), to);
    if (result == 0) {
        opened_name(from, true);
    }
    return finish(std::move(r), result);
}

int linkat(int from_folder, const char* from, int to_folder, const char* to, int flags) {
    const fs::path name = planned_name(to);
    Record r{Call::link, -1, name, {}, flags, 0};
    if (const int err = planned_failure(Call::link); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    return finish(std::move(r), ::linkat(from_folder, from, to_folder, name.c_str(), flags));
}

int fchown(int fd, uid_t owner, gid_t group) {
    Record r{Call::chown, fd, {}, {}, 0, 0};
    if (const int err = planned_failure(Call::chown); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    return finish(std::move(r), ::fchown(fd, owner, group));
}

int unlink(const char* path) {
    const fs::path name = opened_name(path, true);
    Record r{Call::remove, -1, name, {}, 0, 0};
    if (const int err = planned_failure(Call::remove); err != 0) {
        r.error = err;
        errno = err;
        return finish(std::move(r), -1);
    }
    return finish(std::move(r), ::unlink(name.c_str()));
}

#endif

}  // namespace routed

}  // namespace tessaroll::file_calls_mock
