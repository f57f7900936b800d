#pragma once
// XorWordChecksum over large buffers, eight bytes per step. XOR is order-free, so XOR-ing 64-bit
// loads and folding the four 16-bit lanes gives the same value as XOR-ing the big-endian byte
// pairs one by one; the tail goes through XorWordChecksum.

#include <cstddef>
#include <cstdint>

namespace vanto {

std::uint16_t WideXorWordChecksum(const std::uint8_t* data, std::size_t size);

}  // namespace vanto
