#include "pages/dd_backup_form_view.h"

#include "pages/output_file_check.h"
#include "pages/upload_notify.h"

namespace vanto {

void CDDBackupFormView::OnInitialUpdate() {
    SetMessage(0, kInitialMessage);
}

void CDDBackupFormView::HandleFileText(const std::string& text) {
    m_job.m_strFilePath = text;
    // No request is served until the name is settled: the overwrite question may be open.
    m_job.m_bFileReady = 0;
    int cause = kCauseNone;
    const OutputCheck check = CheckOutputPath(m_fs, m_form, text, &cause);
    m_bConfirmedReady = check == OutputCheck::kWritable ? 1 : 0;
    switch (check) {
        case OutputCheck::kEmptyName:
            return;
        case OutputCheck::kOverwriteRefused:
            // The emptied edit runs this check again on the empty name.
            m_job.m_strFilePath.clear();
            SetFileText("");
            return;
        case OutputCheck::kOpenFailed:
            SetMessage(0, OpenFailedText(cause));
            return;
        case OutputCheck::kWritable:
            m_strConfirmedPath = text;
            m_job.m_bFileReady = 1;
            SetMessage(0, kReadyText);
            return;
    }
}

void CDDBackupFormView::OnEditClicked() {
    // The editor writes wherever the user chooses; this page keeps its own output file.
    m_editor.Run(m_job.m_strFilePath);
}

long CDDBackupFormView::OnPageNotify(int code, const NotifyParam& lParam) {
    const auto head = [this]() -> std::optional<UploadHead> {
        // The upload goes to the last name that passed the check.
        if (m_bConfirmedReady != 1) {
            return std::nullopt;
        }
        std::optional<ImageHeader> header =
            BuildUploadHeader(ImageKind::UserIcon, UploadHeadValuesOf(m_job));
        if (!header) {
            return std::nullopt;
        }
        return UploadHead{m_strConfirmedPath, *header};
    };
    return HandleUploadNotify(code, lParam, m_upload, m_fs, m_form, m_job, kDataName, head);
}

}  // namespace vanto
