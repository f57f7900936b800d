#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "formats/posix_file_system.h"

namespace vanto {
namespace {

int CauseOf(int error, bool creating) {
    switch (error) {
        case ENOENT:
            // A missing file when one must exist; a missing folder when creating.
            return creating ? kCauseBadPath : kCauseFileNotFound;
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

class PosixInputFile final : public InputFile {
public:
    PosixInputFile(int fd, std::int64_t length) : m_fd(fd), m_length(length) {}
    ~PosixInputFile() override { ::close(m_fd); }
    PosixInputFile(const PosixInputFile&) = delete;
    PosixInputFile& operator=(const PosixInputFile&) = delete;

    std::int64_t Length() const override { return m_length; }

    bool ReadAt(std::int64_t offset, std::uint8_t* dst, std::size_t size) override {
        while (size > 0) {
            const ssize_t got = ::pread(m_fd, dst, size, offset);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            dst += got;
            offset += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int m_fd;
    std::int64_t m_length;
};

class PosixOutputFile final : public OutputFile {
public:
    explicit PosixOutputFile(int fd) : m_fd(fd) {}
    ~PosixOutputFile() override { Close(); }
    PosixOutputFile(const PosixOutputFile&) = delete;
    PosixOutputFile& operator=(const PosixOutputFile&) = delete;

    bool WriteAt(std::int64_t offset, const std::uint8_t* src, std::size_t size) override {
        if (m_fd < 0) {
            return false;
        }
        while (size > 0) {
            const ssize_t put = ::pwrite(m_fd, src, size, offset);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return false;
            }
            src += put;
            offset += put;
            size -= static_cast<std::size_t>(put);
        }
        return true;
    }

    bool Close() override {
        if (m_fd < 0) {
            return true;
        }
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }

private:
    int m_fd;
};

}  // namespace

bool PosixFileSystem::Exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

std::unique_ptr<InputFile> PosixFileSystem::OpenRead(const std::string& path, int* cause) {
    *cause = kCauseNone;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *cause = CauseOf(errno, false);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *cause = kCauseAccessDenied;
        return nullptr;
    }
    return std::make_unique<PosixInputFile>(fd, static_cast<std::int64_t>(st.st_size));
}

std::unique_ptr<OutputFile> PosixFileSystem::OpenWrite(const std::string& path, OutputOpen how,
                                                       int* cause) {
    *cause = kCauseNone;
    int flags = O_CLOEXEC;
    switch (how) {
        case OutputOpen::kWriteExisting:
            flags |= O_WRONLY;
            break;
        case OutputOpen::kCreate:
            flags |= O_WRONLY | O_CREAT;
            break;
        case OutputOpen::kCreateTruncate:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
    }
    if (path.empty()) {
        *cause = kCauseBadPath;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        *cause = CauseOf(errno, how != OutputOpen::kWriteExisting);
        return nullptr;
    }
    return std::make_unique<PosixOutputFile>(fd);
}

FileSystem& DefaultFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace vanto
