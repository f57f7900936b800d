#pragma once
// CAppDnldFormView: the application download page. The chosen .s19 file is converted into an
// application image in memory, checked, and offered to the remote's requests '0' to '9'.

#include "formats/file_system.h"
#include "pages/kv_mgr_form_view.h"

namespace vanto {

class CAppDnldFormView final : public CKvMgrFormView {
public:
    static constexpr const char* kInitialMessage = "Select the application to download.";
    // S-record text above this size is refused before it is read: its image could not be sent.
    static constexpr std::int64_t kMaxTextBytes = 4 * kMaxTransferBytes;

    CAppDnldFormView(PageForm& form, FileSystem& fs) : CKvMgrFormView(form), m_fs(fs) {}

    int FunctionIndex() const override { return FUNC_APP_DOWNLOAD; }
    void OnInitialUpdate() override;

protected:
    void HandleFileText(const std::string& text) override;
    long OnPageNotify(int code, const NotifyParam& lParam) override;

private:
    // Reads, converts and checks m_strFilePath into the job; a file that can't be read or
    // converted gets the conversion's message box. True when the image passed its check.
    bool LoadImage();
    void Reload();

    FileSystem& m_fs;
};

}  // namespace vanto
