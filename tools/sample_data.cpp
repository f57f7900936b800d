#include "tools/sample_data.h"

#include <cstring>

namespace vanto {
namespace {

void PutLe32(ByteBuffer& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

}  // namespace

ByteBuffer Pattern(std::size_t n, std::uint32_t seed) {
    ByteBuffer bytes(n);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

void StampDatabaseHeader(ByteBuffer& db) {
    std::memcpy(&db[208], "81VK", 4);
    PutLe32(db, 220, static_cast<std::uint32_t>(db.size()));
    std::memcpy(&db[224], "03CR", 4);
    std::memcpy(&db[500], "RC30", 4);
    PutLe32(db, 576, 0x55AA4442);
}

}  // namespace vanto
