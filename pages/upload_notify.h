#pragma once
// The notifications of an upload as both upload pages handle them, given the header the page
// builds when the head information arrives (nullopt when the page has no output file).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "pages/image_header.h"
#include "pages/page_form.h"
#include "pages/upload_target.h"

namespace vanto {

// Shown when the completion mark could not be written after the data were verified.
inline constexpr const char* kCompleteMarkFailedText =
    "The received data could not be completed in the file!";

struct UploadHead {
    std::string path;
    ImageHeader header;
};

// Handles TN_HEAD_RECEIVED, TN_BLOCK_RECEIVED, TN_VERIFY_RECEIVED, TN_RECEIVE_COMPLETE and
// TN_TRANSFER_END for `target`; other codes are answered with 0. TN_VERIFY_RECEIVED answers 1
// unless an output file is open and every write into it succeeded.
long HandleUploadNotify(int code, const NotifyParam& lParam, UploadTarget& target, FileSystem& fs,
                        PageForm& form, const std::function<std::optional<UploadHead>()>& head);

}  // namespace vanto
