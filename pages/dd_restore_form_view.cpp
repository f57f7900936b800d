#include "pages/dd_restore_form_view.h"

#include "formats/file_loader.h"

namespace vanto {

void CDDRestoreFormView::OnInitialUpdate() {
    SetMessage(0, kInitialMessage);
}

bool CDDRestoreFormView::ValidateIconData() {
    if (!m_job.m_pData || CheckImageHeader(ImageKind::UserIcon, m_IconHeader.data(),
                                           m_nHeaderLength) != HeaderCheck::Ok) {
        return false;
    }
    TransferJob& job = m_job;
    // m_dwHeadParam1 is not taken from the file: a user icon download announces 0.
    job.m_dwHeadParam2 = m_IconHeader.TotalLength() - kImageHeaderSize;
    job.m_dwHeadParam3 = m_IconHeader.CheckWordLe();
    job.m_szHeadName = m_IconHeader.HeadBlock();
    job.m_wChecksum = 0;
    job.SetDownloadSize(static_cast<std::int32_t>(job.m_pData->size()));
    return true;
}

bool CDDRestoreFormView::AdoptIconFile(LoadedFile& file) {
    m_IconHeader = ImageHeader::FromBytes(file.head.data(), file.head.size());
    m_nHeaderLength = file.head.size();
    m_job.m_nDataSize = static_cast<std::int32_t>(file.body->size());
    m_job.m_pData = std::move(file.body);
    return ValidateIconData();
}

void CDDRestoreFormView::HandleFileText(const std::string& text) {
    m_job.m_strFilePath = text;
    LoadedFile file = LoadFile(m_fs, text, kImageHeaderSize, kMaxTransferBytes, nullptr,
                               [this] { ReleaseUnsharedData(); });
    switch (file.status) {
        case LoadStatus::kOk:
            break;
        case LoadStatus::kOpenFailed:
        case LoadStatus::kReadFailed:
            if (text.empty()) {
                return;
            }
            RefuseChosenFile(kSelectText, false);
            return;
        case LoadStatus::kTooLarge:
        case LoadStatus::kOutOfMemory:
            RefuseChosenFile(
                file.status == LoadStatus::kTooLarge ? kFileTooLargeText : kFileOutOfMemoryText,
                true);
            return;
    }
    if (AdoptIconFile(file)) {
        m_job.m_bFileReady = 1;
        SetMessage(0, kReadyText);
        return;
    }
    RefuseChosenFile(kInvalidText, true);
}

void CDDRestoreFormView::OnEditClicked() {
    if (!m_editor.Run(m_job.m_strFilePath)) {
        return;
    }
    m_job.m_strFilePath = m_editor.GetPath();
    // Loads and checks the written file, also when its name did not change.
    SetFileText(m_job.m_strFilePath);
}

long CDDRestoreFormView::OnPageNotify(int code, const NotifyParam& /*lParam*/) {
    if (code != TN_RELOAD_FILE) {
        return 0;
    }
    m_job.m_bFileReady = 0;
    LoadedFile file = LoadFile(m_fs, m_job.m_strFilePath, kImageHeaderSize, kMaxTransferBytes,
                               nullptr, [this] { ReleaseUnsharedData(); });
    if (file.status == LoadStatus::kOpenFailed) {
        return 0;
    }
    if (file.status != LoadStatus::kOk) {
        ReleaseData();
        return 0;
    }
    if (AdoptIconFile(file)) {
        m_job.m_bFileReady = 1;
    } else {
        ReleaseData();
    }
    return 0;
}

}  // namespace vanto
