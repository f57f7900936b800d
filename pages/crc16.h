#pragma once
// The program's one CRC-16 engine. A caller selects a polynomial type, which builds the 256-entry
// lookup table, then computes CRCs of byte ranges with it. The selection is process-wide and
// unlocked: every caller selects and computes back to back on the user-interface thread.
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

// Selects polynomial type 0..4 and builds its table. A type above 4 returns at once and leaves the
// current selection in force.
void CrcSelect(std::uint16_t type);

// CRC of `length` bytes at `data` with the selected polynomial. A length of zero or less processes
// no bytes (the result is then the final step applied to the initial value). Before any selection
// the result is 0.
std::uint16_t CrcCompute(const std::uint8_t* data, std::int32_t length);

// The polynomial currently selected (0 before the first selection).
std::uint16_t CrcSelectedPolynomial();

// Stateless helper for callers that must not disturb the process-wide selection: the CRC of
// `size` bytes with polynomial `type` (0..4). Gives the same value as CrcSelect(type) followed by
// CrcCompute over the same bytes; a type above 4 gives 0.
std::uint16_t Crc16Of(std::uint16_t type, const std::uint8_t* data, std::size_t size);

}  // namespace vanto
