#pragma once
// File access of the function pages: reading a chosen file and writing an upload's output file.
// PosixFileSystem is the real one; tests wrap it to fail after a number of bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vanto {

// Causes of a failed open, numbered as the page's message "File could not be opened %d" shows them.
enum FileOpenCause : int {
    kCauseNone = 0,
    kCauseGeneric = 1,
    kCauseFileNotFound = 2,
    kCauseBadPath = 3,
    kCauseTooManyOpenFiles = 4,
    kCauseAccessDenied = 5,
    kCauseHardIo = 10,
    kCauseSharingViolation = 11,
    kCauseDiskFull = 13,
};

class InputFile {
public:
    virtual ~InputFile() = default;
    // Length in bytes when the file was opened.
    virtual std::int64_t Length() const = 0;
    // Reads exactly `size` bytes at `offset`; false on an error or a short read.
    virtual bool ReadAt(std::int64_t offset, std::uint8_t* dst, std::size_t size) = 0;
};

class OutputFile {
public:
    virtual ~OutputFile() = default;
    // Writes all `size` bytes at `offset`; false when any of them could not be written.
    virtual bool WriteAt(std::int64_t offset, const std::uint8_t* src, std::size_t size) = 0;
    // Closes the file; false when the system reports a failure (data may be lost).
    virtual bool Close() = 0;
};

enum class OutputOpen {
    kWriteExisting,   // write access to an existing file, content unchanged
    kCreate,          // write access, created empty when missing, content otherwise unchanged
    kCreateTruncate,  // created or emptied, read/write access
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True when something of that name exists.
    virtual bool Exists(const std::string& path) = 0;
    // Opens a regular file for reading; null with `cause` set when it can't.
    virtual std::unique_ptr<InputFile> OpenRead(const std::string& path, int* cause) = 0;
    // Opens a file for writing as `how` says; null with `cause` set when it can't.
    virtual std::unique_ptr<OutputFile> OpenWrite(const std::string& path, OutputOpen how,
                                                  int* cause) = 0;
};

}  // namespace vanto
