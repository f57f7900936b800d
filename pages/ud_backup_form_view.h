#pragma once
// CUdBackupFormView: the user data upload page. Two modes, each with its own output file name and
// ready flag: "User Data" (0, a .bin file, request 'Q') and "One Device" (1, an .odf file,
// request 'S'). During an upload the page writes the header built from the head information, the
// blocks and, once the data were verified, the completion mark.

#include <array>

#include "formats/file_system.h"
#include "pages/kv_mgr_form_view.h"
#include "pages/upload_target.h"

namespace vanto {

class CUdBackupFormView final : public CKvMgrFormView {
public:
    static constexpr int kUserDataMode = 0;
    static constexpr int kOneDeviceMode = 1;

    CUdBackupFormView(PageForm& form, FileSystem& fs) : CKvMgrFormView(form), m_fs(fs) {}

    int FunctionIndex() const override { return FUNC_USERDATA_UPLOAD; }
    int CurrentMode() const override { return m_nMode; }
    void OnInitialUpdate() override;
    // The "User Data" (0) or "One Device" (1) radio button was clicked.
    void OnModeChanged(int mode) override;

    // The last name of `mode` that passed the check, and the mode's flag.
    const std::string& ModePath(int mode) const { return m_strModePath.at(mode); }
    bool ModeReady(int mode) const { return m_bModeReady.at(mode) == 1; }
    // The output file of the running (or last) upload.
    const UploadTarget& Upload() const { return m_upload; }

protected:
    void HandleFileText(const std::string& text) override;
    long OnPageNotify(int code, const NotifyParam& lParam) override;

private:
    // CheckOutputFile on the current mode: true when the named file can be written.
    bool CheckOutputFile();

    FileSystem& m_fs;
    std::array<std::string, 2> m_strModePath;    // m_strUserDataPath, m_strDevDataPath
    std::array<std::uint8_t, 2> m_bModeReady{};  // m_bUserDataReady, m_bDevDataReady
    int m_nMode = kUserDataMode;
    // The mode of the running (or last) upload.
    int m_nUploadMode = kUserDataMode;
    UploadTarget m_upload;
};

}  // namespace vanto
