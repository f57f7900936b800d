#include "pages/output_file_check.h"

namespace vanto {

OutputCheck CheckOutputPath(FileSystem& fs, PageForm& form, const std::string& path, int* cause) {
    *cause = kCauseNone;
    if (path.empty()) {
        return OutputCheck::kEmptyName;
    }
    OutputOpen how = OutputOpen::kCreate;
    if (fs.Exists(path)) {
        if (!form.AskOkCancel(kOverwriteQuestion)) {
            return OutputCheck::kOverwriteRefused;
        }
        how = OutputOpen::kWriteExisting;
    }
    auto file = fs.OpenWrite(path, how, cause);
    if (!file) {
        return OutputCheck::kOpenFailed;
    }
    file->Close();
    return OutputCheck::kWritable;
}

std::string OpenFailedText(int cause) {
    return "File could not be opened " + std::to_string(cause) + "\n";
}

}  // namespace vanto
