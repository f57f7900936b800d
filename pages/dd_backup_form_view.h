#pragma once
// CDDBackupFormView: the user icon upload page. The user names an output .vui file; during the
// remote's upload 'U' the page writes the user icon header built from the head information, the
// blocks and, once the data were verified, the completion mark. "Edit" opens the icon editor on
// the named file; its result does not change the page.

#include "formats/file_system.h"
#include "pages/kv_mgr_form_view.h"
#include "pages/upload_target.h"

namespace vanto {

class CDDBackupFormView final : public CKvMgrFormView {
public:
    static constexpr const char* kInitialMessage = "Select the user icon to save.";
    static constexpr const char* kReadyText = "User Icon Data Ready!";
    static constexpr const char* kDataName = "User icon data";

    CDDBackupFormView(PageForm& form, FileSystem& fs, IconEditorRunner& editor)
        : CKvMgrFormView(form), m_fs(fs), m_editor(editor) {}

    int FunctionIndex() const override { return FUNC_ICON_UPLOAD; }
    void OnInitialUpdate() override;
    // The "Edit" button.
    void OnEditClicked() override;

    // The output file of the running (or last) upload.
    const UploadTarget& Upload() const { return m_upload; }

protected:
    void HandleFileText(const std::string& text) override;
    long OnPageNotify(int code, const NotifyParam& lParam) override;

private:
    FileSystem& m_fs;
    IconEditorRunner& m_editor;
    // The last name that passed the output file check, and whether the last check passed.
    std::string m_strConfirmedPath;
    std::uint8_t m_bConfirmedReady = 0;
    UploadTarget m_upload;
};

}  // namespace vanto
