#pragma once
// CDDRestoreFormView: the user icon download page. The chosen .vui file is read whole, its user
// icon header checked, and its payload offered to the remote's request 'V'. "Edit" opens the icon
// editor on the file and takes the file it wrote.

#include "formats/file_loader.h"
#include "formats/file_system.h"
#include "formats/image_header.h"
#include "pages/kv_mgr_form_view.h"

namespace vanto {

class CDDRestoreFormView final : public CKvMgrFormView {
public:
    static constexpr const char* kInitialMessage = "Select the user icon to download.";
    static constexpr const char* kReadyText = "User Icon Data Ready!";
    static constexpr const char* kInvalidText = "Invalid User Icon Data!";
    static constexpr const char* kSelectText = "Select User Icon Data!";

    CDDRestoreFormView(PageForm& form, FileSystem& fs, IconEditorRunner& editor)
        : CKvMgrFormView(form), m_fs(fs), m_editor(editor) {}

    int FunctionIndex() const override { return FUNC_ICON_DOWNLOAD; }
    void OnInitialUpdate() override;
    // The "Edit" button.
    void OnEditClicked() override;

protected:
    void HandleFileText(const std::string& text) override;
    long OnPageNotify(int code, const NotifyParam& lParam) override;

private:
    // ValidateIconData: checks m_IconHeader and, when it passes, fills the job's head and block
    // fields.
    bool ValidateIconData();
    // Takes a loaded file's header and data into the page and the job, then validates them.
    bool AdoptIconFile(LoadedFile& file);

    FileSystem& m_fs;
    IconEditorRunner& m_editor;
    ImageHeader m_IconHeader;
    std::size_t m_nHeaderLength = 0;
};

}  // namespace vanto
