#pragma once
// CRdbDnldFormView: the database download page. The chosen file is read whole, its database
// header checked, and it is offered unchanged to the remote's request 'P'.

#include "formats/file_system.h"
#include "pages/kv_mgr_form_view.h"

namespace vanto {

class CRdbDnldFormView final : public CKvMgrFormView {
public:
    static constexpr const char* kInitialMessage = "Select the database to download.";
    static constexpr const char* kReadyText = "Database Ready!";
    static constexpr const char* kInvalidText = "Invalid Database!";
    static constexpr const char* kSelectText = "Select Database!";

    CRdbDnldFormView(PageForm& form, FileSystem& fs) : CKvMgrFormView(form), m_fs(fs) {}

    int FunctionIndex() const override { return FUNC_DB_DOWNLOAD; }
    void OnInitialUpdate() override;

protected:
    void HandleFileText(const std::string& text) override;
    long OnPageNotify(int code, const NotifyParam& lParam) override;

private:
    FileSystem& m_fs;
};

}  // namespace vanto
