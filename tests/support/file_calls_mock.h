// SPDX-License-Identifier: GPL-3.0-or-later
// A mock of the system calls that replace files whole (engine/atomic_file.cpp), for the tests.
//
// A test program that links tessaroll_file_calls_mock gets engine/atomic_file.cpp compiled a
// second time with its system calls routed through the functions below, in place of the one in
// the engine library. Each call is recorded, and passed on to the system unless the test asked
// for it to fail. The shipped programs call the system directly and hold none of this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include "engine/windows_api.h"
#else
#include <sys/types.h>
#endif

namespace tessaroll::file_calls_mock {

// The kinds of calls, named as on POSIX systems. On Windows: CreateFileW is open, WriteFile
// write, FlushFileBuffers sync, CloseHandle close, MoveFileExW rename and DeleteFileW remove.
// link is linkat, which names an unnamed temporary file (Linux); chown is fchown.
enum class Call { open, chmod, write, sync, close, rename, remove, link, chown };

// The next `times` calls of this kind fail with error, an errno value (on Windows the nearest
// system error; EIO is ERROR_WRITE_FAULT); times -1 is every call until fail(call, 0) or
// reset(). A failing close still closes the file, as on Linux; the other calls do nothing.
void fail(Call call, int error, int times = -1);

// Each write from now on writes at most this many bytes (0: no limit), as a system may.
void limit_write_size(std::size_t bytes);

// The random part of the next temporary files' names, in this order: the mock opens
// "target.<part>.tmp" (or links an unnamed file under it) in place of the random name the code
// chose, and renames or removes that one when the code names its own. Random names follow when the
// list is used up.
void next_temporary_names(std::vector<std::string> names);

struct Record {
    Call call;
    std::intptr_t handle = -1;  // the descriptor used, or the one open returned (-1 when none)
    // open, rename (from), remove: the path the system was given; link: the new name
    std::filesystem::path path;
    std::filesystem::path to;  // rename
    int flags = 0;             // open
    // The errno value the call failed with (on Windows -1 for a failure of the system's own), 0
    // when it did not fail.
    int error = 0;
};

// Every call since the last reset, in order.
std::vector<Record> calls();

// No failures, no write limit, no planned names and an empty record.
void reset();

// The calls themselves, as engine/atomic_file.cpp calls them under the mock.
namespace routed {
#ifdef _WIN32
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD attributes, HANDLE template_file);
BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE file);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL DeleteFileW(LPCWSTR name);
#else
int open(const char* path, int flags, mode_t mode = 0);
int fchmod(int fd, mode_t mode);
ssize_t write(int fd, const void* data, std::size_t size);
int fsync(int fd);
int close(int fd);
int rename(const char* from, const char* to);
int unlink(const char* path);
int linkat(int from_folder, const char* from, int to_folder, const char* to, int flags);
int fchown(int fd, uid_t owner, gid_t group);
#endif
}  // namespace routed

}  // namespace tessaroll::file_calls_mock
