#pragma once
// Creates the logic of function page `index` (0 to 5, the order of the page registry) on its form.

#include <memory>

#include "formats/file_system.h"
#include "pages/kv_mgr_form_view.h"
#include "pages/page_form.h"

namespace vanto {

// Null for an index outside 0..5. The editor is used by the two user icon pages.
std::unique_ptr<CKvMgrFormView> MakeFunctionPageLogic(int index, PageForm& form, FileSystem& fs,
                                                      IconEditorRunner& editor);

}  // namespace vanto
