#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "formats/crc16.h"

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
        const CrcSelection crc = CrcSelect(row.type);
        EXPECT_EQ(CrcCompute(crc, kAbc, 3), row.abc);
        EXPECT_EQ(CrcCompute(crc, kDigits, 9), row.digits);
        EXPECT_EQ(CrcCompute(crc, kAbc, 0), row.empty);
        EXPECT_EQ(CrcCompute(crc, kAbc, -7), row.empty);
        EXPECT_EQ(Crc16Of(row.type, kDigits, 9), row.digits);
    }
}

TEST(Crc16, NoSelectionComputesZero) {
    const CrcSelection none[] = {CrcSelection(), CrcSelect(5), CrcSelect(0xFFFF)};
    for (const CrcSelection& crc : none) {
        EXPECT_FALSE(crc.IsSelected());
        EXPECT_EQ(crc.Polynomial(), 0);
        EXPECT_EQ(CrcCompute(crc, kAbc, 3), 0);
        EXPECT_EQ(CrcCompute(crc, kAbc, 0), 0);
    }
    EXPECT_EQ(CrcSelect(2).Polynomial(), 0x8005);
    EXPECT_EQ(Crc16Of(5, kAbc, 3), 0);
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
        const CrcSelection crc = CrcSelect(type);
        for (std::size_t offset = 0; offset < 9; ++offset) {
            for (std::size_t len = 0; len + offset <= data.size(); len += 1 + len / 8) {
                ASSERT_EQ(CrcCompute(crc, data.data() + offset, static_cast<std::int32_t>(len)),
                          BitwiseCrc(type, data.data() + offset, len))
                    << "type " << type << " offset " << offset << " length " << len;
            }
        }
    }
}

TEST(Crc16, SelectionsAreIndependentValues) {
    const CrcSelection c2 = CrcSelect(2);
    const CrcSelection c3 = CrcSelect(3);
    EXPECT_EQ(CrcCompute(c2, kDigits, 9), 0xFEE8);
    EXPECT_EQ(CrcCompute(c3, kDigits, 9), 0xC244);
    EXPECT_EQ(CrcCompute(c2, kDigits, 9), 0xFEE8);
}

}  // namespace
}  // namespace vanto
