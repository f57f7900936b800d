#pragma once
// The one way this program reads and writes files. Every reader and writer (the pages, the icon
// editor, the command line) goes through a FileSystem, so that a fault-injecting one can stand in
// for the real one in tests.
//
// Reading: an input is opened so that it cannot block (a FIFO or a device never hangs the
// caller) and anything but a regular file is refused.
// Writing: a FileWriter writes into a temporary file in the target's directory, syncs it and
// renames it over the target only on Commit, so the older file stays whole until the new one is
// complete. Through a symbolic link the file it points at is replaced, in that file's directory.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "formats/bytes.h"

namespace vanto {

// A failed file operation: the file it concerns and the system's reason.
struct FileError {
    std::string path;
    int code = 0;        // errno value; 0 while nothing failed
    std::string detail;  // our own reason where the system has none ("not a regular file")

    bool Failed() const { return code != 0; }
    // The system's reason ("No space left on device"), or `detail`.
    std::string Reason() const;
    // "PATH: reason".
    std::string Text() const;
};

class InputFile {
public:
    virtual ~InputFile() = default;
    // Length in bytes when the file was opened.
    virtual std::int64_t Length() const = 0;
    // Reads exactly `size` bytes at `offset`; false on an error or a short read.
    virtual bool ReadAt(std::int64_t offset, std::uint8_t* dst, std::size_t size) = 0;
};

// The new content of one file. Destroying a writer that was not committed abandons it: the
// temporary file is removed, or kept under its partial name (WriteOptions::keepPartial); the
// target is never touched.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    // Writes all `size` bytes at `offset`; false when any could not be written.
    virtual bool WriteAt(std::int64_t offset, const std::uint8_t* src, std::size_t size) = 0;
    // Flushes what was written to the disk and checks that the file is still there (its folder
    // may have been removed meanwhile).
    virtual bool Sync() = 0;
    // Sync, then the file takes the target's place. False (the target untouched) on any failure.
    virtual bool Commit() = 0;
    // The first failure of this writer.
    virtual const FileError& Error() const = 0;
    // Where what was written stays when the writer is abandoned (TARGET.partial); empty when an
    // abandoned writer keeps nothing.
    virtual std::string KeptPath() const { return {}; }
};

struct WriteOptions {
    // Write under TARGET.partial and keep that file when the writer is abandoned: what was written
    // survives a failure, and a commit renames it to TARGET. Otherwise a hidden temporary name is
    // used and removed when abandoned.
    bool keepPartial = false;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True when something of that name exists.
    virtual bool Exists(const std::string& path) = 0;
    // Opens a regular file for reading; null with `error` set when it can't.
    virtual std::unique_ptr<InputFile> OpenRead(const std::string& path, FileError* error) = 0;
    // True when a writer for `path` could replace it: an existing file can be opened for writing
    // and its folder takes new files; a missing one's folder exists and takes new files. Nothing
    // is created or changed.
    virtual bool CheckWritable(const std::string& path, FileError* error) = 0;
    // Starts the new content of `path`; null with `error` set when it can't.
    virtual std::unique_ptr<FileWriter> CreateWriter(const std::string& path,
                                                     const WriteOptions& options,
                                                     FileError* error) = 0;
    // Removes the file `path`.
    virtual bool Remove(const std::string& path, FileError* error) = 0;
};

// Passes every call on to another file system; a test double overrides what it changes.
class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& inner) : m_inner(inner) {}
    bool Exists(const std::string& path) override { return m_inner.Exists(path); }
    std::unique_ptr<InputFile> OpenRead(const std::string& path, FileError* error) override {
        return m_inner.OpenRead(path, error);
    }
    bool CheckWritable(const std::string& path, FileError* error) override {
        return m_inner.CheckWritable(path, error);
    }
    std::unique_ptr<FileWriter> CreateWriter(const std::string& path, const WriteOptions& options,
                                             FileError* error) override {
        return m_inner.CreateWriter(path, options, error);
    }
    bool Remove(const std::string& path, FileError* error) override {
        return m_inner.Remove(path, error);
    }

protected:
    FileSystem& m_inner;
};

// Reads the whole file, which may hold at most `maxBytes`; a larger one fails with a message
// naming both sizes.
bool ReadWholeFile(FileSystem& fs, const std::string& path, ByteBuffer& out, FileError* error,
                   std::int64_t maxBytes = kMaxImageBytes);

// Reads at most `maxBytes` from the start of the file and reports the file's full size.
bool ReadFilePrefix(FileSystem& fs, const std::string& path, std::size_t maxBytes, ByteBuffer& out,
                    std::int64_t& fileSize, FileError* error);

// Writes the parts one after another as the new content of `path` and commits it. On failure
// `path` is left as it was and `error` tells why.
bool WriteWholeFile(FileSystem& fs, const std::string& path,
                    std::initializer_list<std::span<const std::uint8_t>> parts, FileError* error);

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

// The cause of a failed check or creation of an output file (a missing folder is a bad path).
int OutputOpenCause(const FileError& error);

}  // namespace vanto
