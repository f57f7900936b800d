#include "pages/function_pages.h"

#include "pages/app_dnld_form_view.h"
#include "pages/dd_backup_form_view.h"
#include "pages/dd_restore_form_view.h"
#include "pages/rdb_dnld_form_view.h"
#include "pages/ud_backup_form_view.h"
#include "pages/ud_restore_form_view.h"

namespace vanto {

std::unique_ptr<CKvMgrFormView> MakeFunctionPageLogic(int index, PageForm& form, FileSystem& fs,
                                                      IconEditorRunner& editor) {
    switch (index) {
        case FUNC_APP_DOWNLOAD:
            return std::make_unique<CAppDnldFormView>(form, fs);
        case FUNC_DB_DOWNLOAD:
            return std::make_unique<CRdbDnldFormView>(form, fs);
        case FUNC_USERDATA_UPLOAD:
            return std::make_unique<CUdBackupFormView>(form, fs);
        case FUNC_USERDATA_DOWNLOAD:
            return std::make_unique<CUdRestoreFormView>(form, fs);
        case FUNC_ICON_UPLOAD:
            return std::make_unique<CDDBackupFormView>(form, fs, editor);
        case FUNC_ICON_DOWNLOAD:
            return std::make_unique<CDDRestoreFormView>(form, fs, editor);
        default:
            return nullptr;
    }
}

}  // namespace vanto
