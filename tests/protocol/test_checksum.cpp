#include <gtest/gtest.h>

#include "protocol/transfer_job.h"

namespace vanto {
namespace {

TEST(XorWordChecksum, PairsAreBigEndianAndAnOddLastByteIsHigh) {
    const std::uint8_t abc[] = {0x61, 0x62, 0x63};
    EXPECT_EQ(XorWordChecksum(abc, 3), 0x0262);
    EXPECT_EQ(XorWordChecksum(abc, 0), 0);
    const std::uint8_t one[] = {0xA5};
    EXPECT_EQ(XorWordChecksum(one, 1), 0xA500);
    const std::uint8_t four[] = {0x12, 0x34, 0x12, 0x34};
    EXPECT_EQ(XorWordChecksum(four, 4), 0);
}

// The checksum taken pair by pair, as its definition reads.
std::uint16_t PairwiseChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < size; i += 2) {
        const int low = i + 1 < size ? data[i + 1] : 0;
        sum ^= static_cast<std::uint16_t>((data[i] << 8) | low);
    }
    return sum;
}

TEST(XorWordChecksum, WideStepsMatchThePairwiseChecksum) {
    ByteBuffer data(300);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 131 + 7);
    for (std::size_t start = 0; start < 3; ++start) {
        for (std::size_t size = 0; size + start <= data.size(); ++size) {
            ASSERT_EQ(XorWordChecksum(data.data() + start, size),
                      PairwiseChecksum(data.data() + start, size))
                << start << " " << size;
        }
    }
}

TEST(TransferJob, DownloadBlockArithmetic) {
    TransferJob job;
    job.SetDownloadSize(4096);
    EXPECT_EQ(job.m_nBlockCount, 3);
    EXPECT_EQ(job.m_nLastBlockSize, 0);
    EXPECT_EQ(job.m_nBlocksLeft, 2);
    job.SetDownloadSize(1);
    EXPECT_EQ(job.m_nBlockCount, 1);
    EXPECT_EQ(job.m_nLastBlockSize, 1);
    EXPECT_EQ(job.m_nBlocksLeft, 0);
    job.SetDownloadSize(0);
    EXPECT_EQ(job.m_nBlockCount, 1);
    EXPECT_EQ(job.m_nFullBlocks, 0);
}

}  // namespace
}  // namespace vanto
