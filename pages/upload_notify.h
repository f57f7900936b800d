#pragma once
// The notifications of an upload as both upload pages handle them, given the header the page
// builds when the head information arrives (nullopt when the page has no output file).
//
// When the remote ends the upload, data that are not sound (a failed write, blocks the remote
// announced that never came, no output file) are answered as not acceptable, so the remote is
// told the upload failed; the page then shows one box that says why, naming its own kind of data
// and, for a failed write, the file and the system's reason.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "formats/file_system.h"
#include "formats/image_header.h"
#include "pages/page_form.h"
#include "pages/upload_target.h"

namespace vanto {

struct UploadHead {
    std::string path;
    ImageHeader header;
};

// The texts of an upload's failures. `dataName` names the page's kind of data ("User data").
std::string UploadWriteFailedText(const char* dataName, const FileError& error,
                                  const std::string& keptPath);
std::string UploadIncompleteText(const char* dataName, const UploadTarget& target,
                                 std::uint32_t announcedBytes);
std::string UploadNoFileText(const char* dataName);

// Handles TN_HEAD_RECEIVED, TN_BLOCK_RECEIVED, TN_VERIFY_RECEIVED, TN_RECEIVE_COMPLETE and
// TN_TRANSFER_END for `target`; other codes are answered with 0. `job` holds the announced block
// count.
long HandleUploadNotify(int code, const NotifyParam& lParam, UploadTarget& target, FileSystem& fs,
                        PageForm& form, const TransferJob& job, const char* dataName,
                        const std::function<std::optional<UploadHead>()>& head);

}  // namespace vanto
