#include "pages/rdb_dnld_form_view.h"

#include "formats/file_loader.h"
#include "formats/image_header.h"

namespace vanto {
namespace {

bool IsDatabase(const LoadedFile& file) {
    return file.status == LoadStatus::kOk &&
           CheckImageHeader(ImageKind::Database, file.body->data(), file.body->size()) ==
               HeaderCheck::Ok;
}

}  // namespace

void CRdbDnldFormView::OnInitialUpdate() {
    SetMessage(0, kInitialMessage);
}

void CRdbDnldFormView::HandleFileText(const std::string& text) {
    m_job.m_strFilePath = text;
    std::uint16_t checksum = 0;
    const LoadedFile file = LoadFile(m_fs, text, 0, kMaxTransferBytes, ChecksumInto(checksum),
                                     [this] { ReleaseUnsharedData(); });
    if (file.status == LoadStatus::kOpenFailed || file.status == LoadStatus::kReadFailed) {
        if (text.empty()) {
            return;
        }
        RefuseChosenFile(kSelectText, false);
        return;
    }
    if (IsDatabase(file)) {
        SetDownloadData(file.body, checksum);
        m_job.m_bFileReady = 1;
        SetMessage(0, kReadyText);
        return;
    }
    const char* message = kInvalidText;
    if (file.status == LoadStatus::kTooLarge) {
        message = kFileTooLargeText;
    } else if (file.status == LoadStatus::kOutOfMemory) {
        message = kFileOutOfMemoryText;
    }
    RefuseChosenFile(message, true);
}

long CRdbDnldFormView::OnPageNotify(int code, const NotifyParam& /*lParam*/) {
    if (code != TN_RELOAD_FILE) {
        return 0;
    }
    m_job.m_bFileReady = 0;
    std::uint16_t checksum = 0;
    const LoadedFile file = LoadFile(m_fs, m_job.m_strFilePath, 0, kMaxTransferBytes,
                                     ChecksumInto(checksum), [this] { ReleaseUnsharedData(); });
    if (file.status == LoadStatus::kOpenFailed) {
        return 0;
    }
    if (IsDatabase(file)) {
        SetDownloadData(file.body, checksum);
        m_job.m_bFileReady = 1;
    } else {
        ReleaseData();
    }
    return 0;
}

}  // namespace vanto
