#pragma once
// CUdRestoreFormView: the user data download page. Two modes, each with its own file, header,
// payload and ready flag: "User Data" (0, a .bin file, request 'R') and "One Device" (1, an .odf
// file, request 'T'). The job carries the set of the selected mode.

#include <array>

#include "formats/file_loader.h"
#include "formats/file_system.h"
#include "formats/image_header.h"
#include "pages/kv_mgr_form_view.h"

namespace vanto {

class CUdRestoreFormView final : public CKvMgrFormView {
public:
    static constexpr int kUserDataMode = 0;
    static constexpr int kOneDeviceMode = 1;

    CUdRestoreFormView(PageForm& form, FileSystem& fs) : CKvMgrFormView(form), m_fs(fs) {}

    int FunctionIndex() const override { return FUNC_USERDATA_DOWNLOAD; }
    int CurrentMode() const override { return m_nMode; }
    void OnInitialUpdate() override;
    // The "User Data" (0) or "One Device" (1) radio button was clicked.
    void OnModeChanged(int mode) override;

    // What a mode holds (for the forms and tests).
    const std::string& ModePath(int mode) const { return m_modes.at(mode).path; }
    bool ModeReady(int mode) const { return m_modes.at(mode).ready == 1; }
    const SharedBytes& ModePayload(int mode) const { return m_modes.at(mode).payload; }

protected:
    void HandleFileText(const std::string& text) override;
    long OnPageNotify(int code, const NotifyParam& lParam) override;

private:
    struct ModeData {
        std::string path;              // m_strUserDataPath / m_strDevDataPath
        ImageHeader header;            // m_UserDataHeader / m_DevDataHeader
        std::size_t headerLength = 0;  // bytes of the header the file held (576 unless short)
        std::uint32_t size = 0;        // m_nUserDataSize / m_nDevDataSize
        SharedBytes payload;           // m_pUserData / m_pDevData
        std::uint16_t checksum = 0;    // XorWordChecksum of the payload
        std::uint8_t ready = 0;        // m_bUserDataReady / m_bDevDataReady
    };

    // ValidateUserData / ValidateDevData: checks the mode's stored header and, when it passes,
    // writes the mode's head and block fields into the job.
    bool Validate(int mode);
    // Reads the mode's file; on success its header, size and payload take the file's content.
    LoadStatus ReadModeFile(int mode);
    // The job takes the mode's flag, size, payload and name.
    void PublishMode(int mode);
    void Reload();

    FileSystem& m_fs;
    std::array<ModeData, 2> m_modes;
    int m_nMode = kUserDataMode;
};

}  // namespace vanto
