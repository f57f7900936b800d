// Table-driven CRC-16. Each polynomial type has its 256-entry table and seven derived tables, so
// that eight bytes are folded per step (slicing by 8); the result is the same as the
// byte-at-a-time walk. The tables of all five types are built once, on first use.
#include "formats/crc16.h"

#include <array>

namespace vanto {

struct CrcTables {
    std::uint16_t polynomial = 0;
    bool lsbFirst = false;
    std::uint16_t initial = 0;
    std::array<std::array<std::uint16_t, 256>, 8> t{};
};

namespace {

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

const std::array<CrcTables, 5>& AllTables() {
    static const std::array<CrcTables, 5> tables = [] {
        std::array<CrcTables, 5> built{};
        for (std::uint16_t type = 0; type < 5; ++type)
            BuildTables(type, built[type]);
        return built;
    }();
    return tables;
}

}  // namespace

std::uint16_t CrcSelection::Polynomial() const {
    return m_tables != nullptr ? m_tables->polynomial : 0;
}

CrcSelection CrcSelect(std::uint16_t type) {
    if (type > 4)
        return CrcSelection();
    return CrcSelection(&AllTables()[type]);
}

std::uint16_t CrcCompute(const CrcSelection& selection, const std::uint8_t* data,
                         std::int32_t length) {
    if (selection.m_tables == nullptr)
        return 0;
    return Compute(*selection.m_tables, data, length <= 0 ? 0 : static_cast<std::size_t>(length));
}

std::uint16_t Crc16Of(std::uint16_t type, const std::uint8_t* data, std::size_t size) {
    if (type > 4)
        return 0;
    return Compute(AllTables()[type], data, size);
}

}  // namespace vanto
