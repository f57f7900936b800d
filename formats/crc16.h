#pragma once
// The program's one CRC-16 engine. CrcSelect picks a polynomial type and gives a selection that
// refers to that type's prebuilt lookup tables; CrcCompute computes the CRC of a byte range with a
// selection. Selections are plain values: nothing is shared between callers.
//
//   type 0: 0x1021, MSB first, init 0x0000, no final step            (CRC-16/XMODEM)
//   type 1: 0x8408, LSB first, init 0xFFFF, complement + byte swap   (CRC-16/X-25, bytes swapped)
//   type 2: 0x8005, MSB first, init 0x0000, no final step            (CRC-16/UMTS)
//   type 3: 0xA001, LSB first, init 0x0000, complement + byte swap   (CRC-16/MAXIM-DOW, swapped)
//   type 4: same as type 1
//
// Callers store the 16-bit result high byte first.

#include <cstddef>
#include <cstdint>

namespace vanto {

struct CrcTables;

// A selected polynomial type. A default-made selection, or one of a type above 4, selects
// nothing: its polynomial is 0 and every CRC computed with it is 0.
class CrcSelection {
public:
    CrcSelection() = default;
    std::uint16_t Polynomial() const;
    bool IsSelected() const { return m_tables != nullptr; }

private:
    friend CrcSelection CrcSelect(std::uint16_t type);
    friend std::uint16_t CrcCompute(const CrcSelection& selection, const std::uint8_t* data,
                                    std::int32_t length);
    explicit CrcSelection(const CrcTables* tables) : m_tables(tables) {}

    const CrcTables* m_tables = nullptr;
};

// Selects polynomial type 0..4.
CrcSelection CrcSelect(std::uint16_t type);

// CRC of `length` bytes at `data`. A length of zero or less processes no bytes (the result is then
// the final step applied to the initial value).
std::uint16_t CrcCompute(const CrcSelection& selection, const std::uint8_t* data,
                         std::int32_t length);

// The CRC of `size` bytes (any size) with polynomial `type`; 0 for a type above 4.
std::uint16_t Crc16Of(std::uint16_t type, const std::uint8_t* data, std::size_t size);

}  // namespace vanto
