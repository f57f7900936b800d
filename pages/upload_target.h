#pragma once
// The output file of a running upload. It is opened when the head information arrives and keeps
// its path until the transfer ends, whatever the user names meanwhile. Any failed write is
// remembered: the upload then does not count as sound, so no completion mark is written.
//
// File layout: the 576-byte header at 0, block n at 576 + n x 2048, the completion mark written
// over the header's CompleteMark (512) once the remote's data were verified.

#include <memory>
#include <string>

#include "formats/file_system.h"
#include "formats/image_header.h"
#include "protocol/transfer_notify.h"

namespace vanto {

class UploadTarget {
public:
    // Closes an open file, then creates (or empties) `path` and writes `header` at offset 0.
    void Begin(FileSystem& fs, const std::string& path, const ImageHeader& header);
    // Head information arrived but the page has no output file: nothing will be written.
    void Refuse();
    // Writes the block at 576 + nBlock x 2048; dropped when no file is open.
    void WriteBlock(const TransferBlock& block);
    // True when a file is open and every write into it succeeded.
    bool IsSound() const { return m_file && !m_bFailed; }
    // Writes the completed CompleteMark when the upload is sound. False when it was not written.
    bool WriteCompleteMark();
    // Closes the file if open; closing twice does nothing.
    void Close();

    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_strPath; }

private:
    std::unique_ptr<OutputFile> m_file;
    std::string m_strPath;
    bool m_bFailed = false;
};

}  // namespace vanto
