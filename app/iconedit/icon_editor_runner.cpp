#include "app/iconedit/icon_editor_runner.h"

namespace vanto::gui {

std::optional<std::string> RunIconEditDialog(QWidget* parent, const std::string& proposedPath,
                                             IconEditPrompts prompts) {
    // A new dialog for every run: nothing of an earlier run carries over.
    CIconEditDialog dialog(parent, std::move(prompts));
    dialog.SetPath(proposedPath);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.GetPath();
}

}  // namespace vanto::gui
