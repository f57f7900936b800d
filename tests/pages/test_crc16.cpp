#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "pages/crc16.h"

namespace vanto {
namespace {

const std::uint8_t kAbc[] = {'a', 'b', 'c'};
const std::uint8_t kDigits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};

struct WorkedRow {
    std::uint16_t type;
    std::uint16_t abc;
    std::uint16_t digits;
    std::uint16_t empty;
};

constexpr WorkedRow kWorked[] = {
    {0, 0x9DD6, 0x31C3, 0x0000}, {1, 0x259E, 0x6E90, 0x0000}, {2, 0xCADB, 0xFEE8, 0x0000},
    {3, 0xC768, 0xC244, 0xFFFF}, {4, 0x259E, 0x6E90, 0x0000},
};

TEST(Crc16, WorkedResultsForEveryType) {
    for (const auto& row : kWorked) {
        SCOPED_TRACE(row.type);
        CrcSelect(row.type);
        EXPECT_EQ(CrcCompute(kAbc, 3), row.abc);
        EXPECT_EQ(CrcCompute(kDigits, 9), row.digits);
        EXPECT_EQ(CrcCompute(kAbc, 0), row.empty);
        EXPECT_EQ(CrcCompute(kAbc, -7), row.empty);
        EXPECT_EQ(Crc16Of(row.type, kDigits, 9), row.digits);
    }
}

TEST(Crc16, TypeAboveFourLeavesTheSelection) {
    CrcSelect(2);
    CrcSelect(5);
    CrcSelect(0xFFFF);
    EXPECT_EQ(CrcSelectedPolynomial(), 0x8005);
    EXPECT_EQ(CrcCompute(kAbc, 3), 0xCADB);
    EXPECT_EQ(Crc16Of(5, kAbc, 3), 0);
}

TEST(Crc16, ComputeBeforeAnySelectionIsZero) {
    // Needs a process that never selected: the threadsafe style re-runs this test alone.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool zero = CrcSelectedPolynomial() == 0 && CrcCompute(kAbc, 3) == 0 &&
                              CrcCompute(kDigits, 9) == 0 && CrcCompute(kAbc, 0) == 0;
            std::exit(zero ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Bit-at-a-time definition of each type, independent of the tables.
std::uint16_t BitwiseCrc(std::uint16_t type, const std::uint8_t* p, std::size_t n) {
    const bool lsb = type == 1 || type == 3 || type == 4;
    const std::uint16_t polys[] = {0x1021, 0x8408, 0x8005, 0xA001, 0x8408};
    unsigned crc = polys[type] == 0x8408 ? 0xFFFF : 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (lsb) {
            crc ^= p[i];
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? (crc >> 1) ^ polys[type] : crc >> 1;
        } else {
            crc ^= static_cast<unsigned>(p[i]) << 8;
            for (int k = 0; k < 8; ++k) {
                crc = (crc & 0x8000) ? ((crc << 1) ^ polys[type]) & 0xFFFF : (crc << 1) & 0xFFFF;
            }
        }
    }
    if (!lsb)
        return static_cast<std::uint16_t>(crc);
    crc = ~crc & 0xFFFF;
    return static_cast<std::uint16_t>((crc >> 8) | ((crc & 0xFF) << 8));
}

TEST(Crc16, EveryLengthAndAlignmentMatchesTheBitwiseDefinition) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> data(300);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(rng());
    for (std::uint16_t type = 0; type <= 4; ++type) {
        CrcSelect(type);
        for (std::size_t offset = 0; offset < 9; ++offset) {
            for (std::size_t len = 0; len + offset <= data.size(); len += 1 + len / 8) {
                ASSERT_EQ(CrcCompute(data.data() + offset, static_cast<std::int32_t>(len)),
                          BitwiseCrc(type, data.data() + offset, len))
                    << "type " << type << " offset " << offset << " length " << len;
            }
        }
    }
}

TEST(Crc16, SwitchingTypesGivesTheSameResultsAsEachAlone) {
    CrcSelect(2);
    const auto c2 = CrcCompute(kDigits, 9);
    CrcSelect(3);
    const auto c3 = CrcCompute(kDigits, 9);
    CrcSelect(2);
    EXPECT_EQ(CrcCompute(kDigits, 9), c2);
    CrcSelect(3);
    EXPECT_EQ(CrcCompute(kDigits, 9), c3);
    EXPECT_EQ(c2, 0xFEE8);
    EXPECT_EQ(c3, 0xC244);
}

}  // namespace
}  // namespace vanto
