#pragma once
// The output file of a running upload. It is started when the head information arrives and keeps
// its path until the transfer ends, whatever the user names meanwhile.
//
// The upload is written into PATH.partial; PATH itself is replaced only when the upload completed
// (the remote's data were verified and the completion mark is written). A failed or cut-off
// upload leaves an older PATH whole and keeps what arrived in PATH.partial: the header and the
// blocks written, the completion mark unset.
//
// File layout: the 576-byte header at 0, block n at 576 + n x 2048, the completion mark written
// over the header's CompleteMark (512).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/file_system.h"
#include "formats/image_header.h"
#include "protocol/transfer_notify.h"

namespace vanto {

// The state of the received data when the remote ends the upload.
enum class UploadVerdict {
    kSound,
    kNoFile,       // the head information found no output file ready: nothing was written
    kWriteFailed,  // a write into the file failed (Error() tells why)
    kIncomplete,   // blocks the remote announced never arrived
};

class UploadTarget {
public:
    // Ends an upload that is still open, then starts writing into `path` with `header` at 0.
    void Begin(FileSystem& fs, const std::string& path, const ImageHeader& header);
    // Head information arrived but the page has no output file: nothing will be written.
    void Refuse();
    // Writes the block at 576 + nBlock x 2048; dropped when no upload is open.
    void WriteBlock(const TransferBlock& block);
    // When the remote ends the upload: every write so far reached the disk, blocks 0 to
    // announcedBlocks - 1 all arrived, each but the last one whole, none beyond them, and together
    // they hold announcedBytes (the payload length the file's TotalLength states), so the file
    // is exactly as long as its header says.
    UploadVerdict Verify(int announcedBlocks, std::uint32_t announcedBytes);
    // Writes the completion mark and puts the file in the target's place. False when that
    // failed (Error() tells why); the older file then stays.
    bool Complete();
    // Ends the upload. One that was not completed keeps what arrived in KeptPath().
    void Close();

    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_strPath; }
    // The first failed write of this upload.
    const FileError& Error() const { return m_error; }
    // Blocks 0 to announced - 1 that arrived and the announced count, and the bytes they hold,
    // as of the last Verify.
    int BlocksArrived() const { return m_nArrived; }
    int BlocksAnnounced() const { return m_nAnnounced; }
    std::uint64_t BytesArrived() const { return m_nBytesArrived; }
    // Where the received data stay after a failure ("" when nothing was written).
    const std::string& KeptPath() const { return m_strKept; }

    // A failure of this upload the page has still to report, and whether its write failure was
    // reported already.
    std::string m_strReport;
    bool m_bErrorReported = false;

private:
    void Failed();

    std::unique_ptr<FileWriter> m_file;
    std::string m_strPath;
    std::string m_strKept;
    FileError m_error;
    // Length of each block received, by block number (kNotReceived for the others).
    static constexpr std::uint16_t kNotReceived = 0xFFFF;
    std::vector<std::uint16_t> m_blockLengths;
    int m_nArrived = 0;
    int m_nAnnounced = 0;
    std::uint64_t m_nBytesArrived = 0;
};

}  // namespace vanto
