#pragma once
// Byte buffers of the file formats, and the largest image a transfer can carry.

#include <cstdint>
#include <memory>
#include <vector>

namespace vanto {

using ByteBuffer = std::vector<std::uint8_t>;
// Data read from a file and handed on without copying: whoever holds a reference keeps it alive.
using SharedBytes = std::shared_ptr<const ByteBuffer>;

// 65,535 blocks of 2048 bytes at most, the last one short: 65,534 x 2048 + 2047 bytes. Larger
// files and images are refused as too large, never sent with a wrapped block count.
constexpr std::int64_t kMaxImageBytes = 65534LL * 2048 + 2047;

}  // namespace vanto
