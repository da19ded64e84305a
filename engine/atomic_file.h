// Replacing a file whole: the new content goes to a temporary file beside the target, which is
// then renamed over it, so a failure at any point leaves the previous file as it was.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaroll {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The temporary file's name: the target's name with ".tmp" appended, in the same folder.
std::filesystem::path temporary_path_for(const std::filesystem::path& target);

// Writes bytes to target through temporary_path_for(target). On POSIX the file is created
// readable and writable by its owner only. Throws FileError naming the path and the system's
// reason; the temporary file is removed on failure.
void replace_file_contents(const std::filesystem::path& target, std::string_view bytes);

}  // namespace tessaroll
