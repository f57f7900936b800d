#include "pages/kv_mgr_form_view.h"

#include <utility>

namespace vanto {

UploadHeadValues UploadHeadValuesOf(const TransferJob& job) {
    UploadHeadValues head;
    head.headParam1 = job.m_dwHeadParam1;
    head.headParam2 = job.m_dwHeadParam2;
    head.headParam3 = job.m_dwHeadParam3;
    head.devParam1 = job.m_dwDevParam1;
    head.devParam2 = job.m_dwDevParam2;
    head.names = job.m_szHeadName;
    return head;
}

long CKvMgrFormView::OnTransferNotify(int code, const NotifyParam& lParam) {
    switch (code) {
        case TN_SET_MESSAGE:
            if (lParam.Text() != nullptr) {
                SetMessage(CurrentMode(), lParam.Text());
            }
            return 0;
        case TN_PROGRESS_RANGE: {
            m_form.SetProgressRange(0, 100);
            const int blocks = m_job.m_nBlockCount;
            m_form.SetProgressStep(blocks >= 1 && blocks <= 99 ? 100 / blocks : 1);
            return 0;
        }
        case TN_PROGRESS_POS: {
            const int pos = lParam.Value();
            // Setting one above first makes the bar draw the position at once instead of
            // animating towards it.
            if (pos < 100) {
                m_form.SetProgressPos(pos + 1);
            }
            m_form.SetProgressPos(pos);
            return 0;
        }
        default:
            return OnPageNotify(code, lParam);
    }
}

void CKvMgrFormView::OnBrowseChosen(const std::string& path) {
    if (path != m_strEditText.at(CurrentMode())) {
        SetFileText(path);
    }
}

void CKvMgrFormView::OnFileTextChanged(const std::string& text) {
    m_strEditText.at(CurrentMode()) = text;
    HandleFileText(text);
}

void CKvMgrFormView::SetFileText(const std::string& text) {
    m_form.SetFileText(CurrentMode(), text);
    OnFileTextChanged(text);
}

void CKvMgrFormView::ReleaseData() {
    m_job.m_pData.reset();
    m_job.m_nDataSize = 0;
}

void CKvMgrFormView::RefuseChosenFile(const char* message, bool box) {
    SetFileText("");
    m_job.m_bFileReady = 0;
    SetMessage(0, message);
    if (box) {
        m_form.ShowMessageBox(message);
    }
    ReleaseData();
}

void CKvMgrFormView::ReleaseUnsharedData() {
    if (m_job.m_pData.use_count() == 1) {
        ReleaseData();
    }
}

void CKvMgrFormView::SetDownloadData(SharedBytes data, std::uint16_t checksum) {
    TransferJob& job = m_job;
    const auto size = data ? static_cast<std::int32_t>(data->size()) : 0;
    job.m_pData = std::move(data);
    job.SetDownloadSize(size);
    job.m_wChecksum = checksum;
}

}  // namespace vanto
