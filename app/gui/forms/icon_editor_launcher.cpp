#include "app/gui/forms/icon_editor_launcher.h"

#include <QMessageBox>

namespace vanto::gui {

namespace {

IconEditorDialogRun& Registered() {
    static IconEditorDialogRun run;
    return run;
}

}  // namespace

void SetIconEditorDialog(IconEditorDialogRun run) {
    Registered() = std::move(run);
}

bool IconEditorLauncher::Run(const std::string& proposedPath) {
    const IconEditorDialogRun& run = Registered();
    if (!run) {
        QMessageBox::warning(&m_parent, m_parent.window()->windowTitle(),
                             QStringLiteral("The icon editor is not part of this build."));
        return false;
    }
    const std::optional<std::string> written = run(&m_parent, proposedPath);
    if (!written) {
        return false;
    }
    m_path = *written;
    return true;
}

}  // namespace vanto::gui
