#include <bit>
#include <cstring>

#include "protocol/transfer_job.h"

namespace vanto {

// XOR is order-free, so XOR-ing 64-bit loads and folding their four 16-bit lanes gives the same
// value as XOR-ing the big-endian byte pairs one by one; the last bytes go pair by pair.
std::uint16_t XorWordChecksum(const std::uint8_t* data, std::size_t size) {
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
    auto sum = static_cast<std::uint16_t>(all ^ (all >> 16) ^ (all >> 32) ^ (all >> 48));
    if constexpr (std::endian::native == std::endian::little) {
        // Each lane holds its pair low byte first.
        sum = static_cast<std::uint16_t>((sum << 8) | (sum >> 8));
    }
    for (; i + 1 < size; i += 2) {
        sum ^= static_cast<std::uint16_t>((data[i] << 8) | data[i + 1]);
    }
    if (i < size) {
        sum ^= static_cast<std::uint16_t>(data[i] << 8);
    }
    return sum;
}

}  // namespace vanto
