#pragma once
// Reads a chosen file whole for a download page: its first bytes (the header) apart and the rest
// as shared data that a running exchange can keep alive. The size is checked before anything is
// allocated, so a huge file is refused instead of failing an allocation.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "pages/file_system.h"
#include "protocol/transfer_job.h"

namespace vanto {

enum class LoadStatus {
    kOk,
    kOpenFailed,   // missing, no access, not a regular file
    kReadFailed,   // opened, but the bytes could not all be read
    kTooLarge,     // the data part exceeds the limit
    kOutOfMemory,  // the data part could not be allocated
};

struct LoadedFile {
    LoadStatus status = LoadStatus::kOpenFailed;
    std::int64_t length = 0;  // the whole file
    ByteBuffer head;          // the first min(length, headSize) bytes
    SharedBytes body;         // bytes from headSize to the end (empty when the file is shorter)
    std::uint16_t bodyChecksum = 0;  // XorWordChecksum of body, when asked for
};

// Reads `path` (an empty path fails to open): the first `headSize` bytes into `head`, the rest
// into `body`, which may hold at most `maxBody` bytes. With `checksum` the body's XOR word
// checksum is computed piece by piece while the bytes are still in the cache.
// `beforeAllocate` runs once the file is open and its size accepted, just before the buffers are
// allocated: a page that reads its file again drops its old copy there, so the two need not fit
// in memory side by side. It does not run when the load ends earlier (kOpenFailed, kTooLarge).
LoadedFile LoadFile(FileSystem& fs, const std::string& path, std::size_t headSize,
                    std::int64_t maxBody, bool checksum = false,
                    const std::function<void()>& beforeAllocate = nullptr);

// Message for a file whose data exceed the largest transfer, or could not be held in memory.
inline constexpr const char* kFileTooLargeText =
    "The file is too large! At most 134215679 bytes can be transferred.";
inline constexpr const char* kFileOutOfMemoryText = "Not enough memory to load the file!";

}  // namespace vanto
