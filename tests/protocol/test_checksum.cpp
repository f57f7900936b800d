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
