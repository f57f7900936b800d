#include "formats/file_system.h"

#include <cerrno>
#include <cstring>

namespace vanto {

std::string FileError::Reason() const {
    if (!detail.empty()) {
        return detail;
    }
    return std::strerror(code);
}

std::string FileError::Text() const {
    return path + ": " + Reason();
}

bool ReadWholeFile(FileSystem& fs, const std::string& path, ByteBuffer& out, FileError* error,
                   std::int64_t maxBytes) {
    FileError ignored;
    FileError& e = error ? *error : ignored;
    auto file = fs.OpenRead(path, &e);
    if (!file) {
        return false;
    }
    const std::int64_t size = file->Length();
    if (size > maxBytes) {
        e = {path, EFBIG,
             "the file is " + std::to_string(size) + " bytes, more than the largest of " +
                 std::to_string(maxBytes) + " bytes"};
        return false;
    }
    ByteBuffer data(static_cast<std::size_t>(size));
    if (!file->ReadAt(0, data.data(), data.size())) {
        e = {path, errno != 0 ? errno : EIO, {}};
        return false;
    }
    out = std::move(data);
    return true;
}

bool ReadFilePrefix(FileSystem& fs, const std::string& path, std::size_t maxBytes, ByteBuffer& out,
                    std::int64_t& fileSize, FileError* error) {
    FileError ignored;
    FileError& e = error ? *error : ignored;
    auto file = fs.OpenRead(path, &e);
    if (!file) {
        return false;
    }
    fileSize = file->Length();
    const auto n = static_cast<std::size_t>(
        std::min<std::int64_t>(fileSize, static_cast<std::int64_t>(maxBytes)));
    ByteBuffer data(n);
    if (!file->ReadAt(0, data.data(), n)) {
        e = {path, errno != 0 ? errno : EIO, {}};
        return false;
    }
    out = std::move(data);
    return true;
}

bool WriteWholeFile(FileSystem& fs, const std::string& path,
                    std::initializer_list<std::span<const std::uint8_t>> parts, FileError* error) {
    FileError ignored;
    FileError& e = error ? *error : ignored;
    auto writer = fs.CreateWriter(path, WriteOptions{}, &e);
    if (!writer) {
        return false;
    }
    std::int64_t offset = 0;
    for (const auto& part : parts) {
        if (!writer->WriteAt(offset, part.data(), part.size())) {
            e = writer->Error();
            return false;
        }
        offset += static_cast<std::int64_t>(part.size());
    }
    if (!writer->Commit()) {
        e = writer->Error();
        return false;
    }
    return true;
}

int OutputOpenCause(const FileError& error) {
    switch (error.code) {
        case ENOENT:  // the folder is missing
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return kCauseBadPath;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return kCauseAccessDenied;
        case EMFILE:
        case ENFILE:
            return kCauseTooManyOpenFiles;
        case ENOSPC:
        case EDQUOT:
            return kCauseDiskFull;
        case EBUSY:
        case ETXTBSY:
            return kCauseSharingViolation;
        case EIO:
            return kCauseHardIo;
        default:
            return kCauseGeneric;
    }
}

}  // namespace vanto
