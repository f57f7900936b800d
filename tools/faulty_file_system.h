#pragma once
// A file system for tests that fails the way a real one can, on top of the real one: a full disk
// (writes fail with ENOSPC once a byte budget is spent), a denied permission (writers cannot be
// created, EACCES), a failed rename (Commit fails with EXDEV after everything was written), or a
// failed sync (EIO, as a disk that reports a lost write at the flush). Reads pass through.

#include <cstdint>

#include "formats/file_system.h"

namespace vanto {

enum class FileFault {
    kNone,
    kNoSpace,           // every writer together takes `budget` bytes, then ENOSPC
    kPermissionDenied,  // CreateWriter fails with EACCES
    kRenameFailed,      // Commit fails with EXDEV, the target untouched
    kSyncFailed,        // Sync and Commit fail with EIO
};

class FaultyFileSystem final : public ForwardingFileSystem {
public:
    explicit FaultyFileSystem(FileFault fault = FileFault::kNone, std::int64_t budget = 0);

    std::unique_ptr<FileWriter> CreateWriter(const std::string& path, const WriteOptions& options,
                                             FileError* error) override;

    FileFault m_fault;
    std::int64_t m_budget;
};

}  // namespace vanto
