#pragma once
// The transfer job: the fields a download page fills from its file and the engine reads to send
// it, and that the engine fills from an upload's head information for the upload page to write.
// Every function page (CKvMgrFormView) carries one.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vanto {

constexpr int kBlockSize = 2048;
// A job carries at most 65,535 blocks: 65,534 full ones and a last one of up to 2047 bytes.
constexpr std::int64_t kMaxTransferBytes = 65534LL * kBlockSize + (kBlockSize - 1);

using ByteBuffer = std::vector<std::uint8_t>;
// Download data are shared: the page replaces its pointer on every load, while a running exchange
// keeps the buffer it accepted alive until the exchange ends.
using SharedBytes = std::shared_ptr<const ByteBuffer>;

struct TransferJob {
    SharedBytes m_pData;            // download data, first byte first (null when nothing is loaded)
    std::string m_strFilePath;      // selected (download) or named (upload) file, UTF-8
    std::int32_t m_nDataSize = 0;   // bytes at m_pData
    std::uint8_t m_bFileReady = 0;  // exactly 1 means ready
    std::int32_t m_nFullBlocks = 0;
    std::int32_t m_nBlockCount = 0;
    std::int32_t m_nLastBlockSize = 0;
    std::int32_t m_nBlocksLeft = 0;
    std::uint32_t m_wChecksum = 0;  // only the low 16 bits are significant
    std::uint32_t m_dwHeadParam1 = 0;
    std::uint32_t m_dwHeadParam2 = 0;
    std::uint32_t m_dwHeadParam3 = 0;
    std::int32_t m_nProgressBlocks = 0;
    std::array<std::array<std::uint8_t, 16>, 3> m_szHeadName{};
    std::uint32_t m_dwDevParam1 = 0;
    std::uint32_t m_dwDevParam2 = 0;
    std::int32_t m_nDataMode = 0;  // 0 whole user data, 1 one device

    // Block arithmetic of a download of `size` bytes: size / 2048 full blocks and a last block
    // of size % 2048 bytes (possibly empty).
    void SetDownloadSize(std::int32_t size) {
        m_nDataSize = size;
        m_nFullBlocks = m_nBlocksLeft = size / kBlockSize;
        m_nLastBlockSize = size % kBlockSize;
        m_nBlockCount = m_nFullBlocks + 1;
    }
};

// 16-bit XOR of big-endian byte pairs; an odd last byte is the high byte of a word.
std::uint16_t XorWordChecksum(const std::uint8_t* data, std::size_t size);

}  // namespace vanto
