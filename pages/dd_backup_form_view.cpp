#include "pages/dd_backup_form_view.h"

#include "pages/output_file_check.h"
#include "pages/upload_notify.h"

namespace vanto {

void CDDBackupFormView::OnInitialUpdate() {
    SetMessage(0, kInitialMessage);
}

void CDDBackupFormView::HandleFileText(const std::string& text) {
    m_job.m_strFilePath = text;
    int cause = kCauseNone;
    switch (CheckOutputPath(m_fs, m_form, text, &cause)) {
        case OutputCheck::kEmptyName:
            m_job.m_bFileReady = 0;
            return;
        case OutputCheck::kOverwriteRefused:
            // The emptied edit runs this check again on the empty name.
            m_job.m_strFilePath.clear();
            SetFileText("");
            m_job.m_bFileReady = 0;
            return;
        case OutputCheck::kOpenFailed:
            SetMessage(0, OpenFailedText(cause));
            m_job.m_bFileReady = 0;
            return;
        case OutputCheck::kWritable:
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
        if (m_job.m_bFileReady != 1) {
            return std::nullopt;
        }
        std::optional<ImageHeader> header = BuildUploadHeader(ImageKind::UserIcon, m_job);
        if (!header) {
            return std::nullopt;
        }
        return UploadHead{m_job.m_strFilePath, *header};
    };
    return HandleUploadNotify(code, lParam, m_upload, m_fs, m_form, head);
}

}  // namespace vanto
