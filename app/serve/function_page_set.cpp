#include "app/serve/function_page_set.h"

#include "pages/app_dnld_form_view.h"
#include "pages/dd_backup_form_view.h"
#include "pages/dd_restore_form_view.h"
#include "pages/rdb_dnld_form_view.h"
#include "pages/ud_backup_form_view.h"
#include "pages/ud_restore_form_view.h"

namespace vanto::serve {

FunctionPageSet::FunctionPageSet(const FormFactory& makeForm, FileSystem& fs,
                                 IconEditorRunner& editor) {
    m_apPages[FUNC_APP_DOWNLOAD] =
        std::make_unique<CAppDnldFormView>(makeForm(FUNC_APP_DOWNLOAD), fs);
    m_apPages[FUNC_DB_DOWNLOAD] =
        std::make_unique<CRdbDnldFormView>(makeForm(FUNC_DB_DOWNLOAD), fs);
    m_apPages[FUNC_USERDATA_UPLOAD] =
        std::make_unique<CUdBackupFormView>(makeForm(FUNC_USERDATA_UPLOAD), fs);
    m_apPages[FUNC_USERDATA_DOWNLOAD] =
        std::make_unique<CUdRestoreFormView>(makeForm(FUNC_USERDATA_DOWNLOAD), fs);
    m_apPages[FUNC_ICON_UPLOAD] =
        std::make_unique<CDDBackupFormView>(makeForm(FUNC_ICON_UPLOAD), fs, editor);
    m_apPages[FUNC_ICON_DOWNLOAD] =
        std::make_unique<CDDRestoreFormView>(makeForm(FUNC_ICON_DOWNLOAD), fs, editor);
    for (auto& page : m_apPages) {
        page->OnInitialUpdate();
    }
}

bool FunctionPageSet::Show(int index) {
    CKvMgrFormView* page = View(index);
    if (page == nullptr) {
        return false;
    }
    m_pShowingPage = page;
    return true;
}

CKvMgrFormView* FunctionPageSet::View(int index) {
    if (index < 0 || index >= FUNC_COUNT) {
        return nullptr;
    }
    return m_apPages[static_cast<std::size_t>(index)].get();
}

}  // namespace vanto::serve
