#pragma once
// The real file system of the pages: POSIX open, pread, pwrite and close.

#include "formats/file_system.h"

namespace vanto {

class PosixFileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override;
    std::unique_ptr<InputFile> OpenRead(const std::string& path, int* cause) override;
    std::unique_ptr<OutputFile> OpenWrite(const std::string& path, OutputOpen how,
                                          int* cause) override;
};

// The process-wide real file system.
FileSystem& DefaultFileSystem();

}  // namespace vanto
