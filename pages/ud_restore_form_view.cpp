#include "pages/ud_restore_form_view.h"

namespace vanto {
namespace {

struct ModeTexts {
    const char* initial;
    const char* ready;
    const char* invalid;
    const char* select;
};

constexpr ModeTexts kTexts[2] = {
    {"Select the user data to download.", "User Data Ready!", "Invalid User Data!",
     "Select User Data!"},
    {"Select the device data to download.", "Device Data Ready!", "Invalid Device Data!",
     "Select Device Data!"},
};

}  // namespace

void CUdRestoreFormView::OnInitialUpdate() {
    SetMessage(kUserDataMode, kTexts[kUserDataMode].initial);
    SetMessage(kOneDeviceMode, kTexts[kOneDeviceMode].initial);
    m_modes[kUserDataMode].path.clear();
    m_modes[kOneDeviceMode].path.clear();
    OnModeChanged(kUserDataMode);
}

LoadStatus CUdRestoreFormView::ReadModeFile(int mode) {
    ModeData& data = m_modes.at(mode);
    // The old payload is dropped before the new one is allocated when only this mode and the
    // job hold it; a running exchange keeps its own reference, and then both stay.
    auto releaseUnshared = [this, &data] {
        const bool published = m_job.m_pData == data.payload;
        if (data.payload && data.payload.use_count() == (published ? 2 : 1)) {
            if (published) {
                m_job.m_pData.reset();
                m_job.m_nDataSize = 0;
            }
            data.payload.reset();
        }
    };
    std::uint16_t checksum = 0;
    LoadedFile file = LoadFile(m_fs, data.path, kImageHeaderSize, kMaxTransferBytes,
                               ChecksumInto(checksum), releaseUnshared);
    if (file.status == LoadStatus::kOk) {
        data.header = ImageHeader::FromBytes(file.head.data(), file.head.size());
        data.headerLength = file.head.size();
        data.size = static_cast<std::uint32_t>(file.body->size());
        data.payload = std::move(file.body);
        data.checksum = checksum;
    }
    return file.status;
}

bool CUdRestoreFormView::Validate(int mode) {
    const ModeData& data = m_modes.at(mode);
    const ImageKind kind = mode == kUserDataMode ? ImageKind::UserData : ImageKind::OneDevice;
    if (!data.payload ||
        CheckImageHeader(kind, data.header.data(), data.headerLength) != HeaderCheck::Ok) {
        return false;
    }
    TransferJob& job = m_job;
    if (mode == kUserDataMode) {
        job.m_dwHeadParam1 = data.header.Param1();
        job.m_dwHeadParam2 = data.header.TotalLength() - kImageHeaderSize;
        job.m_wChecksum = data.checksum;
    } else {
        job.m_dwDevParam1 = data.header.Param1();
        job.m_dwDevParam2 = data.header.Param2();
        job.m_wChecksum = 0;
    }
    job.m_dwHeadParam3 = data.header.CheckWordLe();
    job.m_szHeadName = data.header.HeadBlock();
    job.SetDownloadSize(static_cast<std::int32_t>(data.size));
    return true;
}

void CUdRestoreFormView::PublishMode(int mode) {
    const ModeData& data = m_modes.at(mode);
    TransferJob& job = m_job;
    job.m_bFileReady = data.ready;
    job.m_nDataSize = static_cast<std::int32_t>(data.size);
    job.m_pData = data.payload;
    job.m_strFilePath = data.path;
}

void CUdRestoreFormView::HandleFileText(const std::string& text) {
    const int mode = m_nMode;
    ModeData& data = m_modes.at(mode);
    const ModeTexts& texts = kTexts[mode];
    data.path = text;
    const LoadStatus status = ReadModeFile(mode);
    switch (status) {
        case LoadStatus::kOk:
            data.ready = Validate(mode) ? 1 : 0;
            if (data.ready) {
                SetMessage(mode, texts.ready);
            } else {
                // The emptied edit runs this handler again and leaves the mode empty.
                SetFileText("");
                SetMessage(mode, texts.invalid);
                m_form.ShowMessageBox(texts.invalid);
                data.payload.reset();
            }
            break;
        case LoadStatus::kTooLarge:
        case LoadStatus::kOutOfMemory: {
            const char* message =
                status == LoadStatus::kTooLarge ? kFileTooLargeText : kFileOutOfMemoryText;
            data.ready = 0;
            data.size = 0;
            SetFileText("");
            SetMessage(mode, message);
            m_form.ShowMessageBox(message);
            data.payload.reset();
            break;
        }
        case LoadStatus::kOpenFailed:
        case LoadStatus::kReadFailed:
            data.ready = 0;
            data.size = 0;
            if (!data.path.empty()) {
                SetFileText("");
                SetMessage(mode, texts.select);
            }
            data.payload.reset();
            break;
    }
    PublishMode(mode);
}

void CUdRestoreFormView::OnModeChanged(int mode) {
    if (mode != kUserDataMode && mode != kOneDeviceMode) {
        return;
    }
    m_nMode = mode;
    ModeData& data = m_modes.at(mode);
    m_job.m_nDataMode = mode;
    m_job.m_strFilePath = data.path;
    m_form.ShowMode(mode);
    if (data.ready == 1) {
        // The stored header is checked again to put this mode's head and block fields back
        // over what the other mode left in the job; the file is not read again.
        data.ready = Validate(mode) ? 1 : 0;
    }
    m_job.m_bFileReady = data.ready;
    m_job.m_nDataSize = static_cast<std::int32_t>(data.size);
    m_job.m_pData = data.payload;
}

void CUdRestoreFormView::Reload() {
    const int mode = m_nMode;
    ModeData& data = m_modes.at(mode);
    data.ready = 0;
    switch (ReadModeFile(mode)) {
        case LoadStatus::kOk:
            data.ready = Validate(mode) ? 1 : 0;
            if (!data.ready) {
                data.payload.reset();
            }
            break;
        case LoadStatus::kOpenFailed:
            // Nothing was read: the mode keeps its size and payload, not ready.
            break;
        case LoadStatus::kReadFailed:
        case LoadStatus::kTooLarge:
        case LoadStatus::kOutOfMemory:
            data.size = 0;
            data.payload.reset();
            break;
    }
    PublishMode(mode);
}

long CUdRestoreFormView::OnPageNotify(int code, const NotifyParam& /*lParam*/) {
    if (code == TN_RELOAD_FILE) {
        Reload();
    }
    return 0;
}

}  // namespace vanto
