#include "pages/ud_backup_form_view.h"

#include "pages/output_file_check.h"
#include "pages/upload_notify.h"

namespace vanto {
namespace {

constexpr const char* kInitialText[2] = {"Select the user data to save.",
                                         "Select the device data to save."};
constexpr const char* kReadyText[2] = {"User Data Ready!", "Device Data Ready!"};
constexpr const char* kDataName[2] = {"User data", "Device data"};

}  // namespace

void CUdBackupFormView::OnInitialUpdate() {
    SetMessage(kUserDataMode, kInitialText[kUserDataMode]);
    SetMessage(kOneDeviceMode, kInitialText[kOneDeviceMode]);
    m_strModePath[kUserDataMode].clear();
    m_strModePath[kOneDeviceMode].clear();
    OnModeChanged(kUserDataMode);
}

bool CUdBackupFormView::CheckOutputFile() {
    const int mode = m_nMode;
    m_job.m_strFilePath = FileText(mode);
    // No request is served until the name is settled: the overwrite question may be open.
    m_job.m_bFileReady = 0;
    int cause = kCauseNone;
    switch (CheckOutputPath(m_fs, m_form, m_job.m_strFilePath, &cause)) {
        case OutputCheck::kEmptyName:
            return false;
        case OutputCheck::kOverwriteRefused:
            // The emptied edit runs this check again on the empty name.
            m_job.m_strFilePath.clear();
            SetFileText("");
            return false;
        case OutputCheck::kOpenFailed:
            SetMessage(mode, OpenFailedText(cause));
            return false;
        case OutputCheck::kWritable:
            break;
    }
    m_strModePath[mode] = m_job.m_strFilePath;
    SetMessage(mode, kReadyText[mode]);
    return true;
}

void CUdBackupFormView::HandleFileText(const std::string& /*text*/) {
    const int mode = m_nMode;
    const bool ready = CheckOutputFile();
    m_bModeReady[mode] = ready ? 1 : 0;
    m_job.m_bFileReady = m_bModeReady[mode];
}

void CUdBackupFormView::OnModeChanged(int mode) {
    if (mode != kUserDataMode && mode != kOneDeviceMode) {
        return;
    }
    m_nMode = mode;
    m_job.m_nDataMode = mode;
    m_job.m_strFilePath = m_strModePath[mode];
    m_form.ShowMode(mode);
    m_job.m_bFileReady = m_bModeReady[mode];
}

long CUdBackupFormView::OnPageNotify(int code, const NotifyParam& lParam) {
    const auto head = [this]() -> std::optional<UploadHead> {
        // The upload goes to the last name of the mode that passed the check.
        const int mode = m_nMode;
        m_nUploadMode = mode;
        if (m_bModeReady[mode] != 1) {
            return std::nullopt;
        }
        const ImageKind kind = mode == kUserDataMode ? ImageKind::UserData : ImageKind::OneDevice;
        std::optional<ImageHeader> header = BuildUploadHeader(kind, UploadHeadValuesOf(m_job));
        if (!header) {
            return std::nullopt;
        }
        return UploadHead{m_strModePath[mode], *header};
    };
    return HandleUploadNotify(code, lParam, m_upload, m_fs, m_form, m_job, kDataName[m_nUploadMode],
                              head);
}

}  // namespace vanto
