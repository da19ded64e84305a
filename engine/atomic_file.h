// SPDX-License-Identifier: GPL-3.0-or-later
// Files replaced whole, files read only when they are ordinary files, and the rule for the
// folders both are trusted in.
//
// Replacing. What stands at the target is looked at first, and the save is refused (FileRefusal,
// nothing changed) when it is anything but an ordinary file or nothing: a device, FIFO, socket or
// folder; a read-only file; a file of another user (unless the program runs as root). A symbolic
// link is followed, and the file it names is replaced in its own folder, when that folder passes
// the trust rule below; a link to nothing is refused. The folder of the file replaced must pass
// the trust rule too.
//
// The new content then goes to a temporary file beside the file it replaces: on Linux an unnamed
// one (O_TMPFILE), which gets a name only for the moment between its link and its rename; where
// the file system has none, a named one created exclusively and without following links
// ("output.txt.k3x9q0b7m2ra.tmp", O_CREAT | O_EXCL | O_NOFOLLOW; CREATE_NEW on Windows). Whatever
// stands at another name in the folder is never opened or changed. The bytes are written and
// synced, the file is renamed over the target and the folder is synced. On any failure the
// temporary file is removed and the target stays as it was. Writers running at the same time
// each put one whole file in place; the last rename wins. A temporary file left by a program that
// was killed is removed by the next save of the same file: one that no running writer holds
// (each holds a lock on its own from before it has a name, or for a named one, from before it
// leaves mode 0), or where the file system has no locks, one a few minutes old.
//
// The new file is readable and writable by its owner. It keeps the permission bits of the file
// it replaces, within a cap (0600 by default: output.txt holds passwords); run as root, it also
// keeps the owner and group of the file it replaces, and a new file gets those of its folder.
//
// The trust rule, in the spirit of ssh's checks of its own files: a folder is refused when it
// belongs to another user (root's folders and, for root, every folder excepted), when others may
// write to it and it has the sticky bit (shared like /tmp), and when others may write to it and
// it is not the user's own. A folder of the user's own that group or others may write to is used
// with a warning. On Windows every folder passes.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaroll {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file or folder the rules above refuse. The sentence says what to do; retrying, or --force,
// does not help.
class FileRefusal : public FileError {
public:
    using FileError::FileError;
};

// The permission bits a replaced file may keep from the one it replaces.
inline constexpr unsigned kPrivateMode = 0600;  // the default: files that hold passwords
inline constexpr unsigned kKeptMode = 0777;     // files that may stay readable by others

// Writes bytes to target as described above. A target that names a folder is refused. Throws
// FileRefusal as above, and FileError naming the target and the system's reason.
void replace_file_contents(const std::filesystem::path& target, std::string_view bytes,
                           unsigned mode_cap = kPrivateMode);

// The same with the bytes taken piece by piece: next() returns the next piece, an empty one at
// the end (it may throw FileError, which leaves the target as it was). Nothing holds the whole.
void replace_file_contents(const std::filesystem::path& target,
                           const std::function<std::string_view()>& next,
                           unsigned mode_cap = kPrivateMode);

// The name a temporary file for target gets: the target's name (cut short when the system's limit
// on names needs it), a dot, the random part and ".tmp", in the target's folder.
std::filesystem::path temporary_path_for(const std::filesystem::path& target,
                                         std::string_view random_part);

// Removes the temporary files of target left by writers that were killed (see above); returns
// how many. Never throws.
int remove_stale_temporary_files(const std::filesystem::path& target);

struct FolderTrust {
    std::string refusal;  // not empty: the folder must not be used; the sentence names the fix
    std::string warning;  // not empty: a one-line warning, the folder is used
};

// The trust rule above for folder (links followed). A folder that cannot be looked at passes:
// what is then tried in it fails with the system's reason.
FolderTrust check_folder_trust(const std::filesystem::path& folder);

// Why file must not be read, empty when it may: its folder fails the trust rule, or it belongs
// to another user who is not root (unless the program runs as root). Links are followed.
std::string reading_refusal(const std::filesystem::path& file);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct OrdinaryFile {
    enum class Status {
        Opened,       // file is open for reading in binary mode
        Absent,       // nothing of that name (or a link to nothing)
        NotOrdinary,  // a folder, FIFO, device or socket
        Failed,       // there, but it could not be opened: error says why
    };
    Status status = Status::Absent;
    int error = 0;
    std::unique_ptr<std::FILE, FileCloser> file;
};

// Opens path for reading if it is an ordinary file (links are followed). The test is made on the
// opened file, which is opened without waiting, so a FIFO or device put at the name, even between
// a check and the open, never makes the caller wait for a writer that does not come.
OrdinaryFile open_ordinary_file(const std::filesystem::path& path);

}  // namespace tessaroll
