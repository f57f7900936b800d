#include "formats/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace vanto {
namespace {

void SetError(std::string* error, const std::string& what, int err) {
    if (error != nullptr)
        *error = what + ": " + std::strerror(err);
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (w == 0) {
            errno = EIO;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Opens `path` for reading when it names a regular file and gives its size; -1 otherwise.
int OpenRegularFile(const std::string& path, std::int64_t& size, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, path, errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetError(error, path, S_ISDIR(st.st_mode) ? EISDIR : (errno ? errno : EINVAL));
        ::close(fd);
        return -1;
    }
    size = static_cast<std::int64_t>(st.st_size);
    return fd;
}

// Reads into data[got..data.size()) until it is full or the file ends.
bool ReadUntilFull(int fd, ByteBuffer& data, std::size_t& got) {
    while (got < data.size()) {
        const ssize_t r = ::read(fd, data.data() + got, data.size() - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

}  // namespace

std::optional<std::int64_t> FileSize(const std::string& path, std::string* error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        SetError(error, path, errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        SetError(error, path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return std::nullopt;
    }
    return static_cast<std::int64_t>(st.st_size);
}

bool ReadWholeFile(const std::string& path, ByteBuffer& out, std::string* error,
                   std::int64_t maxBytes) {
    std::int64_t size = 0;
    const int fd = OpenRegularFile(path, size, error);
    if (fd < 0)
        return false;
    if (size > maxBytes) {
        if (error != nullptr) {
            *error = path + ": the file is " + std::to_string(size) +
                     " bytes, more than the largest transfer of " + std::to_string(maxBytes) +
                     " bytes";
        }
        ::close(fd);
        return false;
    }
    ByteBuffer data(static_cast<std::size_t>(size));
    std::size_t got = 0;
    for (;;) {
        if (!ReadUntilFull(fd, data, got)) {
            SetError(error, path, errno);
            ::close(fd);
            return false;
        }
        if (got < data.size())
            break;
        // The file may have grown since fstat; read on in steps up to the limit.
        if (static_cast<std::int64_t>(data.size()) >= maxBytes) {
            std::uint8_t probe = 0;
            const ssize_t r = ::read(fd, &probe, 1);
            if (r == 0)
                break;
            SetError(error, path, r < 0 ? errno : EFBIG);
            ::close(fd);
            return false;
        }
        data.resize(data.size() + 65536 > static_cast<std::size_t>(maxBytes)
                        ? static_cast<std::size_t>(maxBytes)
                        : data.size() + 65536);
    }
    ::close(fd);
    data.resize(got);
    out = std::move(data);
    return true;
}

bool ReadFilePrefix(const std::string& path, std::size_t maxBytes, ByteBuffer& out,
                    std::int64_t& fileSize, std::string* error) {
    const int fd = OpenRegularFile(path, fileSize, error);
    if (fd < 0)
        return false;
    ByteBuffer data(maxBytes);
    std::size_t got = 0;
    const bool ok = ReadUntilFull(fd, data, got);
    if (!ok)
        SetError(error, path, errno);
    ::close(fd);
    if (!ok)
        return false;
    data.resize(got);
    out = std::move(data);
    return true;
}

namespace {

// A target that exists but is not a regular file (a device, a pipe) is written in place: putting
// a file in its stead would replace the device node instead of writing to it.
bool WriteInPlace(const std::string& path,
                  std::initializer_list<std::span<const std::uint8_t>> parts, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, path, errno);
        return false;
    }
    bool ok = true;
    for (const auto& part : parts) {
        if (!ok)
            break;
        ok = WriteAll(fd, part.data(), part.size());
    }
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok)
        SetError(error, path, err ? err : EIO);
    return ok;
}

}  // namespace

bool WriteFileAtomically(const std::string& pathIn,
                         std::initializer_list<std::span<const std::uint8_t>> parts,
                         std::string* error) {
    std::string path = pathIn;
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        // Replace the file the link points at, not the link.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr)
            path = resolved;
    }
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        if (S_ISDIR(existing.st_mode)) {
            SetError(error, pathIn, EISDIR);
            return false;
        }
        return WriteInPlace(path, parts, error);
    }
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        SetError(error, path, errno);
        return false;
    }
    // A new file gets ordinary permissions; a replaced file keeps its own.
    struct stat st {};
    const mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0;
    for (const auto& part : parts) {
        if (!ok)
            break;
        ok = WriteAll(fd, part.data(), part.size());
    }
    if (ok)
        ok = ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(name.data(), path.c_str()) != 0) {
        const int renameErr = errno;
        ::unlink(name.data());
        SetError(error, path, renameErr);
        return false;
    }
    if (!ok) {
        ::unlink(name.data());
        SetError(error, path, err ? err : EIO);
        return false;
    }
    return true;
}

}  // namespace vanto
