#include "protocol/transfer_job.h"

namespace vanto {

std::uint16_t XorWordChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint16_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) {
        sum ^= static_cast<std::uint16_t>((data[i] << 8) | data[i + 1]);
    }
    if (i < size) {
        sum ^= static_cast<std::uint16_t>(data[i] << 8);
    }
    return sum;
}

}  // namespace vanto
