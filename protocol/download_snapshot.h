#pragma once
// What a download sends: the data and the head values of the job page, taken when its request is
// accepted. The page may load another file meanwhile (the user chose one); the snapshot keeps
// the buffer it took alive until the exchange ends, so the remote gets the file it asked for.

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/transfer_job.h"

namespace vanto {

class DownloadSnapshot {
public:
    // Takes the job's data and values. False, and nothing taken, when the job's fields do not
    // describe its buffer: sending it would put bytes on the link that are not the file's.
    bool Take(const TransferJob& job);
    // Lets the buffer go (the exchange ended).
    void Release();
    bool Valid() const { return m_valid; }

    std::int32_t BlockCount() const { return m_blockCount; }
    std::int32_t BlocksLeft() const { return m_blocksLeft; }

    // The short head information (requests '0' to '9' and 'P') or the head information of kind
    // '?' ('R'), '@' ('T') or 'A' ('V'); returns the frame's length.
    std::size_t BuildHeadFrame(std::uint8_t* out, int reqCode) const;

    // Copies block `blockNo` into `staging` (kBlockSize bytes; the last block zero-filled behind
    // its data) and returns its length, or -1 when the snapshot holds no such block. Blocks 0 to
    // BlocksLeft() - 1 are full, block BlocksLeft() is the last one.
    int Stage(int blockNo, std::uint8_t* staging) const;
    bool IsLast(int blockNo) const { return blockNo == m_blocksLeft; }

private:
    bool m_valid = false;
    SharedBytes m_data;
    std::int32_t m_blockCount = 0;
    std::int32_t m_blocksLeft = 0;
    std::int32_t m_lastBlockSize = 0;
    std::uint16_t m_checksum = 0;
    std::uint32_t m_headParam1 = 0, m_headParam2 = 0, m_headParam3 = 0;
    std::uint32_t m_devParam1 = 0, m_devParam2 = 0;
    std::array<std::array<std::uint8_t, 16>, 3> m_headName{};
};

}  // namespace vanto
