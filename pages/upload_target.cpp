#include "pages/upload_target.h"

#include <cerrno>

namespace vanto {

void UploadTarget::Begin(FileSystem& fs, const std::string& path, const ImageHeader& header) {
    Close();
    m_strPath = path;
    m_strKept.clear();
    m_error = {};
    m_strReport.clear();
    m_bErrorReported = false;
    m_blockLengths.clear();
    m_nArrived = m_nAnnounced = 0;
    WriteOptions options;
    options.keepPartial = true;
    m_file = fs.CreateWriter(path, options, &m_error);
    if (!m_file) {
        if (!m_error.Failed()) {
            m_error = {path, EIO, {}};
        }
        return;
    }
    m_strKept = m_file->KeptPath();
    if (!m_file->WriteAt(0, header.data(), kImageHeaderSize)) {
        Failed();
    }
}

void UploadTarget::Refuse() {
    Close();
    m_strPath.clear();
    m_strKept.clear();
    m_error = {};
    m_strReport.clear();
    m_bErrorReported = false;
}

void UploadTarget::Failed() {
    if (!m_error.Failed()) {
        m_error = m_file ? m_file->Error() : FileError{};
        if (!m_error.Failed()) {
            m_error = {m_strPath, EIO, {}};
        }
    }
}

void UploadTarget::WriteBlock(const TransferBlock& block) {
    if (!m_file) {
        return;
    }
    if (block.nBlock < 0 || block.nBlock > 0xFFFF || block.nLength < 0 ||
        block.nLength >= kNotReceived || (block.nLength > 0 && !block.pData)) {
        m_error = {m_strPath, EINVAL, "a received block could not be placed in the file"};
        return;
    }
    const std::int64_t offset =
        static_cast<std::int64_t>(kImageHeaderSize) + std::int64_t{block.nBlock} * kBlockSize;
    if (!m_file->WriteAt(offset, block.pData, static_cast<std::size_t>(block.nLength))) {
        Failed();
        return;
    }
    if (static_cast<std::size_t>(block.nBlock) >= m_blockLengths.size()) {
        m_blockLengths.resize(static_cast<std::size_t>(block.nBlock) + 1, kNotReceived);
    }
    m_blockLengths[static_cast<std::size_t>(block.nBlock)] =
        static_cast<std::uint16_t>(block.nLength);
}

UploadVerdict UploadTarget::Verify(int announcedBlocks, std::uint32_t announcedBytes) {
    if (!m_file) {
        return m_error.Failed() ? UploadVerdict::kWriteFailed : UploadVerdict::kNoFile;
    }
    if (m_error.Failed()) {
        return UploadVerdict::kWriteFailed;
    }
    // Late failures (a full disk found at the flush, a removed folder) count as write failures.
    if (!m_file->Sync()) {
        Failed();
        return UploadVerdict::kWriteFailed;
    }
    m_nAnnounced = announcedBlocks < 0 ? 0 : announcedBlocks;
    m_nArrived = 0;
    m_nBytesArrived = 0;
    bool whole = true;
    for (std::size_t n = 0; n < m_blockLengths.size(); ++n) {
        const std::uint16_t length = m_blockLengths[n];
        const bool announced = n < static_cast<std::size_t>(m_nAnnounced);
        if (length == kNotReceived) {
            whole = whole && !announced;
            continue;
        }
        if (!announced) {
            whole = false;  // written past the end the header gives
            continue;
        }
        ++m_nArrived;
        m_nBytesArrived += length;
        // Every block before the last carries a full 2048 bytes.
        if (n + 1 < static_cast<std::size_t>(m_nAnnounced) && length != kBlockSize) {
            whole = false;
        }
    }
    whole = whole && m_nArrived == m_nAnnounced && m_nBytesArrived == announcedBytes;
    return whole ? UploadVerdict::kSound : UploadVerdict::kIncomplete;
}

bool UploadTarget::Complete() {
    if (!m_file || m_error.Failed()) {
        return false;
    }
    if (!m_file->WriteAt(kCompleteMarkOffset, kCompleteMarkDone.data(), kCompleteMarkSize) ||
        !m_file->Commit()) {
        Failed();
        return false;
    }
    m_file.reset();
    m_strKept.clear();
    return true;
}

void UploadTarget::Close() {
    // A writer that was not committed keeps what it wrote under its partial name.
    m_file.reset();
}

}  // namespace vanto
