// Table-driven CRC-16 with a process-wide polynomial selection. Besides the 256-entry table the
// selection builds seven derived tables so that eight bytes are folded per step (slicing by 8);
// the result is the same as the byte-at-a-time walk.
#include "pages/crc16.h"

#include <array>

namespace vanto {
namespace {

struct CrcTables {
    std::uint16_t polynomial = 0;
    bool lsbFirst = false;
    std::uint16_t initial = 0;
    std::array<std::array<std::uint16_t, 256>, 8> t{};
};

constexpr std::array<std::uint16_t, 5> kPolynomials = {0x1021, 0x8408, 0x8005, 0xA001, 0x8408};

void BuildTables(std::uint16_t type, CrcTables& tables) {
    const std::uint16_t poly = kPolynomials[type];
    tables.polynomial = poly;
    tables.lsbFirst = (type == 1 || type == 3 || type == 4);
    tables.initial = (poly == 0x8408) ? 0xFFFF : 0x0000;
    auto& t0 = tables.t[0];
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = 0;
        if (tables.lsbFirst) {
            unsigned c = i;
            for (int k = 0; k < 8; ++k) {
                crc = ((crc ^ c) & 1u) ? (crc >> 1) ^ poly : crc >> 1;
                c >>= 1;
            }
        } else {
            unsigned c = i << 8;
            for (int k = 0; k < 8; ++k) {
                crc = ((crc ^ c) & 0x8000u) ? ((crc << 1) ^ poly) & 0xFFFFu : (crc << 1) & 0xFFFFu;
                c <<= 1;
            }
        }
        t0[i] = static_cast<std::uint16_t>(crc);
    }
    // t[k][i]: the CRC register after byte i followed by k zero bytes, starting from zero.
    for (int k = 1; k < 8; ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned prev = tables.t[k - 1][i];
            const unsigned next = tables.lsbFirst ? (prev >> 8) ^ t0[prev & 0xFF]
                                                  : ((prev << 8) & 0xFFFF) ^ t0[prev >> 8];
            tables.t[k][i] = static_cast<std::uint16_t>(next);
        }
    }
}

std::uint16_t Compute(const CrcTables& tables, const std::uint8_t* p, std::size_t n) {
    if (tables.polynomial == 0)
        return 0;
    const auto& t = tables.t;
    unsigned crc = tables.initial;
    if (tables.lsbFirst) {
        while (n >= 8) {
            crc = t[7][(p[0] ^ crc) & 0xFF] ^ t[6][p[1] ^ (crc >> 8)] ^ t[5][p[2]] ^ t[4][p[3]] ^
                  t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
            p += 8;
            n -= 8;
        }
        while (n-- > 0)
            crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
        crc = ~crc & 0xFFFF;
        return static_cast<std::uint16_t>(((crc & 0xFF) << 8) | (crc >> 8));
    }
    while (n >= 8) {
        crc = t[7][p[0] ^ (crc >> 8)] ^ t[6][p[1] ^ (crc & 0xFF)] ^ t[5][p[2]] ^ t[4][p[3]] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = ((crc << 8) & 0xFFFF) ^ t[0][((crc >> 8) ^ *p++) & 0xFF];
    return static_cast<std::uint16_t>(crc);
}

CrcTables& Selected() {
    static CrcTables selected;  // polynomial 0 and an all-zero table until the first selection
    return selected;
}

}  // namespace

void CrcSelect(std::uint16_t type) {
    if (type > 4)
        return;
    BuildTables(type, Selected());
}

std::uint16_t CrcCompute(const std::uint8_t* data, std::int32_t length) {
    if (length <= 0)
        return Compute(Selected(), data, 0);
    return Compute(Selected(), data, static_cast<std::size_t>(length));
}

std::uint16_t CrcSelectedPolynomial() {
    return Selected().polynomial;
}

std::uint16_t Crc16Of(std::uint16_t type, const std::uint8_t* data, std::size_t size) {
    if (type > 4)
        return 0;
    static const auto all = [] {
        std::array<CrcTables, 5> tables{};
        for (std::uint16_t i = 0; i < 5; ++i)
            BuildTables(i, tables[i]);
        return tables;
    }();
    return Compute(all[type], data, size);
}

}  // namespace vanto
