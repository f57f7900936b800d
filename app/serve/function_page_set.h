#pragma once
// The six function pages in function-index order on forms that a factory supplies, and the page
// that is showing: the page registry the engine reads. Toolkit-free, so any front end (the
// headless `serve`, tests) can hold the pages through it.

#include <array>
#include <functional>
#include <memory>

#include "formats/file_system.h"
#include "pages/kv_mgr_form_view.h"
#include "pages/page_form.h"
#include "protocol/transfer_notify.h"

namespace vanto::serve {

class FunctionPageSet final : public PageRegistry {
public:
    // The form of page `index`; it must outlive the set.
    using FormFactory = std::function<PageForm&(int index)>;

    // Creates the six pages in index order and runs each page's initial update. No page shows
    // until Show.
    FunctionPageSet(const FormFactory& makeForm, FileSystem& fs, IconEditorRunner& editor);

    // Makes page `index` the one showing; false for an index outside 0..5.
    bool Show(int index);

    CKvMgrFormView* View(int index);
    TransferPage* Page(int index) override { return View(index); }
    TransferPage* ShowingPage() override { return m_pShowingPage; }

private:
    std::array<std::unique_ptr<CKvMgrFormView>, FUNC_COUNT> m_apPages;
    CKvMgrFormView* m_pShowingPage = nullptr;
};

}  // namespace vanto::serve
