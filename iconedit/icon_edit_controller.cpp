#include "iconedit/icon_edit_controller.h"

#include "iconedit/icon_edit_rules.h"

namespace vanto::iconedit {

IconEditController::IconEditController(IconEditUi& ui, const ImageCodec& codec,
                                       RandomSource& random, FileSystem& fs)
    : m_ui(ui), m_codec(codec), m_random(random), m_fs(fs) {}

void IconEditController::OnInitDialog(const CellRect& client, int okButtonHeight) {
    m_rcClient = client;
    m_nButtonHeight = okButtonHeight;
    m_pView = std::make_unique<CIconEditFormView>(m_ui, m_codec, m_random, m_fs);
    m_pView->OnInitialUpdate();

    const std::optional<std::string> chosen = m_ui.PromptOpenFile(kIconFileOpenFilter, m_strPath);
    if (!chosen) {
        m_strPath.clear();
        return;
    }
    m_strPath = *chosen;
    m_pView->LoadIconFile(m_strPath);
}

CellRect IconEditController::FormRect() const {
    return {m_rcClient.left, m_rcClient.top, m_rcClient.right,
            m_rcClient.bottom - 2 * m_nButtonHeight};
}

std::optional<IconEditController::SizeChange> IconEditController::OnSize(int cx, int cy) {
    if (cx <= 0 || cy <= 0 || !m_pView) {
        return std::nullopt;
    }
    SizeChange change;
    change.dx = cx - m_rcClient.right;
    change.dy = cy - m_rcClient.bottom;
    m_rcClient = {0, 0, cx, cy};
    change.form = FormRect();
    return change;
}

bool IconEditController::OnOK() {
    if (!m_pView || !m_pView->SaveIconFile(m_strPath)) {
        return false;
    }
    m_strPath = m_pView->GetSavedPath();
    m_result = IDOK;
    return true;
}

void IconEditController::OnCancel() {
    m_result = IDCANCEL;
}

}  // namespace vanto::iconedit
