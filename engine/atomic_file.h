// Files replaced whole, and files read only when they are ordinary files.
//
// Replacing: the new content goes to a temporary file created fresh beside the target under a name
// no one can predict ("output.txt.k3x9q0b7m2ra.tmp"), created exclusively and without following
// links (O_CREAT | O_EXCL | O_NOFOLLOW, mode 0600; CREATE_NEW on Windows). Whatever stands at
// another name in the folder (a FIFO, a hard or symbolic link, a stale file of any mode) is never
// opened or changed. The bytes are written and synced to the disk, the temporary file is renamed
// over the target and the folder is synced. On any failure the temporary file is removed and the
// target stays as it was. Writers running at the same time each put one whole file in place; the
// last rename wins.
#pragma once

#include <cstdio>
#include <filesystem>
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

// Writes bytes to target as described above. The file is readable and writable by its owner
// only. A target that names a folder is refused. Throws FileError naming the target and the
// system's reason.
void replace_file_contents(const std::filesystem::path& target, std::string_view bytes);

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
