#include "pages/upload_target.h"

namespace vanto {

void UploadTarget::Begin(FileSystem& fs, const std::string& path, const ImageHeader& header) {
    Close();
    m_strPath = path;
    int cause = kCauseNone;
    m_file = fs.OpenWrite(path, OutputOpen::kCreateTruncate, &cause);
    m_bFailed = !m_file || !m_file->WriteAt(0, header.data(), kImageHeaderSize);
}

void UploadTarget::Refuse() {
    Close();
    m_strPath.clear();
    m_bFailed = true;
}

void UploadTarget::WriteBlock(const TransferBlock& block) {
    if (!m_file) {
        return;
    }
    if (block.nBlock < 0 || block.nLength < 0 || (block.nLength > 0 && !block.pData)) {
        m_bFailed = true;
        return;
    }
    const std::int64_t offset =
        static_cast<std::int64_t>(kImageHeaderSize) + std::int64_t{block.nBlock} * kBlockSize;
    if (!m_file->WriteAt(offset, block.pData, static_cast<std::size_t>(block.nLength))) {
        m_bFailed = true;
    }
}

bool UploadTarget::WriteCompleteMark() {
    if (!IsSound()) {
        return false;
    }
    if (!m_file->WriteAt(kCompleteMarkOffset, kCompleteMarkDone.data(), kCompleteMarkSize)) {
        m_bFailed = true;
        return false;
    }
    return true;
}

void UploadTarget::Close() {
    if (m_file) {
        if (!m_file->Close()) {
            m_bFailed = true;
        }
        m_file.reset();
    }
}

}  // namespace vanto
