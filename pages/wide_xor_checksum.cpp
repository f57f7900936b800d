#include "pages/wide_xor_checksum.h"

#include <bit>
#include <cstring>

#include "protocol/transfer_job.h"

namespace vanto {

std::uint16_t WideXorWordChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint64_t acc[4] = {0, 0, 0, 0};
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        for (int k = 0; k < 4; ++k) {
            std::uint64_t word;
            std::memcpy(&word, data + i + 8 * k, sizeof word);
            acc[k] ^= word;
        }
    }
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        acc[0] ^= word;
    }
    const std::uint64_t all = acc[0] ^ acc[1] ^ acc[2] ^ acc[3];
    auto lanes = static_cast<std::uint16_t>(all ^ (all >> 16) ^ (all >> 32) ^ (all >> 48));
    if constexpr (std::endian::native == std::endian::little) {
        // Each lane holds its pair low byte first.
        lanes = static_cast<std::uint16_t>((lanes << 8) | (lanes >> 8));
    }
    return static_cast<std::uint16_t>(lanes ^ XorWordChecksum(data + i, size - i));
}

}  // namespace vanto
