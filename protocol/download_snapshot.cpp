#include "protocol/download_snapshot.h"

#include <cstring>

#include "protocol/frames.h"

namespace vanto {

bool DownloadSnapshot::Take(const TransferJob& job) {
    const std::size_t have = job.m_pData ? job.m_pData->size() : 0;
    if (job.m_nBlocksLeft < 0 || job.m_nLastBlockSize < 0 || job.m_nLastBlockSize >= kBlockSize)
        return false;
    if (job.m_nBlockCount != job.m_nBlocksLeft + 1 || job.m_nBlockCount > 0xFFFF)
        return false;
    const std::size_t need = static_cast<std::size_t>(job.m_nBlocksLeft) * kBlockSize +
                             static_cast<std::size_t>(job.m_nLastBlockSize);
    if (need > have)
        return false;
    m_valid = true;
    m_data = job.m_pData;
    m_blockCount = job.m_nBlockCount;
    m_blocksLeft = job.m_nBlocksLeft;
    m_lastBlockSize = job.m_nLastBlockSize;
    m_checksum = static_cast<std::uint16_t>(job.m_wChecksum);
    m_headParam1 = job.m_dwHeadParam1;
    m_headParam2 = job.m_dwHeadParam2;
    m_headParam3 = job.m_dwHeadParam3;
    m_devParam1 = job.m_dwDevParam1;
    m_devParam2 = job.m_dwDevParam2;
    m_headName = job.m_szHeadName;
    return true;
}

void DownloadSnapshot::Release() {
    m_valid = false;
    m_data.reset();
}

std::size_t DownloadSnapshot::BuildHeadFrame(std::uint8_t* out, int reqCode) const {
    const auto count = static_cast<std::uint16_t>(m_blockCount);
    if (reqCode == REQ_APP_DOWNLOAD || reqCode == REQ_DB_DOWNLOAD)
        return BuildHeadShort(out, count, m_checksum);
    HeadInfo h;
    h.blockCount = count;
    h.value3 = m_headParam3;
    h.names = m_headName;
    if (reqCode == REQ_ONEDEV_DOWNLOAD) {
        h.kind = HK_ONEDEV;
        h.checksum = 0;
        h.value1 = m_devParam1;
        h.value2 = m_devParam2;
    } else {
        h.kind = reqCode == REQ_ICON_DOWNLOAD ? HK_ICON : HK_USERDATA;
        h.checksum = m_checksum;
        h.value1 = m_headParam1;
        h.value2 = m_headParam2;
    }
    return BuildHead(out, h);
}

int DownloadSnapshot::Stage(int blockNo, std::uint8_t* staging) const {
    if (!m_valid || blockNo < 0 || blockNo > m_blocksLeft)
        return -1;
    const bool last = IsLast(blockNo);
    const std::size_t len = last ? static_cast<std::size_t>(m_lastBlockSize) : kBlockSize;
    const std::size_t offset = static_cast<std::size_t>(blockNo) * kBlockSize;
    const std::size_t have = m_data ? m_data->size() : 0;
    if (offset + len > have)
        return -1;
    if (last)
        std::memset(staging, 0, kBlockSize);
    if (len != 0)
        std::memcpy(staging, m_data->data() + offset, len);
    return static_cast<int>(len);
}

}  // namespace vanto
