#pragma once
// Reads a chosen file whole for a download page: its first bytes (the header) apart and the rest
// as shared data that a running exchange can keep alive. The size is checked before anything is
// allocated, so a huge file is refused instead of failing an allocation.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "formats/bytes.h"
#include "formats/file_system.h"

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
};

// Sees the body piece by piece as it is read, while the bytes are still in the cache; every piece
// but the last has an even length.
using BodyPieceSink = std::function<void(const std::uint8_t* piece, std::size_t size)>;

// Reads `path` (an empty path fails to open): the first `headSize` bytes into `head`, the rest
// into `body`, which may hold at most `maxBody` bytes. `onPiece`, when given, sees every piece of
// the body as it is read (a checksum over the body costs no second pass).
// `beforeAllocate` runs once the file is open and its size accepted, just before the buffers are
// allocated: a page that reads its file again drops its old copy there, so the two need not fit
// in memory side by side. It does not run when the load ends earlier (kOpenFailed, kTooLarge).
LoadedFile LoadFile(FileSystem& fs, const std::string& path, std::size_t headSize,
                    std::int64_t maxBody, const BodyPieceSink& onPiece = nullptr,
                    const std::function<void()>& beforeAllocate = nullptr);

// Message for a file whose data exceed the largest transfer, or could not be held in memory.
inline constexpr const char* kFileTooLargeText =
    "The file is too large! At most 134215679 bytes can be transferred.";
inline constexpr const char* kFileOutOfMemoryText = "Not enough memory to load the file!";

}  // namespace vanto
