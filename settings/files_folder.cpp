// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/files_folder.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include "engine/atomic_file.h"
#include "settings/pattern_file.h"

#ifdef _WIN32
#include "engine/windows_api.h"
// windows_api.h must come first.
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaroll {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void creation_failed(const fs::path& folder, int err) {
    throw FileError("Could not create the folder \"" + folder.string() +
                    "\" for output.txt and pattern.tq: " + std::generic_category().message(err) +
                    ".");
}

}  // namespace

#ifdef _WIN32

fs::path executable_folder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) {
            return {};
        }
        if (n < name.size()) {
            name.resize(n);
            return fs::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

// The roaming application data folder, as Qt asks for it: without checking that it exists.
fs::path user_data_folder() {
    PWSTR known = nullptr;
    fs::path base;
    if (SUCCEEDED(
            SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, &known))) {
        base = known;
    } else if (const wchar_t* appdata = _wgetenv(L"APPDATA"); appdata != nullptr) {
        base = appdata;
    }
    CoTaskMemFree(known);
    return base / std::string(kDataFolderName);
}

// Windows reports only the read-only attribute through _waccess, not what the folder's access
// list allows (a normal user may not write under C:\Program Files); creating a file tells.
bool folder_is_writable(const fs::path& folder) {
    const fs::path probe =
        folder / (L"tessaroll-write-test-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(h);
    return true;
}

void create_private_folder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        creation_failed(folder, ec ? ec.value() : ENOTDIR);
    }
}

#else

fs::path executable_folder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

// As Qt names it: XDG_DATA_HOME when it is an absolute path (the XDG rules say to ignore a
// relative one, which would make the folder depend on the current folder), else HOME (the root
// folder when HOME is empty) followed by .local/share.
fs::path user_data_folder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && *xdg == '/') {
        return fs::path(xdg) / kDataFolderName;
    }
    const char* home = std::getenv("HOME");
    fs::path base = (home != nullptr && *home != '\0') ? fs::path(home) : fs::path("/");
    base = base.lexically_normal();
    if (!base.has_filename() && base != base.root_path()) {
        base = base.parent_path();  // "/home/user/" is "/home/user", as Qt cleans it
    }
    return base / ".local" / "share" / kDataFolderName;
}

bool folder_is_writable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

void create_private_folder(const fs::path& folder) {
    std::vector<fs::path> missing;
    for (fs::path p = folder.lexically_normal(); !p.empty(); p = p.parent_path()) {
        std::error_code ec;
        if (fs::exists(p, ec)) {
            break;
        }
        missing.push_back(p);
        if (p == p.parent_path()) {
            break;
        }
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            creation_failed(*it, errno);
        }
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        creation_failed(folder, ENOTDIR);
    }
    // Made wider by hand or by an older copy: only its owner is to open it. A folder of another
    // user is left to the trust rule, which refuses it.
    if (st.st_uid == ::geteuid() && (st.st_mode & 0077) != 0 &&
        ::chmod(folder.c_str(), 0700) != 0) {
        throw FileError("Could not make the folder \"" + folder.string() +
                        "\" private to you: " + std::generic_category().message(errno) +
                        ". Make it so by hand: chmod 0700 \"" + folder.string() + "\".");
    }
}

#endif

fs::path installed_data_folder(const fs::path& program_folder) {
    return (program_folder / ".." / "share" / kDataFolderName).lexically_normal();
}

FilesFolder choose_files_folder(const fs::path& program_folder, const fs::path& given,
                                const fs::path& user_folder) {
    if (!given.empty()) {
        return {FilesPlace::GivenFolder, given, {}};
    }
    std::error_code ec;
    const bool installed = fs::is_directory(installed_data_folder(program_folder), ec);
    if (installed || !folder_is_writable(program_folder)) {
        return {FilesPlace::UserFolder, user_folder, program_folder};
    }
    return {FilesPlace::ProgramFolder, program_folder, {}};
}

fs::path pattern_file_to_read(const FilesFolder& f) {
    const fs::path own = f.folder / kPatternFileName;
    if (f.place != FilesPlace::UserFolder || f.old_folder.empty()) {
        return own;
    }
    // Whatever stands at the name, a link to nothing included, and whatever keeps the name from
    // being looked at: the user's file, not the old one, is the one to read or report.
    std::error_code ec;
    if (fs::symlink_status(own, ec).type() != fs::file_type::not_found) {
        return own;
    }
    const fs::path old = f.old_folder / kPatternFileName;
    return fs::is_regular_file(old, ec) ? old : own;
}

}  // namespace tessaroll
