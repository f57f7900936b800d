#include "formats/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "formats/temp_files.h"

namespace vanto {
namespace {

constexpr std::size_t kNameMax = NAME_MAX;

FileError ErrorOf(const std::string& path, int code, std::string detail = {}) {
    return FileError{path, code != 0 ? code : EIO, std::move(detail)};
}

void Set(FileError* error, FileError value) {
    if (error != nullptr) {
        *error = std::move(value);
    }
}

std::string DirName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// Writes all of [src, src + size) at `offset`, or in order where the file cannot seek.
bool WriteAllAt(int fd, std::int64_t offset, const std::uint8_t* src, std::size_t size,
                bool sequential) {
    while (size > 0) {
        const ssize_t put = sequential ? ::write(fd, src, size) : ::pwrite(fd, src, size, offset);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = EIO;
            }
            return false;
        }
        src += put;
        offset += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Opens for writing without blocking (a FIFO without a reader fails at once), then turns
// blocking writes back on.
int OpenForWriting(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        }
    }
    return fd;
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
                if (got == 0) {
                    errno = EIO;  // the file is shorter than when it was opened
                }
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

// What both writers share: the open descriptor, closed on commit or when the writer goes, and the
// first failure, told with the name the caller gave.
class DescriptorWriter : public FileWriter {
public:
    DescriptorWriter(int fd, std::string shownPath)
        : m_fd(fd), m_strShownPath(std::move(shownPath)) {}
    ~DescriptorWriter() override {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    DescriptorWriter(const DescriptorWriter&) = delete;
    DescriptorWriter& operator=(const DescriptorWriter&) = delete;

    const FileError& Error() const override { return m_error; }

protected:
    // False, keeping the first failure.
    bool Fail(int code) {
        if (!m_error.Failed()) {
            m_error = ErrorOf(m_strShownPath, code);
        }
        return false;
    }
    // False when an earlier step failed or the descriptor is closed already.
    bool Usable() {
        return m_error.Failed() || m_fd < 0 ? Fail(m_error.Failed() ? m_error.code : EBADF) : true;
    }
    // Closes the descriptor for good.
    bool CloseNow() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 || errno == EINTR || Fail(errno);
    }

    int m_fd;
    FileError m_error;

private:
    std::string m_strShownPath;
};

// Writes a character device or FIFO where it is.
class InPlaceWriter final : public DescriptorWriter {
public:
    InPlaceWriter(int fd, std::string path) : DescriptorWriter(fd, std::move(path)) {}

    bool WriteAt(std::int64_t offset, const std::uint8_t* src, std::size_t size) override {
        if (!Usable()) {
            return false;
        }
        if (!m_bSequential) {
            if (WriteAllAt(m_fd, offset, src, size, false)) {
                m_nPos = std::max(m_nPos, offset + static_cast<std::int64_t>(size));
                return true;
            }
            if (errno != ESPIPE) {
                return Fail(errno);
            }
            // A pipe or terminal cannot seek: what comes in order is written in order.
            m_bSequential = true;
        }
        if (offset != m_nPos) {
            return Fail(ESPIPE);
        }
        if (!WriteAllAt(m_fd, offset, src, size, true)) {
            return Fail(errno);
        }
        m_nPos += static_cast<std::int64_t>(size);
        return true;
    }

    bool Sync() override {
        if (m_error.Failed()) {
            return false;
        }
        // Devices and pipes that keep nothing cannot be synced; that is no failure.
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
            return Fail(errno);
        }
        return true;
    }

    bool Commit() override { return Sync() && CloseNow(); }

private:
    std::int64_t m_nPos = 0;
    bool m_bSequential = false;
};

// Writes a temporary file beside the target and renames it over the target on Commit.
class ReplacingWriter final : public DescriptorWriter {
public:
    ReplacingWriter(int fd, std::string shownPath, std::string target, std::string temp,
                    bool keepPartial)
        : DescriptorWriter(fd, std::move(shownPath)),
          m_strTarget(std::move(target)),
          m_strTemp(std::move(temp)),
          m_bKeep(keepPartial) {
        if (!m_bKeep) {
            m_nRegistration = RegisterTempFile(m_strTemp);
        }
    }
    ~ReplacingWriter() override {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        if (!m_bCommitted && !m_bKeep) {
            ::unlink(m_strTemp.c_str());
        }
        UnregisterTempFile(m_nRegistration);
    }

    bool WriteAt(std::int64_t offset, const std::uint8_t* src, std::size_t size) override {
        if (!Usable()) {
            return false;
        }
        m_bSynced = false;
        if (!WriteAllAt(m_fd, offset, src, size, false)) {
            return Fail(errno);
        }
        return true;
    }

    bool Sync() override {
        if (!Usable()) {
            return false;
        }
        if (m_bSynced) {
            return true;
        }
        if (::fsync(m_fd) != 0) {
            return Fail(errno);
        }
        struct stat st {};
        if (::fstat(m_fd, &st) != 0) {
            return Fail(errno);
        }
        if (st.st_nlink == 0) {
            return Fail(ENOENT);  // removed, or its folder was
        }
        m_bSynced = true;
        return true;
    }

    bool Commit() override {
        if (!Sync() || !CloseNow()) {
            return false;
        }
        if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
            return Fail(errno);
        }
        m_bCommitted = true;
        return true;
    }

    std::string KeptPath() const override { return m_bKeep ? m_strTemp : std::string(); }

private:
    std::string m_strTarget;  // the file that is replaced, links followed
    std::string m_strTemp;
    bool m_bKeep;
    bool m_bCommitted = false;
    bool m_bSynced = false;  // nothing written since the last sync
    int m_nRegistration = -1;
};

}  // namespace

std::string ResolveLinks(const std::string& path, FileError* error) {
    // An existing file: the system resolves the whole chain.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
        return path;
    }
    // Missing: follow the links by hand to where the file would be created.
    std::string p = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat lst {};
        if (::lstat(p.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) {
            return p;
        }
        char target[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), target, sizeof target - 1);
        if (n < 0) {
            return p;
        }
        target[n] = '\0';
        p = target[0] == '/' ? std::string(target) : Join(DirName(p), target);
    }
    Set(error, ErrorOf(path, ELOOP));
    return {};
}

bool PosixFileSystem::Exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

std::unique_ptr<InputFile> PosixFileSystem::OpenRead(const std::string& path, FileError* error) {
    if (path.empty()) {
        Set(error, ErrorOf(path, ENOENT));
        return nullptr;
    }
    // Non-blocking, so that a FIFO or a device without data cannot hang the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        Set(error, ErrorOf(path, errno));
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int code = errno;
        ::close(fd);
        Set(error, ErrorOf(path, code));
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        Set(error, S_ISDIR(st.st_mode) ? ErrorOf(path, EISDIR)
                                       : ErrorOf(path, EINVAL, "not a regular file"));
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return std::make_unique<PosixInputFile>(fd, static_cast<std::int64_t>(st.st_size));
}

bool PosixFileSystem::CheckWritable(const std::string& path, FileError* error) {
    if (path.empty()) {
        Set(error, ErrorOf(path, ENOENT));
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            Set(error, ErrorOf(path, EISDIR));
            return false;
        }
        if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode)) {
            Set(error, ErrorOf(path, EINVAL, "not a file that can be written"));
            return false;
        }
        // Opened for writing as the user would write it, content unchanged.
        const int fd = OpenForWriting(path);
        if (fd < 0) {
            Set(error, ErrorOf(path, errno));
            return false;
        }
        ::close(fd);
        if (!S_ISREG(st.st_mode)) {
            return true;  // written in place
        }
    } else if (errno != ENOENT) {
        Set(error, ErrorOf(path, errno));
        return false;
    }
    FileError resolveError;
    const std::string target = ResolveLinks(path, &resolveError);
    if (target.empty()) {
        Set(error, resolveError);
        return false;
    }
    if (BaseName(target).size() > kNameMax) {
        Set(error, ErrorOf(path, ENAMETOOLONG));
        return false;
    }
    // The temporary file and the rename need a folder that takes new files.
    const std::string dir = DirName(target);
    struct stat dst {};
    if (::stat(dir.c_str(), &dst) != 0) {
        Set(error, ErrorOf(path, errno));
        return false;
    }
    if (!S_ISDIR(dst.st_mode)) {
        Set(error, ErrorOf(path, ENOTDIR));
        return false;
    }
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        Set(error, ErrorOf(path, errno));
        return false;
    }
    return true;
}

std::unique_ptr<FileWriter> PosixFileSystem::CreateWriter(const std::string& path,
                                                          const WriteOptions& options,
                                                          FileError* error) {
    if (path.empty()) {
        Set(error, ErrorOf(path, ENOENT));
        return nullptr;
    }
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        Set(error, ErrorOf(path, EISDIR));
        return nullptr;
    }
    if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        const int fd = OpenForWriting(path);
        if (fd < 0) {
            Set(error, ErrorOf(path, errno));
            return nullptr;
        }
        return std::make_unique<InPlaceWriter>(fd, path);
    }
    if (exists && !S_ISREG(st.st_mode)) {
        Set(error, ErrorOf(path, EINVAL, "not a file that can be written"));
        return nullptr;
    }
    FileError resolveError;
    const std::string target = ResolveLinks(path, &resolveError);
    if (target.empty()) {
        Set(error, resolveError);
        return nullptr;
    }
    const std::string dir = DirName(target);
    const std::string base = BaseName(target);
    if (base.empty() || base.size() > kNameMax) {
        Set(error, ErrorOf(path, base.empty() ? EISDIR : ENAMETOOLONG));
        return nullptr;
    }
    ClearStaleTempFiles(dir, base);

    const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    std::string temp;
    int fd = -1;
    if (options.keepPartial) {
        temp = Join(dir, PartialFileName(base));
        // What an earlier failed run kept makes room for this run's.
        if (::unlink(temp.c_str()) != 0 && errno != ENOENT) {
            Set(error, ErrorOf(temp, errno));
            return nullptr;
        }
        fd = ::open(temp.c_str(), flags, 0666);
    } else {
        for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
            temp = Join(dir, TempFileName(base));
            fd = ::open(temp.c_str(), flags, 0666);
            if (fd < 0 && errno != EEXIST) {
                break;
            }
        }
    }
    if (fd < 0) {
        Set(error, ErrorOf(path, errno));
        return nullptr;
    }
    // A replaced file keeps its permission bits; a new one has 0666 less the umask from open.
    if (exists && ::fchmod(fd, st.st_mode & 07777) != 0) {
        const int code = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        Set(error, ErrorOf(path, code));
        return nullptr;
    }
    return std::make_unique<ReplacingWriter>(fd, path, target, temp, options.keepPartial);
}

bool PosixFileSystem::Remove(const std::string& path, FileError* error) {
    if (::unlink(path.c_str()) != 0) {
        Set(error, ErrorOf(path, errno));
        return false;
    }
    return true;
}

FileSystem& DefaultFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace vanto
