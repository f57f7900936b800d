#include "pages/output_file_check.h"

namespace vanto {

OutputCheck CheckOutputPath(FileSystem& fs, PageForm& form, const std::string& path, int* cause) {
    *cause = kCauseNone;
    if (path.empty()) {
        return OutputCheck::kEmptyName;
    }
    if (fs.Exists(path) && !form.AskOkCancel(kOverwriteQuestion)) {
        return OutputCheck::kOverwriteRefused;
    }
    FileError error;
    if (!fs.CheckWritable(path, &error)) {
        *cause = OutputOpenCause(error);
        return OutputCheck::kOpenFailed;
    }
    return OutputCheck::kWritable;
}

std::string OpenFailedText(int cause) {
    return "File could not be opened " + std::to_string(cause) + "\n";
}

}  // namespace vanto
