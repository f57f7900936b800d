#include "tools/faulty_file_system.h"

#include <algorithm>
#include <cerrno>

#include "formats/posix_file_system.h"

namespace vanto {
namespace {

class FaultyWriter final : public FileWriter {
public:
    FaultyWriter(std::unique_ptr<FileWriter> inner, std::string path, FaultyFileSystem& fs)
        : m_inner(std::move(inner)), m_strPath(std::move(path)), m_fs(fs) {}

    bool WriteAt(std::int64_t offset, const std::uint8_t* src, std::size_t size) override {
        if (m_error.Failed()) {
            return false;
        }
        std::size_t fits = size;
        if (m_fs.m_fault == FileFault::kNoSpace) {
            fits = static_cast<std::size_t>(
                std::max<std::int64_t>(0, std::min<std::int64_t>(m_fs.m_budget, size)));
            m_fs.m_budget -= static_cast<std::int64_t>(fits);
        }
        if (fits > 0 && !m_inner->WriteAt(offset, src, fits)) {
            return Fail(m_inner->Error());
        }
        if (fits < size) {
            return Fail({m_strPath, ENOSPC, {}});
        }
        return true;
    }
    bool Sync() override {
        if (m_error.Failed()) {
            return false;
        }
        if (m_fs.m_fault == FileFault::kSyncFailed) {
            return Fail({m_strPath, EIO, {}});
        }
        return m_inner->Sync() || Fail(m_inner->Error());
    }
    bool Commit() override {
        if (!Sync()) {
            return false;
        }
        if (m_fs.m_fault == FileFault::kRenameFailed) {
            return Fail({m_strPath, EXDEV, {}});
        }
        return m_inner->Commit() || Fail(m_inner->Error());
    }
    const FileError& Error() const override { return m_error; }
    std::string KeptPath() const override { return m_inner->KeptPath(); }

private:
    bool Fail(const FileError& error) {
        if (!m_error.Failed()) {
            m_error = error;
        }
        return false;
    }

    std::unique_ptr<FileWriter> m_inner;
    std::string m_strPath;
    FaultyFileSystem& m_fs;
    FileError m_error;
};

}  // namespace

FaultyFileSystem::FaultyFileSystem(FileFault fault, std::int64_t budget)
    : ForwardingFileSystem(DefaultFileSystem()), m_fault(fault), m_budget(budget) {}

std::unique_ptr<FileWriter> FaultyFileSystem::CreateWriter(const std::string& path,
                                                           const WriteOptions& options,
                                                           FileError* error) {
    if (m_fault == FileFault::kPermissionDenied) {
        if (error != nullptr) {
            *error = {path, EACCES, {}};
        }
        return nullptr;
    }
    auto inner = m_inner.CreateWriter(path, options, error);
    if (!inner) {
        return nullptr;
    }
    return std::make_unique<FaultyWriter>(std::move(inner), path, *this);
}

}  // namespace vanto
