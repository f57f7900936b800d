#include "app/serve/function_page_set.h"

#include "pages/function_pages.h"

namespace vanto::serve {

FunctionPageSet::FunctionPageSet(const FormFactory& makeForm, FileSystem& fs,
                                 IconEditorRunner& editor) {
    for (int index = 0; index < FUNC_COUNT; ++index) {
        m_apPages[static_cast<std::size_t>(index)] =
            MakeFunctionPageLogic(index, makeForm(index), fs, editor);
    }
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
