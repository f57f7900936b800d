#include "formats/file_loader.h"

#include <algorithm>
#include <new>

namespace vanto {

namespace {

// Even, so that every piece starts on a word boundary of the checksum.
constexpr std::size_t kReadPiece = 1 << 20;

bool ReadBody(InputFile& file, std::int64_t offset, ByteBuffer& body,
              const BodyPieceSink& onPiece) {
    for (std::size_t at = 0; at < body.size(); at += kReadPiece) {
        const std::size_t n = std::min(kReadPiece, body.size() - at);
        if (!file.ReadAt(offset + static_cast<std::int64_t>(at), body.data() + at, n)) {
            return false;
        }
        if (onPiece) {
            onPiece(body.data() + at, n);
        }
    }
    return true;
}

}  // namespace

LoadedFile LoadFile(FileSystem& fs, const std::string& path, std::size_t headSize,
                    std::int64_t maxBody, const BodyPieceSink& onPiece,
                    const std::function<void()>& beforeAllocate) {
    LoadedFile result;
    if (path.empty()) {
        // No name names no file; this also ends the change that an emptied edit raises.
        return result;
    }
    FileError error;
    auto file = fs.OpenRead(path, &error);
    if (!file) {
        result.status = LoadStatus::kOpenFailed;
        return result;
    }
    result.length = file->Length();
    const auto headLength =
        static_cast<std::size_t>(std::min<std::int64_t>(result.length, headSize));
    const std::int64_t bodyLength = result.length - static_cast<std::int64_t>(headLength);
    if (bodyLength > maxBody) {
        result.status = LoadStatus::kTooLarge;
        return result;
    }
    if (beforeAllocate) {
        beforeAllocate();
    }
    std::shared_ptr<ByteBuffer> body;
    try {
        result.head.resize(headLength);
        body = std::make_shared<ByteBuffer>(static_cast<std::size_t>(bodyLength));
    } catch (const std::bad_alloc&) {
        result.head.clear();
        result.status = LoadStatus::kOutOfMemory;
        return result;
    }
    if (!file->ReadAt(0, result.head.data(), headLength) ||
        !ReadBody(*file, static_cast<std::int64_t>(headLength), *body, onPiece)) {
        result.head.clear();
        result.status = LoadStatus::kReadFailed;
        return result;
    }
    result.body = std::move(body);
    result.status = LoadStatus::kOk;
    return result;
}

}  // namespace vanto
