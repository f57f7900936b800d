#pragma once
// The first part of an upload page's CheckOutputFile: may the named file be written? An existing
// file is only replaced after the user said OK. Nothing is created or changed by the check: the
// upload itself writes beside the file and replaces it only when the upload completed.

#include <string>

#include "formats/file_system.h"
#include "pages/page_form.h"

namespace vanto {

inline constexpr const char* kOverwriteQuestion = "File already exists! overwrite?";

enum class OutputCheck {
    kEmptyName,
    kOverwriteRefused,
    kOpenFailed,  // `cause` tells why
    kWritable,
};

OutputCheck CheckOutputPath(FileSystem& fs, PageForm& form, const std::string& path, int* cause);

// "File could not be opened %d\n" with the cause.
std::string OpenFailedText(int cause);

}  // namespace vanto
