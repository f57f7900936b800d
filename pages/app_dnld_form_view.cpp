#include "pages/app_dnld_form_view.h"

#include <memory>

#include "formats/file_loader.h"
#include "formats/srecord.h"

namespace vanto {

void CAppDnldFormView::OnInitialUpdate() {
    SetMessage(0, kInitialMessage);
}

bool CAppDnldFormView::LoadImage() {
    const LoadedFile file = LoadFile(m_fs, m_job.m_strFilePath, 0, kMaxTextBytes, nullptr,
                                     [this] { ReleaseUnsharedData(); });
    const char* box = nullptr;
    switch (file.status) {
        case LoadStatus::kOk:
            break;
        case LoadStatus::kOpenFailed:
        case LoadStatus::kReadFailed:
            box = kS19OpenErrorText;
            break;
        case LoadStatus::kTooLarge:
            box = kS19TooLargeText;
            break;
        case LoadStatus::kOutOfMemory:
            box = kFileOutOfMemoryText;
            break;
    }
    ByteBuffer image;
    if (!box) {
        const SRecordStatus status = ConvertSRecords(file.body->data(), file.body->size(), image);
        if (status != SRecordStatus::Ok) {
            box = SRecordStatusText(status);
        }
    }
    if (box) {
        m_form.ShowMessageBox(box);
        return false;
    }
    if (!CheckApplicationImage(image.data(), image.size())) {
        return false;
    }
    const std::uint16_t checksum = XorWordChecksum(image.data(), image.size());
    SetDownloadData(std::make_shared<const ByteBuffer>(std::move(image)), checksum);
    return true;
}

void CAppDnldFormView::HandleFileText(const std::string& text) {
    m_job.m_strFilePath = text;
    if (text.empty()) {
        return;
    }
    if (HasS19Extension(text) && LoadImage()) {
        m_job.m_bFileReady = 1;
        SetMessage(0, kApplicationReadyText);
        return;
    }
    RefuseChosenFile(kInvalidApplicationText, true);
}

void CAppDnldFormView::Reload() {
    m_job.m_bFileReady = 0;
    if (!HasS19Extension(m_job.m_strFilePath)) {
        return;
    }
    if (LoadImage()) {
        m_job.m_bFileReady = 1;
    } else {
        ReleaseData();
    }
}

long CAppDnldFormView::OnPageNotify(int code, const NotifyParam& /*lParam*/) {
    if (code == TN_RELOAD_FILE) {
        Reload();
    }
    return 0;
}

}  // namespace vanto
