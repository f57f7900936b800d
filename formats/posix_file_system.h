#pragma once
// The real file system: POSIX calls.
//
// Inputs are opened with O_NONBLOCK and refused unless they are regular files. A writer's target
// that is a regular file or missing is replaced by rename from a temporary file in its directory;
// a new file gets 0666 less the umask, a replaced one keeps its permission bits. A target that is
// a character device or a FIFO (a terminal, /dev/null, a pipe a reader holds open) is written in
// place, since putting a file in its stead would replace the node; other kinds are refused.

#include <string>

#include "formats/file_system.h"

namespace vanto {

class PosixFileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override;
    std::unique_ptr<InputFile> OpenRead(const std::string& path, FileError* error) override;
    bool CheckWritable(const std::string& path, FileError* error) override;
    std::unique_ptr<FileWriter> CreateWriter(const std::string& path, const WriteOptions& options,
                                             FileError* error) override;
    bool Remove(const std::string& path, FileError* error) override;
};

// The process-wide real file system.
FileSystem& DefaultFileSystem();

// True when both paths name the same existing file (same device and inode, links followed).
bool IsSameFile(const std::string& a, const std::string& b);

// The file a path finally names: symbolic links followed, also when the last one dangles (its
// target does not exist yet). The path itself when it is no link.
std::string ResolveLinks(const std::string& path, FileError* error);

}  // namespace vanto
